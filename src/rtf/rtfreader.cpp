#include "rtf/rtfreader.h"

#include "rtf/documentsink.h"
#include "rtf/reader.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace formelan::rtf {

using namespace internal;

PageSetup read(const QByteArray &rtf, QTextDocument &document)
{
    Reader reader(rtf, nullptr);
    DocumentSink sink(document, reader.info());
    reader.setSink(&sink);
    reader.run();
    PageSetup page = reader.info().page;
    page.missingFaces = sink.missingFaces();
    return page;
}

std::vector<VisibleChar> visibleText(const QByteArray &rtf)
{
    SpanSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return std::move(sink.chars);
}

QString plainText(const QByteArray &rtf)
{
    PlainSink sink;
    Reader reader(rtf, &sink);
    reader.run();
    return sink.out;
}

qreal pixelsPerPoint()
{
    return pixelsPerTwip() * 20;
}

namespace {

using CellChanges = std::vector<std::pair<QTextTableCell, QTextTableCellFormat>>;

// Measures the rows on the present layout and gives the cell formats that grow them.
void fitRows(QTextTable *table, QAbstractTextDocumentLayout *layout, qreal toDevice,
             CellChanges &changes)
{
    for (int r = 0; r < table->rows(); ++r) {
        qreal want = 0;
        qreal natural = 0;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c || cell.rowSpan() > 1)
                continue;
            const QTextTableCellFormat f = cell.format().toTableCellFormat();
            want = std::max(want, std::abs(f.property(kRowHeightProperty).toReal()) * toDevice);
            const QTextBlock first = cell.firstCursorPosition().block();
            const QTextBlock last = cell.lastCursorPosition().block();
            const qreal top = layout->blockBoundingRect(first).top();
            const qreal bottom = layout->blockBoundingRect(last).bottom();
            // Qt adds a cell's own upper and lower lines to the row, as word processors
            // count them inside the row's height.
            natural = std::max(
                natural,
                bottom - top +
                    (f.topPadding() + f.bottomPadding() + first.blockFormat().topMargin() +
                     last.blockFormat().bottomMargin() + f.topBorder() + f.bottomBorder()) *
                        toDevice);
        }
        if (want <= natural)
            continue;
        // The extra height goes below the text, or around it where the cell centres it.
        const qreal extra = (want - natural) / toDevice;
        for (int c = 0; c < table->columns(); ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c || cell.rowSpan() > 1)
                continue;
            QTextTableCellFormat f = cell.format().toTableCellFormat();
            if (f.verticalAlignment() == QTextCharFormat::AlignMiddle) {
                f.setTopPadding(f.topPadding() + extra / 2);
                f.setBottomPadding(f.bottomPadding() + extra / 2);
            } else if (f.verticalAlignment() == QTextCharFormat::AlignBottom) {
                f.setTopPadding(f.topPadding() + extra);
            } else {
                f.setBottomPadding(f.bottomPadding() + extra);
            }
            changes.emplace_back(cell, f);
        }
    }
}

void fitFrames(QTextFrame *frame, QAbstractTextDocumentLayout *layout, qreal toDevice,
               CellChanges &changes)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            fitRows(table, layout, toDevice, changes);
        fitFrames(child, layout, toDevice, changes);
    }
}

} // namespace

void fitToDevice(QTextDocument &document)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    const QPaintDevice *device = layout->paintDevice();
    const qreal toDevice = device ? device->logicalDpiY() / (pixelsPerTwip() * 1440) : 1.0;
    // The indents are in device pixels: scaled from what the file gave, once per device.
    QTextFrameFormat root = document.rootFrame()->frameFormat();
    const QVariant applied = root.property(kIndentScaleProperty);
    const qreal factor = toDevice / (applied.isValid() ? applied.toReal() : 1.0);
    if (!qFuzzyCompare(factor, 1.0)) {
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            QTextBlockFormat f = b.blockFormat();
            if (f.leftMargin() == 0 && f.rightMargin() == 0 && f.textIndent() == 0)
                continue;
            f.setLeftMargin(f.leftMargin() * factor);
            f.setRightMargin(f.rightMargin() * factor);
            f.setTextIndent(f.textIndent() * factor);
            cursor.setPosition(b.position());
            cursor.setBlockFormat(f);
        }
        root.setProperty(kIndentScaleProperty, toDevice);
        document.rootFrame()->setFrameFormat(root);
        cursor.endEditBlock();
    }
    CellChanges changes;
    fitFrames(document.rootFrame(), layout, toDevice, changes);
    if (changes.empty())
        return;
    // All in one edit, laid out once; Qt relays out only the changed cells and leaves
    // what follows them where it was, so the whole document is marked.
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (auto &[cell, format] : changes)
        cell.setFormat(format);
    cursor.endEditBlock();
    document.markContentsDirty(0, document.characterCount());
}

} // namespace formelan::rtf
