#include "ui/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace sonivert::ui {
namespace {

bool resizable(const QWidget& window)
{
    return window.minimumSize() != window.maximumSize() && !window.isMaximized() && !window.isFullScreen();
}

Qt::CursorShape resizeCursor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

Qt::Edges windowEdgesAt(QSize size, QPoint position, int margin)
{
    const QRect all(QPoint(0, 0), size);
    if (!all.contains(position))
        return {};
    Qt::Edges edges;
    if (position.x() < margin)
        edges |= Qt::LeftEdge;
    else if (position.x() >= size.width() - margin)
        edges |= Qt::RightEdge;
    if (position.y() < margin)
        edges |= Qt::TopEdge;
    else if (position.y() >= size.height() - margin)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect resizedWindowGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum)
{
    int left = start.left(), top = start.top(), right = start.right() + 1, bottom = start.bottom() + 1;
    if (edges & Qt::LeftEdge)
        left = std::min(left + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge)
        top = std::min(top + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minimum.height());
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

bool WindowDrag::press(QWidget& window, QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    event.accept();
    const QPoint at = event.position().toPoint();
    const Qt::Edges edges = resizable(window) ? windowEdgesAt(window.size(), at, kBorder) : Qt::Edges();
    QWindow* handle = window.windowHandle();
    if (edges) {
        if (handle && handle->startSystemResize(edges))
            return true;
        m_mode = Mode::Resize;
        m_edges = edges;
        m_pressedAt = event.globalPosition().toPoint();
        m_startGeometry = window.geometry();
        return true;
    }
    if (handle && handle->startSystemMove())
        return true;
    m_mode = Mode::Move;
    m_offset = event.globalPosition().toPoint() - window.frameGeometry().topLeft();
    return true;
}

bool WindowDrag::move(QWidget& window, QMouseEvent& event)
{
    if (m_mode == Mode::None || !(event.buttons() & Qt::LeftButton)) {
        m_mode = Mode::None;
        const Qt::Edges edges =
            resizable(window) ? windowEdgesAt(window.size(), event.position().toPoint(), kBorder) : Qt::Edges();
        if (edges)
            window.setCursor(resizeCursor(edges));
        else
            window.unsetCursor();
        return false;
    }
    if (m_mode == Mode::Move)
        window.move(event.globalPosition().toPoint() - m_offset);
    else
        window.setGeometry(resizedWindowGeometry(m_startGeometry, m_edges,
                                                 event.globalPosition().toPoint() - m_pressedAt,
                                                 window.minimumSize()));
    event.accept();
    return true;
}

void WindowDrag::release(QMouseEvent& event)
{
    if (event.button() == Qt::LeftButton)
        m_mode = Mode::None;
}

} // namespace sonivert::ui
