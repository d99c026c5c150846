#include "rtf/documentsink.h"

#include "rtf/fontfaces.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

// The resolution QTextDocument takes its pixel lengths in (QTextDocumentLayout scales
// them to its paint device by the device's resolution over this one).
Q_GUI_EXPORT int qt_defaultDpiY();

namespace formelan::rtf::internal {

namespace {

constexpr int kMinCellWidth = 15;  // twips; a cell that its file gives no width
constexpr int kMaxGrid = 128;      // grid lines of one table; more start a new table
constexpr int kDefaultBorder = 10; // twips: \brdrs without \brdrw

QTextFrameFormat::BorderStyle borderStyle(Border::Style style)
{
    switch (style) {
    case Border::Double:
        return QTextFrameFormat::BorderStyle_Double;
    case Border::Dotted:
        return QTextFrameFormat::BorderStyle_Dotted;
    case Border::Dashed:
        return QTextFrameFormat::BorderStyle_Dashed;
    case Border::None:
        return QTextFrameFormat::BorderStyle_None;
    default:
        return QTextFrameFormat::BorderStyle_Solid;
    }
}

// A font as Windows names it for one script ("Arial CYR") is the font itself.
QStringList families(const QString &name)
{
    static const char16_t *const scripts[] = {u" CYR",   u" Cyr", u" CE",
                                              u" Greek", u" Tur", u" Baltic"};
    for (const char16_t *suffix : scripts) {
        const QString s = QString::fromUtf16(suffix);
        if (name.endsWith(s) && name.size() > s.size())
            return {name, name.chopped(s.size())};
    }
    return {name};
}

QFont::StyleHint styleHint(int family)
{
    switch (family) {
    case 1:
        return QFont::Serif;
    case 2:
        return QFont::SansSerif;
    case 3:
        return QFont::TypeWriter;
    case 4:
        return QFont::Cursive;
    case 5:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

// The width a border is drawn at, in twips; none for no border.
int drawnWidth(const Border &b)
{
    if (b.style == Border::None)
        return 0;
    const int w = b.width > 0 ? b.width : kDefaultBorder;
    if (b.style == Border::Thick)
        return w * 2;
    if (b.style == Border::Double)
        return w * 3;
    return w;
}

} // namespace

qreal pixelsPerTwip()
{
    return qt_defaultDpiY() / 1440.0;
}

DocumentSink::DocumentSink(QTextDocument &doc, const DocumentInfo &info)
    : m_doc(doc)
    , m_info(info)
    , m_scale(pixelsPerTwip())
{
    m_doc.clear();
    m_undo = m_doc.isUndoRedoEnabled();
    m_doc.setUndoRedoEnabled(false);
    m_cursor = QTextCursor(&m_doc);
    // One edit for the whole document: Qt then rescans frames and lays out once.
    m_cursor.beginEditBlock();
}

void DocumentSink::text(const QString &s, const State &st)
{
    const Piece piece{Piece::Text, s, st.style, st.para};
    if (route(st.inTable))
        currentCell().push_back(piece);
    else
        put(piece, m_cursor);
}

void DocumentSink::paragraph(const State &st)
{
    const Piece piece{Piece::Paragraph, QString(), st.style, st.para};
    if (route(st.inTable))
        currentCell().push_back(piece);
    else
        put(piece, m_cursor);
}

void DocumentSink::cell(const State &st)
{
    route(true);
    currentCell().push_back({Piece::CellEnd, QString(), st.style, st.para});
    m_rows.back().cells.emplace_back();
}

void DocumentSink::row()
{
    route(true);
    // The definition in effect at \row is the row's: Word writes it again before \row.
    m_rows.back().def = m_info.row;
    m_rows.back().defined = true;
    m_newRow = true;
}

void DocumentSink::pageBreak()
{
    if (!m_inTable)
        m_breakBefore = true;
}

void DocumentSink::finish()
{
    insertTable();
    // The last paragraph mark ends the text; the empty block after it takes no room.
    if (m_cursor.block().length() == 1 && m_cursor.block().previous().isValid()) {
        QTextBlockFormat end;
        end.setLineHeight(0, QTextBlockFormat::FixedHeight);
        m_cursor.setBlockFormat(end);
    }
    QTextOption option = m_doc.defaultTextOption();
    option.setTabStopDistance(m_info.defaultTab * m_scale);
    m_doc.setDefaultTextOption(option);
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
    }
    if (m_newRow) {
        m_rows.emplace_back();
        m_rows.back().cells.emplace_back();
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
    const auto font = m_info.fonts.constFind(style.font >= 0 ? style.font : m_info.defaultFont);
    if (font != m_info.fonts.cend() && !font->name.isEmpty()) {
        f.setFontFamilies(faces(font->name));
        f.setFontStyleHint(styleHint(font->family));
    }
    const QColor foreground = color(style.color, QColor());
    if (foreground.isValid())
        f.setForeground(foreground);
    return f;
}

// The families to set a named font in. Faces of the same widths come before the font
// system's fallback, which would take the style's default face (DejaVu Sans for Arial)
// and move every word of a form laid out in boxes.
const QStringList &DocumentSink::faces(const QString &name)
{
    const auto known = m_faces.constFind(name);
    if (known != m_faces.cend())
        return *known;
    QStringList names = families(name);
    if (!metricCompatibleFaces(names.last()).isEmpty()) {
        if (!m_installedRead) {
            m_installed = QFontDatabase::families();
            m_installedRead = true;
        }
        const FaceChoice choice = chooseFace(names.last(), m_installed);
        if (!choice.compatible) {
            if (!m_missingFaces.contains(names.last()))
                m_missingFaces.append(names.last());
        } else if (!(names.size() > 1 && m_installed.contains(names.first()))) {
            names = {choice.family};
        }
    }
    return *m_faces.insert(name, names);
}

QTextBlockFormat DocumentSink::blockFormat(const ParaStyle &para) const
{
    QTextBlockFormat bf;
    // An RTF paragraph runs left to right unless it says otherwise; left to Qt, a value
    // in Arabic or Hebrew would flip its paragraph against the box's right border.
    bf.setLayoutDirection(Qt::LeftToRight);
    bf.setAlignment(para.align);
    if (para.spaceBefore)
        bf.setTopMargin(para.spaceBefore * m_scale);
    if (para.spaceAfter)
        bf.setBottomMargin(para.spaceAfter * m_scale);
    if (para.leftIndent)
        bf.setLeftMargin(para.leftIndent * m_scale);
    if (para.rightIndent)
        bf.setRightMargin(para.rightIndent * m_scale);
    if (para.firstIndent)
        bf.setTextIndent(para.firstIndent * m_scale);
    if (para.lineMultiple && para.lineSpacing > 0)
        bf.setLineHeight(para.lineSpacing * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (!para.lineMultiple && para.lineSpacing > 0)
        bf.setLineHeight(para.lineSpacing * m_scale, QTextBlockFormat::MinimumHeight);
    else if (!para.lineMultiple && para.lineSpacing < 0)
        bf.setLineHeight(-para.lineSpacing * m_scale, QTextBlockFormat::FixedHeight);
    if (para.pageBreakBefore)
        bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (!para.tabs.empty()) {
        QList<QTextOption::Tab> tabs;
        for (const TabStop &t : para.tabs) {
            const QTextOption::TabType type = t.align == Qt::AlignRight     ? QTextOption::RightTab
                                              : t.align == Qt::AlignHCenter ? QTextOption::CenterTab
                                              : t.align == Qt::AlignJustify
                                                  ? QTextOption::DelimiterTab
                                                  : QTextOption::LeftTab;
            tabs.append(QTextOption::Tab(t.position * m_scale, type, u'.'));
        }
        bf.setTabPositions(tabs);
    }
    return bf;
}

void DocumentSink::put(const Piece &piece, QTextCursor &cursor)
{
    QTextBlockFormat bf = blockFormat(piece.para);
    if (m_breakBefore && &cursor == &m_cursor)
        bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (cursor.blockFormat() != bf)
        cursor.setBlockFormat(bf);
    switch (piece.kind) {
    case Piece::Text: {
        // A line break sized like the text before it, as word processors show it:
        // "{\fs13 label}\line" makes no line of the paragraph's size.
        qsizetype breaks = 0;
        while (breaks < piece.text.size() && piece.text[breaks] == QChar::LineSeparator)
            ++breaks;
        if (breaks > 0 && cursor.positionInBlock() > 0) {
            cursor.insertText(piece.text.left(breaks), cursor.charFormat());
            if (breaks < piece.text.size())
                cursor.insertText(piece.text.mid(breaks), format(piece.style));
        } else {
            cursor.insertText(piece.text, format(piece.style));
        }
        break;
    }
    case Piece::Paragraph:
        // The paragraph mark's formatting gives an empty paragraph its height. Merged,
        // for a cell's first block holds the cell's own format.
        if (cursor.block().length() == 1)
            cursor.mergeBlockCharFormat(format(piece.style));
        cursor.insertBlock();
        if (&cursor == &m_cursor)
            m_breakBefore = false;
        break;
    case Piece::CellEnd:
        if (cursor.block().length() == 1)
            cursor.mergeBlockCharFormat(format(piece.style));
        break;
    }
}

void DocumentSink::insertTable()
{
    if (!m_inTable)
        return;
    m_inTable = false;
    m_newRow = false;
    std::vector<Row> rows = std::move(m_rows);
    m_rows.clear();
    std::vector<Row> group;
    std::vector<int> grid;
    const int textWidth =
        int((m_info.page.paper.width() - m_info.page.margins.left() - m_info.page.margins.right()) *
            20);
    for (Row &row : rows) {
        // What follows the last \cell of a row is empty unless the row lacks its \row.
        if (row.cells.size() > 1 && row.cells.back().empty())
            row.cells.pop_back();
        if (!row.defined)
            row.def = m_info.row;
        // A cell of each definition and a definition of each cell; one that the file
        // gives no boundary for takes the last cell's width, or a share of the page.
        RowDefinition &def = row.def;
        const size_t n = std::min<size_t>(std::max(row.cells.size(), def.cells.size()), kMaxCells);
        row.cells.resize(n);
        const int share = std::max(kMinCellWidth, textWidth / int(n));
        std::vector<CellDefinition> cells;
        std::vector<Cell> content;
        int left = def.left;
        int width = share;
        for (size_t i = 0; i < n; ++i) {
            CellDefinition d;
            if (i < def.cells.size()) {
                d = def.cells[i];
                width = std::max(kMinCellWidth, d.right - left);
            }
            d.right = std::max(left + kMinCellWidth, i < def.cells.size() ? d.right : left + width);
            left = d.right;
            if (d.merged && !cells.empty()) {
                // \clmrg: the cell joins the one before it.
                cells.back().right = d.right;
                for (Piece &p : row.cells[i])
                    if (p.kind != Piece::CellEnd)
                        content.back().push_back(std::move(p));
                continue;
            }
            cells.push_back(d);
            content.push_back(std::move(row.cells[i]));
        }
        def.cells = std::move(cells);
        row.cells = std::move(content);

        std::vector<int> lines = grid;
        lines.push_back(def.left);
        for (const CellDefinition &d : def.cells)
            lines.push_back(d.right);
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        if (lines.size() > size_t(kMaxGrid) && !group.empty()) {
            insertGrid(group);
            group.clear();
            lines.clear();
            lines.push_back(def.left);
            for (const CellDefinition &d : def.cells)
                lines.push_back(d.right);
        }
        grid = std::move(lines);
        group.push_back(std::move(row));
    }
    if (!group.empty())
        insertGrid(group);
}

// One table on the grid of all its rows' cell boundaries; each cell spans the grid
// columns between its own boundaries.
void DocumentSink::insertGrid(std::vector<Row> &rows)
{
    std::vector<int> grid;
    for (const Row &row : rows) {
        grid.push_back(row.def.left);
        for (const CellDefinition &d : row.def.cells)
            grid.push_back(d.right);
    }
    std::sort(grid.begin(), grid.end());
    grid.erase(std::unique(grid.begin(), grid.end()), grid.end());
    const auto column = [&grid](int x) {
        return int(std::lower_bound(grid.begin(), grid.end(), x) - grid.begin());
    };
    const int columns = int(grid.size()) - 1;

    QTextTableFormat tf;
    // Each cell draws its own lines, inside its bounds (see the borders below).
    tf.setBorderCollapse(false);
    tf.setBorder(0);
    tf.setCellSpacing(0);
    tf.setCellPadding(0);
    tf.setMargin(0);
    if (m_breakBefore)
        tf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    m_breakBefore = false;
    const Qt::Alignment align = rows.front().def.align;
    if (align == Qt::AlignLeft)
        tf.setLeftMargin(grid.front() * m_scale);
    else
        tf.setAlignment(align);
    QList<QTextLength> widths;
    for (int i = 0; i < columns; ++i)
        widths.append(QTextLength(QTextLength::FixedLength,
                                  (grid[size_t(i) + 1] - grid[size_t(i)]) * m_scale));
    tf.setColumnWidthConstraints(widths);
    QTextTable *table = m_cursor.insertTable(int(rows.size()), columns, tf);

    QTextTableCellFormat filler;
    filler.setPadding(0);
    filler.setBorder(0);
    QTextCharFormat tiny;
    tiny.setFontPointSize(1);
    const auto fill = [&](int r, int from, int to) {
        if (to <= from)
            return;
        table->mergeCells(r, from, 1, to - from);
        QTextTableCell cell = table->cellAt(r, from);
        cell.setFormat(filler);
        QTextCursor c = cell.firstCursorPosition();
        c.mergeBlockCharFormat(tiny);
    };

    struct Placed {
        int row, from, to;
        int rowSpan = 1;
        Cell *content;
        const RowDefinition *def;
        CellDefinition cell; // its borders as drawn, once shared ones are given to one side
    };
    std::vector<Placed> placed;
    std::vector<size_t>
        above; // placed index of the cell that starts in each column of the row above
    for (int r = 0; r < int(rows.size()); ++r) {
        Row &row = rows[size_t(r)];
        const RowDefinition &def = row.def;
        int from = column(def.left);
        fill(r, 0, from);
        std::vector<size_t> here(size_t(columns), size_t(-1));
        for (size_t i = 0; i < def.cells.size(); ++i) {
            const CellDefinition &d = def.cells[i];
            const int to = column(d.right);
            if (d.vmerged && size_t(from) < above.size() && above[size_t(from)] != size_t(-1)) {
                // \clvmrg: the cell above grows down over this one, if it has its width.
                Placed &head = placed[above[size_t(from)]];
                if (head.from == from && head.to == to && head.row + head.rowSpan == r) {
                    ++head.rowSpan;
                    head.cell.bottom = d.bottom;
                    for (Piece &p : row.cells[i])
                        if (p.kind != Piece::CellEnd)
                            head.content->push_back(std::move(p));
                    here[size_t(from)] = above[size_t(from)];
                    from = to;
                    continue;
                }
            }
            if (to - from > 1)
                table->mergeCells(r, from, 1, to - from);
            here[size_t(from)] = placed.size();
            placed.push_back({r, from, to, 1, &row.cells[i], &def, d});
            from = to;
        }
        fill(r, from, columns);
        above = std::move(here);
    }
    for (const Placed &p : placed) {
        if (p.rowSpan > 1)
            table->mergeCells(p.row, p.from, p.rowSpan, p.to - p.from);
    }

    // A line between two cells is drawn once, as word processors draw it: by the cell
    // left of it and by the row above it. Qt's collapsed borders cannot be used: they
    // weigh a cell's edge against one neighbour only, and a cell spanning columns then
    // takes that neighbour's line along its whole width.
    // Row by row, with the cell over each column of the row and of the row above.
    constexpr size_t none = size_t(-1);
    std::vector<size_t> here(size_t(columns), none), over(size_t(columns), none);
    std::vector<size_t> spanning; // cells from rows above that reach into this one
    size_t next = 0;
    for (int r = 0; r < int(rows.size()); ++r) {
        std::swap(here, over);
        std::fill(here.begin(), here.end(), none);
        const auto mark = [&](size_t k) {
            for (int c = placed[k].from; c < placed[k].to; ++c)
                here[size_t(c)] = k;
        };
        std::erase_if(spanning, [&](size_t k) { return placed[k].row + placed[k].rowSpan <= r; });
        for (size_t k : spanning)
            mark(k);
        const size_t first = next;
        for (; next < placed.size() && placed[next].row == r; ++next) {
            mark(next);
            if (placed[next].rowSpan > 1)
                spanning.push_back(next);
        }
        for (size_t k = first; k < next; ++k) {
            Placed &p = placed[k];
            if (p.cell.left.style != Border::None && p.from > 0) {
                const size_t j = here[size_t(p.from - 1)];
                if (j != none && placed[j].cell.rightBorder.style != Border::None)
                    p.cell.left.style = Border::None;
            }
            if (p.cell.top.style != Border::None && r > 0) {
                // Covered when the cells above it all end there with a lower line.
                bool covered = true;
                for (int c = p.from; c < p.to && covered; ++c) {
                    const size_t j = over[size_t(c)];
                    covered = j != none && placed[j].row + placed[j].rowSpan == r &&
                              placed[j].cell.bottom.style != Border::None;
                }
                if (covered)
                    p.cell.top.style = Border::None;
            }
        }
    }
    // A row's lines take room in the row whatever cell draws them: every cell of the
    // row starts below its upper line and ends above its lower one.
    std::vector<int> topLine(rows.size(), 0), bottomLine(rows.size(), 0);
    for (const Placed &p : placed) {
        int &top = topLine[size_t(p.row)];
        top = std::max(top, drawnWidth(p.cell.top));
        int &bottom = bottomLine[size_t(p.row + p.rowSpan - 1)];
        bottom = std::max(bottom, drawnWidth(p.cell.bottom));
    }
    for (const Placed &p : placed) {
        const int top = topLine[size_t(p.row)] - drawnWidth(p.cell.top);
        const int bottom = bottomLine[size_t(p.row + p.rowSpan - 1)] - drawnWidth(p.cell.bottom);
        table->cellAt(p.row, p.from).setFormat(cellFormat(*p.def, p.cell, top, bottom));
    }
    for (const Placed &p : placed) {
        QTextCursor cursor = table->cellAt(p.row, p.from).firstCursorPosition();
        for (const Piece &piece : *p.content)
            put(piece, cursor);
    }
    m_cursor = table->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    // Qt lays the block right after a table out without its space before; an empty
    // block there takes no room and lets the next paragraph keep its own.
    m_cursor.insertBlock();
}

QTextTableCellFormat DocumentSink::cellFormat(const RowDefinition &row, const CellDefinition &cell,
                                              int extraTop, int extraBottom) const
{
    QTextTableCellFormat f;
    const auto border = [this, &f](const Border &b, auto setWidth, auto setStyle, auto setBrush) {
        if (b.style == Border::None) {
            (f.*setWidth)(0);
            (f.*setStyle)(QTextFrameFormat::BorderStyle_None);
            return;
        }
        (f.*setWidth)(drawnWidth(b) * m_scale);
        (f.*setStyle)(borderStyle(b.style));
        (f.*setBrush)(color(b.color, Qt::black));
    };
    using F = QTextTableCellFormat;
    border(cell.top, &F::setTopBorder, &F::setTopBorderStyle, &F::setTopBorderBrush);
    border(cell.left, &F::setLeftBorder, &F::setLeftBorderStyle, &F::setLeftBorderBrush);
    border(cell.bottom, &F::setBottomBorder, &F::setBottomBorderStyle, &F::setBottomBorderBrush);
    border(cell.rightBorder, &F::setRightBorder, &F::setRightBorderStyle, &F::setRightBorderBrush);
    // The text stands the gap away from the cell's boundary, whatever its side lines,
    // as in word processors; Qt puts it the padding away from the inside of the line,
    // so the padding is less by the line, below zero where the gap is narrower.
    const int padLeft = row.padLeft >= 0 ? row.padLeft : row.gap;
    const int padRight = row.padRight >= 0 ? row.padRight : row.gap;
    f.setLeftPadding(padLeft * m_scale - f.leftBorder());
    f.setRightPadding(padRight * m_scale - f.rightBorder());
    f.setTopPadding((std::max(0, row.padTop) + extraTop) * m_scale);
    f.setBottomPadding((std::max(0, row.padBottom) + extraBottom) * m_scale);
    if (cell.valign == Qt::AlignVCenter)
        f.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    else if (cell.valign == Qt::AlignBottom)
        f.setVerticalAlignment(QTextCharFormat::AlignBottom);
    const QColor background = color(cell.background, QColor());
    if (background.isValid())
        f.setBackground(background);
    if (row.height != 0)
        f.setProperty(kRowHeightProperty, row.height * m_scale);
    return f;
}

// A colour of the colour table; index 0 and those the table lacks are the fallback.
QColor DocumentSink::color(int index, const QColor &fallback) const
{
    if (index > 0 && size_t(index) < m_info.colors.size() && m_info.colors[size_t(index)].isValid())
        return m_info.colors[size_t(index)];
    return fallback;
}

} // namespace formelan::rtf::internal
