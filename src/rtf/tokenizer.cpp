#include "rtf/tokenizer.h"

#include <algorithm>
#include <limits>

namespace formelan::rtf {

namespace {

constexpr int kMaxWord = 32; // letters of a control word that count

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

} // namespace formelan::rtf
