#include "rtf/reader.h"

#include <algorithm>

namespace formelan::rtf::internal {

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

} // namespace formelan::rtf::internal
