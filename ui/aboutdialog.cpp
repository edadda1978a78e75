#include "ui/aboutdialog.h"

#include "engine/constants.h"
#include "ui/dialogfont.h"
#include "ui/hyperlink.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace sonivert::ui {

AboutDialog::AboutDialog(UserPrompts& prompts, const QIcon& icon, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setFont(dialogFont());
    setFixedSize(dialogUnits(0, 0, 297, 141).size());

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(dialogUnits(229, 7, 61, 14));
    ok->setDefault(true);
    auto* checkUpdates = new QPushButton(QStringLiteral("&Check Updates"), this);
    checkUpdates->setObjectName(QStringLiteral("checkUpdatesButton"));
    checkUpdates->setGeometry(dialogUnits(229, 25, 61, 14));
    checkUpdates->setAutoDefault(false);
    auto* tellAFriend = new QPushButton(QStringLiteral("Tell a Friend"), this);
    tellAFriend->setObjectName(QStringLiteral("tellAFriendButton"));
    tellAFriend->setGeometry(dialogUnits(229, 43, 61, 14));
    tellAFriend->setAutoDefault(false);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("icon"));
    image->setPixmap(icon.pixmap(32, 32));
    image->setGeometry(QRect(dialogUnits(7, 7, 0, 0).topLeft(), QSize(32, 32)));

    m_title = new QLabel(QStringLiteral("%1 v%2").arg(QString::fromUtf8(kAppName), QString::fromUtf8(kVersionText)),
                         this);
    m_title->setObjectName(QStringLiteral("titleLine"));
    m_title->setGeometry(dialogUnits(35, 8, 188, 10));

    struct Link {
        QString text;
        QString address;
        int y;
    };
    const Link links[kLinkCount] = {
        {QStringLiteral("Visit %1 Homepage").arg(QString::fromUtf8(kAppName)), QString::fromUtf8(kWebSite), 99},
        {QStringLiteral("Feedback and Support"), QStringLiteral("mailto:") + QString::fromUtf8(kSupportEmail), 112},
        {QStringLiteral("The program uses LAME MP3 encoder"), QString::fromUtf8(kMp3EncoderWebSite), 125},
    };
    for (int i = 0; i < kLinkCount; ++i) {
        auto* link = new HyperLink(links[i].text, links[i].address, prompts, this);
        link->setFitToText(false);
        link->setGeometry(dialogUnits(35, links[i].y, 210, 10));
        link->setFitToText(true); // the clickable area is the text, not the template's box
        link->setUnderlineMode(HyperLink::kUnderlineAlways);
        m_links[i] = link;
    }

    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(checkUpdates, &QAbstractButton::clicked, this, &AboutDialog::checkUpdatesRequested);
    connect(tellAFriend, &QAbstractButton::clicked, this, &AboutDialog::tellAFriendRequested);
}

} // namespace sonivert::ui
