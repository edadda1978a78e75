#pragma once

#include "engine/engine.h"
#include "filelist/fileintake.h"
#include "filelist/filelistmodel.h"
#include "settings/conversionsettings.h"
#include "sources/soundfont.h"
#include "ui/optionspage.h"
#include "ui/progresswindows.h"
#include "ui/skin.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QMenu;

namespace sonivert {
class RegistryStore;
class UserPrompts;
} // namespace sonivert

namespace sonivert::ui {

class FileDialogs;
class FileListTableModel;
class FileListView;
class Ornamenu;
class SkinButton;

// The commands of the window's buttons, menus and keys; menu actions carry
// them as data.
enum Command : int {
    kCommandAddFiles = 1,
    kCommandAddFolder,
    kCommandRemove,
    kCommandRemoveAll,
    kCommandConvertAll,
    kCommandConvertSelected,
    kCommandPlaySource,
    kCommandPlayDestination,
    kCommandBrowseSource,
    kCommandBrowseDestination,
    kCommandHelpTopics,
    kCommandTellAFriend,
    kCommandFeedback,
    kCommandHomepage,
    kCommandCheckLatestVersion,
    kCommandAbout,
    kCommandOptions,
};

// What the window works with and does not own. All references must outlive
// the window.
struct MainWindowServices {
    RegistryStore& store;
    UserPrompts& prompts;
    FileDialogs& dialogs;
    // The folder of the executable: the help manual is found from it
    // (helpManualPath) and the MIDI sound font is looked for in it first.
    // Nothing when unknown (then there is no manual to open).
    std::optional<std::string> programFolder;
    // The user's documents folder: the default output folder and the
    // fallback when an output folder cannot be used.
    std::function<std::optional<std::string>()> documentsFolder;
    // The pages of the options sheet, in tab order.
    std::vector<OptionsPageFactory> optionsPages = standardOptionsPages();
    // The sound fonts tried, in order, when none is in programFolder: the
    // system's (systemSoundFonts()) in the program; none unless a test
    // names its own.
    std::vector<std::string> soundFontFallbacks = {};
    // Where a user puts a font of their own when the program folder is not
    // theirs (userSoundFontFolder() in the program; none in tests).
    std::optional<std::string> soundFontUserFolder = {};
};

// The application's one main window: the skin with the command buttons on
// the left, the file list, the output-format drop-down, the caption buttons
// and the web link; the context and help menus and the keys Ctrl+O, Delete
// and F1. It owns the settings, the file list with its entries, and the
// engine's side of the window (reader factory and failure detail).
//
// Building the window loads the settings, lays everything out in a frameless
// window of 699 x 538 at least (smaller only on a screen too small for it)
// that its border resizes, opens it where it was last (when that is still
// on a screen; else centred on the primary screen), and on the very first
// start opens the help manual. Destroying it empties the list and saves
// OutputFormat, OptStartPageIndex, its size, position and column widths.
//
// While files are added or converted the window is disabled and every
// command refuses to start; a close request then is refused too, since the
// running loop still uses the window.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize = Skin::kWindowSize;

    explicit MainWindow(MainWindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs a command as its button, menu item or key does.
    void runCommand(int command);

    void addFilesCommand();
    void addFolderCommand();
    void removeCommand();
    void removeAllCommand();
    void convertAllCommand();
    void convertSelectedCommand();
    void playSourceCommand();
    void playDestinationCommand();
    void browseSourceFolderCommand();
    void browseDestinationFolderCommand();
    void helpTopicsCommand();
    void tellAFriendCommand();
    void feedbackCommand();
    void homepageCommand();
    void checkLatestVersionCommand();
    // Runs the options sheet on the settings: OK takes its values, re-parses
    // the extension filter and saves the options group; Cancel changes
    // nothing. Either way the next sheet opens on the page shown last.
    void OptionsCommand();
    // Shows the about box.
    void AboutCommand();

    // Takes paths (files and folders, UTF-8) into the list as a drop of them
    // onto the window does: queued, and added through the intake once the
    // window is free. The program's command-line arguments come in this way.
    void addPathsAsDropped(std::vector<std::string> paths);

    // Opens the context menu at globalPosition, its items enabled for the
    // current selection.
    void openContextMenu(const QPoint& globalPosition);
    // Opens the help menu under the help button.
    void openHelpMenu();
    // Enables the context menu's items for the current list and selection
    // (done each time the menu opens).
    void updateContextMenu();

    bool isBusy() const { return m_busy; }
    FileListModel& fileList() { return m_list; }
    FileListView& listView() { return *m_view; }
    QComboBox& formatBox() { return *m_formatBox; }
    const ConversionSettings& settings() const { return m_settings; }
    Engine& engine() { return m_engine; }
    // soundFontReady: the MIDI sound font from the program folder or the
    // fallbacks, installed when the window initialises and retried before
    // batches with MIDI files.
    const MidiSoundFont& soundFont() const { return m_soundFont; }
    QMenu* contextMenu() const;
    QMenu* helpMenu() const;
    const Skin& skin() const { return m_skin; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class BusyScope;

    void buildMenus();
    void buildShortcuts();
    void buildControls();
    void placeWindow();
    void savePlacement();
    // Places the controls for the window's size and draws the skin for it.
    void layoutControls();
    void fillOutputFormats();
    void outputFormatChanged(int index);
    void runBatch(const std::vector<int32_t>& rowIndices);
    void addDroppedFiles();
    // Hand address or path to the desktop; say so when nothing took it.
    void openAddress(const std::string& address);
    void openDocument(const std::string& path);
    ExtensionFilter extensionFilter() const;
    const FileEntry* firstSelectedEntry() const;

    MainWindowServices m_services;
    MidiSoundFont m_soundFont;
    Skin m_skin;
    ConversionSettings m_settings;
    Engine m_engine;
    FileListModel m_list;
    WindowProgressHost m_host;
    FileIntake m_intake;
    std::unique_ptr<Ornamenu> m_menus;

    FileListTableModel* m_tableModel = nullptr;
    FileListView* m_view = nullptr;
    QComboBox* m_formatBox = nullptr;
    SkinButton* m_helpButton = nullptr;
    SkinButton* m_webLink = nullptr;
    std::array<SkinButton*, 3> m_captionButtons{}; // help, minimise, close
    WindowDrag m_drag;
    bool m_busy = false;
    // Drops wait here until the window is free (each one a list of paths).
    std::vector<std::vector<std::string>> m_pendingDrops;
};

} // namespace sonivert::ui
