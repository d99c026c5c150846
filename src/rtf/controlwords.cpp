#include "rtf/controlwords.h"

#include <QByteArray>
#include <QHash>

#include <utility>

namespace formelan::rtf::internal {

int charsetCodePage(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
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
    case 255:
        return 437;
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
        const std::pair<const char *, W> known[] = {
            {"fonttbl", W::FontTable},
            {"colortbl", W::ColorTable},
            {"fldinst", W::FieldInstruction},
            {"ansi", W::Ansi},
            {"mac", W::Mac},
            {"pc", W::Pc},
            {"pca", W::Pca},
            {"ansicpg", W::AnsiCpg},
            {"deff", W::Deff},
            {"deftab", W::DefaultTab},
            {"paperw", W::PaperWidth},
            {"paperh", W::PaperHeight},
            {"margl", W::MarginLeft},
            {"margr", W::MarginRight},
            {"margt", W::MarginTop},
            {"margb", W::MarginBottom},
            {"pgwsxn", W::SectionPaperWidth},
            {"pghsxn", W::SectionPaperHeight},
            {"marglsxn", W::SectionMarginLeft},
            {"margrsxn", W::SectionMarginRight},
            {"margtsxn", W::SectionMarginTop},
            {"margbsxn", W::SectionMarginBottom},
            {"sect", W::Section},
            {"red", W::Red},
            {"green", W::Green},
            {"blue", W::Blue},
            {"fcharset", W::Charset},
            {"cpg", W::Cpg},
            {"fnil", W::FamilyNil},
            {"froman", W::FamilyRoman},
            {"fswiss", W::FamilySwiss},
            {"fmodern", W::FamilyModern},
            {"fscript", W::FamilyScript},
            {"fdecor", W::FamilyDecor},
            {"ftech", W::FamilyTech},
            {"uc", W::Uc},
            {"u", W::U},
            {"par", W::Par},
            {"line", W::Line},
            {"tab", W::Tab},
            {"page", W::Page},
            {"emdash", W::EmDash},
            {"endash", W::EnDash},
            {"bullet", W::Bullet},
            {"lquote", W::LQuote},
            {"rquote", W::RQuote},
            {"ldblquote", W::LDblQuote},
            {"rdblquote", W::RDblQuote},
            {"plain", W::Plain},
            {"b", W::Bold},
            {"i", W::Italic},
            {"ul", W::Underline},
            {"ulnone", W::UnderlineNone},
            {"fs", W::FontSize},
            {"cf", W::Color},
            {"f", W::Font},
            {"pard", W::Pard},
            {"intbl", W::InTable},
            {"itap", W::TableLevel},
            {"ql", W::AlignLeft},
            {"qc", W::AlignCenter},
            {"qr", W::AlignRight},
            {"qj", W::Justify},
            {"sb", W::SpaceBefore},
            {"sa", W::SpaceAfter},
            {"sl", W::LineSpacing},
            {"slmult", W::LineMultiple},
            {"li", W::LeftIndent},
            {"ri", W::RightIndent},
            {"fi", W::FirstIndent},
            {"pagebb", W::PageBreakBefore},
            {"tx", W::TabPosition},
            {"tqr", W::TabRight},
            {"tqc", W::TabCenter},
            {"tqdec", W::TabDecimal},
            {"brdrt", W::ParagraphBorder},
            {"brdrl", W::ParagraphBorder},
            {"brdrb", W::ParagraphBorder},
            {"brdrr", W::ParagraphBorder},
            {"brdrbtw", W::ParagraphBorder},
            {"brdrbar", W::ParagraphBorder},
            {"box", W::ParagraphBorder},
            {"chbrdr", W::ParagraphBorder},
            {"trowd", W::RowDefinition},
            {"trleft", W::RowLeft},
            {"trgaph", W::RowGap},
            {"trrh", W::RowHeight},
            {"trpaddl", W::RowPadLeft},
            {"trpaddr", W::RowPadRight},
            {"trpaddt", W::RowPadTop},
            {"trpaddb", W::RowPadBottom},
            {"trpaddfl", W::RowPadUnitLeft},
            {"trpaddfr", W::RowPadUnitRight},
            {"trpaddft", W::RowPadUnitTop},
            {"trpaddfb", W::RowPadUnitBottom},
            {"trql", W::RowAlignLeft},
            {"trqc", W::RowAlignCenter},
            {"trqr", W::RowAlignRight},
            {"trbrdrt", W::RowBorder},
            {"trbrdrl", W::RowBorder},
            {"trbrdrb", W::RowBorder},
            {"trbrdrr", W::RowBorder},
            {"trbrdrh", W::RowBorder},
            {"trbrdrv", W::RowBorder},
            {"clbrdrt", W::CellBorderTop},
            {"clbrdrl", W::CellBorderLeft},
            {"clbrdrb", W::CellBorderBottom},
            {"clbrdrr", W::CellBorderRight},
            {"brdrs", W::BorderSingle},
            {"brdrth", W::BorderThick},
            {"brdrdb", W::BorderDouble},
            {"brdrdot", W::BorderDotted},
            {"brdrdash", W::BorderDashed},
            {"brdrhair", W::BorderHairline},
            {"brdrnone", W::BorderNone},
            {"brdrw", W::BorderWidth},
            {"brdrcf", W::BorderColor},
            {"clvertalt", W::CellTop},
            {"clvertalc", W::CellMiddle},
            {"clvertalb", W::CellBottom},
            {"clcbpat", W::CellBackground},
            {"clmgf", W::CellMergeFirst},
            {"clmrg", W::CellMerged},
            {"clvmgf", W::CellVMergeFirst},
            {"clvmrg", W::CellVMerged},
            {"cellx", W::CellX},
            {"cell", W::Cell},
            {"row", W::Row},
        };
        for (const auto &[w, v] : known)
            h.insert(w, v);
        return h;
    }();
    if (t.overlong)
        return W::Unknown;
    return words.value(QByteArray::fromRawData(t.word.data(), t.word.size()), W::Unknown);
}

} // namespace formelan::rtf::internal
