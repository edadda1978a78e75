#include "ui/editid3tagdialog.h"

#include "encoders/id3tagbuilder.h"
#include "engine/userprompts.h"
#include "ui/dialogfont.h"
#include "ui/numberedit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sonivert::ui {
namespace {

constexpr int32_t kMaxTrackNumber = 255;

QString qtext(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

} // namespace

EditId3TagDialog::EditId3TagDialog(UserPrompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Edit ID3 Tag"));
    setFont(dialogFont());

    auto* grid = new QGridLayout;
    int row = 0;
    auto addLabelled = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
        return label;
    };

    // Track number: the three choices, then the custom number and its spin.
    auto* trackLine = new QHBoxLayout;
    auto* trackGroup = new QButtonGroup(this);
    const char* trackTexts[3] = {"&None", "&Sequence number in list", "C&ustom"};
    for (int i = 0; i < 3; ++i) {
        m_trackRadios[i] = new QRadioButton(QString::fromUtf8(trackTexts[i]), this);
        trackGroup->addButton(m_trackRadios[i], i);
        trackLine->addWidget(m_trackRadios[i]);
    }
    m_customNumber = new NumberEdit(0, kMaxTrackNumber, 1, this);
    m_customNumber->setFixedWidth(60);
    trackLine->addWidget(m_customNumber);
    trackLine->addStretch(1);
    auto* trackLabel = new QLabel(QStringLiteral("&Track #:"), this);
    trackLabel->setBuddy(m_trackRadios[0]);
    grid->addWidget(trackLabel, row, 0);
    grid->addLayout(trackLine, row, 1);
    ++row;

    m_titleAsFileName = new QCheckBox(QStringLiteral("Nam&e as file name (not include extension)"), this);
    m_title = new QLineEdit(this);
    auto* titleBlock = new QVBoxLayout;
    titleBlock->addWidget(m_titleAsFileName);
    titleBlock->addWidget(m_title);
    auto* titleLabel = new QLabel(QStringLiteral("T&itle:"), this);
    titleLabel->setBuddy(m_title);
    grid->addWidget(titleLabel, row, 0, Qt::AlignBottom);
    grid->addLayout(titleBlock, row, 1);
    ++row;

    m_artist = new QLineEdit(this);
    addLabelled(QStringLiteral("&Artist:"), m_artist);
    m_album = new QLineEdit(this);
    addLabelled(QStringLiteral("Albu&m:"), m_album);
    m_year = new QLineEdit(this);
    addLabelled(QStringLiteral("&Year:"), m_year);

    // Any text may be typed: no completion (it would finish or re-case what
    // was typed) and nothing inserted into the list.
    m_genre = new QComboBox(this);
    m_genre->setEditable(true);
    m_genre->setInsertPolicy(QComboBox::NoInsert);
    m_genre->setCompleter(nullptr);
    m_genre->setMaxVisibleItems(20);
    for (std::string_view name : id3GenreNames())
        m_genre->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    addLabelled(QStringLiteral("&Genre:"), m_genre);

    m_comment = new QLineEdit(this);
    addLabelled(QStringLiteral("&Comment:"), m_comment);
    m_composer = new QLineEdit(this);
    addLabelled(QStringLiteral("C&omposer:"), m_composer);
    m_copyright = new QLineEdit(this);
    m_copyrightLabel = addLabelled(QStringLiteral("Co&pyright:"), m_copyright);
    grid->setColumnMinimumWidth(1, 300);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &EditId3TagDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &EditId3TagDialog::reject);
    connect(m_titleAsFileName, &QCheckBox::clicked, this, [this](bool checked) {
        m_title->setEnabled(!checked);
        if (!checked)
            m_title->setFocus(Qt::OtherFocusReason);
    });
    connect(trackGroup, &QButtonGroup::idClicked, this, [this](int) { updateTrackControls(true); });

    TagDefaults initial;
    initial.TitleAsFileName = 0;
    initial.CustomTrackNum = 1;
    setRecord(initial);
}

void EditId3TagDialog::setRecord(const TagDefaults& record)
{
    m_record = record;
    m_title->setText(qtext(record.Title));
    m_artist->setText(qtext(record.Artist));
    m_album->setText(qtext(record.Album));
    m_year->setText(qtext(record.Year));
    m_genre->setEditText(qtext(record.Genre));
    m_comment->setText(qtext(record.Comment));
    m_composer->setText(qtext(record.Composer));
    m_copyright->setText(qtext(record.Copyright));
    m_titleAsFileName->setChecked(record.TitleAsFileName != 0);
    m_title->setEnabled(record.TitleAsFileName == 0);
    const int choice = record.TrackNumType == 1 || record.TrackNumType == 2 ? record.TrackNumType : 0;
    m_trackRadios[choice]->setChecked(true);
    m_customNumber->setNumber(record.CustomTrackNum);
    updateTrackControls(false);
}

void EditId3TagDialog::setShowCopyright(bool show)
{
    m_copyrightLabel->setVisible(show);
    m_copyright->setVisible(show);
}

int EditId3TagDialog::trackChoice() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_trackRadios[i]->isChecked())
            return i;
    }
    return 0;
}

void EditId3TagDialog::updateTrackControls(bool focusOnCustom)
{
    const bool custom = trackChoice() == 2;
    m_customNumber->setEnabled(custom);
    if (custom && focusOnCustom)
        m_customNumber->focusEdit();
}

void EditId3TagDialog::accept()
{
    const int choice = trackChoice();
    const std::optional<int32_t> number = m_customNumber->number();
    if (choice == 2) {
        if (!number) {
            m_prompts.showMessage(UserPrompts::Icon::Exclamation, "Please enter an integer.");
            m_customNumber->focusEdit();
            return;
        }
        if (*number < 0 || *number > kMaxTrackNumber) {
            m_prompts.showMessage(UserPrompts::Icon::Exclamation, "Please enter an integer between 0 and 255.");
            m_customNumber->focusEdit();
            return;
        }
    }
    // Without "C&ustom" the number cannot be edited and is not used: a
    // stored value outside 0..255 must not hold the dialog, it is kept.
    if (number && *number >= 0 && *number <= kMaxTrackNumber)
        m_record.CustomTrackNum = *number;

    m_record.Title = utf8(m_title->text());
    m_record.Artist = utf8(m_artist->text());
    m_record.Album = utf8(m_album->text());
    m_record.Year = utf8(m_year->text());
    m_record.Genre = utf8(m_genre->currentText());
    m_record.Comment = utf8(m_comment->text());
    m_record.Composer = utf8(m_composer->text());
    m_record.Copyright = utf8(m_copyright->text());
    m_record.TitleAsFileName = m_titleAsFileName->isChecked() ? 1 : 0;
    m_record.TrackNumType = choice;
    QDialog::accept();
}

bool EditId3TagDialog::edit(TagDefaults& record, bool showCopyright, UserPrompts& prompts, QWidget* parent)
{
    EditId3TagDialog dialog(prompts, parent);
    dialog.setRecord(record);
    dialog.setShowCopyright(showCopyright);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    record = dialog.record();
    return true;
}

} // namespace sonivert::ui
