#include "rtf/rtfreader.h"

#include <QColor>
#include <QHash>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <limits>
#include <memory>
#include <vector>

namespace formelan::rtf {

namespace {

constexpr int kMaxWord = 32;    // letters of a control word that count
constexpr int kMaxDepth = 1024; // deeper groups share the innermost state
constexpr int kFallbackCodePage = 1251;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Token Tokenizer::next()
{
    const qsizetype n = m_in.size();
    const char *d = m_in.constData();
    while (m_pos < n && (d[m_pos] == '\r' || d[m_pos] == '\n'))
        ++m_pos;
    Token t;
    t.start = m_pos;
    if (m_pos >= n)
        return t;
    const char c = d[m_pos];
    if (c == '{' || c == '}') {
        t.type = c == '{' ? Token::GroupStart : Token::GroupEnd;
        ++m_pos;
        t.length = 1;
        return t;
    }
    if (c != '\\') {
        // A run of plain text up to the next special character.
        qsizetype end = m_pos;
        while (end < n && d[end] != '\\' && d[end] != '{' && d[end] != '}' && d[end] != '\r' &&
               d[end] != '\n')
            ++end;
        t.type = Token::Text;
        t.length = end - m_pos;
        m_pos = end;
        return t;
    }
    ++m_pos; // the backslash
    if (m_pos >= n) {
        t.type = Token::End;
        return t;
    }
    const char s = d[m_pos];
    if (!isLetter(s)) {
        ++m_pos;
        if (s == '\'') {
            const int hi = m_pos < n ? hexValue(d[m_pos]) : -1;
            const int lo = m_pos + 1 < n ? hexValue(d[m_pos + 1]) : -1;
            if (hi < 0 || lo < 0) {
                // A bad hex digit: the escape stands for nothing.
                t.type = Token::Symbol;
                t.param = 0;
                t.length = m_pos - t.start;
                return t;
            }
            m_pos += 2;
            t.type = Token::Hex;
            t.param = hi * 16 + lo;
            t.length = m_pos - t.start;
            return t;
        }
        t.type = Token::Symbol;
        t.param = (s == '\r' || s == '\n') ? '\n' : static_cast<unsigned char>(s);
        t.length = m_pos - t.start;
        return t;
    }
    qsizetype end = m_pos;
    while (end < n && isLetter(d[end]))
        ++end;
    t.type = Token::Word;
    t.word = QByteArrayView(d + m_pos, end - m_pos);
    t.overlong = end - m_pos > kMaxWord;
    m_pos = end;
    bool negative = false;
    if (m_pos < n && d[m_pos] == '-' && m_pos + 1 < n && isDigit(d[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < n && isDigit(d[m_pos])) {
        qint64 v = 0;
        while (m_pos < n && isDigit(d[m_pos])) {
            if (v < std::numeric_limits<int>::max())
                v = v * 10 + (d[m_pos] - '0');
            ++m_pos;
        }
        v = std::min<qint64>(v, std::numeric_limits<int>::max());
        t.param = int(negative ? -v : v);
        t.hasParam = true;
    }
    if (m_pos < n && d[m_pos] == ' ')
        ++m_pos; // the one delimiting space
    if (t.word == "bin" && t.hasParam && t.param > 0) {
        // Raw bytes follow; they are never read as RTF.
        t.type = Token::Binary;
        m_pos += std::min<qsizetype>(t.param, n - m_pos);
    }
    t.length = m_pos - t.start;
    return t;
}

namespace {

struct CharStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int color = 0; // index into the colour table; 0 is the automatic colour

    bool operator==(const CharStyle &) const = default;
};

enum class Dest { Text, Skip, FontTable, ColorTable, FieldInstruction };

struct State {
    Dest dest = Dest::Text;
    CharStyle style;
    int uc = 1;
    int font = -1;
    int codePage = 0; // 0: that of the font or the document
    Qt::Alignment align = Qt::AlignLeft;
    bool inTable = false;
};

// What the reader produces, for a document or for plain text.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void text(const QString &s, const CharStyle &style, const State &st) = 0;
    virtual void paragraph(const State &st) = 0;
    virtual void cell() = 0;
    virtual void row() = 0;
    virtual void rowDefinition(const std::vector<int> &cellRights) = 0;
    virtual void leaveTable() = 0;
    virtual void finish() = 0;
    // Where a character of visible text stands in the source; only for sinks that ask.
    virtual bool wantsSpans() const { return false; }
    virtual void span(QChar, qsizetype, qsizetype) {}
};

class SpanSink final : public Sink {
public:
    std::vector<VisibleChar> chars;
    void text(const QString &, const CharStyle &, const State &) override {}
    void paragraph(const State &) override {}
    void cell() override {}
    void row() override {}
    void rowDefinition(const std::vector<int> &) override {}
    void leaveTable() override {}
    void finish() override {}
    bool wantsSpans() const override { return true; }
    void span(QChar c, qsizetype start, qsizetype end) override
    {
        chars.push_back({c, start, end});
    }
};

class PlainSink final : public Sink {
public:
    QString out;
    void text(const QString &s, const CharStyle &, const State &) override { out += s; }
    void paragraph(const State &) override { out += u'\n'; }
    void cell() override { out += u'\t'; }
    void row() override { out += u'\n'; }
    void rowDefinition(const std::vector<int> &) override {}
    void leaveTable() override {}
    void finish() override {}
};

// Builds the document. A table is collected whole and inserted at its end, so that
// long tables cost no more than their content.
class DocumentSink final : public Sink {
public:
    DocumentSink(QTextDocument &doc, const std::vector<QColor> &colors)
        : m_doc(doc)
        , m_colors(colors)
    {
        m_doc.clear();
        m_undo = m_doc.isUndoRedoEnabled();
        m_doc.setUndoRedoEnabled(false);
        m_cursor = QTextCursor(&m_doc);
        // One edit for the whole document: Qt then rescans frames and lays out once.
        m_cursor.beginEditBlock();
    }

    void text(const QString &s, const CharStyle &style, const State &st) override
    {
        if (route(st.inTable))
            currentCell().push_back({false, s, style, st.align});
        else
            put({false, s, style, st.align}, m_cursor);
    }
    void paragraph(const State &st) override
    {
        if (route(st.inTable))
            currentCell().push_back({true, QString(), CharStyle(), st.align});
        else
            put({true, QString(), CharStyle(), st.align}, m_cursor);
    }
    void rowDefinition(const std::vector<int> &cellRights) override
    {
        m_rights = cellRights;
        m_newRow = true;
    }
    void cell() override
    {
        route(true);
        currentRow().emplace_back();
    }
    void row() override
    {
        route(true);
        m_newRow = true;
    }
    void leaveTable() override { insertTable(); }
    void finish() override
    {
        insertTable();
        m_cursor.endEditBlock();
        m_doc.setUndoRedoEnabled(m_undo);
    }

private:
    struct Piece {
        bool paragraph;
        QString text;
        CharStyle style;
        Qt::Alignment align;
    };
    using Cell = std::vector<Piece>;
    using Row = std::vector<Cell>;

    // Whether content goes into the table being collected; starts rows and ends the
    // table as the content asks.
    bool route(bool inTable)
    {
        if (!inTable) {
            if (m_inTable && m_newRow)
                insertTable();
            if (!m_inTable)
                return false;
            return true; // a paragraph of a cell written without \intbl
        }
        if (!m_inTable) {
            m_inTable = true;
            m_rows.clear();
            m_newRow = true;
            m_tableRights = m_rights;
        }
        if (m_newRow) {
            m_rows.emplace_back();
            m_rows.back().emplace_back();
            m_newRow = false;
        }
        return true;
    }
    Row &currentRow() { return m_rows.back(); }
    Cell &currentCell() { return m_rows.back().back(); }

    const QTextCharFormat &format(const CharStyle &style)
    {
        if (m_hasFormat && style == m_formatStyle)
            return m_format;
        m_hasFormat = true;
        m_formatStyle = style;
        QTextCharFormat &f = m_format;
        f = QTextCharFormat();
        f.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(style.italic);
        f.setFontUnderline(style.underline);
        f.setFontPointSize(std::clamp(style.halfPoints, 2, 3276) / 2.0);
        if (style.color > 0 && size_t(style.color) < m_colors.size() &&
            m_colors[size_t(style.color)].isValid())
            f.setForeground(m_colors[size_t(style.color)]);
        return f;
    }
    bool m_hasFormat = false;
    CharStyle m_formatStyle;
    QTextCharFormat m_format;

    void put(const Piece &piece, QTextCursor &cursor)
    {
        QTextBlockFormat bf = cursor.blockFormat();
        if (bf.alignment() != piece.align) {
            bf.setAlignment(piece.align);
            cursor.setBlockFormat(bf);
        }
        if (piece.paragraph)
            cursor.insertBlock();
        else
            cursor.insertText(piece.text, format(piece.style));
    }

    void insertTable()
    {
        if (!m_inTable)
            return;
        m_inTable = false;
        m_newRow = false;
        // The last cell of a row is the one its \cell closed; what follows it is empty.
        for (Row &row : m_rows) {
            if (row.size() > 1 && row.back().empty())
                row.pop_back();
        }
        size_t columns = std::min<size_t>(std::max<size_t>(m_tableRights.size(), 1), 63);
        for (const Row &row : m_rows)
            columns = std::max(columns, std::min<size_t>(row.size(), 63));
        if (m_rows.empty())
            return;
        QTextTableFormat tf;
        tf.setCellPadding(2);
        tf.setCellSpacing(0);
        tf.setBorder(1);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        QList<QTextLength> widths;
        int left = 0;
        for (size_t i = 0; i < columns && i < m_tableRights.size(); ++i) {
            const int right = m_tableRights[i];
            widths.append(
                QTextLength(QTextLength::FixedLength, std::clamp((right - left) / 15, 8, 2000)));
            left = right;
        }
        if (widths.size() == qsizetype(columns))
            tf.setColumnWidthConstraints(widths);
        QTextTable *table = m_cursor.insertTable(int(m_rows.size()), int(columns), tf);
        for (size_t r = 0; r < m_rows.size(); ++r) {
            for (size_t c = 0; c < m_rows[r].size() && c < columns; ++c) {
                QTextCursor cell = table->cellAt(int(r), int(c)).firstCursorPosition();
                for (const Piece &piece : m_rows[r][c])
                    put(piece, cell);
            }
        }
        m_rows.clear();
        m_cursor = table->lastCursorPosition();
        m_cursor.movePosition(QTextCursor::NextBlock);
    }

    QTextDocument &m_doc;
    QTextCursor m_cursor;
    const std::vector<QColor> &m_colors;
    std::vector<int> m_rights;      // the last row definition
    std::vector<int> m_tableRights; // the first row definition of the table
    std::vector<Row> m_rows;
    bool m_inTable = false;
    bool m_newRow = false;
    bool m_undo = true;
};

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

enum class W {
    Unknown,
    Skipped,
    FontTable,
    ColorTable,
    FieldInstruction,
    Red,
    Green,
    Blue,
    AnsiCpg,
    Deff,
    Uc,
    U,
    Par,
    Line,
    Tab,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    FontSize,
    Color,
    Font,
    Cpg,
    Plain,
    Pard,
    InTable,
    AlignLeft,
    AlignCenter,
    AlignRight,
    Justify,
    RowDefinition,
    CellX,
    Cell,
    Row,
    Charset
};

class Reader {
public:
    Reader(const QByteArray &in, Sink *sink)
        : m_in(in)
        , m_tok(in)
        , m_sink(sink)
    {
        m_stack.emplace_back();
    }

    void run();
    void setSink(Sink *sink) { m_sink = sink; }
    std::vector<QColor> colors; // the colour table, read before any text

private:
    State &st() { return m_stack.back(); }
    void flush();
    void skipOne(qsizetype end);
    void reportPending();
    void span(QChar c, const Token &t)
    {
        if (m_sink->wantsSpans())
            m_sink->span(c, t.start, t.start + t.length);
    }
    QChar byteChar(char byte);
    void startRun();
    void decodeBytes();
    void emitText(const QString &s);
    void emitBytes(const char *data, qsizetype len);
    void word(const Token &t);
    void fontTableWord(W w, const Token &t);
    int codePage();
    QStringDecoder *decoder(int codePage);
    void endGroup();

    QByteArray m_in;
    Tokenizer m_tok;
    Sink *m_sink;
    std::vector<State> m_stack;
    int m_extraDepth = 0; // groups beyond kMaxDepth
    int m_skip = 0;       // fallback characters still to pass over after \uN
    // The last \uN character, reported with its fallback once that is passed over.
    bool m_hasPending = false;
    QChar m_pendingChar;
    qsizetype m_pendingStart = 0;
    qsizetype m_pendingEnd = 0;
    int m_ansiCodePage = kFallbackCodePage;
    int m_defaultFont = -1;
    QHash<int, int> m_fontCodePages;
    int m_fontEntry = -1;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    QByteArray m_bytes; // undecoded bytes of the current run
    int m_bytesCodePage = 0;
    QString m_run;
    CharStyle m_runStyle;
    State m_runState;
    std::vector<int> m_cellRights;
    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders;
};

QStringDecoder *Reader::decoder(int cp)
{
    auto it = m_decoders.find(cp);
    if (it == m_decoders.end()) {
        const QByteArray name = "windows-" + QByteArray::number(cp);
        auto dec = std::make_shared<QStringDecoder>(name.constData());
        if (!dec->isValid())
            dec = std::make_shared<QStringDecoder>("windows-1251");
        it = m_decoders.insert(cp, dec);
    }
    return it->get();
}

int Reader::codePage()
{
    if (st().codePage > 0)
        return st().codePage;
    const int font = st().font >= 0 ? st().font : m_defaultFont;
    const int cp = m_fontCodePages.value(font, 0);
    return cp > 0 ? cp : m_ansiCodePage;
}

// A run collects text of one formatting; a change of formatting hands it on.
void Reader::startRun()
{
    const bool pending = !m_run.isEmpty() || !m_bytes.isEmpty();
    if (pending && (m_runStyle == st().style && m_runState.align == st().align &&
                    m_runState.inTable == st().inTable))
        return;
    if (pending)
        flush();
    m_runStyle = st().style;
    m_runState = st();
}

void Reader::decodeBytes()
{
    if (!m_bytes.isEmpty()) {
        m_run += decoder(m_bytesCodePage)->decode(m_bytes);
        m_bytes.clear();
    }
}

void Reader::emitText(const QString &s)
{
    if (s.isEmpty())
        return;
    startRun();
    decodeBytes();
    m_run += s;
}

void Reader::emitBytes(const char *data, qsizetype len)
{
    startRun();
    const int cp = codePage();
    if (cp != m_bytesCodePage)
        decodeBytes();
    m_bytesCodePage = cp;
    m_bytes.append(data, len);
}

void Reader::reportPending()
{
    if (m_hasPending && m_sink->wantsSpans())
        m_sink->span(m_pendingChar, m_pendingStart, m_pendingEnd);
    m_hasPending = false;
}

// One fallback character of a \uN passed over; it belongs to the \uN's span.
void Reader::skipOne(qsizetype end)
{
    --m_skip;
    m_pendingEnd = end;
    if (m_skip == 0)
        reportPending();
}

QChar Reader::byteChar(char byte)
{
    const QString s = decoder(codePage())->decode(QByteArrayView(&byte, 1));
    return s.isEmpty() ? QChar(QChar::ReplacementCharacter) : s.front();
}

void Reader::flush()
{
    decodeBytes();
    if (!m_run.isEmpty())
        m_sink->text(m_run, m_runStyle, m_runState);
    m_run.clear();
}

void Reader::endGroup()
{
    m_skip = 0;
    if (m_extraDepth > 0) {
        --m_extraDepth;
        return;
    }
    if (m_stack.size() <= 1)
        return; // an unbalanced brace closes nothing
    const Dest leaving = st().dest;
    if (leaving == Dest::FontTable && m_fontEntry >= 0)
        m_fontEntry = -1;
    m_stack.pop_back();
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

void Reader::fontTableWord(W w, const Token &t)
{
    if (w == W::Font && t.hasParam) {
        m_fontEntry = t.param;
    } else if (w == W::Charset && m_fontEntry >= 0) {
        const int cp = charsetCodePage(t.param);
        if (cp > 0 || !m_fontCodePages.contains(m_fontEntry))
            m_fontCodePages.insert(m_fontEntry, cp);
    } else if (w == W::Cpg && m_fontEntry >= 0 && t.param > 0) {
        m_fontCodePages.insert(m_fontEntry, t.param);
    }
}

void Reader::word(const Token &t)
{
    const W w = lookup(t);
    const int p = t.param;
    State &s = st();
    if (m_skip > 0 && w != W::U) {
        skipOne(t.start + t.length); // a control word counts as one fallback character
        return;
    }
    switch (w) {
    case W::FontTable:
        flush();
        s.dest = Dest::FontTable;
        return;
    case W::ColorTable:
        flush();
        s.dest = Dest::ColorTable;
        return;
    case W::FieldInstruction:
        flush();
        s.dest = Dest::FieldInstruction;
        return;
    case W::Skipped:
        flush();
        s.dest = Dest::Skip;
        return;
    default:
        break;
    }
    if (s.dest == Dest::Skip || s.dest == Dest::FieldInstruction)
        return;
    if (s.dest == Dest::FontTable) {
        fontTableWord(w, t);
        return;
    }
    if (s.dest == Dest::ColorTable) {
        if (w == W::Red)
            m_red = p, m_colorSet = true;
        else if (w == W::Green)
            m_green = p, m_colorSet = true;
        else if (w == W::Blue)
            m_blue = p, m_colorSet = true;
        return;
    }

    switch (w) {
    case W::AnsiCpg:
        if (p > 0)
            m_ansiCodePage = p;
        break;
    case W::Deff:
        m_defaultFont = p;
        break;
    case W::Uc:
        s.uc = std::clamp(p, 0, 16);
        break;
    case W::U:
        if (t.hasParam) {
            reportPending();
            m_skip = 0;
            const QChar c(char16_t(p < 0 ? p + 65536 : p));
            emitText(QString(c));
            m_skip = s.uc;
            m_hasPending = true;
            m_pendingChar = c;
            m_pendingStart = t.start;
            m_pendingEnd = t.start + t.length;
            if (m_skip == 0)
                reportPending();
        }
        break;
    case W::Par:
        flush();
        m_sink->paragraph(s);
        span(u'\n', t);
        break;
    case W::Line:
        emitText(QString(QChar::LineSeparator));
        span(u'\n', t);
        break;
    case W::Tab:
        emitText(QStringLiteral("\t"));
        span(u'\t', t);
        break;
    case W::EmDash:
        emitText(QString(QChar(0x2014)));
        break;
    case W::EnDash:
        emitText(QString(QChar(0x2013)));
        break;
    case W::Bullet:
        emitText(QString(QChar(0x2022)));
        break;
    case W::LQuote:
        emitText(QString(QChar(0x2018)));
        break;
    case W::RQuote:
        emitText(QString(QChar(0x2019)));
        break;
    case W::LDblQuote:
        emitText(QString(QChar(0x201C)));
        break;
    case W::RDblQuote:
        emitText(QString(QChar(0x201D)));
        break;
    case W::Bold:
        s.style.bold = !t.hasParam || p != 0;
        break;
    case W::Italic:
        s.style.italic = !t.hasParam || p != 0;
        break;
    case W::Underline:
        s.style.underline = !t.hasParam || p != 0;
        break;
    case W::UnderlineNone:
        s.style.underline = false;
        break;
    case W::FontSize:
        if (t.hasParam && p > 0)
            s.style.halfPoints = p;
        break;
    case W::Color:
        s.style.color = std::max(0, p);
        break;
    case W::Font:
        s.font = p;
        break;
    case W::Cpg:
        s.codePage = p > 0 ? p : 0;
        break;
    case W::Plain:
        s.style = CharStyle();
        break;
    case W::Pard:
        s.align = Qt::AlignLeft;
        s.inTable = false;
        break;
    case W::InTable:
        s.inTable = true;
        break;
    case W::AlignLeft:
        s.align = Qt::AlignLeft;
        break;
    case W::AlignCenter:
        s.align = Qt::AlignHCenter;
        break;
    case W::AlignRight:
        s.align = Qt::AlignRight;
        break;
    case W::Justify:
        s.align = Qt::AlignJustify;
        break;
    case W::RowDefinition:
        m_cellRights.clear();
        break;
    case W::CellX:
        if (m_cellRights.size() < 64)
            m_cellRights.push_back(p);
        flush();
        m_sink->rowDefinition(m_cellRights);
        break;
    case W::Cell:
        flush();
        m_sink->cell();
        span(u'\n', t);
        break;
    case W::Row:
        flush();
        m_sink->row();
        span(u'\n', t);
        break;
    default:
        break;
    }
}

void Reader::run()
{
    for (;;) {
        const Token t = m_tok.next();
        if (t.type == Token::End)
            break;
        const Dest dest = st().dest;
        const bool text = dest == Dest::Text;
        switch (t.type) {
        case Token::GroupStart:
            m_skip = 0;
            reportPending();
            if (m_stack.size() >= size_t(kMaxDepth)) {
                ++m_extraDepth;
            } else {
                m_stack.push_back(st());
            }
            break;
        case Token::GroupEnd:
            reportPending();
            if (text)
                flush();
            endGroup();
            break;
        case Token::Word:
            word(t);
            break;
        case Token::Symbol: {
            if (m_skip > 0) {
                skipOne(t.start + t.length);
                break;
            }
            if (!text)
                break;
            const int c = t.param;
            if (c == '*') {
                // {\*\dest ...}: a destination this reader may not know; pass it over.
                flush();
                st().dest = Dest::Skip;
            } else if (c == '\\' || c == '{' || c == '}') {
                emitText(QString(QChar(char16_t(c))));
                span(QChar(char16_t(c)), t);
            } else if (c == '~') {
                emitText(QString(QChar(0x00A0)));
                span(QChar(0x00A0), t);
            } else if (c == '_') {
                emitText(QString(QChar(0x2011)));
                span(QChar(0x2011), t);
            } else if (c == '\n') {
                flush();
                m_sink->paragraph(st());
                span(u'\n', t);
            } else if (c == '\t') {
                emitText(QStringLiteral("\t"));
                span(u'\t', t);
            }
            break;
        }
        case Token::Hex:
            if (m_skip > 0) {
                skipOne(t.start + t.length);
                break;
            }
            if (dest == Dest::ColorTable || dest == Dest::FontTable || !text)
                break;
            {
                const char byte = char(t.param);
                emitBytes(&byte, 1);
                if (m_sink->wantsSpans())
                    span(byteChar(byte), t);
            }
            break;
        case Token::Text: {
            const char *data = m_in.constData() + t.start;
            qsizetype len = t.length;
            if (dest == Dest::ColorTable) {
                for (qsizetype i = 0; i < len; ++i) {
                    if (data[i] == ';') {
                        colors.push_back(m_colorSet ? QColor(std::clamp(m_red, 0, 255),
                                                             std::clamp(m_green, 0, 255),
                                                             std::clamp(m_blue, 0, 255))
                                                    : QColor());
                        m_red = m_green = m_blue = 0;
                        m_colorSet = false;
                    }
                }
                break;
            }
            if (!text)
                break;
            // Fallback characters after \uN are passed over one by one.
            while (m_skip > 0 && len > 0) {
                ++data;
                --len;
                skipOne(data - m_in.constData());
            }
            if (len > 0) {
                emitBytes(data, len);
                if (m_sink->wantsSpans()) {
                    const qsizetype at = data - m_in.constData();
                    for (qsizetype i = 0; i < len; ++i)
                        m_sink->span(byteChar(data[i]), at + i, at + i + 1);
                }
            }
            break;
        }
        case Token::Binary:
            if (m_skip > 0)
                skipOne(t.start + t.length);
            break;
        case Token::End:
            break;
        }
    }
    reportPending();
    flush();
    m_sink->finish();
}

} // namespace

void read(const QByteArray &rtf, QTextDocument &document)
{
    Reader reader(rtf, nullptr);
    DocumentSink sink(document, reader.colors);
    reader.setSink(&sink);
    reader.run();
}

std::vector<VisibleChar> visibleText(const QByteArray &rtf)
{
    SpanSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return std::move(sink.chars);
}

QString plainText(const QByteArray &rtf)
{
    PlainSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return sink.out;
}

} // namespace formelan::rtf
