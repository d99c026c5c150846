#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QTextDocument;

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

// Reads RTF into a rich-text document: paragraphs, line breaks, tabs, bold, italic,
// underline, font size, colours and simple tables. Destinations that carry no text
// (font and colour tables, style sheet, information, pictures, objects, field
// instructions, {\*\...}) are understood or passed over. Bad input shows what could
// be read.
void read(const QByteArray &rtf, QTextDocument &document);

// A character of the text that a reader shows, and the bytes of the source that
// make it: for \uN its fallback too. Paragraph, line and cell ends show as '\n'.
struct VisibleChar {
    QChar ch;
    qsizetype start;
    qsizetype end;
};
std::vector<VisibleChar> visibleText(const QByteArray &rtf);

// The text alone, as a word processor would show it: paragraphs end in '\n', table
// cells in '\t'.
QString plainText(const QByteArray &rtf);

} // namespace formelan::rtf
