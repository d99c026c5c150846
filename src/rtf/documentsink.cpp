#include "rtf/documentsink.h"

#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

namespace formelan::rtf::internal {

DocumentSink::DocumentSink(QTextDocument &doc, const std::vector<QColor> &colors)
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

void DocumentSink::text(const QString &s, const CharStyle &style, const State &st)
{
    if (route(st.inTable))
        currentCell().push_back({false, s, style, st.align});
    else
        put({false, s, style, st.align}, m_cursor);
}

void DocumentSink::paragraph(const State &st)
{
    if (route(st.inTable))
        currentCell().push_back({true, QString(), CharStyle(), st.align});
    else
        put({true, QString(), CharStyle(), st.align}, m_cursor);
}

void DocumentSink::rowDefinition(const std::vector<int> &cellRights)
{
    m_rights = cellRights;
    m_newRow = true;
}

void DocumentSink::cell()
{
    route(true);
    currentRow().emplace_back();
}

void DocumentSink::row()
{
    route(true);
    m_newRow = true;
}

void DocumentSink::leaveTable()
{
    insertTable();
}

void DocumentSink::finish()
{
    insertTable();
    m_cursor.endEditBlock();
    m_doc.setUndoRedoEnabled(m_undo);
}

// Whether content goes into the table being collected; starts rows and ends the
// table as the content asks.
bool DocumentSink::route(bool inTable)
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

const QTextCharFormat &DocumentSink::format(const CharStyle &style)
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

void DocumentSink::put(const Piece &piece, QTextCursor &cursor)
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

void DocumentSink::insertTable()
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

} // namespace formelan::rtf::internal
