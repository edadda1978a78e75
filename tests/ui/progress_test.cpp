// The progress windows, the desktop prompts' message boxes and the small
// tables of the window: the open-file type list, the output-format rows and
// the browser fallback's command line.

#include "engine/constants.h"
#include "filelist/openfiledialog.h"
#include "tests/ui/uitestsupport.h"
#include "ui/desktopprompts.h"
#include "ui/filedialogs.h"
#include "ui/outputformatlist.h"
#include "ui/progresswindows.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

using ui::CaptionlessProgress;
using ui::ProgressDialog;
using ui::ProgressWindow;

void dragBy(QWidget& window, QPoint start, QPoint delta)
{
    const QPointF global = window.mapToGlobal(QPointF(start));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(start), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + delta), global + QPointF(delta), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(start + delta), global + QPointF(delta), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &release);
}

class ProgressWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.resize(600, 400);
        owner.move(40, 30);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }
    QWidget owner;
};

TEST_F(ProgressWindowsTest, ItemWindowIsCaptionlessCentredAndOnlyCancelSetsTheFlag)
{
    ProgressWindow window(&owner);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(owner.frameGeometry().center(), window.frameGeometry().center());

    // Enter and Esc, on the window or on the focused button, do nothing.
    for (QWidget* target : {static_cast<QWidget*>(&window), static_cast<QWidget*>(window.cancelButton())}) {
        QTest::keyClick(target, Qt::Key_Escape);
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.cancelRequested());

    window.cancelButton()->click();
    EXPECT_TRUE(window.cancelRequested());
    EXPECT_TRUE(window.isVisible()) << "Cancel leaves closing to the loop";
}

TEST_F(ProgressWindowsTest, CloseRequestFromTheWindowSystemCountsAsCancel)
{
    ProgressDialog dialog(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // Closing the native window goes through the window system, as a
    // window-manager close does.
    dialog.windowHandle()->close();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.cancelRequested());
    EXPECT_TRUE(dialog.isVisible()) << "the run still uses it";
}

TEST_F(ProgressWindowsTest, BothWindowsAreDraggedByAnyPoint)
{
    ProgressWindow window(&owner);
    const QPoint before = window.pos();
    dragBy(window, QPoint(200, 15), QPoint(37, -21));
    EXPECT_EQ(before + QPoint(37, -21), window.pos());

    ProgressDialog dialog(&owner);
    const QPoint start = dialog.pos();
    // Over a text line: labels pass the press to the window.
    const QPoint onText = dialog.findChildren<QLabel*>().front()->geometry().center();
    QWidget* label = dialog.childAt(onText);
    ASSERT_NE(nullptr, label);
    const QPointF global = dialog.mapToGlobal(QPointF(onText));
    QMouseEvent press(QEvent::MouseButtonPress, label->mapFromGlobal(global), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    QMouseEvent move(QEvent::MouseMove, label->mapFromGlobal(global + QPointF(10, 12)), global + QPointF(10, 12),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &move);
    EXPECT_EQ(start + QPoint(10, 12), dialog.pos());
}

TEST_F(ProgressWindowsTest, ConversionDialogFileBarIsMeasuredInPixels)
{
    ProgressDialog dialog(&owner);
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.fileBar()->width(), dialog.fileBarWidth());
    EXPECT_GT(dialog.fileBarWidth(), 300);
    dialog.setFileBarRange(dialog.fileBarWidth());
    dialog.setFileBarPosition(dialog.fileBarWidth() / 2);
    EXPECT_EQ(dialog.fileBarWidth() / 2, dialog.fileBar()->value());
    dialog.setRunBarRange(0);
    EXPECT_GT(dialog.runBar()->maximum(), 0) << "never Qt's busy animation";
}

TEST_F(ProgressWindowsTest, HostDisablesTheMainWindowButNotItsProgressWindows)
{
    ui::WindowProgressHost host(owner);
    host.setMainWindowEnabled(false);
    EXPECT_FALSE(owner.isEnabled());
    std::unique_ptr<ItemProgress> item = host.createItemProgress();
    auto* window = dynamic_cast<ProgressWindow*>(item.get());
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->cancelButton()->isEnabled());
    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(item->cancelRequested());

    QPointer<QWidget> gone = window;
    item.reset();
    EXPECT_TRUE(gone.isNull()) << "destroying the object closes the window";
    host.setMainWindowEnabled(true);
    EXPECT_TRUE(owner.isEnabled());
}

// Runs check on the message box once it is up, then answers it.
void answerNextBox(std::function<void(QMessageBox&)> check, QMessageBox::StandardButton answer)
{
    QTimer::singleShot(0, [check = std::move(check), answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, box);
        check(*box);
        box->button(answer)->click();
    });
}

TEST(DesktopPromptsTest, MessageBoxesAreTitledSonivertAndShowTheirTextAsIs)
{
    ui::DesktopPrompts prompts;
    const std::string text = "Failed to load the following files.\n\n/a/b.xyz\n<more files>...\n";
    bool seen = false;
    answerNextBox(
        [&](QMessageBox& box) {
            seen = true;
            EXPECT_EQ(QStringLiteral("Sonivert"), box.windowTitle());
            EXPECT_EQ(QString::fromStdString(text), box.text());
            EXPECT_EQ(Qt::PlainText, box.textFormat());
            EXPECT_EQ(QMessageBox::Warning, box.icon());
        },
        QMessageBox::Ok);
    prompts.showMessage(UserPrompts::Icon::Exclamation, text);
    EXPECT_TRUE(seen);

    answerNextBox([](QMessageBox& box) { EXPECT_EQ(QMessageBox::Information, box.icon()); }, QMessageBox::Ok);
    prompts.showMessage(UserPrompts::Icon::Information, "There aren't files in list.");

    answerNextBox([](QMessageBox& box) { EXPECT_EQ(QStringLiteral("Sonivert"), box.windowTitle()); },
                  QMessageBox::Yes);
    EXPECT_TRUE(prompts.askYesNo("Download it now?"));
    answerNextBox([](QMessageBox&) {}, QMessageBox::No);
    EXPECT_FALSE(prompts.askYesNo("Download it now?"));
    EXPECT_EQ(nullptr, QApplication::activeModalWidget());
}

TEST(DesktopPromptsTest, MessageBoxStandsAloneWhileItsWindowIsDisabled)
{
    QWidget window;
    window.show();
    ui::DesktopPrompts prompts;
    prompts.setParentWindow(&window);
    answerNextBox([&](QMessageBox& box) { EXPECT_EQ(&window, box.parentWidget()); }, QMessageBox::Ok);
    prompts.showMessage(UserPrompts::Icon::Information, "x");
    window.setEnabled(false);
    answerNextBox(
        [&](QMessageBox& box) {
            EXPECT_EQ(nullptr, box.parentWidget());
            EXPECT_TRUE(box.isEnabled());
        },
        QMessageBox::Ok);
    prompts.showMessage(UserPrompts::Icon::Exclamation, "y");
}

TEST(BrowserFallbackTest, CommandIsCutAtTheQuotedOrBarePlaceholder)
{
    const std::string address = "https://sonivert.example";
    EXPECT_EQ("\"C:\\Browser\\b.exe\" -url  https://sonivert.example",
              ui::browserCommandLine("\"C:\\Browser\\b.exe\" -url \"%1\"", address));
    EXPECT_EQ("browser.exe  https://sonivert.example", ui::browserCommandLine("browser.exe %1", address));
    EXPECT_EQ("b.exe %1  https://sonivert.example", ui::browserCommandLine("b.exe %1 \"%1\"", address))
        << "a quoted placeholder wins over an earlier bare one";
    EXPECT_EQ("browser.exe -nohome https://sonivert.example", ui::browserCommandLine("browser.exe -nohome", address));
}

TEST(OpenFileFiltersTest, QtFiltersKeepTheDescriptionsAndListEveryPattern)
{
    const QStringList filters = ui::openFileNameFilters();
    const auto original = openFileDialogFilters();
    ASSERT_EQ(50, filters.size());
    ASSERT_EQ(original.size(), static_cast<size_t>(filters.size()));
    EXPECT_EQ(QStringLiteral("All Files (*)"), filters.front());
    EXPECT_TRUE(filters.contains(QStringLiteral("AIFF Files (*.aiff *.aif *.aifc *.afc)")));
    EXPECT_TRUE(filters.contains(QStringLiteral("Monkey's Audio (*.ape *.mac)")));
    for (size_t i = 0; i < original.size(); ++i) {
        const std::string description(original[i].description);
        const std::string name = description.substr(0, description.rfind('('));
        EXPECT_TRUE(filters[static_cast<qsizetype>(i)].startsWith(QString::fromStdString(name))) << description;
    }
}

TEST(OutputFormatListTest, RowsTextsAndTheChoiceOfTheStoredFormat)
{
    const auto rows = ui::outputFormatRows();
    ASSERT_EQ(14u, rows.size());
    EXPECT_EQ(" to MP3", ui::outputFormatRowText(rows[0]));
    EXPECT_EQ(" to AAC for iPod / iTunes", ui::outputFormatRowText(rows[5]));
    EXPECT_EQ(" to FLAC", ui::outputFormatRowText(rows[11]));
    EXPECT_EQ(" to Opus", ui::outputFormatRowText(rows[12]));
    EXPECT_EQ(" to ALAC", ui::outputFormatRowText(rows[13]));

    const auto all = [](int32_t) { return true; };
    ui::OutputFormatChoice m4a = ui::chooseOutputFormatRows(6500, all);
    ASSERT_EQ(14u, m4a.rows.size());
    EXPECT_EQ(7, m4a.selected) << "the last row with the code";
    EXPECT_EQ(" to M4A (MPEG-4 Audio)", ui::outputFormatRowText(*m4a.rows[7]));
    EXPECT_EQ(6500, m4a.outputFormat);

    ui::OutputFormatChoice unknown = ui::chooseOutputFormatRows(1234, all);
    EXPECT_EQ(0, unknown.selected);
    EXPECT_EQ(1000, unknown.outputFormat);

    // Only the formats that can be written are listed.
    const auto wavAndOgg = [](int32_t code) { return code == 2000 || code == 4000; };
    ui::OutputFormatChoice some = ui::chooseOutputFormatRows(1000, wavAndOgg);
    ASSERT_EQ(2u, some.rows.size());
    EXPECT_EQ(" to WAV", ui::outputFormatRowText(*some.rows[0]));
    EXPECT_EQ(" to OGG", ui::outputFormatRowText(*some.rows[1]));
    EXPECT_EQ(0, some.selected);
    EXPECT_EQ(2000, some.outputFormat);
    EXPECT_EQ(1, ui::chooseOutputFormatRows(4000, wavAndOgg).selected);

    ui::OutputFormatChoice none = ui::chooseOutputFormatRows(2000, [](int32_t) { return false; });
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(-1, none.selected);
    EXPECT_EQ(2000, none.outputFormat);
}

} // namespace
} // namespace sonivert::test
