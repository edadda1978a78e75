#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QMouseEvent;
class QWidget;

namespace sonivert::ui {

// The edges of a size x size window that position (window coordinates)
// is within margin pixels of; none for a point further inside or outside.
Qt::Edges windowEdgesAt(QSize size, QPoint position, int margin);

// The geometry of a window resized from start by dragging its edges by
// delta, kept at least minimum: a dragged left or top edge moves, the
// opposite one stays.
QRect resizedWindowGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);

// Moves a window without a caption when the left mouse button is pressed on
// any free point of it and dragged, and resizes a resizable one when the
// press is on its border (kBorder pixels wide). The window system does the
// move or resize when it can; otherwise the window follows the pointer
// until the button is released. The window forwards its own mouse events
// here and turns mouse tracking on for the border cursors.
class WindowDrag {
public:
    static constexpr int kBorder = 4;

    // True when the press started a move or resize.
    bool press(QWidget& window, QMouseEvent& event);
    // Follows the pointer while dragging; otherwise shows the resize cursor
    // over the border.
    bool move(QWidget& window, QMouseEvent& event);
    void release(QMouseEvent& event);

private:
    enum class Mode { None, Move, Resize };
    Mode m_mode = Mode::None;
    QPoint m_offset;
    QPoint m_pressedAt;
    QRect m_startGeometry;
    Qt::Edges m_edges;
};

} // namespace sonivert::ui
