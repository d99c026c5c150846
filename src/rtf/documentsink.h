#pragma once

#include "rtf/sink.h"

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

class QTextDocument;

namespace formelan::rtf::internal {

// Builds the document. A table is collected whole and inserted at its end, so that
// long tables cost no more than their content.
class DocumentSink final : public Sink {
public:
    DocumentSink(QTextDocument &doc, const std::vector<QColor> &colors);

    void text(const QString &s, const CharStyle &style, const State &st) override;
    void paragraph(const State &st) override;
    void rowDefinition(const std::vector<int> &cellRights) override;
    void cell() override;
    void row() override;
    void leaveTable() override;
    void finish() override;

private:
    struct Piece {
        bool paragraph;
        QString text;
        CharStyle style;
        Qt::Alignment align;
    };
    using Cell = std::vector<Piece>;
    using Row = std::vector<Cell>;

    bool route(bool inTable);
    Row &currentRow() { return m_rows.back(); }
    Cell &currentCell() { return m_rows.back().back(); }
    const QTextCharFormat &format(const CharStyle &style);
    void put(const Piece &piece, QTextCursor &cursor);
    void insertTable();

    QTextDocument &m_doc;
    QTextCursor m_cursor;
    const std::vector<QColor> &m_colors;
    std::vector<int> m_rights;      // the last row definition
    std::vector<int> m_tableRights; // the first row definition of the table
    std::vector<Row> m_rows;
    bool m_inTable = false;
    bool m_newRow = false;
    bool m_undo = true;
    bool m_hasFormat = false;
    CharStyle m_formatStyle;
    QTextCharFormat m_format;
};

} // namespace formelan::rtf::internal
