#pragma once

#include "rtf/tokenizer.h"

#include <QByteArray>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

class QTextDocument;

namespace formelan::rtf {

// The page a document asks for, in points: A4 with margins of 2 cm where it says nothing.
struct PageSetup {
    QSizeF paper{595.28, 841.89};
    QMarginsF margins{56.69, 56.69, 56.69, 56.69};
    // Faces the document names (Arial, Courier New …) that are set in a face of other
    // widths, since neither they nor a face of their widths is installed.
    QStringList missingFaces;
};

// Reads RTF into a rich-text document: paragraphs with their alignment, spacing and
// indents, line breaks, tabs, fonts, bold, italic, underline, font size, colours and
// tables with their cell widths, borders and padding. Lengths are in the units that
// QTextDocument takes for pixels, so that a layout on a printer or PDF device gives
// them their size on paper. Destinations that carry no text (font and colour tables,
// style sheet, information, pictures, objects, field instructions, {\*\...}) are
// understood or passed over. Bad input shows what could be read. Returns the page
// size and margins.
PageSetup read(const QByteArray &rtf, QTextDocument &document);

// The unit of lengths in a read document: QTextDocument's pixels per point.
qreal pixelsPerPoint();

// Fits a read document to the device its layout is set to (or the screen): Qt (6.4)
// scales spacing, cell widths and tab stops to the device but not a paragraph's
// indents, and row heights (\trrh) need the text laid out, so rows lower than their
// file asks are grown here. Call after QAbstractTextDocumentLayout::setPaintDevice.
void fitToDevice(QTextDocument &document);

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
