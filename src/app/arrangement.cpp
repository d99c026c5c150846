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

// The kind's size, or what the fields need when that is more, as far as the area has
// room below and right of the window; what does not fit scrolls inside the window.
void MainFrame::fitDocumentWindow()
{
    ChildWindow *child = childOf(m_view);
    if (!child || child->isMinimized() || child->isMaximized() || m_viewSizedByUser)
        return;
    const QSize frame = child->size() - m_view->size();
    const QSize content = m_view->contentSize() + frame;
    QSize wanted = content.expandedTo(m_requestedViewSize);
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
// windows keep their place. A window never gets less than its fields need: the area
// then scrolls to the ones beyond its edge.
void MainFrame::tile(Qt::Orientation orientation)
{
    QList<QMdiSubWindow *> open;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            open.append(sub);
    }
    if (open.isEmpty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(open.size());
    int next = 0;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = open.at(i);
        if (sub->isMaximized())
            sub->showNormal();
        const QSize readable = readableSize(sub);
        if (orientation == Qt::Horizontal) {
            const int share = area.width() * (i + 1) / n - area.width() * i / n;
            const int width = std::max(share, readable.width());
            resizeChild(sub, QPoint(next, 0),
                        QSize(width, std::max(area.height(), readable.height())));
            next += width;
        } else {
            const int share = area.height() * (i + 1) / n - area.height() * i / n;
            const int height = std::max(share, readable.height());
            resizeChild(sub, QPoint(0, next),
                        QSize(std::max(area.width(), readable.width()), height));
            next += height;
        }
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
