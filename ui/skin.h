#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace sonivert::ui {

// The program's own artwork: the window background, the faces of the
// command buttons, the caption button icons, the window icon and the strip
// of menu item images. Nothing is loaded from files. Needs a
// QGuiApplication (it draws text).
//
// The background is drawn for a window size and stretches with it: the
// title band runs the whole width, the side panel and the list frame the
// whole height. Background, faces and caption icons are drawn at a device
// pixel ratio, so they stay sharp on a high-density screen; their
// device-independent sizes are the same at every ratio.
class Skin {
public:
    // The window's size when nothing else is asked for, and its minimum.
    static constexpr QSize kWindowSize{699, 538};
    static constexpr QSize kFaceSize{106, 26};
    static constexpr QSize kCaptionIconSize{15, 15};
    static constexpr QSize kMenuImageSize{16, 15};
    static constexpr int kMenuImageCount = 10;

    // The background colour of the menu image strip; pixels of exactly this
    // colour are transparent in the menu images.
    static QColor menuMaskColour() { return QColor(192, 192, 192); }

    // Drawn at kWindowSize and the application's device pixel ratio.
    Skin();

    // Draws the background again for a window of size, at devicePixelRatio
    // (faces and icons are drawn again when the ratio changed). The pixmap
    // objects stay the same, so pointers to them remain valid; a copy taken
    // from the old background is stale.
    void resize(QSize size, qreal devicePixelRatio);
    QSize windowSize() const { return m_windowSize; }
    qreal devicePixelRatio() const { return m_devicePixelRatio; }

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
    void drawScaledImages();

    QSize m_windowSize = kWindowSize;
    qreal m_devicePixelRatio = 1.0;
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
