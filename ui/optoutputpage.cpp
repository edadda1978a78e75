#include "ui/optoutputpage.h"

#include "engine/outputnaming.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"
#include "settings/conversionsettings.h"
#include "ui/dialogfont.h"
#include "ui/filedialogs.h"
#include "ui/numberedit.h"
#include "ui/optionpagecontrols.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <filesystem>
#include <span>

namespace sonivert::ui {
namespace {

struct RuleItem {
    const char* text;
    int32_t value;
};

constexpr RuleItem kFolderRules[] = {
    {"Same as original file", kFolderSameAsSource},
    {"A custom folder", kFolderCustom},
};

constexpr RuleItem kTargetRules[] = {
    {"Auto rename (add number at end of file name)", kTargetAutoRename},
    {"Overwrite", kTargetOverwrite},
    {"Skip (not convert)", kTargetSkip},
};

constexpr const char* kExplanation =
    "When converting to audio format, e.g. MP3, WAV, WMA, etc., if output channel is mono and original file is "
    "stereo, output sound equals to:";
constexpr const char* kMonoHelp =
    "In general, the output sound equals to \"(L+R)/2,\" which contains left and right channels.\n\n"
    "\"L channel\" means the program outputs left channel of original stereo file. And \"R channel\" means right "
    "channel. It's very useful when you want to convert a stereo file into two files that contains left and "
    "right channels distinguishingly.";
constexpr const char* kFilterNote = "Note: use comma (,) to separate multiple extensions. For example: wav,mp3,m4a,aac";
constexpr const char* kFolderExample =
    "For example: original file is \"C:\\Music\\pop\\1.mp3\" and output folder is \"D:\\Output.\" If the option is "
    "checked, the output folder will be \"D:\\Output\\C\\Music\\pop.\"";
constexpr const char* kLoudnessNote =
    "Note: normalizing takes the place of each format's \"Amplify / Reduce sound\".";
constexpr SwitchedNumberRange kTargetRange{kMinTargetLufs, kMaxTargetLufs,
                                           "Invalid loudness target. It's between -30 and -5 LUFS."};

QString qs(const char* text)
{
    return QString::fromUtf8(text);
}

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// A section heading followed by an etched line to the right edge.
QWidget* heading(const char* text, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(qs(text), row));
    auto* line = new QFrame(row);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line, 1);
    return row;
}

void fillRules(QComboBox& box, std::span<const RuleItem> items)
{
    for (const RuleItem& item : items)
        box.addItem(qs(item.text), item.value);
}

// Selects the item carrying value; when none does, the first one, and value
// becomes its data.
void selectRule(QComboBox& box, int32_t& value)
{
    const int index = box.findData(value);
    box.setCurrentIndex(index >= 0 ? index : 0);
    if (index < 0)
        value = box.itemData(0).toInt();
}

std::string withTrailingSeparator(const std::string& folder)
{
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
        return folder;
    return folder + static_cast<char>(std::filesystem::path::preferred_separator);
}

} // namespace

COptOutputPage::COptOutputPage(const OptionsPageContext& context) : OptionsPage(QStringLiteral("General"), context)
{
    buildControls();
}

void COptOutputPage::buildControls()
{
    setMinimumSize(dialogUnits(0, 0, 368, 247).size());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(5);

    layout->addWidget(heading("General", this));
    auto* explanationRow = new QHBoxLayout;
    auto* explanation = new QLabel(qs(kExplanation), this);
    explanation->setWordWrap(true);
    explanationRow->addWidget(explanation, 1);
    auto* explain = new QPushButton(QStringLiteral("?"), this);
    explain->setObjectName(QStringLiteral("monoHelpButton"));
    explain->setFixedWidth(dialogUnits(0, 0, 14, 0).width());
    explanationRow->addWidget(explain, 0, Qt::AlignTop);
    layout->addLayout(explanationRow);

    auto* monoRow = new QHBoxLayout;
    monoRow->setContentsMargins(12, 0, 0, 0);
    m_monoGroup = new QButtonGroup(this);
    const char* monoTexts[] = {"(L+R) / &2", "&L channel", "&R channel"};
    const char* monoNames[] = {"monoMix", "monoLeft", "monoRight"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(qs(monoTexts[i]), this);
        radio->setObjectName(qs(monoNames[i]));
        m_monoGroup->addButton(radio, i);
        monoRow->addWidget(radio);
    }
    monoRow->addStretch(1);
    layout->addLayout(monoRow);

    m_filterOn = new QCheckBox(
        QStringLiteral("O&nly add the following file extensions for \"Add Folder\" and Drag/Drop"), this);
    m_filterOn->setObjectName(QStringLiteral("filterOn"));
    layout->addWidget(m_filterOn);
    m_filterText = new QLineEdit(this);
    m_filterText->setObjectName(QStringLiteral("filterText"));
    auto* filterNote = new QLabel(qs(kFilterNote), this);
    auto* filterBlock = new QVBoxLayout;
    filterBlock->setContentsMargins(18, 0, 0, 0);
    filterBlock->addWidget(m_filterText);
    filterBlock->addWidget(filterNote);
    layout->addLayout(filterBlock);

    layout->addSpacing(4);
    layout->addWidget(heading("Output", this));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(5);
    auto* folderLabel = new QLabel(QStringLiteral("&Output folder:"), this);
    m_folderRule = new QComboBox(this);
    m_folderRule->setObjectName(QStringLiteral("outputFolderRule"));
    folderLabel->setBuddy(m_folderRule);
    grid->addWidget(folderLabel, 0, 0);
    grid->addWidget(m_folderRule, 0, 1, 1, 3);

    auto* customLabel = new QLabel(QStringLiteral("Custom &folder:"), this);
    m_customFolder = new QLineEdit(this);
    m_customFolder->setObjectName(QStringLiteral("customFolder"));
    customLabel->setBuddy(m_customFolder);
    m_browse = new QPushButton(QStringLiteral("Bro&wse"), this);
    m_browse->setObjectName(QStringLiteral("browseButton"));
    m_open = new QPushButton(QStringLiteral("O&pen"), this);
    m_open->setObjectName(QStringLiteral("openButton"));
    grid->addWidget(customLabel, 1, 0);
    grid->addWidget(m_customFolder, 1, 1);
    grid->addWidget(m_browse, 1, 2);
    grid->addWidget(m_open, 1, 3);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    m_createFolders = new QCheckBox(QStringLiteral("&Create folders according to path of original file"), this);
    m_createFolders->setObjectName(QStringLiteral("createFolders"));
    m_folderExample = new QLabel(qs(kFolderExample), this);
    m_folderExample->setObjectName(QStringLiteral("folderExample"));
    m_folderExample->setWordWrap(true);
    auto* mirrorBlock = new QVBoxLayout;
    mirrorBlock->setContentsMargins(0, 0, 0, 0);
    mirrorBlock->addWidget(m_createFolders);
    auto* exampleIndent = new QHBoxLayout;
    exampleIndent->setContentsMargins(18, 0, 0, 0);
    exampleIndent->addWidget(m_folderExample);
    mirrorBlock->addLayout(exampleIndent);
    layout->addLayout(mirrorBlock);

    auto* targetRow = new QHBoxLayout;
    auto* targetLabel = new QLabel(QStringLiteral("If target file &exists "), this);
    m_targetRule = new QComboBox(this);
    m_targetRule->setObjectName(QStringLiteral("targetExistsRule"));
    targetLabel->setBuddy(m_targetRule);
    targetRow->addWidget(targetLabel);
    targetRow->addWidget(m_targetRule, 1);
    layout->addLayout(targetRow);

    m_documentsFallback = new QCheckBox(QStringLiteral("Output files to M&y Documents if creating file failure"), this);
    m_documentsFallback->setObjectName(QStringLiteral("documentsFallback"));
    layout->addWidget(m_documentsFallback);
    m_browseWhenDone = new QCheckBox(QStringLiteral("&Browse output folder when conversion completes"), this);
    m_browseWhenDone->setObjectName(QStringLiteral("browseWhenDone"));
    layout->addWidget(m_browseWhenDone);
    auto* jobsRow = new QHBoxLayout;
    auto* jobsLabel = new QLabel(QStringLiteral("Simultaneous con&versions:"), this);
    m_conversionJobs = new QSpinBox(this);
    m_conversionJobs->setObjectName(QStringLiteral("conversionJobs"));
    // The stored value is brought into this range when it is loaded.
    m_conversionJobs->setRange(0, kMaxConversionJobs);
    m_conversionJobs->setSpecialValueText(QStringLiteral("Auto"));
    m_conversionJobs->setToolTip(QStringLiteral("How many files are converted side by side; Auto: one per processor core"));
    jobsLabel->setBuddy(m_conversionJobs);
    jobsRow->addWidget(jobsLabel);
    jobsRow->addWidget(m_conversionJobs);
    jobsRow->addStretch(1);
    layout->addLayout(jobsRow);

    layout->addSpacing(4);
    layout->addWidget(heading("Loudness", this));
    m_replayGain = new QCheckBox(QStringLiteral("Write Replay&Gain tags (track gain and peak)"), this);
    m_replayGain->setObjectName(QStringLiteral("replayGain"));
    layout->addWidget(m_replayGain);
    auto* normalizeRow = new QHBoxLayout;
    m_normalize = new QCheckBox(QStringLiteral("Normali&ze loudness to"), this);
    m_normalize->setObjectName(QStringLiteral("normalizeLoudness"));
    m_targetLufs = new NumberEdit(kMinTargetLufs, kMaxTargetLufs, 1, this);
    m_targetLufs->setObjectName(QStringLiteral("normalizeTarget"));
    m_targetLufs->setFixedWidth(60);
    normalizeRow->addWidget(m_normalize);
    normalizeRow->addWidget(m_targetLufs);
    normalizeRow->addWidget(new QLabel(QStringLiteral("LUFS"), this));
    normalizeRow->addStretch(1);
    layout->addLayout(normalizeRow);
    auto* loudnessNote = new QLabel(qs(kLoudnessNote), this);
    loudnessNote->setWordWrap(true);
    layout->addWidget(loudnessNote);
    layout->addStretch(1);

    connect(explain, &QAbstractButton::clicked, this, &COptOutputPage::explainClicked);
    connect(m_filterOn, &QAbstractButton::clicked, this, &COptOutputPage::filterClicked);
    connect(m_browse, &QAbstractButton::clicked, this, &COptOutputPage::browseClicked);
    connect(m_open, &QAbstractButton::clicked, this, &COptOutputPage::openClicked);
    connect(m_normalize, &QAbstractButton::clicked, this, [this](bool checked) {
        m_targetLufs->setEnabled(checked);
        if (checked)
            m_targetLufs->focusEdit();
    });
}

void COptOutputPage::copyIn(const ConversionSettings& settings)
{
    m_values.monoType = settings.MonoType;
    m_values.filterOn = settings.EnableExtFilter;
    m_values.filterText = settings.FilterExts;
    m_values.outputFolderRule = settings.DestOutputFolderOpt;
    m_values.customFolder = settings.DestSpecifiedFolder;
    m_values.createFolders = settings.CreateDirs;
    m_values.targetExistsRule = settings.TargetExistsOpt;
    m_values.documentsFallback = settings.OutputFiles2MyDocuments;
    m_values.browseWhenDone = settings.BrowseOutputFolder;
    m_values.conversionJobs = settings.ConversionJobs;
    m_values.replayGain = settings.ReplayGain;
    m_values.normalizeLoudness = settings.NormalizeLoudness;
    m_values.normalizeTargetLufs = settings.NormalizeTargetLufs;
}

void COptOutputPage::copyOut(ConversionSettings& settings) const
{
    settings.MonoType = m_values.monoType;
    settings.EnableExtFilter = m_values.filterOn;
    settings.FilterExts = m_values.filterText;
    settings.DestOutputFolderOpt = m_values.outputFolderRule;
    settings.DestSpecifiedFolder = m_values.customFolder;
    settings.CreateDirs = m_values.createFolders;
    settings.TargetExistsOpt = m_values.targetExistsRule;
    settings.OutputFiles2MyDocuments = m_values.documentsFallback;
    settings.BrowseOutputFolder = m_values.browseWhenDone;
    settings.ConversionJobs = m_values.conversionJobs;
    settings.ReplayGain = m_values.replayGain;
    settings.NormalizeLoudness = m_values.normalizeLoudness;
    settings.NormalizeTargetLufs = m_values.normalizeTargetLufs;
}

void COptOutputPage::exchangeValues(bool fromControls)
{
    if (fromControls) {
        // A mono type outside 0..2 that no radio shows stays as it is.
        if (m_monoGroup->checkedId() >= 0)
            m_values.monoType = m_monoGroup->checkedId();
        m_values.filterOn = m_filterOn->isChecked() ? 1 : 0;
        m_values.filterText = m_filterText->text().toStdString();
        m_values.customFolder = m_customFolder->text().toStdString();
        m_values.createFolders = m_createFolders->isChecked() ? 1 : 0;
        m_values.documentsFallback = m_documentsFallback->isChecked() ? 1 : 0;
        m_values.browseWhenDone = m_browseWhenDone->isChecked() ? 1 : 0;
        m_values.conversionJobs = m_conversionJobs->value();
        return;
    }
    if (QAbstractButton* radio = m_monoGroup->button(m_values.monoType)) {
        radio->setChecked(true);
    } else if (QAbstractButton* checked = m_monoGroup->checkedButton()) {
        m_monoGroup->setExclusive(false);
        checked->setChecked(false);
        m_monoGroup->setExclusive(true);
    }
    m_filterOn->setChecked(m_values.filterOn != 0);
    m_filterText->setText(qs(m_values.filterText));
    m_customFolder->setText(qs(m_values.customFolder));
    m_createFolders->setChecked(m_values.createFolders != 0);
    m_documentsFallback->setChecked(m_values.documentsFallback != 0);
    m_browseWhenDone->setChecked(m_values.browseWhenDone != 0);
    m_conversionJobs->setValue(m_values.conversionJobs);
}

void COptOutputPage::initialisePage()
{
    exchangeValues(false);

    fillRules(*m_folderRule, kFolderRules);
    selectRule(*m_folderRule, m_values.outputFolderRule);
    enableCustomFolderControls(m_values.outputFolderRule == kFolderCustom);

    fillRules(*m_targetRule, kTargetRules);
    selectRule(*m_targetRule, m_values.targetExistsRule);

    m_filterText->setEnabled(m_values.filterOn != 0);

    m_replayGain->setChecked(m_values.replayGain != 0);
    m_normalize->setChecked(m_values.normalizeLoudness != 0);
    m_targetLufs->setNumber(m_values.normalizeTargetLufs);
    m_targetLufs->setEnabled(m_values.normalizeLoudness != 0);

    connect(m_folderRule, &QComboBox::currentIndexChanged, this, &COptOutputPage::folderRuleChanged);
}

void COptOutputPage::enableCustomFolderControls(bool on)
{
    for (QWidget* widget : {static_cast<QWidget*>(m_customFolder), static_cast<QWidget*>(m_browse),
                            static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_createFolders),
                            static_cast<QWidget*>(m_folderExample)})
        widget->setEnabled(on);
}

void COptOutputPage::folderRuleChanged(int index)
{
    if (index < 0)
        return;
    enableCustomFolderControls(m_folderRule->itemData(index).toInt() == kFolderCustom);
}

void COptOutputPage::filterClicked()
{
    exchangeValues(true);
    m_filterText->setEnabled(m_values.filterOn != 0);
    if (m_values.filterOn != 0)
        m_filterText->setFocus();
}

void COptOutputPage::browseClicked()
{
    exchangeValues(true);
    const std::optional<std::string> folder = dialogs().chooseOutputFolder(this, m_values.customFolder);
    if (!folder || folder->empty())
        return;
    m_values.customFolder = withTrailingSeparator(*folder);
    exchangeValues(false);
}

void COptOutputPage::openClicked()
{
    exchangeValues(true);
    std::error_code ec;
    if (!m_values.customFolder.empty() && std::filesystem::is_directory(utf8Path(m_values.customFolder), ec)) {
        prompts().openDocument(m_values.customFolder);
        return;
    }
    prompts().showMessage(UserPrompts::Icon::Exclamation,
                          "The folder \"" + m_values.customFolder +
                              "\" doesn't exist yet.\n\nNote: the program will create the folder automatically "
                              "when converting files.");
}

void COptOutputPage::explainClicked()
{
    prompts().showMessage(UserPrompts::Icon::Information, kMonoHelp);
}

std::string COptOutputPage::normalisedFilterText(const std::string& text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t')
            compact.push_back(c == ';' ? ',' : c);
    }
    // An extension typed as a pattern ("*.wav") or with its dot (".wav") is
    // the extension itself: the filter compares extensions without the dot.
    std::string result;
    for (size_t start = 0;;) {
        const size_t comma = std::min(compact.find(',', start), compact.size());
        std::string_view piece(compact.data() + start, comma - start);
        if (piece.substr(0, 2) == "*.")
            piece.remove_prefix(2);
        else if (piece.substr(0, 1) == ".")
            piece.remove_prefix(1);
        result += piece;
        if (comma == compact.size())
            return result;
        result += ',';
        start = comma + 1;
    }
}

bool COptOutputPage::leavePage()
{
    exchangeValues(true);
    if (m_folderRule->currentIndex() >= 0)
        m_values.outputFolderRule = m_folderRule->currentData().toInt();
    if (m_values.outputFolderRule == kFolderCustom && m_values.customFolder.empty()) {
        prompts().showMessage(UserPrompts::Icon::Exclamation, "Please choose an output folder.");
        m_customFolder->setFocus();
        return false;
    }
    m_values.filterText = normalisedFilterText(m_values.filterText);
    if (m_values.filterOn != 0 && m_values.filterText.empty()) {
        prompts().showMessage(UserPrompts::Icon::Exclamation, "Please enter file extensions you need to filter.");
        m_filterText->setFocus();
        return false;
    }
    if (!readSwitchedNumber(prompts(), *m_normalize, *m_targetLufs, kTargetRange, m_values.normalizeLoudness,
                            m_values.normalizeTargetLufs))
        return false;
    m_values.replayGain = checkBoxValue(*m_replayGain, m_values.replayGain);
    if (m_targetRule->currentIndex() >= 0)
        m_values.targetExistsRule = m_targetRule->currentData().toInt();
    return true;
}

} // namespace sonivert::ui
