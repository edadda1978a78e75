#include "ui/hyperlink.h"

#include "engine/userprompts.h"
#include "ui/skinbutton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace sonivert::ui {

HyperLink::HyperLink(const QString& text, const QString& address, UserPrompts& prompts, QWidget* parent)
    : QLabel(text.isEmpty() ? address : text, parent), m_prompts(prompts), m_address(address.isEmpty() ? text : address)
{
    setOpener(nullptr);
    setCursor(Qt::PointingHandCursor);
    // Reachable with Tab, opened with Space or Enter, like a button.
    setFocusPolicy(Qt::TabFocus);
    setToolTip(m_address);
    updateFonts();
    fitToText();
}

void HyperLink::setOpener(Opener opener)
{
    if (opener)
        m_opener = std::move(opener);
    else
        m_opener = [this](const std::string& url) { return m_prompts.openUrl(url) ? kOpened : kNoAssociation; };
}

void HyperLink::setLinkText(const QString& text)
{
    setText(text);
    fitToText();
    update();
}

void HyperLink::setAddress(const QString& address)
{
    m_address = address;
    setToolTip(address);
    fitToText();
}

void HyperLink::setUnderlineMode(int mode)
{
    m_underlineMode = mode;
    update();
}

void HyperLink::setColours(const QColor& link, const QColor& visited, const QColor& hover)
{
    m_linkColour = link;
    m_visitedColour = visited;
    m_hoverColour = hover;
    update();
}

void HyperLink::setFitToText(bool on)
{
    m_fitToText = on;
    fitToText();
}

QColor HyperLink::currentColour() const
{
    if (m_hovering)
        return m_hoverColour;
    return m_visited ? m_visitedColour : m_linkColour;
}

QFont HyperLink::currentFont() const
{
    const bool underlined =
        m_underlineMode == kUnderlineAlways || (m_underlineMode == kUnderlineWhileHovering && m_hovering);
    return underlined ? m_underlinedFont : m_normalFont;
}

void HyperLink::updateFonts()
{
    m_normalFont = font();
    m_normalFont.setUnderline(false);
    m_underlinedFont = m_normalFont;
    m_underlinedFont.setUnderline(true);
}

void HyperLink::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        updateFonts();
        fitToText();
    }
    QLabel::changeEvent(event);
}

// The text's extent in the underlined font, keeping the edge (or centre)
// that the alignment ties the text to.
void HyperLink::fitToText()
{
    if (!m_fitToText)
        return;
    const QFontMetrics metrics(m_underlinedFont);
    const QSize size(metrics.horizontalAdvance(text()) + 1, metrics.height());
    const QRect old = geometry();
    const Qt::Alignment align = alignment();
    int x = old.left();
    if (align & Qt::AlignRight)
        x = old.right() + 1 - size.width();
    else if (align & Qt::AlignHCenter)
        x = old.left() + (old.width() - size.width()) / 2;
    int y = old.top();
    if (align & Qt::AlignVCenter)
        y = old.top() + (old.height() - size.height()) / 2;
    setGeometry(QRect(QPoint(x, y), size));
}

void HyperLink::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(currentFont());
    painter.setPen(currentColour());
    painter.drawText(rect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
    if (hasFocus())
        SkinButton::drawFocusMark(painter, rect().adjusted(0, 0, -1, -1));
}

void HyperLink::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            event->accept();
            open();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void HyperLink::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QLabel::enterEvent(event);
}

void HyperLink::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QLabel::leaveEvent(event);
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void HyperLink::open()
{
    m_hovering = false;
    update();
    const int result = m_opener(m_address.toStdString());
    if (result > 32) {
        m_visited = true;
        update();
        return;
    }
    QApplication::beep();
    m_prompts.showMessage(UserPrompts::Icon::Exclamation, "Unable to open hyperlink:\n\n" + errorText(result));
}

std::string HyperLink::errorText(int code)
{
    switch (code) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied\naccess to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred. ";
    case 27:
        return "The filename association is\nincomplete or invalid.";
    case 28:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31:
        return "There is no application associated\nwith the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return "Unknown Error (" + std::to_string(code) + ") occurred.";
    }
}

} // namespace sonivert::ui
