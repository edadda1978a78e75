// The main window driven through its buttons, keys, menus and drops, with
// the prompts and the two file dialogs scripted and a settings file of the
// test's own. Files are real WAV files; conversions write real outputs.

#include "engine/constants.h"
#include "engine/conversionroutines.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/synthfiles.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"
#include "tests/ui/uitestsupport.h"
#include "ui/filelistview.h"
#include "ui/mainwindow.h"
#include "ui/ornamenu.h"
#include "ui/outputformatlist.h"
#include "ui/progresswindows.h"
#include "ui/skinbutton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

namespace sonivert::test {
namespace {

namespace fs = std::filesystem;
using ui::MainWindow;

using Texts = std::vector<std::string>;

// The visible progress window of a kind, if one is up.
template <typename Window>
Window* visibleTopLevel()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(programFolder);
        fs::create_directories(documents);
        fs::create_directories(sources);
        writeFileBytes(manual, {'<', 'p', '>'});
        // The window tests convert to WAV, the cheapest output to check; the
        // tests about the stored format write their own value over this.
        store->createKey(kOptionsKey)->writeNumber("OutputFormat", kOutputWav);
        // One file after the other unless a test asks for more.
        store->createKey(kOptionsKey)->writeNumber("ConversionJobs", 1);
        ASSERT_TRUE(store->flush());
    }

    void open()
    {
        window = std::make_unique<MainWindow>(
            ui::MainWindowServices{*store, prompts, dialogs, programFolder, [this] { return documents; }});
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // What the first-run check opened is kept apart.
        openedAtStart = prompts.openedDocuments;
        prompts.openedDocuments.clear();
    }
    void close()
    {
        window.reset();
        store.reset();
        store = openIniSettingsStore(iniPath);
    }

    std::string wav(const std::string& name, uint32_t seconds, uint32_t rate, uint16_t channels)
    {
        const std::string path = sources + "/" + name;
        writeFileBytes(path, pcm16Wav(channels, rate, std::vector<int16_t>(size_t{rate} * seconds * channels, 900)));
        return path;
    }
    // a.wav 5 s 8000 Hz stereo, b.wav 2 s 22050 Hz mono, c.wav 3 s 11025 Hz stereo.
    Texts threeFiles()
    {
        return {wav("a.wav", 5, 8000, 2), wav("b.wav", 2, 22050, 1), wav("c.wav", 3, 11025, 2)};
    }

    template <typename T = QAbstractButton>
    T& child(const char* name)
    {
        T* found = window->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(nullptr, found) << name;
        return *found;
    }
    // Clicks a button and lets the events it left behind run, as the
    // window's event loop would (activation returning from a progress
    // window, for one).
    void click(const char* button)
    {
        QTest::mouseClick(&child(button), Qt::LeftButton);
        QApplication::processEvents();
    }

    void addFiles(const Texts& paths)
    {
        dialogs.fileAnswers.push_back(paths);
        click("addFilesButton");
    }
    Texts column(int c) const
    {
        Texts texts;
        for (int32_t r = 0; r < window->fileList().rowCount(); ++r)
            texts.push_back(window->fileList().cellText(r, c));
        return texts;
    }
    void select(std::initializer_list<int> rows)
    {
        ui::FileListView& view = window->listView();
        view.clearSelection();
        for (int row : rows) {
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void clickHeading(int column)
    {
        QHeaderView* header = window->listView().header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }
    std::map<int, bool> contextMenuStates()
    {
        window->updateContextMenu();
        std::map<int, bool> states;
        for (QAction* action : window->contextMenu()->actions()) {
            if (!action->isSeparator())
                states[action->data().toInt()] = action->isEnabled();
        }
        return states;
    }
    int32_t storedNumber(const char* name)
    {
        auto key = openIniSettingsStore(iniPath)->openKey(kOptionsKey);
        return key ? key->readNumber(name).value_or(-1) : -1;
    }

    TempDir dir;
    const std::string programFolder = dir.file("program");
    const std::string manual = programFolder + "/" + kHelpManualFileName;
    const std::string documents = dir.file("Documents");
    const std::string sources = dir.file("music");
    const std::string iniPath = dir.file("settings.ini");
    std::unique_ptr<RegistryStore> store = openIniSettingsStore(iniPath);
    RecordingPrompts prompts;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    Texts openedAtStart;
};

TEST_F(MainWindowTest, SkinnedWindowHasItsControlsAtTheirFixedPlaces)
{
    open();
    EXPECT_EQ(QSize(699, 538), window->size());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(QStringLiteral("Sonivert"), window->windowTitle());
    EXPECT_FALSE(window->windowIcon().isNull());
    // The skin is the window's background: the title band up top, the
    // light panel behind the buttons.
    const QImage shot = window->grab().toImage();
    const QImage skin = window->skin().background().toImage();
    for (QPoint at : {QPoint(300, 20), QPoint(60, 400), QPoint(130, 300)})
        EXPECT_EQ(skin.pixelColor(at), shot.pixelColor(at)) << at.x() << "," << at.y();
    EXPECT_GT(skin.pixelColor(60, 400).lightness(), skin.pixelColor(300, 20).lightness() + 60);

    struct Control {
        const char* name;
        QRect rect;
        const char* tooltip;
    };
    const Control controls[] = {
        {"fileList", QRect(137, 63, 552, 465), ""},
        {"addFilesButton", QRect(11, 72, 107, 27), "Add files"},
        {"addFolderButton", QRect(11, 115, 107, 27), "Add files from a folder"},
        {"removeAllButton", QRect(11, 161, 107, 27), "Remove all files in list"},
        {"convertButton", QRect(11, 206, 107, 27), "Convert all files"},
        {"outputFormat", QRect(14, 239, 98, 22), "Output format"},
        {"optionsButton", QRect(11, 278, 107, 27), "Options"},
        {"webLink", QRect(9, 507, 113, 20), "Visit Sonivert Homepage"},
        {"helpButton", QRect(624, 11, 21, 21), "Help"},
        {"minimiseButton", QRect(647, 11, 21, 21), "Minimize"},
        {"closeButton", QRect(669, 11, 21, 21), "Close"},
    };
    for (const Control& c : controls) {
        QWidget& widget = child<QWidget>(c.name);
        EXPECT_EQ(c.rect, widget.geometry()) << c.name;
        EXPECT_EQ(QString::fromUtf8(c.tooltip), widget.toolTip()) << c.name;
        if (*c.tooltip) {
            EXPECT_EQ(300, widget.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, &widget)) << c.name;
        }
    }
    EXPECT_EQ(QStringLiteral("&Add Files"), child("addFilesButton").text());
    EXPECT_EQ(QStringLiteral("sonivert.example"), child("webLink").text());
    EXPECT_EQ(Qt::PointingHandCursor, child("convertButton").cursor().shape());
    EXPECT_EQ(QColor(53, 53, 53), child<ui::SkinButton>("convertButton").textColour());
    EXPECT_EQ(QColor(255, 0, 0), child<ui::SkinButton>("webLink").hoverTextColour());
    EXPECT_EQ(QStringLiteral("&Options"), child("optionsButton").text());

    const Texts headings = {"File", "Duration", "Bit Rate", "Freq.", "Channels", "Status"};
    const std::vector<int> widths = {152, 65, 65, 65, 60, 145};
    QHeaderView* header = window->listView().header();
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(headings[static_cast<size_t>(c)],
                  window->listView().model()->headerData(c, Qt::Horizontal).toString().toStdString());
        EXPECT_EQ(widths[static_cast<size_t>(c)], header->sectionSize(c));
    }
    EXPECT_EQ(QAbstractItemView::ExtendedSelection, window->listView().selectionMode());
    EXPECT_EQ(QAbstractItemView::SelectRows, window->listView().selectionBehavior());

    // The drop-down lists exactly the formats this build can write.
    Texts expected;
    for (const ui::OutputFormatRow& row : ui::outputFormatRows()) {
        if (ConversionRoutines::formatAvailable(row.code))
            expected.push_back(ui::outputFormatRowText(row));
    }
    Texts listed;
    for (int i = 0; i < window->formatBox().count(); ++i)
        listed.push_back(window->formatBox().itemText(i).toStdString());
    EXPECT_EQ(expected, listed);
    EXPECT_GE(window->formatBox().view()->minimumWidth(), 160);
}

TEST_F(MainWindowTest, AddFilesListsTheFilesWithTheWindowDisabledMeanwhileAndHeadingsSort)
{
    open();
    std::vector<bool> enabledWhileAdding;
    std::vector<QString> progressTexts;
    QObject::connect(window->listView().model(), &QAbstractItemModel::rowsInserted, [&] {
        enabledWhileAdding.push_back(window->isEnabled());
        if (auto* progress = visibleTopLevel<ui::ProgressWindow>())
            progressTexts.push_back(progress->text());
    });
    addFiles(threeFiles());

    EXPECT_EQ(1, dialogs.fileDialogs);
    EXPECT_EQ((Texts{"a.wav", "b.wav", "c.wav"}), column(0));
    EXPECT_EQ((Texts{"00:05", "00:02", "00:03"}), column(1));
    EXPECT_EQ((Texts{"8000 Hz", "22050 Hz", "11025 Hz"}), column(3));
    EXPECT_EQ((Texts{"Stereo", "Mono", "Stereo"}), column(4));
    EXPECT_EQ((std::vector<bool>{false, false, false}), enabledWhileAdding);
    EXPECT_EQ((std::vector<QString>{QStringLiteral("Adding file 1 of 3..."), QStringLiteral("Adding file 2 of 3..."),
                                    QStringLiteral("Adding file 3 of 3...")}),
              progressTexts);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(nullptr, visibleTopLevel<ui::ProgressWindow>()) << "the progress window is gone";
    EXPECT_TRUE(prompts.messages.empty());

    // Freq. sorts by value, not by text; a second click reverses it.
    select({1});
    clickHeading(3);
    EXPECT_EQ((Texts{"a.wav", "c.wav", "b.wav"}), column(0));
    EXPECT_EQ((std::vector<int32_t>{2}), window->listView().selectedRowIndices()) << "the selection moves with its row";
    clickHeading(3);
    EXPECT_EQ((Texts{"b.wav", "c.wav", "a.wav"}), column(0));
    clickHeading(1);
    EXPECT_EQ((Texts{"b.wav", "c.wav", "a.wav"}), column(0)) << "Duration ascending";
    clickHeading(0);
    EXPECT_EQ((Texts{"a.wav", "b.wav", "c.wav"}), column(0));

    // Adding the same files again adds nothing and says nothing; Ctrl+O opens the dialog.
    dialogs.fileAnswers.push_back({sources + "/a.wav", sources + "/b.wav"});
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(2, dialogs.fileDialogs);
    EXPECT_EQ(3, window->fileList().rowCount());
    EXPECT_TRUE(prompts.messages.empty());

    // A cancelled dialog does nothing.
    click("addFilesButton");
    EXPECT_EQ(3, dialogs.fileDialogs);
    EXPECT_EQ(3, window->fileList().rowCount());
}

TEST_F(MainWindowTest, ContextMenuItemsFollowTheSelectionAndTheConversionState)
{
    open();
    enum { PlaySrc = ui::kCommandPlaySource, PlayDst = ui::kCommandPlayDestination,
           ConvSel = ui::kCommandConvertSelected, ConvAll = ui::kCommandConvertAll,
           BrowseSrc = ui::kCommandBrowseSource, BrowseDst = ui::kCommandBrowseDestination,
           AddF = ui::kCommandAddFiles, AddD = ui::kCommandAddFolder, Rem = ui::kCommandRemove,
           RemAll = ui::kCommandRemoveAll };
    using States = std::map<int, bool>;

    EXPECT_EQ((States{{PlaySrc, false}, {PlayDst, false}, {ConvSel, false}, {ConvAll, false}, {BrowseSrc, false},
                      {BrowseDst, false}, {AddF, true}, {AddD, true}, {Rem, false}, {RemAll, false}}),
              contextMenuStates())
        << "empty list";

    const Texts files = threeFiles();
    addFiles({files[0], files[1]});
    select({});
    EXPECT_EQ((States{{PlaySrc, false}, {PlayDst, false}, {ConvSel, false}, {ConvAll, true}, {BrowseSrc, false},
                      {BrowseDst, false}, {AddF, true}, {AddD, true}, {Rem, false}, {RemAll, true}}),
              contextMenuStates())
        << "nothing selected";
    select({1});
    EXPECT_EQ((States{{PlaySrc, true}, {PlayDst, false}, {ConvSel, true}, {ConvAll, true}, {BrowseSrc, true},
                      {BrowseDst, false}, {AddF, true}, {AddD, true}, {Rem, true}, {RemAll, true}}),
              contextMenuStates())
        << "one row, not converted";
    select({0, 1});
    EXPECT_EQ((States{{PlaySrc, false}, {PlayDst, false}, {ConvSel, true}, {ConvAll, true}, {BrowseSrc, false},
                      {BrowseDst, false}, {AddF, true}, {AddD, true}, {Rem, true}, {RemAll, true}}),
              contextMenuStates())
        << "two rows";

    // Convert the first row only; the second one's source is gone, so it fails.
    fs::remove(files[1]);
    select({0, 1});
    window->runCommand(ui::kCommandConvertSelected);
    EXPECT_EQ("a.wav", column(5)[0]);
    EXPECT_EQ("Conversion Failure (The file does not exist.)", column(5)[1]);
    EXPECT_EQ(500, window->listView().header()->sectionSize(5)) << "widened for the failure's reason";
    // The narrow column shows the whole text as the cell's tooltip.
    EXPECT_EQ(QStringLiteral("Conversion Failure (The file does not exist.)"),
              window->listView().model()->index(1, 5).data(Qt::ToolTipRole).toString());
    select({0});
    EXPECT_TRUE(contextMenuStates().at(PlayDst));
    EXPECT_TRUE(contextMenuStates().at(BrowseDst));
    select({1});
    EXPECT_FALSE(contextMenuStates().at(PlayDst)) << "a failed row has no destination";
    EXPECT_FALSE(contextMenuStates().at(BrowseDst));

    // The menu key opens the menu in the middle of the list, with the states
    // worked out as it opens.
    QSignalSpy wanted(&window->listView(), &ui::FileListView::contextMenuWanted);
    select({0});
    window->contextMenu()->actions().at(0)->setEnabled(false);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), window->listView().mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(&window->listView(), &key);
    ASSERT_EQ(1, wanted.count());
    EXPECT_EQ(window->listView().mapToGlobal(window->listView().rect().center()), wanted.at(0).at(0).toPoint());
    EXPECT_TRUE(window->contextMenu()->isVisible());
    EXPECT_TRUE(window->contextMenu()->actions().at(0)->isEnabled()) << "Play Source, enabled at opening";
    window->contextMenu()->hide();
}

TEST_F(MainWindowTest, DeleteRemovesTheSelectedRowsAndEnterOrEscLeaveTheWindowOpen)
{
    open();
    addFiles(threeFiles());
    select({0, 2});
    window->listView().setFocus();
    QTest::keyClick(&window->listView(), Qt::Key_Delete);
    EXPECT_EQ((Texts{"b.wav"}), column(0));

    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&window->listView(), key);
        QTest::keyClick(window.get(), key);
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(1, window->fileList().rowCount());
    EXPECT_TRUE(prompts.openedDocuments.empty()) << "Enter plays nothing";

    select({});
    QTest::keyClick(&window->listView(), Qt::Key_Delete);
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("You should select a file at least.", prompts.messages[0].text);
    EXPECT_EQ(UserPrompts::Icon::Information, prompts.messages[0].icon);

    // A removed file can be added again.
    addFiles({sources + "/a.wav"});
    EXPECT_EQ(2, window->fileList().rowCount());

    click("removeAllButton");
    EXPECT_EQ(0, window->fileList().rowCount());
    click("removeAllButton");
    EXPECT_EQ("There aren't files in list.", prompts.messages.at(1).text);
}

TEST_F(MainWindowTest, ConvertAllToWavFillsTheStatusCellsWithTheTargetNames)
{
    open();
    ASSERT_EQ(QStringLiteral(" to WAV"), window->formatBox().currentText());
    click("convertButton");
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("There aren't files in list.", prompts.messages[0].text);
    window->runCommand(ui::kCommandConvertSelected);
    EXPECT_EQ("You should select a file at least.", prompts.messages.at(1).text);

    addFiles(threeFiles());
    struct Seen {
        bool windowEnabled;
        QString runText;
    };
    std::vector<Seen> seen;
    // Each row's final status comes while its run text is still up.
    QObject::connect(window->listView().model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& index) {
        if (!index.data().toString().endsWith(QStringLiteral(".wav")))
            return;
        auto* dialog = visibleTopLevel<ui::ProgressDialog>();
        seen.push_back({window->isEnabled(), dialog ? dialog->runText() : QString()});
    });
    click("convertButton");

    EXPECT_EQ((Texts{"a.wav", "b.wav", "c.wav"}), column(5));
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        const fs::path output = fs::path(documents) / name;
        EXPECT_TRUE(fs::exists(output) && fs::file_size(output) > 44) << name;
    }
    EXPECT_EQ(documents + "/a.wav", window->fileList().entry(0)->targetPath);
    ASSERT_EQ(3u, seen.size());
    EXPECT_FALSE(seen[0].windowEnabled);
    EXPECT_EQ(QStringLiteral("Converting 1 of 3 file(s) to WAV..."), seen[0].runText);
    EXPECT_EQ(QStringLiteral("Converting 3 of 3 file(s) to WAV..."), seen[2].runText);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(nullptr, visibleTopLevel<ui::ProgressDialog>());
    EXPECT_EQ(Texts{documents + "/a.wav"}, prompts.revealedFiles) << "the first output is shown";
    EXPECT_EQ(1u, prompts.messages.size() - 1) << "no message for the run itself";

    // Converting again finds the names taken and numbers the new files.
    prompts.revealedFiles.clear();
    select({1});
    window->runCommand(ui::kCommandConvertSelected);
    EXPECT_EQ((Texts{"a.wav", "b_1.wav", "c.wav"}), column(5));
}

TEST_F(MainWindowTest, FilesSideBySideShowALineEachAndEndInTheirRows)
{
    store->createKey(kOptionsKey)->writeNumber("ConversionJobs", 3);
    open();
    addFiles(threeFiles());
    int lines = 0;
    QObject::connect(window->listView().model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& index) {
        if (auto* dialog = visibleTopLevel<ui::ProgressDialog>(); dialog && index.data().toString().endsWith(".wav")) {
            lines = dialog->lineCount();
            if (index.row() == 0)
                dialog->grab().save(screenshotPath("progressdialog-sidebyside.png"));
        }
    });
    click("convertButton");
    EXPECT_EQ(3, lines);
    EXPECT_EQ((Texts{"a.wav", "b.wav", "c.wav"}), column(5));
    EXPECT_EQ(Texts{documents + "/a.wav"}, prompts.revealedFiles) << "the first row's output, whichever ended first";
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, CancelInTheProgressDialogMidBatchGivesCancelled)
{
    open();
    addFiles(threeFiles());
    bool shot = false;
    QObject::connect(window->listView().model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& index) {
        auto* dialog = visibleTopLevel<ui::ProgressDialog>();
        ASSERT_NE(nullptr, dialog);
        const QString status = index.data().toString();
        if (index.row() == 0 && status == QStringLiteral("a.wav")) {
            // The first file done, its texts and bars still up: the picture
            // for a reviewer.
            QApplication::processEvents();
            shot = dialog->grab().save(screenshotPath("progressdialog.png"));
            EXPECT_EQ(QStringLiteral("Converting a.wav...100%"), dialog->fileText());
            EXPECT_EQ(dialog->fileBarWidth(), dialog->fileBar()->value());
        }
        if (index.row() == 1 && status == QStringLiteral("Converting..."))
            QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
    });
    click("convertButton");

    EXPECT_TRUE(shot);
    EXPECT_EQ((Texts{"a.wav", "Cancelled", ""}), column(5));
    EXPECT_TRUE(fs::exists(fs::path(documents) / "a.wav"));
    EXPECT_FALSE(fs::exists(fs::path(documents) / "b.wav")) << "the cancelled file's output is deleted";
    EXPECT_FALSE(fs::exists(fs::path(documents) / "c.wav"));
    EXPECT_TRUE(window->fileList().entry(1)->targetPath.empty());
    EXPECT_TRUE(prompts.revealedFiles.empty()) << "a cancelled run shows no output";
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, SoundFontBesideTheProgramIsInstalledAtStartOrBeforeAMidiBatch)
{
    const std::string mid = sources + "/tune.mid";
    writeFileBytes(mid, midiFile(1));
    open();
    EXPECT_FALSE(window->soundFont().ready());
    addFiles({mid}); // listing needs no font
    click("convertButton");
    ASSERT_EQ(1u, prompts.questions.size()); // answered No: the batch runs
    EXPECT_NE(std::string::npos, prompts.questions[0].find("\"" + programFolder + "/\""));
    EXPECT_EQ(Texts{"Failure. Requires file \"ct4mgm.sf2\"."}, column(5));
    close();

    fs::copy_file("/usr/share/sounds/sf2/TimGM6mb.sf2", programFolder + "/ct4mgm.sf2");
    open();
    EXPECT_TRUE(window->soundFont().ready());
    addFiles({mid});
    click("convertButton");
    EXPECT_EQ(1u, prompts.questions.size());
    EXPECT_EQ(Texts{"tune.wav"}, column(5));
}

TEST_F(MainWindowTest, StoredOutputFormatPicksItsRowAndTheChoiceIsSavedOnClose)
{
    store->createKey(kOptionsKey)->writeNumber("OutputFormat", 4242);
    ASSERT_TRUE(store->flush());
    open();
    const int32_t first = window->formatBox().itemData(0).toInt();
    EXPECT_EQ(0, window->formatBox().currentIndex()) << "an unknown value selects the first row";
    EXPECT_EQ(first, window->settings().OutputFormat);
    close();
    EXPECT_EQ(first, storedNumber("OutputFormat"));

    open();
    window->formatBox().setCurrentIndex(-1);
    EXPECT_EQ(1000, window->settings().OutputFormat) << "nothing selected";
    close();
    EXPECT_EQ(1000, storedNumber("OutputFormat"));
}

TEST_F(MainWindowTest, StoredM4aSelectsTheMpeg4AudioRow)
{
    if (!ConversionRoutines::formatAvailable(kOutputM4a))
        GTEST_SKIP() << "this build has no M4A encoder, so the drop-down does not list it";
    store->createKey(kOptionsKey)->writeNumber("OutputFormat", 6500);
    ASSERT_TRUE(store->flush());
    open();
    EXPECT_EQ(QStringLiteral(" to M4A (MPEG-4 Audio)"), window->formatBox().currentText());
    EXPECT_EQ(6500, window->settings().OutputFormat);
}

TEST_F(MainWindowTest, FirstStartOpensTheManualAndTheSecondDoesNot)
{
    open();
    EXPECT_EQ(Texts{manual}, openedAtStart);
    close();
    open();
    EXPECT_TRUE(openedAtStart.empty());

    // F1 opens it on request; without the file nothing happens and nothing is said.
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(Texts{manual}, prompts.openedDocuments);
    QTest::keyClick(window.get(), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(1u, prompts.openedDocuments.size()) << "only F1 without modifiers";
    fs::remove(manual);
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(1u, prompts.openedDocuments.size());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MainWindowTest, HelpMenuAndWebLinkOpenTheirAddresses)
{
    open();
    QAbstractButton& help = child("helpButton");
    click("helpButton");
    QMenu* menu = window->helpMenu();
    ASSERT_TRUE(menu->isVisible());
    // Under the button; moved left only as far as the screen's edge asks.
    const QPoint corner = help.mapToGlobal(QPoint(0, help.height()));
    EXPECT_EQ(corner.y(), menu->y());
    EXPECT_TRUE(menu->x() == corner.x() || menu->geometry().right() == menu->screen()->geometry().right())
        << menu->x();

    Texts items;
    for (QAction* action : menu->actions()) {
        items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        EXPECT_TRUE(action->isEnabled());
    }
    EXPECT_EQ((Texts{"&Help Topics\tF1", "-", "&Tell A Friend", "&Feedback and Support", "Home&page",
                     "&Check Latest Version", "-", "&About..."}),
              items);
    menu->hide();

    for (int command : {ui::kCommandTellAFriend, ui::kCommandFeedback, ui::kCommandHomepage,
                        ui::kCommandCheckLatestVersion, ui::kCommandHelpTopics}) {
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == command)
                action->trigger();
        }
    }
    const std::string site = kWebSite;
    EXPECT_EQ((Texts{"mailto:?subject=Sonivert - very COOL application!!!&body=Download from " + site,
                     std::string("mailto:") + kSupportEmail, site, site + "/checkforupdates/?ver=3.4&build=726"}),
              prompts.openedUrls);
    EXPECT_EQ(Texts{manual}, prompts.openedDocuments);

    click("webLink");
    EXPECT_EQ(site, prompts.openedUrls.back());
    EXPECT_FALSE(prompts.busyCalls.empty());
    EXPECT_EQ(std::count(prompts.busyCalls.begin(), prompts.busyCalls.end(), true),
              std::count(prompts.busyCalls.begin(), prompts.busyCalls.end(), false))
        << "every busy cursor is taken back";
}

TEST_F(MainWindowTest, PlayAndBrowseCommandsOpenTheFirstSelectedFile)
{
    open();
    const Texts files = threeFiles();
    addFiles({files[0], files[1]});

    window->runCommand(ui::kCommandPlaySource);
    window->runCommand(ui::kCommandBrowseSource);
    EXPECT_TRUE(prompts.openedDocuments.empty() && prompts.revealedFiles.empty()) << "no selection, nothing";

    select({1});
    ui::FileListView& view = window->listView();
    const QRect cell = view.visualRect(view.model()->index(1, 0));
    // A double click: the first click, then the second one's double-click event.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Texts{files[1]}, prompts.openedDocuments);
    window->runCommand(ui::kCommandBrowseSource);
    EXPECT_EQ(Texts{files[1]}, prompts.revealedFiles);

    window->runCommand(ui::kCommandPlayDestination);
    window->runCommand(ui::kCommandBrowseDestination);
    EXPECT_EQ(1u, prompts.openedDocuments.size()) << "not converted: no destination";
    EXPECT_EQ(1u, prompts.revealedFiles.size());

    window->runCommand(ui::kCommandConvertSelected);
    prompts.revealedFiles.clear();
    window->runCommand(ui::kCommandPlayDestination);
    window->runCommand(ui::kCommandBrowseDestination);
    EXPECT_EQ(documents + "/b.wav", prompts.openedDocuments.back());
    EXPECT_EQ(Texts{documents + "/b.wav"}, prompts.revealedFiles);
}

TEST_F(MainWindowTest, AddFolderSavesTheFolderAtOnceAndScansItsTree)
{
    open();
    fs::create_directories(sources + "/sub/deeper");
    wav("one.wav", 1, 8000, 1);
    wav("sub/deeper/two.wav", 1, 8000, 1);
    writeFileBytes(sources + "/notes.txt", {'h', 'i'});

    dialogs.folderAnswers.push_back(sources);
    click("addFolderButton");
    EXPECT_EQ(Texts{""}, dialogs.folderStarts);
    std::vector<std::string> names = column(0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((Texts{"one.wav", "two.wav"}), names);
    ASSERT_EQ(1u, prompts.messages.size()) << "the text file is named as not loaded";
    EXPECT_NE(std::string::npos, prompts.messages[0].text.find("notes.txt"));

    // Saved at once, with its separator, and offered next time.
    auto key = openIniSettingsStore(iniPath)->openKey(kOptionsKey);
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(sources + "/", key->readText("Folder"));
    click("addFolderButton");
    EXPECT_EQ(sources + "/", dialogs.folderStarts.back());
    EXPECT_EQ(2, window->fileList().rowCount());
}

TEST_F(MainWindowTest, DroppedFilesAndFoldersGoThroughTheIntake)
{
    open();
    fs::create_directories(sources + "/album");
    const std::string loose = wav("loose.wav", 1, 8000, 2);
    wav("album/track.wav", 1, 8000, 2);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(loose)),
                  QUrl::fromLocalFile(QString::fromStdString(sources + "/album")),
                  QUrl(QStringLiteral("https://sonivert.example/remote.wav"))});
    const QPoint at(300, 200);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(0, window->fileList().rowCount()) << "taken in after the drop completes";
    QTRY_COMPARE(window->fileList().rowCount(), 2);
    EXPECT_EQ((Texts{"loose.wav", "track.wav"}), column(0));
    EXPECT_TRUE(prompts.messages.empty()) << "the web address is not a file and is left out";

    QMimeData remoteOnly;
    remoteOnly.setUrls({QUrl(QStringLiteral("https://sonivert.example/x.wav"))});
    QDragEnterEvent refused(at, Qt::CopyAction, &remoteOnly, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainWindowTest, PathsGivenAtStartAreTakenInAsADropOnceTheWindowIsFree)
{
    open();
    fs::create_directories(sources + "/album");
    const std::string loose = wav("loose.wav", 1, 8000, 2);
    wav("album/track.wav", 1, 8000, 2);

    window->addPathsAsDropped({loose, sources + "/album"});
    window->addPathsAsDropped({});
    EXPECT_EQ(0, window->fileList().rowCount()) << "taken in when the event loop runs";
    QTRY_COMPARE(window->fileList().rowCount(), 2);
    EXPECT_EQ((Texts{"loose.wav", "track.wav"}), column(0));
}

TEST_F(MainWindowTest, CaptionButtonsAndDraggingAFreePoint)
{
    open();
    const QPoint before = window->pos();
    const QPoint start(330, 30); // the title band, no control there
    ASSERT_EQ(nullptr, window->childAt(start));
    const QPointF global = window->mapToGlobal(QPointF(start));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(start), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window.get(), &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(start) + QPointF(25, 14), global + QPointF(25, 14), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(start) + QPointF(25, 14), global + QPointF(25, 14),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &release);
    EXPECT_EQ(before + QPoint(25, 14), window->pos());

    click("minimiseButton");
    EXPECT_TRUE(window->isMinimized());
    window->showNormal();
    click("closeButton");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ResizedWindowGivesTheListTheRoomAndRemembersItsPlaceAndColumns)
{
    open();
    EXPECT_EQ(QSize(699, 538), window->minimumSize());
    EXPECT_GT(window->maximumSize().width(), 699);
    // The offscreen screen is 800 x 600: a bigger window stays wholly on it.
    window->setGeometry(QRect(20, 10, 780, 590));
    QApplication::processEvents();
    const QSize growth(780 - 699, 590 - 538);
    const std::pair<const char*, QRect> controls[] = {
        {"fileList", QRect(137, 63, 552 + growth.width(), 465 + growth.height())},
        {"addFilesButton", QRect(11, 72, 107, 27)},
        {"webLink", QRect(9, 507 + growth.height(), 113, 20)},
        {"helpButton", QRect(624 + growth.width(), 11, 21, 21)},
        {"closeButton", QRect(669 + growth.width(), 11, 21, 21)},
    };
    for (const auto& [name, rect] : controls)
        EXPECT_EQ(rect, child<QWidget>(name).geometry()) << name;
    // The skin was drawn for the new size: the list's frame runs along the
    // new bottom edge, and a button shows the skin under its new place.
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(QSize(780, 590), shot.size());
    EXPECT_EQ(window->skin().background().toImage().pixelColor(400, 590 - 7), shot.pixelColor(400, 590 - 7));
    const QImage link = child<QWidget>("webLink").grab().toImage();
    EXPECT_EQ(shot.pixelColor(9 + 110, 507 + growth.height() + 1), link.pixelColor(110, 1));

    window->listView().header()->resizeSection(0, 230); // as a drag on the heading's edge does
    close();
    open();
    EXPECT_EQ(QRect(20, 10, 780, 590), window->geometry());
    EXPECT_EQ(230, window->listView().header()->sectionSize(0));
    EXPECT_EQ(65, window->listView().header()->sectionSize(1));
}

TEST_F(MainWindowTest, TabVisitsEveryControlAndTheFocusShows)
{
    open();
    window->listView().setFocus(Qt::TabFocusReason);
    const Texts order = {"addFilesButton", "addFolderButton", "removeAllButton", "convertButton", "outputFormat",
                         "optionsButton",  "webLink",         "helpButton",      "minimiseButton", "closeButton",
                         "fileList"};
    for (const std::string& name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(nullptr, focused);
        EXPECT_EQ(name, focused->objectName().toStdString());
        auto* button = qobject_cast<ui::SkinButton*>(focused);
        if (!button)
            continue;
        // The focused button looks different from itself unfocused, and the
        // mark has both black and white dots, so it shows on any skin colour.
        const QImage withFocus = button->grab().toImage();
        button->clearFocus();
        const QImage without = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        EXPECT_NE(withFocus, without) << name;
        EXPECT_GT(countPixels(withFocus, Qt::black), countPixels(without, Qt::black)) << name;
        EXPECT_GT(countPixels(withFocus, Qt::white), countPixels(without, Qt::white)) << name;
    }
}

TEST_F(MainWindowTest, SortArrowLeavesTheWholeHeadingVisible)
{
    open();
    addFiles(threeFiles());
    QHeaderView* header = window->listView().header();
    // The list and the drop-down draw in the window's font, in which every
    // heading fits its column's width.
    EXPECT_EQ(window->font(), window->listView().font());
    EXPECT_EQ(window->font(), window->formatBox().font());
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = 0; c < 6; ++c) {
        const QString heading = header->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_LE(header->fontMetrics().horizontalAdvance(heading) + 2 * margin, header->sectionSize(c))
            << heading.toStdString();
    }
    auto section = [&](int column) {
        const QRect rect(header->sectionViewportPosition(column), 0, header->sectionSize(column), header->height());
        return header->viewport()->grab(rect).toImage();
    };
    for (int column : {1, 0, 5}) {
        const QImage plain = section(column);
        clickHeading(column);
        const QImage sorted = section(column);
        clickHeading(column);
        const QImage reversed = section(column);
        // The arrow sits in a strip along the top; below it the heading is
        // drawn exactly as without an arrow.
        constexpr int kStrip = 6;
        EXPECT_NE(plain.copy(0, 0, plain.width(), kStrip), sorted.copy(0, 0, plain.width(), kStrip)) << column;
        EXPECT_NE(sorted.copy(0, 0, plain.width(), kStrip), reversed.copy(0, 0, plain.width(), kStrip)) << column;
        const QRect below(0, kStrip, plain.width(), plain.height() - kStrip);
        EXPECT_EQ(plain.copy(below), sorted.copy(below)) << column;
        EXPECT_EQ(plain.copy(below), reversed.copy(below)) << column;
    }
}

TEST_F(MainWindowTest, ScreenshotOfTheWindowWithListedFiles)
{
    open();
    const Texts files = {wav("Morning Raga.wav", 62, 22050, 2), wav("Interview take 3.wav", 4, 8000, 1),
                         wav("Drum loop 120 bpm.wav", 8, 44100, 2), wav("Birdsong.wav", 3, 16000, 1)};
    addFiles(files);
    select({1, 3});
    window->runCommand(ui::kCommandConvertSelected);
    select({2});
    QApplication::processEvents();
    const QString path = screenshotPath("mainwindow.png");
    ASSERT_TRUE(window->grab().save(path));
    const QImage shot(path);
    EXPECT_EQ(QSize(699, 538), shot.size());
    EXPECT_EQ((Texts{"", "Interview take 3.wav", "", "Birdsong.wav"}), column(5));
}

} // namespace
} // namespace sonivert::test
