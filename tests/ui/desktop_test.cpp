// What the window does with the desktop around it: where it opens and what
// it remembers, the programs it hands addresses and files to, the dialog a
// message box belongs to, and a high-density screen.

#include "platform/registrystore.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/ui/uitestsupport.h"
#include "ui/desktopprompts.h"
#include "ui/externalopener.h"
#include "ui/filelistview.h"
#include "ui/mainwindow.h"
#include "ui/windowplacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace sonivert::test {
namespace {

TEST(WindowPlacementTest, TheWindowOpensWhollyOnAScreenAndNeverBelowItsMinimum)
{
    const QSize preferred(699, 538), minimum(699, 538);
    const QRect primary(0, 0, 1920, 1050);
    const QList<QRect> screens = {primary, QRect(1920, 0, 1280, 1024)};
    struct Case {
        const char* what;
        std::optional<QRect> remembered;
        QRect expected;
    };
    const Case cases[] = {
        {"nothing stored: centred", std::nullopt, QRect(610, 256, 699, 538)},
        {"stored and on the primary", QRect(10, 20, 900, 700), QRect(10, 20, 900, 700)},
        {"stored on the second screen", QRect(2000, 100, 800, 600), QRect(2000, 100, 800, 600)},
        {"across both screens: centred", QRect(1500, 100, 800, 600), QRect(560, 225, 800, 600)},
        {"the screen is gone", QRect(4000, 100, 800, 600), QRect(560, 225, 800, 600)},
        {"larger than the screen", QRect(0, 0, 2500, 1400), QRect(0, 0, 1920, 1050)},
        {"below the minimum", QRect(10, 10, 300, 200), QRect(610, 256, 699, 538)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ui::openingWindowGeometry(c.remembered, preferred, minimum, screens, primary)) << c.what;

    // At twice the pixel density a 1280 x 1024 screen is 640 x 512 with a
    // panel taking 32: the window gets smaller than usual, not off screen.
    const QRect small(0, 0, 640, 480);
    const QSize smallMinimum = ui::minimumWindowSize(preferred, QSize(480, 360), small);
    EXPECT_EQ(QSize(640, 480), smallMinimum);
    EXPECT_EQ(small, ui::openingWindowGeometry(std::nullopt, preferred, smallMinimum, {small}, small));
    EXPECT_EQ(QSize(480, 360), ui::minimumWindowSize(preferred, QSize(480, 360), QRect(0, 0, 320, 240)));
}

TEST(WindowPlacementTest, StoredValuesAreTakenOnlyWhenWhole)
{
    TempDir dir;
    std::unique_ptr<RegistryStore> store = openIniSettingsStore(dir.file("settings.ini"));
    ui::WindowPlacement placement;
    placement.geometry = QRect(-20, 30, 800, 600);
    placement.columnWidths = {200, 65, 65, 65, 60, 300};
    ASSERT_TRUE(ui::saveWindowPlacement(*store, placement));
    const ui::WindowPlacement loaded = ui::loadWindowPlacement(*store, 6);
    EXPECT_EQ(placement.geometry, loaded.geometry);
    EXPECT_EQ(placement.columnWidths, loaded.columnWidths);

    const char* badWidths[] = {"200,65,65,65,60", "200,65,65,65,60,300,1", "200,65,x,65,60,300", "200,65,,65,60,300",
                               "200,65,0,65,60,300", "200,65,65,65,60,99999", "", "-5,65,65,65,60,300"};
    for (const char* text : badWidths) {
        store->createKey(ui::kWindowKey)->writeText("ColumnWidths", text);
        EXPECT_TRUE(ui::loadWindowPlacement(*store, 6).columnWidths.empty()) << text;
    }
    store->createKey(ui::kWindowKey)->writeNumber("Width", 0);
    EXPECT_FALSE(ui::loadWindowPlacement(*store, 6).geometry) << "a window without width is no placement";
}

// A stand-in for the desktop's opener first in PATH: it notes its argument
// and exits with the status given.
class DesktopOpenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(bin);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }

    void fakeOpener(int status)
    {
        const std::string script = bin + "/" + ui::kDesktopOpener;
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " << shellQuote(log) << "\nexit " << status
                              << "\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }
    // What the opener was given, once it has run (waits up to 20 s).
    std::string handedOver()
    {
        QElapsedTimer clock;
        clock.start();
        while (!std::filesystem::exists(log) && clock.elapsed() < 20000)
            QTest::qWait(20);
        std::ifstream in(log);
        std::string line;
        std::getline(in, line);
        std::filesystem::remove(log);
        return line;
    }
    // The text of the next message box, answered; empty when none came up
    // within ms.
    std::string nextMessage(int ms)
    {
        std::string text;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text().toStdString();
                box->button(QMessageBox::Ok)->click();
            }
        });
        poll.start(10);
        QElapsedTimer clock;
        clock.start();
        while (text.empty() && clock.elapsed() < ms)
            QTest::qWait(10);
        return text;
    }

    TempDir dir;
    const std::string bin = dir.file("bin");
    const std::string log = dir.file("opened.txt");
    std::string savedPath;
    ui::DesktopPrompts prompts;
};

TEST_F(DesktopOpenerTest, AHandlerThatFailsIsReportedWithItsReason)
{
    const std::string document = dir.file("song.mp3");
    struct Case {
        int status;
        bool document;
        std::string reason; // empty: no message
    };
    const Case cases[] = {
        {0, false, ""},
        {3, false, "no program on this desktop is set up to open it"},
        {4, true, "the program that opens it reported a failure"},
        {2, true, "the file does not exist"},
        {9, false, "the desktop's opener failed (exit status 9)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        fakeOpener(c.status);
        const std::string target = c.document ? document : "https://sonivert.example/checkforupdates/?v=1";
        EXPECT_TRUE(c.document ? prompts.openDocument(target) : prompts.openUrl(target));
        EXPECT_EQ(target, handedOver());
        // A success gets no message; the watch polls every 100 ms.
        const std::string message = nextMessage(c.reason.empty() ? 500 : 20000);
        EXPECT_EQ(c.reason.empty() ? "" : ui::couldNotOpenText(target, c.reason), message);
    }
    // Without any opener (nor a browser named in the environment) there is
    // nothing to hand over to: the caller hears it.
    setenv("PATH", bin.c_str(), 1);
    unsetenv("BROWSER");
    unsetenv("DEFAULT_BROWSER");
    std::filesystem::remove(bin + "/" + ui::kDesktopOpener);
    EXPECT_FALSE(prompts.openUrl("https://sonivert.example/"));
    EXPECT_FALSE(prompts.openDocument(document));
}

TEST_F(DesktopOpenerTest, TheWindowSaysSoWhenNothingTakesAnAddress)
{
    setenv("PATH", bin.c_str(), 1); // no opener at all
    RecordingPrompts recording;
    recording.openUrlResult = false;
    TempDir settings;
    std::unique_ptr<RegistryStore> store = openIniSettingsStore(settings.file("settings.ini"));
    ScriptedFileDialogs dialogs;
    recording.answerYes = false;
    ui::MainWindow window(ui::MainWindowServices{*store, recording, dialogs, std::nullopt, [] { return std::nullopt; }});
    recording.messages.clear();
    window.runCommand(ui::kCommandHomepage);
    ASSERT_EQ(1u, recording.messages.size());
    EXPECT_EQ(UserPrompts::Icon::Exclamation, recording.messages[0].icon);
    EXPECT_EQ(ui::couldNotOpenText("https://sonivert.example", "no program could be started to open it"),
              recording.messages[0].text);
}

TEST(DesktopPromptsTest, AMessageBoxBelongsToTheDialogThatRaisedIt)
{
    QWidget window;
    window.resize(600, 500);
    window.show();
    ui::DesktopPrompts prompts;
    prompts.setParentWindow(&window);
    QDialog dialog(&window);
    dialog.setGeometry(400, 300, 200, 150);
    QWidget* parent = nullptr;
    QPoint boxCentre, dialogCentre;
    QTimer::singleShot(0, &dialog, [&] {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, box);
            parent = box->parentWidget();
            boxCentre = box->frameGeometry().center();
            dialogCentre = dialog.frameGeometry().center();
            box->button(QMessageBox::Ok)->click();
        });
        prompts.showMessage(UserPrompts::Icon::Information, "x");
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(&dialog, parent);
    EXPECT_LE((boxCentre - dialogCentre).manhattanLength(), 2);
}

// Run by its own test entry on an offscreen screen of 1280 x 1024 pixels at
// a device pixel ratio of 2 (SONIVERT_HIGH_DENSITY_SCREEN=1); elsewhere it
// has nothing to check.
TEST(HighDensityScreenTest, TheWindowFitsTheScreenAndItsSkinIsSharp)
{
    if (!std::getenv("SONIVERT_HIGH_DENSITY_SCREEN"))
        GTEST_SKIP() << "needs the 2x offscreen screen of its own test entry";
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(nullptr, screen);
    ASSERT_EQ(2.0, screen->devicePixelRatio());
    // The offscreen screen is given in device-independent pixels.
    ASSERT_EQ(QSize(1280, 1024), screen->geometry().size() * screen->devicePixelRatio());

    TempDir dir;
    std::unique_ptr<RegistryStore> store = openIniSettingsStore(dir.file("settings.ini"));
    RecordingPrompts prompts;
    ScriptedFileDialogs dialogs;
    ui::MainWindow window(ui::MainWindowServices{*store, prompts, dialogs, std::nullopt, [] { return std::nullopt; }});
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(screen->availableGeometry().contains(window.frameGeometry())) << "opens wholly on the screen";
    EXPECT_EQ(QSize(640, 512), window.size()) << "as large as the screen lets it be";

    const QPixmap& skin = window.skin().background();
    EXPECT_EQ(2.0, skin.devicePixelRatio());
    EXPECT_EQ(window.size() * 2, skin.size());
    EXPECT_EQ(2.0, window.skin().face().devicePixelRatio());
    // Drawn at 2x the window keeps its layout: the buttons have their size
    // in device-independent pixels, the list takes what is left.
    EXPECT_EQ(QSize(107, 27), window.findChild<QWidget*>(QStringLiteral("convertButton"))->size());
    EXPECT_EQ(QRect(137, 63, 640 - 147, 512 - 73), window.listView().geometry());
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(window.size() * 2, shot.size());
    EXPECT_TRUE(shot.save(screenshotPath("mainwindow-2x.png")));
}

} // namespace
} // namespace sonivert::test
