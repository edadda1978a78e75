#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

namespace sonivert::ui {

// Moves a window without a caption when the left mouse button is pressed on
// any free point of it and dragged. The window system does the move when it
// can; otherwise the window follows the pointer until the button is released.
// The window forwards its own mouse events here.
class WindowDrag {
public:
    // True when the press started a move.
    bool press(QWidget& window, QMouseEvent& event);
    bool move(QWidget& window, QMouseEvent& event);
    void release(QMouseEvent& event);

private:
    bool m_following = false;
    QPoint m_offset;
};

} // namespace sonivert::ui
