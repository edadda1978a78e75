#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace sonivert::ui {

// The program's own artwork, drawn once when the window is built: the
// window background, the faces of the command buttons, the caption button
// icons, the window icon and the strip of menu item images. Nothing is
// loaded from files. Needs a QGuiApplication (it draws text).
class Skin {
public:
    static constexpr QSize kWindowSize{699, 538};
    static constexpr QSize kFaceSize{106, 26};
    static constexpr QSize kCaptionIconSize{15, 15};
    static constexpr QSize kMenuImageSize{16, 15};
    static constexpr int kMenuImageCount = 10;

    // The background colour of the menu image strip; pixels of exactly this
    // colour are transparent in the menu images.
    static QColor menuMaskColour() { return QColor(192, 192, 192); }

    Skin();

    const QPixmap& background() const { return m_background; }
    const QPixmap& face() const { return m_face; }
    const QPixmap& hoverFace() const { return m_hoverFace; }
    const QPixmap& helpIcon() const { return m_helpIcon; }
    const QPixmap& minimiseIcon() const { return m_minimiseIcon; }
    const QPixmap& closeIcon() const { return m_closeIcon; }
    const QIcon& windowIcon() const { return m_windowIcon; }
    // kMenuImageCount images of kMenuImageSize side by side, in the order
    // Add Files, Remove, Play Source, Play Destination, Help Topics,
    // Homepage, Tell A Friend, Feedback and Support, Check Latest Version,
    // About; on menuMaskColour().
    const QPixmap& menuStrip() const { return m_menuStrip; }

private:
    QPixmap m_background;
    QPixmap m_face;
    QPixmap m_hoverFace;
    QPixmap m_helpIcon;
    QPixmap m_minimiseIcon;
    QPixmap m_closeIcon;
    QIcon m_windowIcon;
    QPixmap m_menuStrip;
};

} // namespace sonivert::ui
