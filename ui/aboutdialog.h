#pragma once

#include <QDialog>

class QIcon;
class QLabel;
class QPushButton;

namespace sonivert {
class UserPrompts;
}

namespace sonivert::ui {

class HyperLink;

// The about box: the program's icon, name and version, the update-check and
// recommend buttons, and links to the web site, the support address and the
// MP3 encoder's project page, always underlined. The two buttons only
// report their click (the window runs its help-menu actions) and the dialog
// stays open; OK, Enter and Esc close it.
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    // prompts opens the links and must outlive the dialog.
    AboutDialog(UserPrompts& prompts, const QIcon& icon, QWidget* parent = nullptr);

    QLabel& titleLine() const { return *m_title; }
    HyperLink& link(int index) const { return *m_links[index]; }
    static constexpr int kLinkCount = 3;

signals:
    void checkUpdatesRequested();
    void tellAFriendRequested();

private:
    QLabel* m_title = nullptr;
    HyperLink* m_links[kLinkCount] = {};
};

} // namespace sonivert::ui
