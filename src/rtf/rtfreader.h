#pragma once

#include "rtf/tokenizer.h"

#include <QByteArray>
#include <QString>

#include <vector>

class QTextDocument;

namespace formelan::rtf {

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
