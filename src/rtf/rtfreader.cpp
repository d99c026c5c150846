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
    t.word = QByteArray(d + m_pos, std::min<qsizetype>(end - m_pos, kMaxWord));
    if (end - m_pos > kMaxWord)
        t.word += '~'; // overlong: no known word
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

class DocumentSink final : public Sink {
public:
    DocumentSink(QTextDocument &doc, const std::vector<QColor> &colors)
        : m_doc(doc)
        , m_cursor(&doc)
        , m_colors(colors)
    {
        m_doc.clear();
        m_cursor = QTextCursor(&m_doc);
    }

    void text(const QString &s, const CharStyle &style, const State &st) override
    {
        startCellContent(st.inTable);
        align(st);
        QTextCharFormat f;
        f.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(style.italic);
        f.setFontUnderline(style.underline);
        f.setFontPointSize(std::clamp(style.halfPoints, 2, 3276) / 2.0);
        if (style.color > 0 && size_t(style.color) < m_colors.size() &&
            m_colors[size_t(style.color)].isValid())
            f.setForeground(m_colors[size_t(style.color)]);
        m_cursor.insertText(s, f);
    }
    void paragraph(const State &st) override
    {
        startCellContent(st.inTable);
        align(st);
        m_cursor.insertBlock();
    }
    void rowDefinition(const std::vector<int> &cellRights) override
    {
        m_pendingRow = cellRights;
        m_rowPending = true;
    }
    void cell() override
    {
        startCellContent(true);
        ++m_cell;
        if (m_table && m_cell < m_table->columns())
            m_cursor = m_table->cellAt(m_row, m_cell).firstCursorPosition();
    }
    void row() override
    {
        startCellContent(true);
        m_rowPending = true;
        m_rowDone = true;
    }
    void leaveTable() override
    {
        if (!m_table)
            return;
        m_cursor = m_table->lastCursorPosition();
        m_cursor.movePosition(QTextCursor::NextBlock);
        m_table = nullptr;
        m_rowPending = false;
        m_rowDone = false;
    }
    void finish() override {}

private:
    // Content of a table row starts the table, or its next row; content outside a
    // table after its last row ends it.
    void startCellContent(bool inTable)
    {
        if (m_table && m_rowDone && !inTable) {
            leaveTable();
            return;
        }
        if (!inTable || !m_rowPending || (!m_rowDone && m_table))
            return;
        const int columns = std::max<int>(1, int(std::min<size_t>(m_pendingRow.size(), 63)));
        if (!m_table) {
            QTextTableFormat format;
            format.setCellPadding(2);
            format.setCellSpacing(0);
            format.setBorder(1);
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            QList<QTextLength> widths;
            int left = 0;
            for (int i = 0; i < columns && size_t(i) < m_pendingRow.size(); ++i) {
                const int right = m_pendingRow[size_t(i)];
                widths.append(QTextLength(QTextLength::FixedLength,
                                          std::clamp((right - left) / 15, 8, 2000)));
                left = right;
            }
            if (!widths.isEmpty())
                format.setColumnWidthConstraints(widths);
            m_table = m_cursor.insertTable(1, columns, format);
            m_row = 0;
        } else {
            if (columns > m_table->columns())
                m_table->appendColumns(columns - m_table->columns());
            m_table->appendRows(1);
            m_row = m_table->rows() - 1;
        }
        m_cell = 0;
        m_cursor = m_table->cellAt(m_row, 0).firstCursorPosition();
        m_rowPending = false;
        m_rowDone = false;
    }

    void align(const State &st)
    {
        QTextBlockFormat bf = m_cursor.blockFormat();
        if (bf.alignment() != st.align) {
            bf.setAlignment(st.align);
            m_cursor.setBlockFormat(bf);
        }
    }

    QTextDocument &m_doc;
    QTextCursor m_cursor;
    const std::vector<QColor> &m_colors;
    QTextTable *m_table = nullptr;
    std::vector<int> m_pendingRow;
    bool m_rowPending = false;
    bool m_rowDone = false;
    int m_row = 0;
    int m_cell = 0;
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
    void startRun();
    void decodeBytes();
    void emitText(const QString &s);
    void emitBytes(const char *data, qsizetype len);
    void word(const Token &t);
    void fontTableWord(const Token &t);
    int codePage();
    QStringDecoder *decoder(int codePage);
    void endGroup();

    QByteArray m_in;
    Tokenizer m_tok;
    Sink *m_sink;
    std::vector<State> m_stack;
    int m_extraDepth = 0; // groups beyond kMaxDepth
    int m_skip = 0;       // fallback characters still to pass over after \uN
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
        auto dec =
            std::make_shared<QStringDecoder>(QByteArray("windows-" + QByteArray::number(cp)));
        if (!dec->isValid())
            dec = std::make_shared<QStringDecoder>(QByteArray("windows-1251"));
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

void Reader::fontTableWord(const Token &t)
{
    const QByteArray &w = t.word;
    if (w == "f" && t.hasParam) {
        m_fontEntry = t.param;
    } else if (w == "fcharset" && m_fontEntry >= 0) {
        const int cp = charsetCodePage(t.param);
        if (cp > 0 || !m_fontCodePages.contains(m_fontEntry))
            m_fontCodePages.insert(m_fontEntry, cp);
    } else if (w == "cpg" && m_fontEntry >= 0 && t.param > 0) {
        m_fontCodePages.insert(m_fontEntry, t.param);
    }
}

void Reader::word(const Token &t)
{
    const QByteArray &w = t.word;
    const int p = t.param;
    State &s = st();
    if (m_skip > 0 && w != "u") {
        --m_skip; // a control word counts as one fallback character
        return;
    }
    // Destinations.
    static const QByteArrayList skipped{
        "info",         "stylesheet", "pict",      "object",    "header",
        "footer",       "headerl",    "headerr",   "headerf",   "footerl",
        "footerr",      "footerf",    "footnote",  "listtable", "listoverridetable",
        "rsidtbl",      "xmlnstbl",   "generator", "themedata", "colorschememapping",
        "latentstyles", "datastore",  "pgdsctbl",  "revtbl",    "filetbl",
        "template",     "nonshppict", "objdata",   "private",   "annotation",
        "atnid",        "atnauthor",  "bkmkstart", "bkmkend",   "shpinst",
        "sp",           "comment",    "title",     "author",    "operator"};
    if (w == "fonttbl") {
        flush();
        s.dest = Dest::FontTable;
        return;
    }
    if (w == "colortbl") {
        flush();
        s.dest = Dest::ColorTable;
        return;
    }
    if (w == "fldinst") {
        flush();
        s.dest = Dest::FieldInstruction;
        return;
    }
    if (skipped.contains(w)) {
        flush();
        s.dest = Dest::Skip;
        return;
    }
    if (s.dest == Dest::Skip || s.dest == Dest::FieldInstruction)
        return;
    if (s.dest == Dest::FontTable) {
        fontTableWord(t);
        return;
    }
    if (s.dest == Dest::ColorTable) {
        if (w == "red")
            m_red = p, m_colorSet = true;
        else if (w == "green")
            m_green = p, m_colorSet = true;
        else if (w == "blue")
            m_blue = p, m_colorSet = true;
        return;
    }

    if (w == "ansicpg") {
        if (p > 0)
            m_ansiCodePage = p;
    } else if (w == "deff") {
        m_defaultFont = p;
    } else if (w == "uc") {
        s.uc = std::clamp(p, 0, 16);
    } else if (w == "u" && t.hasParam) {
        const char16_t unit = char16_t(p < 0 ? p + 65536 : p);
        m_skip = 0;
        emitText(QString(QChar(unit)));
        m_skip = s.uc;
    } else if (w == "par") {
        flush();
        m_sink->paragraph(s);
    } else if (w == "line") {
        emitText(QString(QChar::LineSeparator));
    } else if (w == "tab") {
        emitText(QStringLiteral("\t"));
    } else if (w == "emdash") {
        emitText(QString(QChar(0x2014)));
    } else if (w == "endash") {
        emitText(QString(QChar(0x2013)));
    } else if (w == "bullet") {
        emitText(QString(QChar(0x2022)));
    } else if (w == "lquote") {
        emitText(QString(QChar(0x2018)));
    } else if (w == "rquote") {
        emitText(QString(QChar(0x2019)));
    } else if (w == "ldblquote") {
        emitText(QString(QChar(0x201C)));
    } else if (w == "rdblquote") {
        emitText(QString(QChar(0x201D)));
    } else if (w == "b") {
        s.style.bold = !t.hasParam || p != 0;
    } else if (w == "i") {
        s.style.italic = !t.hasParam || p != 0;
    } else if (w == "ul") {
        s.style.underline = !t.hasParam || p != 0;
    } else if (w == "ulnone") {
        s.style.underline = false;
    } else if (w == "fs") {
        if (t.hasParam && p > 0)
            s.style.halfPoints = p;
    } else if (w == "cf") {
        s.style.color = std::max(0, p);
    } else if (w == "f") {
        s.font = p;
    } else if (w == "cpg") {
        s.codePage = p > 0 ? p : 0;
    } else if (w == "plain") {
        s.style = CharStyle();
    } else if (w == "pard") {
        s.align = Qt::AlignLeft;
        s.inTable = false;
    } else if (w == "intbl") {
        s.inTable = true;
    } else if (w == "ql") {
        s.align = Qt::AlignLeft;
    } else if (w == "qc") {
        s.align = Qt::AlignHCenter;
    } else if (w == "qr") {
        s.align = Qt::AlignRight;
    } else if (w == "qj") {
        s.align = Qt::AlignJustify;
    } else if (w == "trowd") {
        m_cellRights.clear();
    } else if (w == "cellx") {
        if (m_cellRights.size() < 64)
            m_cellRights.push_back(p);
        flush();
        m_sink->rowDefinition(m_cellRights);
    } else if (w == "cell") {
        flush();
        m_sink->cell();
    } else if (w == "row") {
        flush();
        m_sink->row();
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
            if (m_stack.size() >= size_t(kMaxDepth)) {
                ++m_extraDepth;
            } else {
                m_stack.push_back(st());
            }
            break;
        case Token::GroupEnd:
            if (text)
                flush();
            endGroup();
            break;
        case Token::Word:
            word(t);
            break;
        case Token::Symbol: {
            if (m_skip > 0) {
                --m_skip;
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
            } else if (c == '~') {
                emitText(QString(QChar(0x00A0)));
            } else if (c == '_') {
                emitText(QString(QChar(0x2011)));
            } else if (c == '\n') {
                flush();
                m_sink->paragraph(st());
            } else if (c == '\t') {
                emitText(QStringLiteral("\t"));
            }
            break;
        }
        case Token::Hex:
            if (m_skip > 0) {
                --m_skip;
                break;
            }
            if (dest == Dest::ColorTable || dest == Dest::FontTable || !text)
                break;
            {
                const char byte = char(t.param);
                emitBytes(&byte, 1);
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
                --m_skip;
            }
            if (len > 0)
                emitBytes(data, len);
            break;
        }
        case Token::Binary:
            if (m_skip > 0)
                --m_skip;
            break;
        case Token::End:
            break;
        }
    }
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

QString plainText(const QByteArray &rtf)
{
    PlainSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return sink.out;
}

} // namespace formelan::rtf
