#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSize>

#include <map>
#include <memory>
#include <span>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace sonivert::ui {

class OrnamenuStyle;

// One entry of a menu description: a command with its text, or a separator
// (command 0). The text marks its access key with "&" and may end with a
// tab and the accelerator's name ("&Remove\tDel").
struct MenuEntry {
    int command;
    const char* text;
};

// Popup menus drawn by the program itself, with small images beside the
// items: a description of the popups, a strip of images bound to the items
// by command, and two drawing styles, classic (0) and XP-like (1). Which
// style draws is decided each time an item is drawn: classic on a palette
// display, otherwise the process-wide switch for the current look (the
// themed Windows XP look, or every other).
class Ornamenu : public QObject {
    Q_OBJECT
public:
    enum DrawingStyle : int { kClassic = 0, kXpLike = 1 };

    explicit Ornamenu(QObject* parent = nullptr);
    ~Ornamenu() override;

    // The two process-wide switches; both are kClassic at start.
    static void setStyleSwitches(int xpLook, int otherLook);
    // The style for a display and a Windows look (see platform/windowslook.h);
    // the themed XP look is version class 7 without the classic theme.
    static int drawingStyleFor(bool paletteDisplay, int versionClass, bool classicTheme);
    // The style for this display and this system.
    static int currentDrawingStyle();

    // Builds one more popup from its items; its index is the number of
    // popups built before it. Each action carries its command as data.
    QMenu* addPopup(std::span<const MenuEntry> items);
    QMenu* popup(int index) const;
    int popupCount() const { return static_cast<int>(m_popups.size()); }
    // The first action of that command in any popup, or null.
    QAction* action(int command) const;

    // Cuts strip into images of imageSize, left to right, and binds them in
    // order to the commands of toolbarCommands, where 0 is a gap that takes
    // no image. An image whose command has no item is not used. Pixels of
    // maskColour are transparent.
    void loadToolbar(const QPixmap& strip, QSize imageSize, std::span<const int> toolbarCommands,
                     const QColor& maskColour);
    // The strip index of a command's image, or -1.
    int imageIndex(int command) const;

    // Every channel c of every pixel becomes c + 0.3 x (255 - c), except
    // pixels of exactly the colour keep, which stay as they are.
    static QImage lightened(const QImage& image, const QColor& keep);

private:
    std::vector<std::unique_ptr<QMenu>> m_popups;
    std::map<int, int> m_imageOfCommand;
    OrnamenuStyle* m_style = nullptr; // owned as a child object
};

} // namespace sonivert::ui
