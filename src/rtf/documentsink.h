#pragma once

#include "rtf/sink.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextTableCellFormat>

#include <vector>

class QTextDocument;
class QTextTable;

namespace formelan::rtf::internal {

// The property of a table cell's format that holds its row's \trrh, in layout pixels.
constexpr int kRowHeightProperty = QTextFormat::UserProperty + 0x7274;
// The property of the root frame's format that holds the scale its indents were fitted to.
constexpr int kIndentScaleProperty = QTextFormat::UserProperty + 0x7275;

// QTextDocument's layout pixels per twip: lengths in a document are pixels at the
// resolution Qt assumes for text, and a layout scales them from there to its device.
qreal pixelsPerTwip();

// Builds the document. A table is collected whole and inserted at its end, so that
// long tables cost no more than their content, and so that its grid can be drawn
// from the boundaries of all its rows.
class DocumentSink final : public Sink {
public:
    DocumentSink(QTextDocument &doc, const DocumentInfo &info);

    void text(const QString &s, const State &st) override;
    void paragraph(const State &st) override;
    void cell(const State &st) override;
    void row() override;
    void finish() override;
    void pageBreak() override;

    // The faces the document names that this computer has no face of the same widths
    // for: they are set in the font system's fallback.
    const QStringList &missingFaces() const { return m_missingFaces; }

private:
    struct Piece {
        enum Kind { Text, Paragraph, CellEnd };
        Kind kind;
        QString text;
        CharStyle style;
        ParaStyle para;
    };
    using Cell = std::vector<Piece>;
    struct Row {
        std::vector<Cell> cells;
        RowDefinition def;
        bool defined = false;
    };

    bool route(bool inTable);
    Cell &currentCell() { return m_rows.back().cells.back(); }
    const QTextCharFormat &format(const CharStyle &style);
    const QStringList &faces(const QString &name);
    QTextBlockFormat blockFormat(const ParaStyle &para) const;
    void put(const Piece &piece, QTextCursor &cursor);
    void insertTable();
    void insertGrid(std::vector<Row> &rows);
    // extraTop, extraBottom: room (twips) for the row's lines that other cells draw.
    QTextTableCellFormat cellFormat(const RowDefinition &row, const CellDefinition &cell,
                                    int extraTop, int extraBottom) const;
    QColor color(int index, const QColor &fallback) const;

    QTextDocument &m_doc;
    const DocumentInfo &m_info;
    QTextCursor m_cursor;
    const qreal m_scale; // layout pixels per twip
    std::vector<Row> m_rows;
    bool m_breakBefore = false; // a page break waits for the next block of the main text
    bool m_inTable = false;
    bool m_newRow = false;
    bool m_undo = true;
    bool m_hasFormat = false;
    CharStyle m_formatStyle;
    QTextCharFormat m_format;
    QHash<QString, QStringList> m_faces;
    QStringList m_installed;
    bool m_installedRead = false;
    QStringList m_missingFaces;
};

} // namespace formelan::rtf::internal
