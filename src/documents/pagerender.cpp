#include "documents/pagerender.h"

#include "base/files.h"
#include "rtf/fontfaces.h"
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

PageRenderResult notPrinted(int pages)
{
    PageRenderResult r;
    r.error = u"Страниците не могат да бъдат отпечатани."_s;
    r.pages = pages;
    return r;
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
        return notPrinted(0);

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
            return notPrinted(i);
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
        return notPrinted(pages);
    return {true, QString(), pages, page.missingFaces};
}

QStringList missingFaces(const QByteArray &rtf)
{
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    return rtf::read(rtf, doc).missingFaces;
}

QString missingFacesMessage(const QStringList &faces)
{
    if (faces.isEmpty())
        return {};
    QStringList compatible;
    for (const QString &face : faces)
        compatible.append(rtf::metricCompatibleFaces(face).value(1));
    return u"На този компютър няма шрифтове с размерите на %1: документът е отпечатан с "
           u"други шрифтове и текстът може да не се побере в клетките на формуляра.\n\n"
           u"Инсталирайте шрифтовете %2 (в Debian: пакетът %3) и отпечатайте отново."_s.arg(
               faces.join(u", "_s), compatible.join(u", "_s),
               QString::fromUtf16(rtf::kCompatibleFontsPackage));
}

PageRenderResult writePdf(const QByteArray &rtf, const QString &path, const QString &title)
{
    QSaveFile file(path);
    const auto failed = [&]() {
        PageRenderResult r;
        r.error = u"Файлът „%1“ не може да бъде записан: %2."_s.arg(
            QDir::toNativeSeparators(path), writeFailureReason(path, 0, file.error()));
        return r;
    };
    // Unbuffered: a write left to the buffer fails at commit unseen (a full disk) and
    // leaves a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed();
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
        return failed();
    return result;
}

} // namespace formelan
