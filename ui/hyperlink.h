#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

#include <functional>
#include <string>

namespace sonivert {
class UserPrompts;
}

namespace sonivert::ui {

// A text that behaves as a web link: link, visited and hover colours, an
// underline that is never, always or only while hovered shown, a hand
// cursor, a tooltip with the address, and a click that opens the address.
// A failed opening beeps and names the reason in an exclamation message.
// Tab reaches it, Space or Enter opens it, and the focus shows as a mark
// around the text.
class HyperLink : public QLabel {
    Q_OBJECT
public:
    enum UnderlineMode : int { kUnderlineNever = 0, kUnderlineAlways = 1, kUnderlineWhileHovering = -1 };

    // Opens an address; a result above 32 is success, anything else an
    // error code of errorText().
    using Opener = std::function<int(const std::string& address)>;
    // What the default opener reports: success, or, since the desktop's
    // opener gives no reason, "no application associated".
    static constexpr int kOpened = 33;
    static constexpr int kNoAssociation = 31;

    // An empty address takes the text, an empty text the address. prompts
    // opens the address and shows the failure message; it must outlive the
    // link.
    HyperLink(const QString& text, const QString& address, UserPrompts& prompts, QWidget* parent = nullptr);

    void setLinkText(const QString& text);
    // Also updates the tooltip and refits the link to its text.
    void setAddress(const QString& address);
    QString address() const { return m_address; }
    void setUnderlineMode(int mode);
    int underlineMode() const { return m_underlineMode; }
    void setColours(const QColor& link, const QColor& visited, const QColor& hover);
    // On: the link is resized to its text whenever text or address change.
    void setFitToText(bool on);
    // An empty opener restores the default one (the prompts' openUrl).
    void setOpener(Opener opener);

    bool isHovering() const { return m_hovering; }
    bool isVisited() const { return m_visited; }
    // The colour and font the link draws with now.
    QColor currentColour() const;
    QFont currentFont() const;

    // Opens the address as a click does.
    void open();

    // "The specified file was not found." for 2 and so on; any code not in
    // the table gives "Unknown Error (%d) occurred.".
    static std::string errorText(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitToText();
    void updateFonts();

    UserPrompts& m_prompts;
    Opener m_opener;
    QString m_address;
    QColor m_linkColour{0, 0, 238};
    QColor m_visitedColour{85, 26, 139};
    QColor m_hoverColour{255, 0, 0};
    bool m_hovering = false;
    bool m_visited = false;
    int m_underlineMode = kUnderlineWhileHovering;
    bool m_fitToText = true;
    QFont m_normalFont;
    QFont m_underlinedFont;
};

} // namespace sonivert::ui
