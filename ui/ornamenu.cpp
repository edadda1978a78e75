#include "ui/ornamenu.h"

#include "platform/windowslook.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionMenuItem>

#include <atomic>

namespace sonivert::ui {
namespace {

std::atomic<int> g_xpLookStyle{Ornamenu::kClassic};
std::atomic<int> g_otherLookStyle{Ornamenu::kClassic};

// Item geometry shared by both styles: an image column on the left, then
// the text, then the accelerator column.
constexpr int kImageColumn = 24;  // the image (16 x 15) with its margins
constexpr int kTextGap = 6;       // from the image column to the text
constexpr int kShortcutGap = 24;  // between the text and the accelerator
constexpr int kRightMargin = 14;
constexpr int kSeparatorHeight = 7;
constexpr QSize kImageSize(16, 15);

QColor blend(const QColor& a, const QColor& b, qreal towardsB)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * towardsB,
                            a.greenF() + (b.greenF() - a.greenF()) * towardsB,
                            a.blueF() + (b.blueF() - a.blueF()) * towardsB);
}

// picture with the pixels transparent where shape has the mask colour.
QPixmap maskedBy(const QImage& picture, const QImage& shape, const QColor& mask)
{
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage key = shape.convertToFormat(QImage::Format_RGB32);
    const QRgb maskRgb = mask.rgb() & 0xFFFFFFu;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        const auto* keyLine = reinterpret_cast<const QRgb*>(key.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((keyLine[x] & 0xFFFFFFu) == maskRgb)
                line[x] = 0;
        }
    }
    return QPixmap::fromImage(argb);
}

// A one-colour copy of a pixmap's opaque pixels, for the XP look's shadow.
QPixmap silhouette(const QPixmap& pixmap, const QColor& colour)
{
    QPixmap out(pixmap.size());
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawPixmap(0, 0, pixmap);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), colour);
    return out;
}

} // namespace

// Draws the menus of an Ornamenu in the style chosen at the moment an item
// is drawn. Everything that is not a menu part is left to the base style.
class OrnamenuStyle final : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuItem) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                painter->save();
                if (Ornamenu::currentDrawingStyle() == Ornamenu::kClassic)
                    drawClassicItem(*item, *painter);
                else
                    drawXpItem(*item, *painter);
                painter->restore();
                return;
            }
        }
        if (element == CE_MenuEmptyArea)
            return;
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_PanelMenu) {
            painter->fillRect(option->rect, background(option->palette));
            drawFrame(*option, *painter);
            return;
        }
        if (element == PE_FrameMenu) {
            drawFrame(*option, *painter);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_MenuPanelWidth:
            return Ornamenu::currentDrawingStyle() == Ornamenu::kClassic ? 2 : 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 1;
        case PM_SmallIconSize:
            return kImageSize.width();
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override
    {
        if (type != CT_MenuItem)
            return QProxyStyle::sizeFromContents(type, option, contents, widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!item)
            return QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (item->menuItemType == QStyleOptionMenuItem::Separator)
            return QSize(kImageColumn + kTextGap, kSeparatorHeight);
        // The menu adds the accelerator column's width itself; contents is
        // the width of the text before the tab.
        const int height = std::max(item->fontMetrics.height() + 8, kImageSize.height() + 7);
        return QSize(kImageColumn + kTextGap + contents.width() + kShortcutGap + kRightMargin, height);
    }

private:
    static QColor background(const QPalette& palette)
    {
        return Ornamenu::currentDrawingStyle() == Ornamenu::kClassic
                   ? palette.color(QPalette::Button)
                   : blend(palette.color(QPalette::Base), palette.color(QPalette::Button), 0.15);
    }

    static void drawFrame(const QStyleOption& option, QPainter& p)
    {
        const QRect r = option.rect.adjusted(0, 0, -1, -1);
        const QPalette& pal = option.palette;
        if (Ornamenu::currentDrawingStyle() == Ornamenu::kClassic) {
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(pal.color(QPalette::Shadow));
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
            p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
        } else {
            p.setPen(pal.color(QPalette::Dark));
            p.drawRect(r);
        }
    }

    static void splitText(const QString& full, QString& label, QString& accelerator)
    {
        const qsizetype tab = full.indexOf(QLatin1Char('\t'));
        label = tab < 0 ? full : full.left(tab);
        accelerator = tab < 0 ? QString() : full.mid(tab + 1);
    }

    static QRect imageRect(const QRect& item)
    {
        return QRect(item.left() + (kImageColumn - kImageSize.width()) / 2,
                     item.top() + (item.height() - kImageSize.height()) / 2, kImageSize.width(), kImageSize.height());
    }

    static void drawTexts(const QStyleOptionMenuItem& item, QPainter& p, const QColor& colour, QPoint offset = {})
    {
        QString label, accelerator;
        splitText(item.text, label, accelerator);
        const QRect r = item.rect.translated(offset);
        const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        p.setPen(colour);
        p.setFont(item.font);
        p.drawText(r.adjusted(kImageColumn + kTextGap, 0, 0, 0), flags | Qt::AlignLeft, label);
        if (!accelerator.isEmpty()) {
            const int width = std::max(item.reservedShortcutWidth, item.fontMetrics.horizontalAdvance(accelerator));
            const QRect column(r.right() - kRightMargin - width, r.top(), width, r.height());
            p.drawText(column, flags | Qt::AlignLeft, accelerator);
        }
    }

    // The classic look: the menu face colour, a highlight bar over the text,
    // the image in a raised box while its item is selected, and embossed
    // grey text for disabled items.
    static void drawClassicItem(const QStyleOptionMenuItem& item, QPainter& p)
    {
        const QPalette& pal = item.palette;
        const QRect r = item.rect;
        const QColor face = pal.color(QPalette::Button);
        p.fillRect(r, face);
        if (item.menuItemType == QStyleOptionMenuItem::Separator) {
            const int y = r.center().y();
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(r.left() + 1, y, r.right() - 1, y);
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(r.left() + 1, y + 1, r.right() - 1, y + 1);
            return;
        }
        const bool enabled = item.state & QStyle::State_Enabled;
        const bool selected = item.state & QStyle::State_Selected;
        const bool hasImage = !item.icon.isNull();
        if (selected)
            p.fillRect(hasImage ? r.adjusted(kImageColumn, 0, 0, 0) : r, pal.color(QPalette::Highlight));
        if (hasImage) {
            const QRect image = imageRect(r);
            p.drawPixmap(image.topLeft(), item.icon.pixmap(kImageSize, enabled ? QIcon::Normal : QIcon::Disabled));
            if (selected && enabled) {
                const QRect box = image.adjusted(-2, -2, 1, 1);
                p.setPen(pal.color(QPalette::Light));
                p.drawLine(box.topLeft(), box.topRight());
                p.drawLine(box.topLeft(), box.bottomLeft());
                p.setPen(pal.color(QPalette::Dark));
                p.drawLine(box.bottomLeft(), box.bottomRight());
                p.drawLine(box.topRight(), box.bottomRight());
            }
        }
        if (!enabled) {
            if (!selected)
                drawTexts(item, p, pal.color(QPalette::Light), QPoint(1, 1));
            drawTexts(item, p, pal.color(QPalette::Dark));
        } else {
            drawTexts(item, p, pal.color(selected ? QPalette::HighlightedText : QPalette::ButtonText));
        }
    }

    // The XP-like look: a light page with a tinted image column, a framed,
    // lightly filled selection, faded images that come forward with a
    // shadow under the pointer.
    static void drawXpItem(const QStyleOptionMenuItem& item, QPainter& p)
    {
        const QPalette& pal = item.palette;
        const QRect r = item.rect;
        const QColor page = background(pal);
        const QColor column = blend(pal.color(QPalette::Button), pal.color(QPalette::Base), 0.35);
        p.fillRect(r, page);
        p.fillRect(QRect(r.left(), r.top(), kImageColumn, r.height()), column);
        if (item.menuItemType == QStyleOptionMenuItem::Separator) {
            p.setPen(pal.color(QPalette::Mid));
            const int y = r.center().y();
            p.drawLine(r.left() + kImageColumn + kTextGap, y, r.right() - 2, y);
            return;
        }
        const bool enabled = item.state & QStyle::State_Enabled;
        const bool selected = item.state & QStyle::State_Selected;
        const QColor highlight = pal.color(QPalette::Highlight);
        if (selected) {
            const QRect bar = r.adjusted(1, 0, -2, -1);
            if (enabled)
                p.fillRect(bar, blend(highlight, pal.color(QPalette::Base), 0.7));
            p.setPen(enabled ? highlight : pal.color(QPalette::Mid));
            p.drawRect(bar);
        }
        if (!item.icon.isNull()) {
            const QRect image = imageRect(r);
            if (!enabled) {
                p.drawPixmap(image.topLeft(), item.icon.pixmap(kImageSize, QIcon::Disabled));
            } else if (selected) {
                const QPixmap full = item.icon.pixmap(kImageSize, QIcon::Normal);
                p.drawPixmap(image.topLeft() + QPoint(1, 1), silhouette(full, pal.color(QPalette::Mid)));
                p.drawPixmap(image.topLeft() - QPoint(1, 1), full);
            } else {
                // The lightened variant is the icon's Active pixmap.
                p.drawPixmap(image.topLeft(), item.icon.pixmap(kImageSize, QIcon::Active));
            }
        }
        drawTexts(item, p, enabled ? pal.color(QPalette::Text) : pal.color(QPalette::Disabled, QPalette::Text));
    }
};

Ornamenu::Ornamenu(QObject* parent) : QObject(parent), m_style(new OrnamenuStyle)
{
    m_style->setParent(this);
}

Ornamenu::~Ornamenu()
{
    // The menus use the style; they go first.
    m_popups.clear();
}

void Ornamenu::setStyleSwitches(int xpLook, int otherLook)
{
    g_xpLookStyle = xpLook;
    g_otherLookStyle = otherLook;
}

int Ornamenu::drawingStyleFor(bool paletteDisplay, int versionClass, bool classicTheme)
{
    if (paletteDisplay)
        return kClassic;
    const bool themedXp = versionClass == 7 && !classicTheme;
    return themedXp ? g_xpLookStyle.load() : g_otherLookStyle.load();
}

int Ornamenu::currentDrawingStyle()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const bool paletteDisplay = screen && screen->depth() <= 8;
    return drawingStyleFor(paletteDisplay, windowsVersionClass(), classicThemeActive());
}

QMenu* Ornamenu::addPopup(std::span<const MenuEntry> items)
{
    auto menu = std::make_unique<QMenu>();
    menu->setStyle(m_style);
    for (const MenuEntry& entry : items) {
        if (entry.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setData(entry.command);
    }
    m_popups.push_back(std::move(menu));
    return m_popups.back().get();
}

QMenu* Ornamenu::popup(int index) const
{
    return index >= 0 && index < popupCount() ? m_popups[static_cast<size_t>(index)].get() : nullptr;
}

QAction* Ornamenu::action(int command) const
{
    for (const auto& menu : m_popups) {
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->data().toInt() == command)
                return action;
        }
    }
    return nullptr;
}

void Ornamenu::loadToolbar(const QPixmap& strip, QSize imageSize, std::span<const int> toolbarCommands,
                           const QColor& maskColour)
{
    const QImage image = strip.toImage();
    int index = 0;
    for (int command : toolbarCommands) {
        if (command == 0)
            continue; // a gap between toolbar buttons has no image
        const int imageNumber = index++;
        const QRect cell(imageNumber * imageSize.width(), 0, imageSize.width(), imageSize.height());
        if (!image.rect().contains(cell))
            break;
        QAction* target = action(command);
        if (!target)
            continue;
        const QImage picture = image.copy(cell);
        QIcon icon;
        icon.addPixmap(maskedBy(picture, picture, maskColour), QIcon::Normal);
        icon.addPixmap(maskedBy(lightened(picture, maskColour), picture, maskColour), QIcon::Active);
        // Every action of the command shows the image.
        for (const auto& menu : m_popups) {
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator() && a->data().toInt() == command)
                    a->setIcon(icon);
            }
        }
        m_imageOfCommand[command] = imageNumber;
    }
}

int Ornamenu::imageIndex(int command) const
{
    const auto it = m_imageOfCommand.find(command);
    return it == m_imageOfCommand.end() ? -1 : it->second;
}

QImage Ornamenu::lightened(const QImage& image, const QColor& keep)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keep.rgb() & 0xFFFFFFu;
    auto lighten = [](int c) { return c + static_cast<int>(0.3 * (255 - c)); };
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb pixel = line[x];
            if ((pixel & 0xFFFFFFu) == key)
                continue;
            line[x] = qRgba(lighten(qRed(pixel)), lighten(qGreen(pixel)), lighten(qBlue(pixel)), qAlpha(pixel));
        }
    }
    return out;
}

} // namespace sonivert::ui
