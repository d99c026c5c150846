// Arranging the child windows: the document window's size for its kind, cascade,
// tiling and minimising.
#include "app/mainframe.h"

#include "form/documentwindow.h"

#include <QMdiArea>
#include <QStyle>

namespace formelan {

void MainFrame::arrangeDocumentWindow()
{
    const std::optional<QSize> size = m_view->arrangeForKind();
    if (!size)
        return;
    m_requestedViewSize = *size;
    if (ChildWindow *child = childOf(m_view)) {
        if (!child->isMinimized() && !child->isMaximized())
            child->resize(*size);
    }
    if (m_autoSize)
        fitDocumentWindow();
}
void MainFrame::fitDocumentWindow()
{
    ChildWindow *child = childOf(m_view);
    if (!child || child->isMinimized() || child->isMaximized())
        return;
    // The frame around the document window: the child's size less its widget's.
    const QSize frame = child->size() - m_view->size();
    QSize wanted = m_view->contentSize() + frame;
    const QSize room = m_mdi->viewport()->size();
    if (room.isValid() && !room.isEmpty())
        wanted = wanted.boundedTo(room);
    child->resize(wanted);
}
// Cascades from the bottom of the stack to the top, keeping each window's size (the
// document window sizes itself to its fields).
void MainFrame::cascadeWindows()
{
    const QSize room = m_mdi->viewport()->size();
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 4;
    int offset = 0;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::StackingOrder)) {
        if (!sub->isVisible() || sub->isMinimized())
            continue;
        if (sub->isMaximized())
            sub->showNormal();
        QSize size = sub->size();
        if (room.width() > offset && room.height() > offset)
            size = size.boundedTo(room - QSize(offset, offset));
        sub->setGeometry(QRect(QPoint(offset, offset), size));
        offset += step;
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
// windows keep their place.
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
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sub = open.at(i);
        if (sub->isMaximized())
            sub->showNormal();
        if (orientation == Qt::Horizontal) {
            const int x0 = area.width() * i / n;
            const int x1 = area.width() * (i + 1) / n;
            sub->setGeometry(x0, 0, x1 - x0, area.height());
        } else {
            const int y0 = area.height() * i / n;
            const int y1 = area.height() * (i + 1) / n;
            sub->setGeometry(0, y0, area.width(), y1 - y0);
        }
    }
}
void MainFrame::minimizeWindows()
{
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        sub->showMinimized();
}

} // namespace formelan
