#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace formelan::rtf {

// One token of RTF 1.x.
struct Token {
    enum Type { End, GroupStart, GroupEnd, Word, Symbol, Hex, Text, Binary };
    Type type = End;
    QByteArrayView word;   // Word: the control word's letters, a view into the input
    bool overlong = false; // Word: longer than any control word, so it matches none
    int param = 0;         // Word: its parameter; Hex: the byte; Symbol: the character
    bool hasParam = false;
    qsizetype start = 0;  // where the token starts in the input
    qsizetype length = 0; // Text: the bytes are input[start, start + length)
};

// Splits RTF into tokens. Never reads past the input, whatever it holds.
class Tokenizer {
public:
    explicit Tokenizer(const QByteArray &input)
        : m_in(input)
    {}
    Token next();
    qsizetype position() const { return m_pos; }

private:
    QByteArray m_in; // shared, not copied
    qsizetype m_pos = 0;
};

} // namespace formelan::rtf
