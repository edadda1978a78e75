// The options sheet and its General page, and the about box, opened from
// the main window the way the user opens them, with the prompts and the
// folder dialog scripted and a settings file of the test's own. While a
// modal dialog runs, a zero-interval timer acts on it.

#include "engine/constants.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/ui/uitestsupport.h"
#include "ui/aboutdialog.h"
#include "ui/hyperlink.h"
#include "ui/mainwindow.h"
#include "ui/optoutputpage.h"
#include "ui/optsheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace sonivert::test {
namespace {

namespace fs = std::filesystem;
using ui::COptOutputPage;
using ui::COptSheet;
using ui::MainWindow;
using ui::OptionsPage;
using ui::OptionsPageContext;

using Texts = std::vector<std::string>;

// A second page for the sheet, registered through the page table as every
// page is: it edits AmplifyWav with one check box.
class SecondPage final : public OptionsPage {
public:
    explicit SecondPage(const OptionsPageContext& context) : OptionsPage(QStringLiteral("Second Page"), context)
    {
        m_box = new QCheckBox(QStringLiteral("&Amplify"), this);
        m_box->setObjectName(QStringLiteral("secondPageBox"));
    }
    void copyIn(const ConversionSettings& settings) override { m_value = settings.AmplifyWav; }
    void copyOut(ConversionSettings& settings) const override { settings.AmplifyWav = m_value; }
    bool leavePage() override
    {
        m_value = m_box->isChecked() ? 1 : 0;
        return true;
    }

protected:
    void initialisePage() override { m_box->setChecked(m_value != 0); }

private:
    QCheckBox* m_box = nullptr;
    int32_t m_value = 0;
};

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(documents); }

    using Numbers = std::vector<std::pair<const char*, int32_t>>;

    // Stores values before the window is opened.
    void storeNumbers(const Numbers& numbers)
    {
        auto key = store->createKey(kOptionsKey);
        for (const auto& [name, value] : numbers)
            key->writeNumber(name, value);
        ASSERT_TRUE(store->flush());
    }
    void storeText(const char* name, const std::string& value)
    {
        store->createKey(kOptionsKey)->writeText(name, value);
        ASSERT_TRUE(store->flush());
    }
    int32_t storedNumber(const char* name)
    {
        auto key = openIniSettingsStore(iniPath)->openKey(kOptionsKey);
        return key ? key->readNumber(name).value_or(-1) : -1;
    }
    void expectStored(const Numbers& numbers)
    {
        for (const auto& [name, value] : numbers)
            EXPECT_EQ(value, storedNumber(name)) << name;
    }
    std::string storedText(const char* name)
    {
        auto key = openIniSettingsStore(iniPath)->openKey(kOptionsKey);
        return key ? key->readText(name).value_or("<absent>") : "<absent>";
    }

    // The sheet holds General from the window's table and the second page
    // after it, whatever other pages the table holds; or, with
    // standardPages, the window's own table.
    void open(bool standardPages = false)
    {
        std::vector<ui::OptionsPageFactory> pages = ui::standardOptionsPages();
        if (!standardPages) {
            pages = {pages.front(),
                     [](const OptionsPageContext& context) { return std::make_unique<SecondPage>(context); }};
        }
        window = std::make_unique<MainWindow>(ui::MainWindowServices{
            *store, prompts, dialogs, std::nullopt, [this] { return documents; }, std::move(pages)});
        window->show();
    }
    void closeWindow()
    {
        window.reset();
        store.reset();
        store = openIniSettingsStore(iniPath);
    }

    // Runs command; whileOpen acts on the modal dialog of type Dialog once
    // it is up, and a dialog still open afterwards is rejected. False when
    // no such dialog came up.
    template <typename Dialog>
    bool whileModal(const std::function<void()>& command, const std::function<void(Dialog&)>& whileOpen)
    {
        QTimer timer;
        timer.setInterval(0);
        bool shown = false;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = window->findChild<Dialog*>();
            if (!dialog || !dialog->isVisible())
                return;
            timer.stop();
            shown = true;
            whileOpen(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer.start();
        command();
        return shown;
    }
    bool withSheet(const std::function<void(COptSheet&)>& whileOpen)
    {
        return whileModal<COptSheet>([this] { window->runCommand(ui::kCommandOptions); }, whileOpen);
    }

    template <typename T>
    static T& control(COptSheet& sheet, const char* name)
    {
        T* found = sheet.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(nullptr, found) << name;
        return *found;
    }
    static void clickTab(COptSheet& sheet, int index)
    {
        QTest::mouseClick(&sheet.tabBar(), Qt::LeftButton, {}, sheet.tabBar().tabRect(index).center());
    }
    static void clickOk(COptSheet& sheet)
    {
        QTest::mouseClick(sheet.buttons().button(QDialogButtonBox::Ok), Qt::LeftButton);
    }
    static void clickCancel(COptSheet& sheet)
    {
        QTest::mouseClick(sheet.buttons().button(QDialogButtonBox::Cancel), Qt::LeftButton);
    }
    static void choose(QComboBox& box, const char* text)
    {
        const int index = box.findText(QString::fromUtf8(text));
        ASSERT_GE(index, 0) << text;
        box.setCurrentIndex(index);
    }
    static void type(QLineEdit& edit, const char* text)
    {
        edit.clear();
        QTest::keyClicks(&edit, QString::fromUtf8(text));
    }

    TempDir dir;
    const std::string documents = dir.file("Documents");
    const std::string iniPath = dir.file("settings.ini");
    std::unique_ptr<RegistryStore> store = openIniSettingsStore(iniPath);
    RecordingPrompts prompts;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(OptionsTest, SheetShowsTheStoredGeneralValuesAndOkSavesTheEditedOnes)
{
    storeNumbers({{"MonoType", 2}, {"EnableExtFilter", 0}, {"DestOutputFolderOpt", 399}, {"CreateDirs", 1},
                  {"TargetExistsOpt", 33}, {"OutputFiles2MyDocuments", 0}, {"BrowseOutputFolder", 0},
                  {"OptStartPageIndex", 5}}); // a page of the full sheet, none of this one
    storeText("FilterExts", "mp3");
    storeText("DestSpecifiedFolder", "/music/out/");
    open();
    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        EXPECT_EQ(QStringLiteral("Options"), sheet.windowTitle());
        ASSERT_EQ(2, sheet.tabBar().count());
        EXPECT_EQ(QStringLiteral("General"), sheet.tabBar().tabText(0));
        EXPECT_EQ(QStringLiteral("Second Page"), sheet.tabBar().tabText(1));
        EXPECT_EQ(0, sheet.activePageIndex()) << "an index that names no page opens General";
        EXPECT_FALSE(sheet.page(1)->isInitialised()) << "a page is initialised when first shown";
        const QList<QAbstractButton*> buttons = sheet.buttons().buttons();
        EXPECT_EQ(2, buttons.size()) << "OK and Cancel, no Apply, no Help";
        for (QWidget* widget : {static_cast<QWidget*>(&sheet.tabBar()), static_cast<QWidget*>(buttons.value(0)),
                                static_cast<QWidget*>(&control<QCheckBox>(sheet, "filterOn"))})
            EXPECT_EQ(11, widget->font().pixelSize());

        EXPECT_TRUE(control<QRadioButton>(sheet, "monoRight").isChecked());
        EXPECT_FALSE(control<QRadioButton>(sheet, "monoMix").isChecked());
        QCheckBox& filterOn = control<QCheckBox>(sheet, "filterOn");
        QLineEdit& filterText = control<QLineEdit>(sheet, "filterText");
        EXPECT_FALSE(filterOn.isChecked());
        EXPECT_EQ(QStringLiteral("mp3"), filterText.text());
        EXPECT_FALSE(filterText.isEnabled()) << "filter off";
        QComboBox& folderRule = control<QComboBox>(sheet, "outputFolderRule");
        EXPECT_EQ(QStringLiteral("A custom folder"), folderRule.currentText());
        EXPECT_EQ(QStringLiteral("/music/out/"), control<QLineEdit>(sheet, "customFolder").text());
        EXPECT_TRUE(control<QCheckBox>(sheet, "createFolders").isChecked());
        QComboBox& targetRule = control<QComboBox>(sheet, "targetExistsRule");
        EXPECT_EQ(QStringLiteral("Skip (not convert)"), targetRule.currentText());
        EXPECT_FALSE(control<QCheckBox>(sheet, "documentsFallback").isChecked());
        EXPECT_FALSE(control<QCheckBox>(sheet, "browseWhenDone").isChecked());
        const char* customControls[] = {"customFolder", "browseButton", "openButton", "createFolders",
                                        "folderExample"};
        for (const char* name : customControls)
            EXPECT_TRUE(control<QWidget>(sheet, name).isEnabled()) << name;
        EXPECT_TRUE(sheet.grab().save(screenshotPath("options-general.png")));

        QTest::mouseClick(&control<QRadioButton>(sheet, "monoLeft"), Qt::LeftButton);
        QTest::mouseClick(&filterOn, Qt::LeftButton);
        EXPECT_TRUE(filterText.isEnabled());
        EXPECT_EQ(&filterText, sheet.focusWidget()) << "switching the filter on focuses its text";
        type(filterText, "wav; mp3");
        choose(folderRule, "Same as original file");
        for (const char* name : customControls)
            EXPECT_FALSE(control<QWidget>(sheet, name).isEnabled()) << name;
        choose(targetRule, "Overwrite");
        QTest::mouseClick(&control<QCheckBox>(sheet, "documentsFallback"), Qt::LeftButton);
        QTest::mouseClick(&control<QCheckBox>(sheet, "browseWhenDone"), Qt::LeftButton);
        clickOk(sheet);
        EXPECT_FALSE(sheet.isVisible());
    }));
    EXPECT_TRUE(prompts.messages.empty());

    EXPECT_EQ((Texts{"wav", "mp3"}), window->settings().filterExtList) << "the filter list is rebuilt";
    // Saved at once, before the window closes.
    EXPECT_EQ("wav,mp3", storedText("FilterExts"));
    EXPECT_EQ("/music/out/", storedText("DestSpecifiedFolder"));
    expectStored({{"MonoType", 1}, {"EnableExtFilter", 1}, {"DestOutputFolderOpt", 199}, {"CreateDirs", 1},
                  {"TargetExistsOpt", 22}, {"OutputFiles2MyDocuments", 1}, {"BrowseOutputFolder", 1}});
}

TEST_F(OptionsTest, FilterOnWithBlanksOnlyIsRefusedByOkAndByATabUntilItNamesAnExtension)
{
    open();
    const std::string refusal = "Please enter file extensions you need to filter.";
    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        QLineEdit& filterText = control<QLineEdit>(sheet, "filterText");
        QTest::mouseClick(&control<QCheckBox>(sheet, "filterOn"), Qt::LeftButton);
        type(filterText, " \t  ");
        control<QRadioButton>(sheet, "monoRight").setFocus();

        clickOk(sheet);
        EXPECT_TRUE(sheet.isVisible());
        ASSERT_EQ(1u, prompts.messages.size());
        EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
        EXPECT_EQ(refusal, prompts.messages[0].text);
        EXPECT_EQ(&filterText, sheet.focusWidget());

        clickTab(sheet, 1);
        EXPECT_EQ(2u, prompts.messages.size());
        EXPECT_EQ(0, sheet.activePageIndex());
        EXPECT_EQ(0, sheet.tabBar().currentIndex()) << "the tab goes back to the page on show";
        EXPECT_FALSE(sheet.page(1)->isVisible());

        type(filterText, " ; *.ogg;\t.flac ");
        clickTab(sheet, 1);
        EXPECT_EQ(1, sheet.activePageIndex());
        QTest::mouseClick(&control<QCheckBox>(sheet, "secondPageBox"), Qt::LeftButton);
        clickOk(sheet); // on the second page; General was checked when it was left
        EXPECT_FALSE(sheet.isVisible());
    }));
    EXPECT_EQ(2u, prompts.messages.size());
    EXPECT_EQ(",ogg,flac", storedText("FilterExts"));
    EXPECT_EQ(1, storedNumber("AmplifyWav")) << "every page is copied back";
    EXPECT_EQ(1, window->settings().OptStartPageIndex);
}

TEST_F(OptionsTest, CustomFolderRuleWithAnEmptyFolderIsRefusedWhenSwitchingPages)
{
    storeNumbers({{"DestOutputFolderOpt", 199}});
    open();
    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        choose(control<QComboBox>(sheet, "outputFolderRule"), "A custom folder");
        QLineEdit& folder = control<QLineEdit>(sheet, "customFolder");
        EXPECT_TRUE(folder.isEnabled());
        folder.clear();
        // The filter is also wrong; the folder is named first.
        QTest::mouseClick(&control<QCheckBox>(sheet, "filterOn"), Qt::LeftButton);
        control<QLineEdit>(sheet, "filterText").clear();

        clickTab(sheet, 1);
        EXPECT_EQ(0, sheet.activePageIndex());
        ASSERT_EQ(1u, prompts.messages.size());
        EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
        EXPECT_EQ("Please choose an output folder.", prompts.messages[0].text);
        EXPECT_EQ(&folder, sheet.focusWidget());

        type(folder, "/srv/converted");
        type(control<QLineEdit>(sheet, "filterText"), "wav");
        clickTab(sheet, 1);
        EXPECT_EQ(1, sheet.activePageIndex());
        clickCancel(sheet);
    }));
    EXPECT_EQ(1u, prompts.messages.size());
    EXPECT_EQ(kFolderSameAsSource, window->settings().DestOutputFolderOpt) << "cancelled";
}

TEST_F(OptionsTest, CancelOnALaterPageReopensThereAndChangesNoSetting)
{
    storeText("FilterExts", "mp3");
    open();
    const ConversionSettings before = window->settings();
    const std::vector<uint8_t> storedBefore = readFileBytes(iniPath);
    ASSERT_FALSE(storedBefore.empty());

    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        QTest::mouseClick(&control<QRadioButton>(sheet, "monoRight"), Qt::LeftButton);
        QTest::mouseClick(&control<QCheckBox>(sheet, "filterOn"), Qt::LeftButton);
        type(control<QLineEdit>(sheet, "filterText"), "wav; aiff");
        choose(control<QComboBox>(sheet, "targetExistsRule"), "Overwrite");
        clickTab(sheet, 1);
        QTest::mouseClick(&control<QCheckBox>(sheet, "secondPageBox"), Qt::LeftButton);
        clickCancel(sheet);
        EXPECT_FALSE(sheet.isVisible());
    }));
    ConversionSettings expected = before;
    expected.OptStartPageIndex = 1;
    EXPECT_TRUE(expected == window->settings()) << "only the start page changed";
    EXPECT_EQ(storedBefore, readFileBytes(iniPath)) << "nothing saved";

    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        EXPECT_EQ(1, sheet.activePageIndex());
        EXPECT_EQ(1, sheet.tabBar().currentIndex());
        EXPECT_FALSE(sheet.page(0)->isInitialised());
        QTest::keyClick(&sheet, Qt::Key_Escape);
        EXPECT_FALSE(sheet.isVisible());
    }));
    EXPECT_TRUE(expected == window->settings());
    closeWindow();
    EXPECT_EQ(1, storedNumber("OptStartPageIndex")) << "saved when the window closes";
    EXPECT_EQ("mp3", storedText("FilterExts"));
}

TEST_F(OptionsTest, UnknownStoredRulesShowTheFirstItemsAndBecome199And11OnceGeneralWasShown)
{
    storeNumbers({{"DestOutputFolderOpt", 250}, {"TargetExistsOpt", 0}, {"OptStartPageIndex", 1}});
    open();
    // Confirmed without General ever shown: the values go back as stored.
    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        EXPECT_EQ(1, sheet.activePageIndex());
        clickOk(sheet);
    }));
    expectStored({{"DestOutputFolderOpt", 250}, {"TargetExistsOpt", 0}});

    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        clickTab(sheet, 0);
        EXPECT_EQ(QStringLiteral("Same as original file"), control<QComboBox>(sheet, "outputFolderRule").currentText());
        EXPECT_EQ(QStringLiteral("Auto rename (add number at end of file name)"),
                  control<QComboBox>(sheet, "targetExistsRule").currentText());
        EXPECT_FALSE(control<QLineEdit>(sheet, "customFolder").isEnabled());
        EXPECT_FALSE(control<QPushButton>(sheet, "browseButton").isEnabled());
        clickOk(sheet);
    }));
    expectStored({{"DestOutputFolderOpt", 199}, {"TargetExistsOpt", 11}});
    EXPECT_EQ(0, window->settings().OptStartPageIndex);
}

TEST_F(OptionsTest, OpenBrowseAndTheMonoExplanation)
{
    const std::string missing = dir.file("not yet");
    storeNumbers({{"DestOutputFolderOpt", 399}});
    storeText("DestSpecifiedFolder", missing);
    open();
    const std::string chosen = dir.file("chosen");
    fs::create_directories(chosen);
    ASSERT_TRUE(withSheet([&](COptSheet& sheet) {
        QLineEdit& folder = control<QLineEdit>(sheet, "customFolder");
        QTest::mouseClick(&control<QPushButton>(sheet, "openButton"), Qt::LeftButton);
        ASSERT_EQ(1u, prompts.messages.size());
        EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
        EXPECT_EQ("The folder \"" + missing +
                      "\" doesn't exist yet.\n\nNote: the program will create the folder automatically when "
                      "converting files.",
                  prompts.messages[0].text);
        EXPECT_TRUE(prompts.openedDocuments.empty());

        // Browse starts at the typed folder; the choice comes back with its separator.
        type(folder, "/typed/here");
        dialogs.folderAnswers.push_back(chosen);
        QTest::mouseClick(&control<QPushButton>(sheet, "browseButton"), Qt::LeftButton);
        EXPECT_EQ(1, dialogs.outputFolderDialogs);
        EXPECT_EQ(Texts{"/typed/here"}, dialogs.folderStarts);
        EXPECT_EQ(QString::fromStdString(chosen + "/"), folder.text());
        QTest::mouseClick(&control<QPushButton>(sheet, "browseButton"), Qt::LeftButton); // cancelled
        EXPECT_EQ(QString::fromStdString(chosen + "/"), folder.text());

        QTest::mouseClick(&control<QPushButton>(sheet, "openButton"), Qt::LeftButton);
        EXPECT_EQ(Texts{chosen + "/"}, prompts.openedDocuments);
        EXPECT_EQ(1u, prompts.messages.size());

        QTest::mouseClick(&control<QPushButton>(sheet, "monoHelpButton"), Qt::LeftButton);
        ASSERT_EQ(2u, prompts.messages.size());
        EXPECT_EQ(UserPrompts::Icon::Information, prompts.messages[1].icon);
        EXPECT_EQ(0u, prompts.messages[1].text.find("In general, the output sound equals to \"(L+R)/2,\""));
        clickOk(sheet);
    }));
    EXPECT_EQ(chosen + "/", storedText("DestSpecifiedFolder"));
}

TEST_F(OptionsTest, OptionsButtonOpensTheSheetOnTheWindowsPageTable)
{
    open(true);
    auto* button = window->findChild<QAbstractButton*>(QStringLiteral("optionsButton"));
    ASSERT_NE(nullptr, button);
    ASSERT_TRUE(whileModal<COptSheet>([button] { QTest::mouseClick(button, Qt::LeftButton); },
                                      [&](COptSheet& sheet) {
                                          EXPECT_EQ(static_cast<int>(ui::standardOptionsPages().size()),
                                                    sheet.pageCount());
                                          EXPECT_EQ(QStringLiteral("General"), sheet.tabBar().tabText(0));
                                          EXPECT_NE(nullptr, dynamic_cast<COptOutputPage*>(sheet.page(0)));
                                      }));
}

TEST_F(OptionsTest, AboutBoxFromTheHelpMenuShowsTheVersionAndUnderlinedLinks)
{
    open();
    QAction* about = nullptr;
    for (QAction* action : window->helpMenu()->actions()) {
        if (action->text() == QStringLiteral("&About..."))
            about = action;
    }
    ASSERT_NE(nullptr, about);
    const std::string site = kWebSite;
    ASSERT_TRUE(whileModal<ui::AboutDialog>([about] { about->trigger(); }, [&](ui::AboutDialog& box) {
        EXPECT_EQ(QStringLiteral("About"), box.windowTitle());
        EXPECT_EQ(QStringLiteral("Sonivert v3.4 build 726"), box.titleLine().text());
        const Texts texts = {"Visit Sonivert Homepage", "Feedback and Support", "The program uses LAME MP3 encoder"};
        const Texts addresses = {site, std::string("mailto:") + kSupportEmail, kMp3EncoderWebSite};
        for (int i = 0; i < ui::AboutDialog::kLinkCount; ++i) {
            ui::HyperLink& link = box.link(i);
            EXPECT_EQ(texts[static_cast<size_t>(i)], link.text().toStdString());
            EXPECT_EQ(addresses[static_cast<size_t>(i)], link.address().toStdString());
            EXPECT_TRUE(link.currentFont().underline()) << "underlined before any hover: " << i;
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link.mapToGlobal(QPointF(2, 2)));
            QApplication::sendEvent(&link, &enter);
            EXPECT_GT(countPixels(link.grab().toImage(), QColor(255, 0, 0)), 0) << "drawn red: " << i;
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&link, &leave);
        }
        EXPECT_TRUE(box.grab().save(screenshotPath("about.png")));

        QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("checkUpdatesButton")), Qt::LeftButton);
        QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("tellAFriendButton")), Qt::LeftButton);
        EXPECT_TRUE(box.isVisible()) << "the buttons leave the box open";
        EXPECT_EQ((Texts{site + "/checkforupdates/?ver=3.4&build=726",
                         "mailto:?subject=Sonivert - very COOL application!!!&body=Download from " + site}),
                  prompts.openedUrls);
        QTest::mouseClick(&box.link(2), Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_EQ(std::string(kMp3EncoderWebSite), prompts.openedUrls.back());
        QTest::keyClick(&box, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible()) << "Enter presses OK";
    }));
}

} // namespace
} // namespace sonivert::test
