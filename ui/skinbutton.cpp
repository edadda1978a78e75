#include "ui/skinbutton.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace sonivert::ui {
namespace {

// Images drawn for a high-density screen count in device-independent pixels.
QSize imageSize(const QPixmap& image)
{
    return image.deviceIndependentSize().toSize();
}

} // namespace


SkinButton::SkinButton(QWidget* parent) : SkinButton(QString(), parent) {}

SkinButton::SkinButton(const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setText(text);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    m_textColour = palette().color(QPalette::Active, QPalette::ButtonText);
    m_hoverTextColour = m_textColour;
    m_backgroundColour = palette().color(QPalette::Active, QPalette::Button);
    m_hoverBackgroundColour = m_backgroundColour;
    setFocusPolicy(Qt::TabFocus);
}

void SkinButton::setTextColours(const QColor& text, const QColor& hover)
{
    m_textColour = text;
    m_hoverTextColour = hover.isValid() ? hover : text;
    update();
}

void SkinButton::setTextOffset(int dx, int dy)
{
    m_textDx = dx;
    m_textDy = dy;
    update();
}

void SkinButton::setDrawText(bool on)
{
    m_drawText = on;
    update();
}

void SkinButton::setDrawBorder(bool on)
{
    m_drawBorder = on;
    update();
}

void SkinButton::setDrawFocusRect(bool on)
{
    m_drawFocusRect = on;
    update();
}

void SkinButton::setFlat(bool on)
{
    m_flat = on;
    update();
}

void SkinButton::setShiftWhenPressed(bool on)
{
    m_shiftWhenPressed = on;
    update();
}

void SkinButton::setTransparent(bool on)
{
    m_transparent = on;
    update();
}

void SkinButton::setBackgroundColours(const QColor& normal, const QColor& hover)
{
    m_backgroundColour = normal;
    m_hoverBackgroundColour = hover;
    update();
}

void SkinButton::setBackgroundSource(const QPixmap* source)
{
    m_backgroundSource = source;
    m_cachedBackground = QPixmap();
    update();
}

void SkinButton::setFaces(const QPixmap& face, const QPixmap& hoverFace, bool resize)
{
    m_face = face;
    m_hoverFace = hoverFace;
    if (resize && !face.isNull())
        resizeToImage(imageSize(face));
    update();
}

void SkinButton::setIcons(const QPixmap& icon, const QPixmap& hoverIcon, bool resize)
{
    m_icon = icon;
    m_hoverIcon = hoverIcon;
    if (resize && !icon.isNull())
        resizeToImage(imageSize(icon));
    update();
}

void SkinButton::resizeToImage(const QSize& image)
{
    const int extra = (m_shiftWhenPressed ? 1 : 0) + (m_drawBorder ? 2 : 0);
    resize(image + QSize(extra, extra));
}

QSize SkinButton::sizeHint() const
{
    const QPixmap& image = m_icon.isNull() ? m_face : m_icon;
    if (!image.isNull()) {
        const int extra = (m_shiftWhenPressed ? 1 : 0) + (m_drawBorder ? 2 : 0);
        return imageSize(image) + QSize(extra, extra);
    }
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return text + QSize(12, 8);
}

void SkinButton::enterEvent(QEnterEvent* event)
{
    if (!m_hovering) {
        m_hovering = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event)
{
    if (m_hovering) {
        m_hovering = false;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void SkinButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        m_cachedBackground = QPixmap();
    QAbstractButton::changeEvent(event);
}

// A moved or resized button sits over another part of the skin.
void SkinButton::moveEvent(QMoveEvent* event)
{
    m_cachedBackground = QPixmap();
    QAbstractButton::moveEvent(event);
}

void SkinButton::resizeEvent(QResizeEvent* event)
{
    m_cachedBackground = QPixmap();
    QAbstractButton::resizeEvent(event);
}

void SkinButton::drawBorder(QPainter& painter, const QRect& rect, bool sunken) const
{
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor highlight = palette().color(QPalette::Light);
    const QColor topLeft = sunken ? shadow : highlight;
    const QColor bottomRight = sunken ? highlight : shadow;
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void SkinButton::paintEvent(QPaintEvent*)
{
    const bool pressed = isDown();
    const bool disabled = !isEnabled();
    // A disabled button never shows its hover look.
    const bool hoverLook = (m_hovering || pressed) && !disabled;

    QPainter painter(this);
    const QRect all = rect();

    if (!m_transparent) {
        painter.fillRect(all, (m_hovering || pressed) ? m_hoverBackgroundColour : m_backgroundColour);
    } else if (m_backgroundSource && !m_backgroundSource->isNull()) {
        if (m_cachedBackground.isNull()) {
            // The source may be drawn at a device pixel ratio: cut in its pixels.
            const qreal ratio = m_backgroundSource->devicePixelRatio();
            const QRectF area(QPointF(geometry().topLeft()) * ratio, QSizeF(size()) * ratio);
            m_cachedBackground = m_backgroundSource->copy(area.toAlignedRect());
            m_cachedBackground.setDevicePixelRatio(ratio);
        }
        painter.drawPixmap(0, 0, m_cachedBackground);
    }

    if (m_drawBorder) {
        if (m_flat && !m_hovering) {
            if (pressed)
                drawBorder(painter, all, true);
        } else {
            drawBorder(painter, all, pressed);
        }
    }
    QRect content = all.adjusted(1, 1, -1, -1);
    if (pressed && m_shiftWhenPressed)
        content.translate(1, 1);

    if (!m_icon.isNull()) {
        QPixmap icon = (hoverLook && !m_hoverIcon.isNull()) ? m_hoverIcon : m_icon;
        if (disabled) {
            QStyleOption option;
            option.initFrom(this);
            icon = style()->generatedIconPixmap(QIcon::Disabled, icon, &option);
        }
        const QSize size = icon.deviceIndependentSize().toSize();
        painter.drawPixmap(QPoint(content.left() + (content.width() - size.width()) / 2,
                                  content.top() + (content.height() - size.height()) / 2),
                           icon);
    } else if (!m_face.isNull()) {
        painter.drawPixmap(content.topLeft(), (hoverLook && !m_hoverFace.isNull()) ? m_hoverFace : m_face);
    }

    if (m_drawText && !text().isEmpty()) {
        QColor colour = m_textColour;
        if (disabled)
            colour = palette().color(QPalette::Disabled, QPalette::ButtonText);
        else if (hoverLook)
            colour = m_hoverTextColour;
        painter.setPen(colour);
        painter.setFont(font());
        painter.drawText(content.translated(m_textDx, m_textDy),
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip | Qt::TextShowMnemonic, text());
    }

    if (hasFocus() && m_drawFocusRect)
        drawFocusMark(painter, all.adjusted(2, 2, -3, -3));
}

// A dotted black line over a solid white one: it shows on the light faces,
// the dark title band and every skin colour between.
void SkinButton::drawFocusMark(QPainter& painter, const QRect& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(rect);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(rect);
    painter.restore();
}

} // namespace sonivert::ui
