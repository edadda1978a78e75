#include "ui/skin.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRadialGradient>

#include <cmath>

namespace sonivert::ui {
namespace {

// Where the window's controls sit at the window's default size; the artwork
// frames them, and the frames grow with the window (right and bottom edges
// keep their distance to the window's).
constexpr QRect kListFrame(134, 60, 558, 471);
constexpr QRect kSidePanel(5, 60, 123, 471);
constexpr QRect kTitleBand(0, 0, 699, 52);
constexpr int kRuleFromBottom = 38; // the rule above the web link

QRect grown(const QRect& rect, QSize by, bool width, bool height)
{
    return rect.adjusted(0, 0, width ? by.width() : 0, height ? by.height() : 0);
}

// A transparent pixmap of size device-independent pixels at ratio, and a
// painter on it drawing in those pixels.
QPixmap scaledPixmap(QSize size, qreal ratio)
{
    QPixmap pixmap((QSizeF(size) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QFont pixelFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The program's mark: a rounded tile with a sound wave turning into an arrow.
void drawMark(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = r.width() * 0.22;
    QLinearGradient tile(r.topLeft(), r.bottomLeft());
    tile.setColorAt(0, QColor(0x6c, 0xb4, 0xff));
    tile.setColorAt(1, QColor(0x1d, 0x58, 0xb8));
    p.setPen(QPen(QColor(0x0e, 0x2f, 0x66), std::max<qreal>(1.0, r.width() / 32)));
    p.setBrush(tile);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    // A few wave periods on the left half, shrinking towards the arrow.
    QPainterPath wave;
    const qreal left = r.left() + r.width() * 0.14;
    const qreal right = r.left() + r.width() * 0.58;
    const qreal mid = r.center().y();
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = static_cast<qreal>(i) / steps;
        const qreal x = left + (right - left) * t;
        const qreal y = mid - std::sin(t * 2.5 * 2 * M_PI) * r.height() * 0.26 * (1.0 - 0.55 * t);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, std::max<qreal>(1.2, r.width() / 14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);

    // The arrow it becomes.
    const qreal ax = r.left() + r.width() * 0.62;
    const qreal aw = r.width() * 0.24;
    const qreal ah = r.height() * 0.22;
    QPainterPath arrow;
    arrow.moveTo(ax, mid - ah);
    arrow.lineTo(ax + aw, mid);
    arrow.lineTo(ax, mid + ah);
    p.drawPath(arrow);
    p.restore();
}

QPixmap drawBackground(QSize size, qreal ratio)
{
    QPixmap pixmap = scaledPixmap(size, ratio);
    QPainter p(&pixmap);
    const QRect all(QPoint(0, 0), size);
    const QSize growth = size - Skin::kWindowSize;
    const QRect titleBand = grown(kTitleBand, growth, true, false);
    const QRect sidePanel = grown(kSidePanel, growth, false, true);
    const QRect listFrame = grown(kListFrame, growth, true, true);
    const int rule = size.height() - kRuleFromBottom;

    QLinearGradient body(all.topLeft(), all.bottomLeft());
    body.setColorAt(0, QColor(0x3b, 0x4c, 0x69));
    body.setColorAt(1, QColor(0x1c, 0x26, 0x38));
    p.fillRect(all, body);

    // Title band with the mark and the program's name.
    QLinearGradient band(titleBand.topLeft(), titleBand.bottomLeft());
    band.setColorAt(0, QColor(0x52, 0x74, 0xab));
    band.setColorAt(1, QColor(0x2a, 0x40, 0x68));
    p.fillRect(titleBand, band);
    p.setPen(QColor(0x7d, 0x9c, 0xcf));
    p.drawLine(0, titleBand.bottom(), all.right(), titleBand.bottom());
    drawMark(p, QRectF(12, 9, 34, 34));
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(pixelFont(24, true));
    p.setPen(QColor(0x10, 0x1c, 0x33));
    p.drawText(QPoint(57, 35), QStringLiteral("Sonivert"));
    p.setPen(Qt::white);
    p.drawText(QPoint(56, 34), QStringLiteral("Sonivert"));
    p.setFont(pixelFont(11, false));
    p.setPen(QColor(0xc4, 0xd5, 0xf0));
    p.drawText(QPoint(190, 33), QStringLiteral("batch audio converter"));

    // Light side panel behind the command buttons and the web link.
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient panel(sidePanel.topLeft(), sidePanel.bottomLeft());
    panel.setColorAt(0, QColor(0xe6, 0xeb, 0xf2));
    panel.setColorAt(1, QColor(0xc4, 0xcd, 0xdb));
    p.setPen(QPen(QColor(0x11, 0x18, 0x24), 1));
    p.setBrush(panel);
    p.drawRoundedRect(QRectF(sidePanel).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setBrush(Qt::NoBrush);

    // A faint copy of the mark as a watermark in the free part of the panel.
    p.setOpacity(0.13);
    drawMark(p, QRectF(26, 340, 80, 80));
    p.setOpacity(1.0);
    p.setRenderHint(QPainter::Antialiasing, false);

    // A rule between the buttons and the web link.
    p.setPen(QColor(0x9d, 0xa9, 0xbc));
    p.drawLine(14, rule, 118, rule);
    p.setPen(QColor(0xf4, 0xf7, 0xfb));
    p.drawLine(14, rule + 1, 118, rule + 1);

    // Sunken frame around the file list.
    p.setPen(QColor(0x10, 0x16, 0x22));
    p.drawLine(listFrame.topLeft(), listFrame.topRight());
    p.drawLine(listFrame.topLeft(), listFrame.bottomLeft());
    p.setPen(QColor(0x6f, 0x85, 0xa8));
    p.drawLine(listFrame.bottomLeft(), listFrame.bottomRight());
    p.drawLine(listFrame.topRight(), listFrame.bottomRight());

    // Window edge: dark outline with a light inner line at the top and left.
    p.setPen(QColor(0x0b, 0x10, 0x18));
    p.drawRect(all.adjusted(0, 0, -1, -1));
    p.setPen(QColor(0x8a, 0xa6, 0xd4));
    p.drawLine(1, 1, all.right() - 1, 1);
    p.drawLine(1, 1, 1, all.bottom() - 1);
    return pixmap;
}

QPixmap drawFace(bool hover, qreal ratio)
{
    QPixmap pixmap = scaledPixmap(Skin::kFaceSize, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), QSizeF(Skin::kFaceSize)).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    if (hover) {
        fill.setColorAt(0, QColor(0xff, 0xf8, 0xe2));
        fill.setColorAt(0.5, QColor(0xfb, 0xe3, 0xa4));
        fill.setColorAt(1, QColor(0xf0, 0xc8, 0x62));
        p.setPen(QColor(0xb0, 0x84, 0x1c));
    } else {
        fill.setColorAt(0, QColor(0xfd, 0xfe, 0xff));
        fill.setColorAt(0.5, QColor(0xe9, 0xed, 0xf3));
        fill.setColorAt(1, QColor(0xc9, 0xd1, 0xde));
        p.setPen(QColor(0x7d, 0x8a, 0xa1));
    }
    p.setBrush(fill);
    p.drawRoundedRect(r, 4, 4);
    // A highlight along the top edge.
    p.setPen(QColor(255, 255, 255, 170));
    p.drawLine(QPointF(4, 1.5), QPointF(r.right() - 4, 1.5));
    return pixmap;
}

enum class Glyph { Help, Minimise, Close };

QPixmap drawCaptionIcon(Glyph glyph, qreal ratio)
{
    QPixmap pixmap = scaledPixmap(Skin::kCaptionIconSize, ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xee, 0xf3, 0xfb);
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (glyph) {
    case Glyph::Help: {
        QPainterPath hook;
        hook.moveTo(4.5, 5);
        hook.cubicTo(4.5, 1.5, 10.5, 1.5, 10.5, 5);
        hook.cubicTo(10.5, 7.5, 7.5, 7.5, 7.5, 10);
        p.drawPath(hook);
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(7.5, 13), 1.2, 1.2);
        break;
    }
    case Glyph::Minimise:
        p.drawLine(QPointF(3.5, 11.5), QPointF(11.5, 11.5));
        break;
    case Glyph::Close:
        p.drawLine(QPointF(3.5, 3.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 3.5), QPointF(3.5, 11.5));
        break;
    }
    return pixmap;
}

QIcon drawWindowIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        drawMark(p, QRectF(0, 0, size, size));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The menu images are small pixel drawings on the mask colour, drawn
// without antialiasing so that no pixel is a blend with the mask.
void drawMenuImage(QPainter& p, int index)
{
    const QColor black(0, 0, 0), white(255, 255, 255), dark(64, 64, 64);
    const QColor green(0, 150, 40), red(210, 20, 20), blue(20, 70, 200), navy(0, 40, 120), yellow(250, 210, 60);
    auto box = [&](int x, int y, int w, int h, QColor fill, QColor edge) {
        p.setPen(edge);
        p.setBrush(fill);
        p.drawRect(x, y, w - 1, h - 1);
    };
    p.setBrush(Qt::NoBrush);
    switch (index) {
    case 0: // Add Files: a page with a plus
        box(2, 1, 9, 12, white, dark);
        p.setPen(dark);
        p.drawLine(4, 4, 8, 4);
        p.drawLine(4, 6, 8, 6);
        p.drawLine(4, 8, 7, 8);
        p.fillRect(9, 9, 7, 2, green);
        p.fillRect(11, 7, 2, 6, green);
        break;
    case 1: // Remove: a red cross
        p.setPen(QPen(red, 2));
        p.drawLine(3, 2, 12, 11);
        p.drawLine(12, 2, 3, 11);
        break;
    case 2: // Play Source: a green triangle
        p.setPen(black);
        p.setBrush(green);
        p.drawPolygon(QPolygon({QPoint(4, 1), QPoint(12, 7), QPoint(4, 13)}));
        break;
    case 3: // Play Destination: a blue triangle with a bar
        p.setPen(black);
        p.setBrush(blue);
        p.drawPolygon(QPolygon({QPoint(2, 1), QPoint(10, 7), QPoint(2, 13)}));
        box(11, 1, 3, 13, blue, black);
        break;
    case 4: // Help Topics: a blue book with a question mark
        box(2, 1, 12, 13, blue, navy);
        p.setPen(white);
        p.drawLine(6, 4, 9, 4);
        p.drawLine(10, 5, 10, 6);
        p.drawLine(9, 7, 8, 7);
        p.drawLine(8, 8, 8, 8);
        p.drawPoint(8, 10);
        break;
    case 5: // Homepage: a house
        p.setPen(dark);
        p.setBrush(red);
        p.drawPolygon(QPolygon({QPoint(1, 7), QPoint(7, 1), QPoint(13, 7)}));
        box(3, 7, 9, 7, yellow, dark);
        box(6, 9, 3, 5, QColor(120, 70, 20), dark);
        break;
    case 6: // Tell A Friend: an envelope
        box(1, 3, 14, 10, white, dark);
        p.setPen(dark);
        p.drawLine(1, 3, 7, 8);
        p.drawLine(14, 3, 8, 8);
        break;
    case 7: // Feedback and Support: a speech bubble
        box(1, 1, 14, 9, yellow, dark);
        p.setPen(dark);
        p.setBrush(yellow);
        p.drawPolygon(QPolygon({QPoint(4, 9), QPoint(4, 13), QPoint(8, 9)}));
        p.drawLine(3, 4, 11, 4);
        p.drawLine(3, 6, 9, 6);
        break;
    case 8: // Check Latest Version: a globe
        p.setPen(navy);
        p.setBrush(QColor(80, 160, 230));
        p.drawEllipse(1, 0, 13, 13);
        p.setPen(green);
        p.drawLine(4, 3, 7, 3);
        p.drawLine(3, 4, 7, 6);
        p.drawLine(9, 8, 12, 9);
        p.setPen(navy);
        p.drawLine(1, 6, 14, 6);
        p.drawLine(7, 0, 7, 13);
        break;
    case 9: // About: an "i" in a circle
        p.setPen(navy);
        p.setBrush(blue);
        p.drawEllipse(1, 0, 13, 13);
        p.fillRect(7, 3, 2, 2, white);
        p.fillRect(7, 6, 2, 5, white);
        break;
    default:
        break;
    }
}

QPixmap drawMenuStrip()
{
    const QSize image = Skin::kMenuImageSize;
    QImage strip(image.width() * Skin::kMenuImageCount, image.height(), QImage::Format_RGB32);
    strip.fill(Skin::menuMaskColour());
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < Skin::kMenuImageCount; ++i) {
        p.save();
        p.translate(i * image.width(), 0);
        p.setClipRect(0, 0, image.width(), image.height());
        drawMenuImage(p, i);
        p.restore();
    }
    p.end();
    return QPixmap::fromImage(strip);
}

} // namespace

Skin::Skin()
    : m_devicePixelRatio(qApp ? qApp->devicePixelRatio() : 1.0),
      m_windowIcon(drawWindowIcon()),
      m_menuStrip(drawMenuStrip())
{
    m_background = drawBackground(m_windowSize, m_devicePixelRatio);
    drawScaledImages();
}

void Skin::resize(QSize size, qreal devicePixelRatio)
{
    if (size == m_windowSize && devicePixelRatio == m_devicePixelRatio && !m_background.isNull())
        return;
    const bool newRatio = devicePixelRatio != m_devicePixelRatio;
    m_windowSize = size;
    m_devicePixelRatio = devicePixelRatio;
    m_background = drawBackground(size, devicePixelRatio);
    if (newRatio)
        drawScaledImages();
}

void Skin::drawScaledImages()
{
    m_face = drawFace(false, m_devicePixelRatio);
    m_hoverFace = drawFace(true, m_devicePixelRatio);
    m_helpIcon = drawCaptionIcon(Glyph::Help, m_devicePixelRatio);
    m_minimiseIcon = drawCaptionIcon(Glyph::Minimise, m_devicePixelRatio);
    m_closeIcon = drawCaptionIcon(Glyph::Close, m_devicePixelRatio);
}

} // namespace sonivert::ui
