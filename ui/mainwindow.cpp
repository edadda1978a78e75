#include "ui/mainwindow.h"

#include "engine/constants.h"
#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/soundfontpreconditions.h"
#include "engine/userprompts.h"
#include "filelist/liststatussink.h"
#include "platform/registrystore.h"
#include "settings/firstrun.h"
#include "ui/aboutdialog.h"
#include "ui/filedialogs.h"
#include "ui/externalopener.h"
#include "ui/filelistview.h"
#include "ui/optsheet.h"
#include "ui/ornamenu.h"
#include "ui/outputformatlist.h"
#include "ui/skinbutton.h"
#include "ui/windowplacement.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <numeric>

namespace sonivert::ui {
namespace {

// Where every control sits, in window pixels at the window's default size;
// the skin is drawn around these. A larger window gives the list the room:
// the list and the web link keep their distance to the bottom edge, the
// list and the caption buttons theirs to the right edge.
constexpr QRect kListRect(137, 63, 552, 465);
constexpr QRect kAddFilesRect(11, 72, 107, 27);
constexpr QRect kAddFolderRect(11, 115, 107, 27);
constexpr QRect kRemoveAllRect(11, 161, 107, 27);
constexpr QRect kConvertRect(11, 206, 107, 27);
constexpr QRect kFormatRect(14, 239, 98, 22);
constexpr QRect kOptionsRect(11, 278, 107, 27);
constexpr QRect kWebLinkRect(9, 507, 113, 20);
constexpr QRect kHelpRect(624, 11, 21, 21);
constexpr QRect kMinimiseRect(647, 11, 21, 21);
constexpr QRect kCloseRect(669, 11, 21, 21);
constexpr int kFormatListWidth = 160;
// Below this the command buttons and the web link would overlap; the window
// goes below 699 x 538 only on a screen too small for that.
constexpr QSize kSmallestWindow(480, 360);
constexpr int kTooltipDelayMs = 300;
// When the prompts could not hand a target to any program (a failure after
// the hand-over is the prompts' own to show).
constexpr const char* kNoHandlerReason = "no program could be started to open it";

const QColor kButtonTextColour(53, 53, 53);
const QColor kLinkColour(0, 0, 255);
const QColor kLinkHoverColour(255, 0, 0);

constexpr MenuEntry kContextMenu[] = {
    {kCommandPlaySource, "&Play Source"},
    {kCommandPlayDestination, "Play &Destination"},
    {0, nullptr},
    {kCommandConvertSelected, "&Convert Selected"},
    {kCommandConvertAll, "Convert All"},
    {0, nullptr},
    {kCommandBrowseSource, "Browse &Source Folder"},
    {kCommandBrowseDestination, "Browse Destination &Folder"},
    {0, nullptr},
    {kCommandAddFiles, "&Add Files...\tCtrl+O"},
    {kCommandAddFolder, "Add F&older"},
    {kCommandRemove, "&Remove\tDel"},
    {kCommandRemoveAll, "Remove Al&l"},
};

constexpr MenuEntry kHelpMenu[] = {
    {kCommandHelpTopics, "&Help Topics\tF1"},
    {0, nullptr},
    {kCommandTellAFriend, "&Tell A Friend"},
    {kCommandFeedback, "&Feedback and Support"},
    {kCommandHomepage, "Home&page"},
    {kCommandCheckLatestVersion, "&Check Latest Version"},
    {0, nullptr},
    {kCommandAbout, "&About..."},
};

// The commands of the menu image strip, in strip order; 0 is a gap.
constexpr int kToolbarCommands[] = {
    kCommandAddFiles, kCommandRemove,   kCommandPlaySource,  kCommandPlayDestination,    0,
    kCommandHelpTopics, kCommandHomepage, kCommandTellAFriend, kCommandFeedback, kCommandCheckLatestVersion,
    kCommandAbout,
};

// Tooltips of the window's controls come up after 300 ms.
class TooltipDelayStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return kTooltipDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// Tahoma at 11 pixels on a 96 dpi desktop, given in points so that a larger
// desktop text scale makes it larger; the font system substitutes the
// nearest sans-serif face where Tahoma is not installed.
QFont tahoma(bool bold, bool underline = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// rect of the default layout moved or stretched for a window grown by growth.
QRect anchored(const QRect& rect, QSize growth, bool toRight, bool toBottom, bool stretch)
{
    if (stretch)
        return rect.adjusted(0, 0, toRight ? growth.width() : 0, toBottom ? growth.height() : 0);
    return rect.translated(toRight ? growth.width() : 0, toBottom ? growth.height() : 0);
}

std::string withTrailingSeparator(const std::string& folder)
{
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
        return folder;
    return folder + static_cast<char>(std::filesystem::path::preferred_separator);
}

class BusyCursor {
public:
    explicit BusyCursor(UserPrompts& prompts) : m_prompts(prompts) { m_prompts.setBusy(true); }
    ~BusyCursor() { m_prompts.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UserPrompts& m_prompts;
};

} // namespace

// Marks the window busy for one command that runs a loop; drops that
// arrived meanwhile are taken up afterwards.
class MainWindow::BusyScope {
public:
    explicit BusyScope(MainWindow& window) : m_window(window) { m_window.m_busy = true; }
    ~BusyScope()
    {
        m_window.m_busy = false;
        if (!m_window.m_pendingDrops.empty())
            QTimer::singleShot(0, &m_window, &MainWindow::addDroppedFiles);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    MainWindow& m_window;
};

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowSystemMenuHint),
      m_services(std::move(services)),
      m_soundFont(m_services.programFolder, m_services.soundFontFallbacks, m_services.soundFontUserFolder),
      m_settings(m_services.documentsFolder ? m_services.documentsFolder() : std::nullopt),
      m_engine(m_services.prompts),
      m_host(*this),
      m_intake(m_engine, m_list, m_host)
{
    m_soundFont.installIfNotReady();
    m_settings.load(m_services.store);

    setWindowTitle(QString::fromUtf8(kAppName));
    setWindowIcon(m_skin.windowIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);

    buildMenus();
    buildShortcuts();

    // The list and the drop-down take the window's font.
    setFont(tahoma(false));
    setMouseTracking(true); // the resize cursor over the border

    buildControls();
    fillOutputFormats();
    setAcceptDrops(true);
    placeWindow();

    firstRunCheck(m_services.store, m_services.prompts, m_services.programFolder);
}

MainWindow::~MainWindow()
{
    // The drop-down must not report a change while the settings go away.
    m_formatBox->disconnect(this);
    m_list.removeAllRows();
    m_settings.save(m_services.store, kSaveFormatAndStartPage);
    savePlacement();
    // The child widgets use the tooltip style and the item model, which are
    // child objects as well, and the view shows the list: the widgets go
    // first, then the item model, all before the members.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    delete m_tableModel;
}

void MainWindow::placeWindow()
{
    QList<QRect> available;
    for (const QScreen* screen : QGuiApplication::screens())
        available.push_back(screen->availableGeometry());
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect primaryArea = primary ? primary->availableGeometry() : QRect();
    setMinimumSize(minimumWindowSize(kSize, kSmallestWindow, primaryArea));

    const WindowPlacement placement = loadWindowPlacement(m_services.store, kColumnCount);
    for (int c = 0; c < static_cast<int>(placement.columnWidths.size()); ++c)
        m_list.setColumnWidth(c, placement.columnWidths[static_cast<size_t>(c)]);
    setGeometry(openingWindowGeometry(placement.geometry, kSize, minimumSize(), available, primaryArea));
    layoutControls();
}

void MainWindow::savePlacement()
{
    WindowPlacement placement;
    placement.geometry = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (!placement.geometry->isValid())
        placement.geometry.reset();
    for (int c = 0; c < kColumnCount; ++c)
        placement.columnWidths.push_back(m_list.columnWidth(c));
    saveWindowPlacement(m_services.store, placement);
}

void MainWindow::layoutControls()
{
    if (!m_view)
        return; // not built yet
    m_skin.resize(size(), devicePixelRatioF());
    const QSize growth = size() - kSize;
    m_view->setGeometry(anchored(kListRect, growth, true, true, true));
    m_webLink->setGeometry(anchored(kWebLinkRect, growth, false, true, false));
    const QRect captionRects[] = {kHelpRect, kMinimiseRect, kCloseRect};
    for (size_t i = 0; i < m_captionButtons.size(); ++i)
        m_captionButtons[i]->setGeometry(anchored(captionRects[i], growth, true, false, false));
    // The skin was drawn again: every button cuts its background anew.
    for (SkinButton* button : findChildren<SkinButton*>(QString(), Qt::FindDirectChildrenOnly))
        button->setBackgroundSource(&m_skin.background());
    update();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void MainWindow::changeEvent(QEvent* event)
{
    // Moved to a screen of another pixel density: the skin is drawn for it.
    if (event->type() == QEvent::ScreenChangeInternal)
        layoutControls();
    QWidget::changeEvent(event);
}

void MainWindow::buildMenus()
{
    Ornamenu::setStyleSwitches(Ornamenu::kXpLike, Ornamenu::kXpLike);
    m_menus = std::make_unique<Ornamenu>();
    m_menus->addPopup(kContextMenu);
    m_menus->addPopup(kHelpMenu);
    m_menus->loadToolbar(m_skin.menuStrip(), Skin::kMenuImageSize, kToolbarCommands, Skin::menuMaskColour());
    for (int i = 0; i < m_menus->popupCount(); ++i) {
        connect(m_menus->popup(i), &QMenu::triggered, this,
                [this](QAction* action) { runCommand(action->data().toInt()); });
    }
    connect(contextMenu(), &QMenu::aboutToShow, this, &MainWindow::updateContextMenu);
}

void MainWindow::buildShortcuts()
{
    auto bind = [this](const QKeySequence& keys, int command) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, command] { runCommand(command); });
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), kCommandAddFiles);
    bind(QKeySequence(Qt::Key_Delete), kCommandRemove);
    bind(QKeySequence(Qt::Key_F1), kCommandHelpTopics);
}

void MainWindow::buildControls()
{
    auto* tooltipStyle = new TooltipDelayStyle;
    tooltipStyle->setParent(this);

    m_tableModel = new FileListTableModel(m_list, this);
    m_view = new FileListView(*m_tableModel, this);
    m_view->setObjectName(QStringLiteral("fileList"));
    connect(m_view, &FileListView::contextMenuWanted, this, &MainWindow::openContextMenu);
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this] { playSourceCommand(); });

    struct CommandButton {
        const char* name;
        const char* text;
        const char* tooltip;
        QRect rect;
        int command;
    };
    const CommandButton commandButtons[] = {
        {"addFilesButton", "&Add Files", "Add files", kAddFilesRect, kCommandAddFiles},
        {"addFolderButton", "Add &Folder", "Add files from a folder", kAddFolderRect, kCommandAddFolder},
        {"removeAllButton", "Remove A&ll", "Remove all files in list", kRemoveAllRect, kCommandRemoveAll},
        {"convertButton", "&Convert", "Convert all files", kConvertRect, kCommandConvertAll},
        {"optionsButton", "&Options", "Options", kOptionsRect, kCommandOptions},
    };
    for (const CommandButton& entry : commandButtons) {
        auto* button = new SkinButton(QString::fromUtf8(entry.text), this);
        button->setObjectName(QString::fromUtf8(entry.name));
        button->setCursor(Qt::PointingHandCursor);
        button->setFont(tahoma(true));
        button->setDrawFocusRect(true);
        button->setTextColours(kButtonTextColour, kButtonTextColour);
        button->setTextOffset(0, -1);
        button->setDrawBorder(false);
        button->setBackgroundSource(&m_skin.background());
        button->setFaces(m_skin.face(), m_skin.hoverFace(), true);
        button->move(entry.rect.topLeft());
        button->setToolTip(QString::fromUtf8(entry.tooltip));
        button->setStyle(tooltipStyle);
        const int command = entry.command;
        connect(button, &QAbstractButton::clicked, this, [this, command] { runCommand(command); });
    }

    m_formatBox = new QComboBox(this);
    m_formatBox->setObjectName(QStringLiteral("outputFormat"));
    m_formatBox->setGeometry(kFormatRect);
    m_formatBox->setToolTip(QStringLiteral("Output format"));
    m_formatBox->setStyle(tooltipStyle);
    m_formatBox->view()->setMinimumWidth(kFormatListWidth);
    // Tab goes down the panel in the order the controls are seen.
    setTabOrder(findChild<QWidget*>(QStringLiteral("convertButton")), m_formatBox);
    setTabOrder(m_formatBox, findChild<QWidget*>(QStringLiteral("optionsButton")));

    const QString host = QUrl(QString::fromUtf8(kWebSite)).host();
    auto* link = new SkinButton(host, this);
    link->setObjectName(QStringLiteral("webLink"));
    link->setFont(tahoma(true, true));
    link->setDrawFocusRect(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setBackgroundSource(&m_skin.background());
    link->setTextColours(kLinkColour, kLinkHoverColour);
    link->setDrawBorder(false);
    link->setShiftWhenPressed(false);
    m_webLink = link;
    link->setToolTip(QStringLiteral("Visit %1 Homepage").arg(QString::fromUtf8(kAppName)));
    link->setStyle(tooltipStyle);
    connect(link, &QAbstractButton::clicked, this, [this] { runCommand(kCommandHomepage); });

    struct CaptionButton {
        const char* name;
        const QPixmap& icon;
        const char* tooltip;
    };
    const CaptionButton captionButtons[] = {
        {"helpButton", m_skin.helpIcon(), "Help"},
        {"minimiseButton", m_skin.minimiseIcon(), "Minimize"},
        {"closeButton", m_skin.closeIcon(), "Close"},
    };
    std::array<SkinButton*, 3>& caption = m_captionButtons;
    for (size_t i = 0; i < caption.size(); ++i) {
        const CaptionButton& entry = captionButtons[i];
        auto* button = new SkinButton(this);
        button->setObjectName(QString::fromUtf8(entry.name));
        button->setCursor(Qt::PointingHandCursor);
        button->setDrawText(false);
        button->setBackgroundSource(&m_skin.background());
        button->setIcons(entry.icon, QPixmap(), false);
        button->setDrawFocusRect(true);
        button->setToolTip(QString::fromUtf8(entry.tooltip));
        button->setStyle(tooltipStyle);
        caption[i] = button;
    }
    m_helpButton = caption[0];
    connect(caption[0], &QAbstractButton::clicked, this, &MainWindow::openHelpMenu);
    connect(caption[1], &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(caption[2], &QAbstractButton::clicked, this, &QWidget::close);
}

void MainWindow::fillOutputFormats()
{
    const OutputFormatChoice choice =
        chooseOutputFormatRows(m_settings.OutputFormat, [](int32_t code) { return ConversionRoutines::formatAvailable(code); });
    for (const OutputFormatRow* row : choice.rows)
        m_formatBox->addItem(QString::fromStdString(outputFormatRowText(*row)), row->code);
    m_formatBox->setCurrentIndex(choice.selected);
    m_settings.OutputFormat = choice.outputFormat;
    connect(m_formatBox, &QComboBox::currentIndexChanged, this, &MainWindow::outputFormatChanged);
}

void MainWindow::outputFormatChanged(int index)
{
    m_settings.OutputFormat = index >= 0 ? m_formatBox->itemData(index).toInt() : kOutputMp3;
}

QMenu* MainWindow::contextMenu() const
{
    return m_menus->popup(0);
}

QMenu* MainWindow::helpMenu() const
{
    return m_menus->popup(1);
}

void MainWindow::runCommand(int command)
{
    switch (command) {
    case kCommandAddFiles:
        return addFilesCommand();
    case kCommandAddFolder:
        return addFolderCommand();
    case kCommandRemove:
        return removeCommand();
    case kCommandRemoveAll:
        return removeAllCommand();
    case kCommandConvertAll:
        return convertAllCommand();
    case kCommandConvertSelected:
        return convertSelectedCommand();
    case kCommandPlaySource:
        return playSourceCommand();
    case kCommandPlayDestination:
        return playDestinationCommand();
    case kCommandBrowseSource:
        return browseSourceFolderCommand();
    case kCommandBrowseDestination:
        return browseDestinationFolderCommand();
    case kCommandHelpTopics:
        return helpTopicsCommand();
    case kCommandTellAFriend:
        return tellAFriendCommand();
    case kCommandFeedback:
        return feedbackCommand();
    case kCommandHomepage:
        return homepageCommand();
    case kCommandCheckLatestVersion:
        return checkLatestVersionCommand();
    case kCommandOptions:
        return OptionsCommand();
    case kCommandAbout:
        return AboutCommand();
    default:
        return;
    }
}

ExtensionFilter MainWindow::extensionFilter() const
{
    return ExtensionFilter{m_settings.EnableExtFilter != 0, m_settings.filterExtList};
}

const FileEntry* MainWindow::firstSelectedEntry() const
{
    const std::vector<int32_t> rows = m_view->selectedRowIndices();
    return rows.empty() ? nullptr : m_list.entry(rows.front());
}

void MainWindow::addFilesCommand()
{
    if (m_busy)
        return;
    BusyScope busy(*this);
    // The dialog shows its own cursor; the busy one covers the work after it.
    const std::vector<std::string> paths = m_services.dialogs.chooseFiles(this);
    if (paths.empty())
        return;
    BusyCursor cursor(m_services.prompts);
    QCoreApplication::processEvents();
    m_intake.AddFileList(paths);
}

void MainWindow::addFolderCommand()
{
    if (m_busy)
        return;
    BusyScope busy(*this);
    const std::optional<std::string> folder = m_services.dialogs.chooseFolder(this, m_settings.Folder);
    if (!folder || folder->empty())
        return;
    m_settings.Folder = withTrailingSeparator(*folder);
    m_settings.save(m_services.store, kSaveFolder);
    m_intake.AddFolder(*folder, extensionFilter());
}

void MainWindow::removeCommand()
{
    if (m_busy)
        return;
    m_list.RemoveCommand(m_view->selectedRowIndices(), m_services.prompts);
}

void MainWindow::removeAllCommand()
{
    if (m_busy)
        return;
    m_list.RemoveAllCommand(m_services.prompts);
}

void MainWindow::convertAllCommand()
{
    if (m_busy)
        return;
    if (m_list.rowCount() == 0) {
        m_services.prompts.showMessage(UserPrompts::Icon::Information, "There aren't files in list.");
        return;
    }
    std::vector<int32_t> rows(static_cast<size_t>(m_list.rowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    runBatch(rows);
}

void MainWindow::convertSelectedCommand()
{
    if (m_busy)
        return;
    const std::vector<int32_t> rows = m_view->selectedRowIndices();
    if (rows.empty()) {
        m_services.prompts.showMessage(UserPrompts::Icon::Information, "You should select a file at least.");
        return;
    }
    runBatch(rows);
}

void MainWindow::runBatch(const std::vector<int32_t>& rowIndices)
{
    BusyScope busy(*this);
    std::vector<BatchRow> rows;
    rows.reserve(rowIndices.size());
    for (int32_t index : rowIndices) {
        const FileEntry* entry = m_list.entry(index);
        if (entry)
            rows.push_back(BatchRow{index, entry->inputType, entry->sourcePath, entry->targetPath});
    }

    // The run's workers read their own copy: nothing the window does during
    // the run can change what they see.
    const ConversionSettings settings = m_settings;
    ConversionRoutines routines(m_engine, settings);
    FileListStatusSink sink(m_list);
    BatchPreconditions others;
    SoundFontPreconditions preconditions(m_soundFont, m_services.prompts, others);
    ConversionJob job(m_engine, m_host, sink, preconditions);
    const ConversionRoutine routine = routines.routineFor(settings.OutputFormat, &job);
    if (!routine)
        return; // the drop-down lists only formats that have a routine
    job.run(rows, batchOptionsFrom(settings, m_services.documentsFolder), routine);

    // The list did not change during the run (the window was disabled), so
    // the row indices still name the same entries.
    for (const BatchRow& row : rows) {
        if (FileEntry* entry = m_list.entry(row.rowIndex))
            entry->targetPath = row.targetPath;
    }
}

void MainWindow::playSourceCommand()
{
    if (const FileEntry* entry = firstSelectedEntry())
        openDocument(entry->sourcePath);
}

void MainWindow::playDestinationCommand()
{
    const FileEntry* entry = firstSelectedEntry();
    if (entry && !entry->targetPath.empty())
        openDocument(entry->targetPath);
}

void MainWindow::browseSourceFolderCommand()
{
    if (const FileEntry* entry = firstSelectedEntry()) {
        BusyCursor cursor(m_services.prompts);
        m_services.prompts.revealFile(entry->sourcePath);
    }
}

void MainWindow::browseDestinationFolderCommand()
{
    const FileEntry* entry = firstSelectedEntry();
    if (entry && !entry->targetPath.empty()) {
        BusyCursor cursor(m_services.prompts);
        m_services.prompts.revealFile(entry->targetPath);
    }
}

void MainWindow::helpTopicsCommand()
{
    // The manual opens in the desktop's browser, which is not ours to find
    // or raise; opening it again brings it up there. No manual, no message.
    const std::optional<std::string> manual = helpManualPath(m_services.programFolder);
    if (manual)
        openDocument(*manual);
}

void MainWindow::openAddress(const std::string& address)
{
    bool opened = false;
    {
        BusyCursor cursor(m_services.prompts);
        opened = m_services.prompts.openUrl(address);
    }
    if (!opened)
        m_services.prompts.showMessage(UserPrompts::Icon::Exclamation,
                                       couldNotOpenText(address, kNoHandlerReason));
}

void MainWindow::openDocument(const std::string& path)
{
    bool opened = false;
    {
        BusyCursor cursor(m_services.prompts);
        opened = m_services.prompts.openDocument(path);
    }
    if (!opened)
        m_services.prompts.showMessage(UserPrompts::Icon::Exclamation, couldNotOpenText(path, kNoHandlerReason));
}

void MainWindow::tellAFriendCommand()
{
    openAddress(std::string("mailto:?subject=Sonivert - very COOL application!!!&body=Download from ") + kWebSite);
}

void MainWindow::feedbackCommand()
{
    openAddress(std::string("mailto:") + kSupportEmail);
}

void MainWindow::homepageCommand()
{
    openAddress(kWebSite);
}

void MainWindow::checkLatestVersionCommand()
{
    openAddress(std::string(kWebSite) + "/checkforupdates/?" + kVersionQuery);
}

void MainWindow::OptionsCommand()
{
    if (m_busy)
        return;
    // The window's loops and drops wait while the sheet is up.
    BusyScope busy(*this);
    COptSheet sheet(this);
    {
        BusyCursor cursor(m_services.prompts);
        const OptionsPageContext context{m_services.prompts, m_services.dialogs, [this] {
                                             WindowsMediaRuntime* runtime = m_engine.windowsMediaRuntime();
                                             return runtime && runtime->ensureLoaded(m_services.prompts);
                                         },
                                         &m_engine.wmaFormatList()};
        for (const OptionsPageFactory& create : m_services.optionsPages) {
            std::unique_ptr<OptionsPage> page = create(context);
            page->copyIn(m_settings);
            sheet.addPage(std::move(page));
        }
        sheet.setStartPage(m_settings.OptStartPageIndex); // an index that names no page opens General
    }
    if (sheet.run()) {
        for (int i = 0; i < sheet.pageCount(); ++i)
            sheet.page(i)->copyOut(m_settings);
        m_settings.parseExtFilter();
        m_settings.save(m_services.store, kSaveOptions);
    }
    m_settings.OptStartPageIndex = sheet.closedPageIndex();
}

void MainWindow::AboutCommand()
{
    if (m_busy)
        return;
    AboutDialog about(m_services.prompts, m_skin.windowIcon(), this);
    connect(&about, &AboutDialog::checkUpdatesRequested, this, &MainWindow::checkLatestVersionCommand);
    connect(&about, &AboutDialog::tellAFriendRequested, this, &MainWindow::tellAFriendCommand);
    about.exec();
}

void MainWindow::updateContextMenu()
{
    const std::vector<int32_t> rows = m_view->selectedRowIndices();
    const bool one = rows.size() == 1;
    const bool oneConverted = one && !m_list.entry(rows.front())->targetPath.empty();
    const bool any = !rows.empty();
    const bool listed = m_list.rowCount() > 0;
    const std::pair<int, bool> states[] = {
        {kCommandPlaySource, one},           {kCommandPlayDestination, oneConverted},
        {kCommandConvertSelected, any},      {kCommandConvertAll, listed},
        {kCommandBrowseSource, one},         {kCommandBrowseDestination, oneConverted},
        {kCommandAddFiles, true},            {kCommandAddFolder, true},
        {kCommandRemove, any},               {kCommandRemoveAll, listed},
    };
    for (const auto& [command, enabled] : states) {
        for (QAction* action : contextMenu()->actions()) {
            if (action->data().toInt() == command)
                action->setEnabled(enabled);
        }
    }
}

void MainWindow::openContextMenu(const QPoint& globalPosition)
{
    if (m_busy)
        return;
    contextMenu()->popup(globalPosition); // aboutToShow sets the items' states
}

void MainWindow::openHelpMenu()
{
    if (m_busy)
        return;
    helpMenu()->popup(m_helpButton->mapToGlobal(QPoint(0, m_helpButton->height())));
}

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_skin.background());
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (!m_drag.press(*this, *event))
        QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_drag.move(*this, *event))
        QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_drag.release(*event);
    QWidget::mouseReleaseEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // they neither close the window nor run a command
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A running add loop or batch still works on the list and this window.
    if (m_busy) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

namespace {

std::vector<std::string> droppedLocalPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
    }
    return paths;
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_busy && !droppedLocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_busy && !droppedLocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths = droppedLocalPaths(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    addPathsAsDropped(std::move(paths));
}

void MainWindow::addPathsAsDropped(std::vector<std::string> paths)
{
    if (paths.empty())
        return;
    // The drop completes first; the files are taken in when the window is free.
    m_pendingDrops.push_back(std::move(paths));
    QTimer::singleShot(0, this, &MainWindow::addDroppedFiles);
}

void MainWindow::addDroppedFiles()
{
    if (m_busy || m_pendingDrops.empty())
        return;
    const std::vector<std::string> paths = std::move(m_pendingDrops.front());
    m_pendingDrops.erase(m_pendingDrops.begin());
    BusyScope busy(*this);
    m_intake.OnDropFiles(paths, extensionFilter());
}

} // namespace sonivert::ui
