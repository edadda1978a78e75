#include "ui/optionpagecontrols.h"

#include "engine/userprompts.h"
#include "ui/numberedit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sonivert::ui {
namespace {

constexpr int kMinCoefficient = 10;
constexpr int kMaxCoefficient = 3000;
constexpr int kCoefficientStep = 10;

} // namespace

void fillList(QComboBox& list, std::span<const ListEntry> entries)
{
    list.clear();
    for (const ListEntry& entry : entries)
        list.addItem(entry.text, entry.data);
}

void fillKbpsList(QComboBox& list, std::span<const int32_t> kbps)
{
    list.clear();
    for (int32_t value : kbps)
        list.addItem(QStringLiteral("%1 kbps").arg(value), value);
    list.addItem(QStringLiteral("Same as original file"), 0);
}

void fillHzList(QComboBox& list, std::span<const int32_t> rates)
{
    list.clear();
    for (int32_t value : rates)
        list.addItem(QStringLiteral("%1 Hz").arg(value), value);
    list.addItem(QStringLiteral("Same as original file"), 0);
}

bool selectData(QComboBox& list, int32_t value)
{
    const int index = list.findData(value);
    if (index < 0)
        return false;
    list.setCurrentIndex(index);
    return true;
}

void selectDataOrFirst(QComboBox& list, int32_t value)
{
    if (!selectData(list, value) && list.count() > 0)
        list.setCurrentIndex(0);
}

int32_t selectedData(const QComboBox& list, int32_t fallback)
{
    const QVariant data = list.currentData();
    return data.isValid() ? data.toInt() : fallback;
}

int32_t checkBoxValue(const QCheckBox& box, int32_t stored)
{
    return box.isChecked() ? (stored != 0 ? stored : 1) : 0;
}

int radioChoice(const QButtonGroup& group, int fallback)
{
    const int id = group.checkedId();
    return id >= 0 ? id : fallback;
}

void setRadioChoice(QButtonGroup& group, int id)
{
    if (QAbstractButton* button = group.button(id)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; clearing all of them
    // needs the exclusion lifted for a moment.
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons())
        button->setChecked(false);
    group.setExclusive(true);
}

AmplifyGroup::AmplifyGroup(QWidget* parent)
    : QGroupBox(parent),
      m_box(new QCheckBox(QStringLiteral("&Amplify / Reduce sound"), this)),
      m_coefficient(new NumberEdit(kMinCoefficient, kMaxCoefficient, kCoefficientStep, this)),
      m_note(new QLabel(QStringLiteral("< 100% - Reduce sound\n= 100% - No changes\n> 100% - Amplify sound"), this))
{
    auto* label = new QLabel(QStringLiteral("&Coefficient:"), this);
    label->setBuddy(m_coefficient->edit());
    m_coefficient->setFixedWidth(80);
    auto* line = new QHBoxLayout;
    line->addWidget(label);
    line->addWidget(m_coefficient);
    line->addWidget(new QLabel(QStringLiteral("%"), this));
    line->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_box, 0, 0);
    layout->addLayout(line, 1, 0);
    layout->addWidget(m_note, 0, 1, 2, 1);
    layout->setColumnStretch(1, 1);

    connect(m_box, &QCheckBox::clicked, this, [this](bool checked) {
        m_coefficient->setEnabled(checked);
        m_coefficient->focusEdit();
    });
}

void AmplifyGroup::showValues(int32_t amplify, int32_t coefficient)
{
    m_box->setChecked(amplify != 0);
    m_coefficient->setNumber(coefficient);
    m_coefficient->setEnabled(amplify != 0);
}

bool readSwitchedNumber(UserPrompts& prompts, const QCheckBox& box, NumberEdit& edit,
                        const SwitchedNumberRange& range, int32_t& on, int32_t& number)
{
    const std::optional<int32_t> value = edit.number();
    if (!value && !box.isChecked()) {
        // The edit cannot be corrected while it is disabled, and the
        // number is not used: the stored one stays.
        on = 0;
        return true;
    }
    if (!value) {
        prompts.showMessage(UserPrompts::Icon::Exclamation, "Please enter an integer.");
        edit.focusEdit();
        return false;
    }
    if (box.isChecked() && (*value < range.minimum || *value > range.maximum)) {
        prompts.showMessage(UserPrompts::Icon::Exclamation, range.rangeRefusal);
        edit.focusEdit();
        return false;
    }
    on = checkBoxValue(box, on);
    number = *value;
    return true;
}

bool AmplifyGroup::read(UserPrompts& prompts, int32_t& amplify, int32_t& coefficient) const
{
    static constexpr SwitchedNumberRange kRange{kMinCoefficient, kMaxCoefficient,
                                                "Invalid amplification coefficient. It's betwen 10 and 3000."};
    return readSwitchedNumber(prompts, *m_box, *m_coefficient, kRange, amplify, coefficient);
}

TagChoiceGroup::TagChoiceGroup(const Texts& texts, bool withVersions, QWidget* parent)
    : QWidget(parent), m_tags(new QButtonGroup(this)), m_edit(new QPushButton(QString::fromUtf8(texts.editButton), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const char* tagTexts[3] = {texts.add, texts.transfer, texts.none};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(tagTexts[i]), this);
        m_tags->addButton(radio, i);
        if (i == 0) {
            auto* line = new QHBoxLayout;
            line->addWidget(radio);
            line->addWidget(m_edit);
            line->addStretch(1);
            layout->addLayout(line);
        } else {
            layout->addWidget(radio);
        }
    }
    if (withVersions) {
        m_versions = new QButtonGroup(this);
        auto* line = new QHBoxLayout;
        line->addWidget(new QLabel(QStringLiteral("Write ID3 tag as:"), this));
        const char* versionTexts[3] = {"ID3v&1", "ID3v&2", "I&D3v1 && ID3v2"};
        for (int i = 0; i < 3; ++i) {
            auto* radio = new QRadioButton(QString::fromUtf8(versionTexts[i]), this);
            m_versions->addButton(radio, i);
            line->addWidget(radio);
        }
        line->addStretch(1);
        layout->addLayout(line);
    }
    connect(m_tags, &QButtonGroup::idClicked, this, [this](int) { updateEnabled(); });
    connect(m_edit, &QPushButton::clicked, this, &TagChoiceGroup::editRequested);
}

void TagChoiceGroup::showValues(int32_t tagChoice, int32_t version)
{
    setRadioChoice(*m_tags, tagChoice);
    if (m_versions)
        setRadioChoice(*m_versions, version);
    updateEnabled();
}

int32_t TagChoiceGroup::choice(int32_t stored) const
{
    return radioChoice(*m_tags, stored);
}

int32_t TagChoiceGroup::version(int32_t stored) const
{
    return m_versions ? radioChoice(*m_versions, stored) : stored;
}

QRadioButton* TagChoiceGroup::tagRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_tags->button(index));
}

QRadioButton* TagChoiceGroup::versionRadio(int index) const
{
    return m_versions ? qobject_cast<QRadioButton*>(m_versions->button(index)) : nullptr;
}

void TagChoiceGroup::updateEnabled()
{
    const int choice = m_tags->checkedId();
    m_edit->setEnabled(choice == 0);
    if (m_versions) {
        for (QAbstractButton* radio : m_versions->buttons())
            radio->setEnabled(choice != 2);
    }
}

} // namespace sonivert::ui
