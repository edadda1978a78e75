#include "ui/optflacpage.h"

#include "ui/editid3tagdialog.h"
#include "ui/optionpagecontrols.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace sonivert::ui {

COptFlacPage::COptFlacPage(const OptionsPageContext& context)
    : FormatOptionPage(QStringLiteral("FLAC Options"), context),
      m_levels(new QComboBox(this)),
      m_tags(new TagChoiceGroup({"Add &tag", "T&ransfer tag from source file", "&None", "Edit &tag"}, false, this)),
      m_amplify(new AmplifyGroup(this))
{
    auto* encoding = new QGroupBox(QStringLiteral("Encoding Parameters"), this);
    auto* grid = new QGridLayout(encoding);
    auto* label = new QLabel(QStringLiteral("&Compression Level:"), encoding);
    label->setBuddy(m_levels);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_levels, 0, 1);
    const QString note = QStringLiteral("Lossless: the decoded audio is kept at the source's sample rate and channels.");
    grid->addWidget(new QLabel(note, encoding), 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* tagBox = new QGroupBox(this);
    auto* tagLayout = new QVBoxLayout(tagBox);
    m_tags->setParent(tagBox);
    tagLayout->addWidget(m_tags);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(encoding);
    layout->addWidget(tagBox);
    layout->addWidget(m_amplify);
    layout->addStretch(1);

    connect(m_tags, &TagChoiceGroup::editRequested, this,
            [this] { (void)EditId3TagDialog::edit(m_values.tags, true, m_prompts, this); });
}

void COptFlacPage::copyIn(const ConversionSettings& settings)
{
    m_values.level = settings.FLACCompressionLevel;
    m_values.tagChoice = settings.FLACID3TagType;
    m_values.amplify = settings.AmplifyFLAC;
    m_values.coefficient = settings.AmplifyFLACCoeff;
    m_values.tags = settings.FLACTag;
}

void COptFlacPage::copyOut(ConversionSettings& settings) const
{
    settings.FLACCompressionLevel = m_values.level;
    settings.FLACID3TagType = m_values.tagChoice;
    settings.AmplifyFLAC = m_values.amplify;
    settings.AmplifyFLACCoeff = m_values.coefficient;
    settings.FLACTag = m_values.tags;
}

void COptFlacPage::initialisePage()
{
    m_levels->clear();
    for (int32_t level = 0; level <= 8; ++level) {
        QString text = QString::number(level);
        if (level == 0)
            text += QStringLiteral(" (fastest, largest file)");
        else if (level == 5)
            text += QStringLiteral(" (default)");
        else if (level == 8)
            text += QStringLiteral(" (slowest, smallest file)");
        m_levels->addItem(text, level);
    }
    if (!selectData(*m_levels, m_values.level))
        selectData(*m_levels, 5);
    m_tags->showValues(m_values.tagChoice, 0);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
}

bool COptFlacPage::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.tagChoice = m_tags->choice(m_values.tagChoice);
    return true;
}

void COptFlacPage::readSelections()
{
    m_values.level = selectedData(*m_levels, m_values.level);
}

} // namespace sonivert::ui
