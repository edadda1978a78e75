// Honest feedback in the window: dialog titles without a suffix the
// platform would compose onto them.

#include "tests/support/fakes.h"
#include "ui/aboutdialog.h"
#include "ui/appidentity.h"
#include "ui/editid3tagdialog.h"
#include "ui/optsheet.h"

#include <QApplication>
#include <QIcon>
#include <QWindow>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

TEST(WindowTitleTest, DialogsCarryTheirOwnTitleAndNothingIsComposedOntoIt)
{
    RecordingPrompts prompts;
    struct Case {
        const char* title;
        std::function<std::unique_ptr<QWidget>()> make;
    };
    const Case cases[] = {
        {"Options", [] { return std::make_unique<ui::COptSheet>(); }},
        {"About", [&] { return std::make_unique<ui::AboutDialog>(prompts, QIcon()); }},
        {"Edit ID3 Tag", [&] { return std::make_unique<ui::EditId3TagDialog>(prompts); }},
    };

    // Qt's X11 and Wayland windows append " — <display name>" to a title
    // only when a display name was set explicitly; unset, the display name
    // reads back as the application name.
    const QString savedName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("ui-tests-probe"));
    ui::setUpApplicationIdentity(QStringLiteral("ui-tests-probe-entry"));
    EXPECT_EQ(QCoreApplication::applicationName(), QGuiApplication::applicationDisplayName());
    QCoreApplication::setApplicationName(savedName);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::unique_ptr<QWidget> dialog = c.make();
        EXPECT_EQ(QString::fromUtf8(c.title), dialog->windowTitle());
        dialog->show();
        ASSERT_NE(nullptr, dialog->windowHandle());
        EXPECT_EQ(QString::fromUtf8(c.title), dialog->windowHandle()->title());
    }
}

} // namespace
} // namespace sonivert::test
