#include "rtf/controlwords.h"

#include <QByteArray>
#include <QHash>

#include <utility>

namespace formelan::rtf::internal {

int charsetCodePage(int charset)
{
    switch (charset) {
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

W lookup(const Token &t)
{
    static const QHash<QByteArray, W> words = [] {
        QHash<QByteArray, W> h;
        // Destinations whose text no reader shows.
        for (const char *w :
             {"info",         "stylesheet", "pict",      "object",    "header",
              "footer",       "headerl",    "headerr",   "headerf",   "footerl",
              "footerr",      "footerf",    "footnote",  "listtable", "listoverridetable",
              "rsidtbl",      "xmlnstbl",   "generator", "themedata", "colorschememapping",
              "latentstyles", "datastore",  "pgdsctbl",  "revtbl",    "filetbl",
              "template",     "nonshppict", "objdata",   "private",   "annotation",
              "atnid",        "atnauthor",  "bkmkstart", "bkmkend",   "shpinst",
              "sp",           "comment",    "title",     "author",    "operator"})
            h.insert(w, W::Skipped);
        const std::pair<const char *, W> known[] = {{"fonttbl", W::FontTable},
                                                    {"colortbl", W::ColorTable},
                                                    {"fldinst", W::FieldInstruction},
                                                    {"red", W::Red},
                                                    {"green", W::Green},
                                                    {"blue", W::Blue},
                                                    {"ansicpg", W::AnsiCpg},
                                                    {"deff", W::Deff},
                                                    {"uc", W::Uc},
                                                    {"u", W::U},
                                                    {"par", W::Par},
                                                    {"line", W::Line},
                                                    {"tab", W::Tab},
                                                    {"emdash", W::EmDash},
                                                    {"endash", W::EnDash},
                                                    {"bullet", W::Bullet},
                                                    {"lquote", W::LQuote},
                                                    {"rquote", W::RQuote},
                                                    {"ldblquote", W::LDblQuote},
                                                    {"rdblquote", W::RDblQuote},
                                                    {"b", W::Bold},
                                                    {"i", W::Italic},
                                                    {"ul", W::Underline},
                                                    {"ulnone", W::UnderlineNone},
                                                    {"fs", W::FontSize},
                                                    {"cf", W::Color},
                                                    {"f", W::Font},
                                                    {"cpg", W::Cpg},
                                                    {"plain", W::Plain},
                                                    {"pard", W::Pard},
                                                    {"intbl", W::InTable},
                                                    {"ql", W::AlignLeft},
                                                    {"qc", W::AlignCenter},
                                                    {"qr", W::AlignRight},
                                                    {"qj", W::Justify},
                                                    {"trowd", W::RowDefinition},
                                                    {"cellx", W::CellX},
                                                    {"cell", W::Cell},
                                                    {"row", W::Row},
                                                    {"fcharset", W::Charset}};
        for (const auto &[w, v] : known)
            h.insert(w, v);
        return h;
    }();
    if (t.overlong)
        return W::Unknown;
    return words.value(QByteArray::fromRawData(t.word.data(), t.word.size()), W::Unknown);
}

} // namespace formelan::rtf::internal
