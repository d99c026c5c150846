#include "documents/pagerender.h"

#include "rtf/rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextFrame>

using namespace Qt::StringLiterals;

namespace formelan {

namespace {

QPageLayout pageLayout(const rtf::PageSetup &page)
{
    QSizeF paper = page.paper;
    auto orientation = QPageLayout::Portrait;
    if (paper.width() > paper.height()) {
        paper.transpose();
        orientation = QPageLayout::Landscape;
    }
    QPageLayout layout(QPageSize(paper, QPageSize::Point), orientation, QMarginsF(),
                       QPageLayout::Point);
    // The margins are the document's own; the painter starts at the paper's corner.
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

} // namespace

PageRenderResult renderPages(const QByteArray &rtf, QPagedPaintDevice &device)
{
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    const rtf::PageSetup page = rtf::read(rtf, doc);
    // A printer may refuse a paper size it does not know; it then prints on its own.
    device.setPageLayout(pageLayout(page));

    QPainter painter;
    if (!painter.begin(&device))
        return {false, u"Страниците не могат да бъдат отпечатани."_s, 0};

    // Margins, options and page size first, the device last: each of them set on a
    // document laid out for the device would lay it out again.
    const qreal pointsToDocument = rtf::pixelsPerPoint();
    doc.setDocumentMargin(0);
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setLeftMargin(page.margins.left() * pointsToDocument);
    root.setRightMargin(page.margins.right() * pointsToDocument);
    root.setTopMargin(page.margins.top() * pointsToDocument);
    root.setBottomMargin(page.margins.bottom() * pointsToDocument);
    doc.rootFrame()->setFrameFormat(root);
    QTextOption option = doc.defaultTextOption();
    option.setUseDesignMetrics(true);
    // A word wider than its cell breaks, as word processors do, instead of widening it.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc.setDefaultTextOption(option);
    // Pages in device pixels, the painter's origin at the paper's corner.
    const QRect paper = device.pageLayout().fullRectPixels(device.logicalDpiX());
    const QSizeF pageSize(paper.width(), paper.height());
    doc.setPageSize(pageSize);
    // Laid out on the device itself, the text takes the device's own font metrics;
    // the document's lengths are scaled to it from the resolution they were read at.
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    layout->setPaintDevice(&device);
    rtf::fitToDevice(doc);

    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !device.newPage())
            return {false, u"Страниците не могат да бъдат отпечатани."_s, i};
        painter.save();
        const QRectF clip(0, i * pageSize.height(), pageSize.width(), pageSize.height());
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end())
        return {false, u"Страниците не могат да бъдат отпечатани."_s, pages};
    return {true, QString(), pages};
}

PageRenderResult writePdf(const QByteArray &rtf, const QString &path, const QString &title)
{
    QSaveFile file(path);
    const auto failed = [&](const QString &reason) {
        return PageRenderResult{false,
                                u"Файлът „%1“ не може да бъде записан: %2"_s.arg(
                                    QDir::toNativeSeparators(path), reason),
                                0};
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    PageRenderResult result;
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(u"Formelan"_s);
        result = renderPages(rtf, writer);
    }
    if (!result.ok) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return failed(file.errorString());
    return result;
}

} // namespace formelan
