// Arranging the child windows: the document window's size for its kind, cascade,
// tiling and minimising. Every child stays inside the area with its title bar in
// sight, and none is made smaller than its fields need: the area scrolls instead.
#include "app/mainframe.h"

#include "form/documentwindow.h"

#include <QEvent>
#include <QMdiArea>
#include <QScrollBar>
#include <QStyle>

namespace formelan {

namespace {

// The smallest size at which a child's fields stay readable.
QSize readableSize(const QMdiSubWindow *sub)
{
    return sub->minimumSizeHint().expandedTo(sub->minimumSize());
}

} // namespace

void MainFrame::arrangeDocumentWindow()
{
    const std::optional<QSize> size = m_view->arrangeForKind();
    if (!size)
        return;
    m_requestedViewSize = *size;
    m_viewSizedByUser = false;
    if (ChildWindow *child = childOf(m_view)) {
        if (!child->isMinimized() && !child->isMaximized())
            resizeChild(child, child->geometry().topLeft(), *size);
    }
    if (m_autoSize)
        fitDocumentWindow();
}

// The kind's size, or what the fields need when that is more, the window's frame
// included.
QSize MainFrame::documentSizeWanted() const
{
    const QSize frame = childOf(m_view)->size() - m_view->size();
    return (m_view->contentSize() + frame).expandedTo(m_requestedViewSize);
}

// The kind's size, or what the fields need when that is more, as far as the area has
// room below and right of the window; what does not fit scrolls inside the window.
void MainFrame::fitDocumentWindow()
{
    ChildWindow *child = childOf(m_view);
    if (!child || child->isMinimized() || child->isMaximized() || m_viewSizedByUser)
        return;
    QSize wanted = documentSizeWanted();
    const QRect area = m_mdi->viewport()->rect();
    if (area.isEmpty()) {
        resizeChild(child, child->geometry().topLeft(), wanted);
        return;
    }
    QPoint at = child->geometry().topLeft();
    const QSize readable = readableSize(child);
    // Moved up and left only as far as it takes to keep a readable window in the area.
    at.setX(std::clamp(at.x(), 0, std::max(0, area.width() - readable.width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, area.height() - readable.height())));
    QSize room(area.width() - at.x(), area.height() - at.y());
    // Scrolling down the fields takes a scroll bar's width.
    if (wanted.height() > room.height())
        wanted.rwidth() += m_view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    resizeChild(child, at, wanted.boundedTo(room).expandedTo(readable));
}

void MainFrame::resizeChild(QMdiSubWindow *child, QPoint at, QSize size)
{
    m_arranging = true;
    child->setGeometry(QRect(at, size));
    m_arranging = false;
}

bool MainFrame::eventFilter(QObject *watched, QEvent *event)
{
    // A size the user gives the document window stays, whatever the frame does later.
    if (event->type() == QEvent::Resize && !m_arranging && watched == childOf(m_view) &&
        m_autoSize && childOf(m_view)->isVisible())
        m_viewSizedByUser = true;
    return QMainWindow::eventFilter(watched, event);
}

// From the bottom of the stack to the top, each a title bar lower than the last; each
// keeps its size as far as the area has room for it.
void MainFrame::cascadeWindows()
{
    const QRect area = m_mdi->viewport()->rect();
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 4;
    int offset = 0;
    m_viewSizedByUser = false;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (!sub->isVisible() || sub->isMinimized())
            continue;
        if (sub->isMaximized())
            sub->showNormal();
        const QSize readable = readableSize(sub);
        QPoint at(offset, offset);
        QSize size = sub->size();
        if (!area.isEmpty()) {
            // Back to the top left when the next step leaves no room for a readable window.
            if (at.y() + readable.height() > area.height() ||
                at.x() + readable.width() > area.width())
                at = QPoint(0, 0);
            size = size.boundedTo(area.size() - QSize(at.x(), at.y())).expandedTo(readable);
        }
        resizeChild(sub, at, size);
        offset = at.x() + step;
    }
    if (m_autoSize)
        fitDocumentWindow();
}

void MainFrame::tileSideBySide()
{
    tile(Qt::Horizontal);
}

void MainFrame::tileOneAboveOther()
{
    tile(Qt::Vertical);
}

// Side by side (Qt::Horizontal) or one above the other (Qt::Vertical); minimised
// windows keep their place. The document comes first and stays wholly in the area: as
// long as its form when the area has room for that, else its share. The books share
// what is left, none less than its fields need: the area then scrolls to them.
void MainFrame::tile(Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> open;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            open.append(sub);
    }
    if (open.isEmpty())
        return;
    ChildWindow *document = childOf(m_view);
    if (open.removeOne(document))
        open.prepend(document);
    for (QMdiSubWindow *sub : open) {
        if (sub->isMaximized())
            sub->showNormal();
    }
    const bool across = orientation == Qt::Horizontal;
    const auto along = [across](QSize s) { return across ? s.width() : s.height(); };
    const auto athwart = [across](QSize s) { return across ? s.height() : s.width(); };
    // The area without scroll bars; whether they come depends on the lengths below.
    const QSize area = m_mdi->contentsRect().size();
    const int bar = m_mdi->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_mdi);
    const int n = int(open.size());

    QList<int> lengths;
    int rest = along(area);
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = open.at(i);
        const int left = n - i;
        const int share = rest / left;
        int length = std::max(share, along(readableSize(sub)));
        if (sub == document) {
            QSize form = documentSizeWanted();
            // Where the form does not fit across the area, the document scrolls, and its
            // scroll bar takes room along.
            if (athwart(form) > athwart(area) - bar)
                (across ? form.rwidth() : form.rheight()) += bar;
            if (along(form) <= along(area))
                length = std::max(share, along(form));
            length = std::min(length, std::max(along(area), along(readableSize(sub))));
        }
        lengths.append(length);
        rest = std::max(0, rest - length);
    }
    // What runs beyond the area's end brings a scroll bar, which takes from its breadth.
    int total = 0;
    for (int length : lengths)
        total += length;
    const int breadth = athwart(area) - (total > along(area) ? bar : 0);

    int next = 0;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = open.at(i);
        const int thickness = std::max(breadth, athwart(readableSize(sub)));
        if (across)
            resizeChild(sub, QPoint(next, 0), QSize(lengths.at(i), thickness));
        else
            resizeChild(sub, QPoint(0, next), QSize(thickness, lengths.at(i)));
        next += lengths.at(i);
    }
    // The user asked for this arrangement: the document window keeps it.
    m_viewSizedByUser = true;
}

void MainFrame::minimizeWindows()
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        sub->showMinimized();
}

} // namespace formelan
