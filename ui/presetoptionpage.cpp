#include "ui/presetoptionpage.h"

#include "ui/editid3tagdialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sonivert::ui {

PresetOptionPage::PresetOptionPage(const QString& title, Shape shape, const OptionsPageContext& context)
    : FormatOptionPage(title, context),
      m_shape(std::move(shape)),
      m_presets(new QComboBox(this)),
      m_channels(new QButtonGroup(this)),
      m_amplify(new AmplifyGroup(this))
{
    Q_ASSERT(m_shape.lists.size() <= kMaxValueLists);
    auto* encoding = new QGroupBox(QString::fromUtf8(m_shape.encodingTitle), this);
    m_grid = new QGridLayout(encoding);
    // Lists span the channel radios' columns; the column after the last
    // radio (at least the one after the lists) takes the spare width.
    const int channelCount = static_cast<int>(m_shape.channels.size());
    m_columns = std::max(channelCount, 1);
    const int stretchColumn = std::max(channelCount, 2);
    m_rowSpan = stretchColumn + 1;
    auto addList = [&](const char* text, QComboBox* list) {
        auto* label = new QLabel(QString::fromUtf8(text), encoding);
        label->setBuddy(list);
        m_grid->addWidget(label, m_nextRow, 0);
        m_grid->addWidget(list, m_nextRow, 1, 1, m_columns);
        ++m_nextRow;
    };
    addList("&Encoding Options:", m_presets);
    for (const ValueList& entry : m_shape.lists) {
        m_lists.push_back(new QComboBox(this));
        addList(entry.label, m_lists.back());
    }
    for (int i = 0; i < channelCount; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(m_shape.channels[static_cast<size_t>(i)]), encoding);
        m_channels->addButton(radio, i);
        m_grid->addWidget(radio, m_nextRow, 1 + i);
    }
    if (channelCount > 0)
        ++m_nextRow;
    m_grid->setColumnStretch(stretchColumn, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(encoding);
    if (m_shape.tags) {
        auto* tagBox = new QGroupBox(this);
        auto* tagLayout = new QVBoxLayout(tagBox);
        m_tags = new TagChoiceGroup(*m_shape.tags, m_shape.tagVersions, tagBox);
        tagLayout->addWidget(m_tags);
        layout->addWidget(tagBox);
        connect(m_tags, &TagChoiceGroup::editRequested, this,
                [this] { (void)EditId3TagDialog::edit(m_values.tags, true, m_prompts, this); });
    }
    layout->addWidget(m_amplify);
    layout->addStretch(1);

    connect(m_presets, &QComboBox::activated, this, [this](int) { presetChosen(); });
    for (size_t i = 0; i < m_lists.size(); ++i)
        connect(m_lists[i], &QComboBox::activated, this, [this, i](int) { valueChosen(static_cast<int>(i)); });
    connect(m_channels, &QButtonGroup::idClicked, this, [this](int id) { channelClicked(id); });
}

QRadioButton* PresetOptionPage::channelRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_channels->button(index));
}

void PresetOptionPage::addEncodingRow(QWidget* row)
{
    m_grid->addWidget(row, m_nextRow++, 0, 1, m_rowSpan);
}

void PresetOptionPage::addEncodingRow(QLayout* row)
{
    m_grid->addLayout(row, m_nextRow++, 0, 1, m_rowSpan);
}

int PresetOptionPage::checkedChannel() const
{
    return m_channels->checkedId();
}

void PresetOptionPage::switchToCustom()
{
    selectData(*m_presets, m_shape.customPreset);
}

int32_t PresetOptionPage::matchingPreset() const
{
    if (m_values.autoParams != 0)
        return m_shape.autoPreset;
    const size_t listCount = m_lists.size();
    for (const PresetEntry& preset : m_shape.presets) {
        const bool sameLists = std::equal(preset.values.begin(), preset.values.begin() + listCount,
                                          m_values.lists.begin());
        const bool sameChannel = m_shape.channels.empty() || preset.channel == m_values.channel;
        if (sameLists && sameChannel)
            return preset.id;
    }
    return m_shape.customPreset;
}

void PresetOptionPage::initialisePage()
{
    std::vector<ListEntry> presets;
    presets.push_back({QStringLiteral("Auto"), m_shape.autoPreset});
    for (const PresetEntry& preset : m_shape.presets)
        presets.push_back({QString::fromUtf8(preset.text), preset.id});
    presets.push_back({QStringLiteral("Custom"), m_shape.customPreset});
    fillList(*m_presets, presets);
    selectData(*m_presets, matchingPreset());

    for (size_t i = 0; i < m_lists.size(); ++i) {
        m_shape.lists[i].fill(*m_lists[i], m_values.lists[i]);
        selectDataOrFirst(*m_lists[i], m_values.lists[i]);
    }
    setRadioChoice(*m_channels, m_values.channel);
    m_shownChannel = m_values.channel;
    if (m_tags)
        m_tags->showValues(m_values.tagChoice, m_values.id3Version);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
    setEncodingEnabled(m_values.autoParams == 0);
}

void PresetOptionPage::setEncodingEnabled(bool enabled)
{
    for (QComboBox* list : m_lists)
        list->setEnabled(enabled);
    for (QAbstractButton* radio : m_channels->buttons())
        radio->setEnabled(enabled);
}

void PresetOptionPage::presetChosen()
{
    const int32_t chosen = selectedData(*m_presets);
    if (chosen == m_shape.autoPreset) {
        if (m_shape.autoValues) {
            for (size_t i = 0; i < m_lists.size(); ++i)
                selectData(*m_lists[i], (*m_shape.autoValues)[i]);
        }
        setEncodingEnabled(false);
        return;
    }
    setEncodingEnabled(true);
    for (const PresetEntry& preset : m_shape.presets) {
        if (preset.id != chosen)
            continue;
        for (size_t i = 0; i < m_lists.size(); ++i)
            selectData(*m_lists[i], preset.values[i]);
        if (!m_shape.channels.empty()) {
            setRadioChoice(*m_channels, preset.channel);
            m_shownChannel = preset.channel;
        }
    }
}

void PresetOptionPage::valueChosen(int list)
{
    const int32_t value = shownValue(list);
    int32_t& stored = m_values.lists[static_cast<size_t>(list)];
    if (value == stored)
        return;
    switchToCustom();
    stored = value;
}

void PresetOptionPage::channelClicked(int id)
{
    if (id != m_shownChannel)
        switchToCustom();
    m_shownChannel = id;
}

bool PresetOptionPage::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.channel = radioChoice(*m_channels, m_values.channel);
    if (m_tags) {
        m_values.tagChoice = m_tags->choice(m_values.tagChoice);
        m_values.id3Version = m_tags->version(m_values.id3Version);
    }
    return true;
}

void PresetOptionPage::readSelections()
{
    m_values.autoParams = selectedData(*m_presets) == m_shape.autoPreset ? 1 : 0;
    for (size_t i = 0; i < m_lists.size(); ++i)
        m_values.lists[i] = selectedData(*m_lists[i], m_values.lists[i]);
}

} // namespace sonivert::ui
