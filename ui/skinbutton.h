#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace sonivert::ui {

// A push button drawn by itself over the window's skin: a face bitmap or an
// icon, a second face or icon while the pointer is over it or it is held
// down, its own text colours, font and cursor, an optional border, and the
// content moved by one pixel while pressed, and with the focus rectangle
// on, a mark around the content while it has the keyboard focus.
//
// In transparent mode (the default) the button starts every drawing from
// the part of its background source under it: a pixmap of the parent's
// background (the skin) taken at the button's position in its parent the
// first time it is drawn and kept. Without a source the parent's own
// painting shows through.
class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkinButton(QWidget* parent = nullptr);
    SkinButton(const QString& text, QWidget* parent);

    // An invalid hover colour means: the same as the text colour.
    void setTextColours(const QColor& text, const QColor& hover = QColor());
    QColor textColour() const { return m_textColour; }
    QColor hoverTextColour() const { return m_hoverTextColour; }
    void setTextOffset(int dx, int dy);
    void setDrawText(bool on);
    void setDrawBorder(bool on);
    void setDrawFocusRect(bool on);
    void setFlat(bool on);
    void setShiftWhenPressed(bool on);
    void setTransparent(bool on);
    void setBackgroundColours(const QColor& normal, const QColor& hover);

    // source is a pixmap of the parent's whole background in the parent's
    // coordinates; it must outlive the button or be replaced. Setting it
    // drops the background taken from the previous one.
    void setBackgroundSource(const QPixmap* source);

    // Faces: the normal one and an optional hover one. With resize the
    // button takes the face's size plus 1 pixel when the content shifts
    // when pressed, plus 2 when a border is drawn.
    void setFaces(const QPixmap& face, const QPixmap& hoverFace = QPixmap(), bool resize = true);
    // Icons are drawn centred and take precedence over faces; resizing as
    // for faces.
    void setIcons(const QPixmap& icon, const QPixmap& hoverIcon = QPixmap(), bool resize = true);

    bool isHovering() const { return m_hovering; }
    bool drawsFocusRect() const { return m_drawFocusRect; }

    // The keyboard focus mark drawn inside rect: visible on any background.
    static void drawFocusMark(QPainter& painter, const QRect& rect);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void resizeToImage(const QSize& image);
    void drawBorder(QPainter& painter, const QRect& rect, bool sunken) const;

    QPixmap m_cachedBackground;
    const QPixmap* m_backgroundSource = nullptr;
    QPixmap m_face;
    QPixmap m_hoverFace;
    QPixmap m_icon;
    QPixmap m_hoverIcon;
    bool m_hovering = false;
    QColor m_textColour;
    QColor m_hoverTextColour;
    int m_textDx = 0;
    int m_textDy = 0;
    bool m_drawText = true;
    bool m_drawFocusRect = false;
    bool m_drawBorder = true;
    bool m_flat = true;
    bool m_shiftWhenPressed = true;
    bool m_transparent = true;
    QColor m_backgroundColour;
    QColor m_hoverBackgroundColour;
};

} // namespace sonivert::ui
