#include "ui/windowdrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace sonivert::ui {

bool WindowDrag::press(QWidget& window, QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    event.accept();
    if (QWindow* handle = window.windowHandle(); handle && handle->startSystemMove())
        return true;
    m_following = true;
    m_offset = event.globalPosition().toPoint() - window.frameGeometry().topLeft();
    return true;
}

bool WindowDrag::move(QWidget& window, QMouseEvent& event)
{
    if (!m_following || !(event.buttons() & Qt::LeftButton))
        return false;
    window.move(event.globalPosition().toPoint() - m_offset);
    event.accept();
    return true;
}

void WindowDrag::release(QMouseEvent& event)
{
    if (event.button() == Qt::LeftButton)
        m_following = false;
}

} // namespace sonivert::ui
