#include "ui/pagewmaoptions.h"

#include "encoders/wmaformatlist.h"
#include "ui/editid3tagdialog.h"
#include "ui/optionpagecontrols.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace sonivert::ui {
namespace {

// Formats below 1 kbit/s would show as "0 kbps" and are not offered.
constexpr int32_t kMinListedBitRate = 1000;

} // namespace

CPageWMAOptions::CPageWMAOptions(const OptionsPageContext& context)
    : FormatOptionPage(QStringLiteral("WMA Options"), context),
      m_formats(new QComboBox(this)),
      m_tags(new TagChoiceGroup({"Add &ID3 tag", "T&ransfer ID3 tag from source file", "&None", "Edit ID3 &tag"},
                                false, this)),
      m_amplify(new AmplifyGroup(this))
{
    auto* encoding = new QGroupBox(this);
    auto* encodingLayout = new QVBoxLayout(encoding);
    auto* label = new QLabel(QStringLiteral("&Encoding Options: (Sample Frequency, Bit Rate, Channels)"), encoding);
    label->setBuddy(m_formats);
    encodingLayout->addWidget(label);
    m_formats->setParent(encoding);
    encodingLayout->addWidget(m_formats);

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

void CPageWMAOptions::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestWMAEncodingParam;
    m_values.sampleRate = settings.WMASampleRate;
    m_values.bitRate = settings.WMABitRate;
    m_values.channels = settings.WMAChannels;
    m_values.tagChoice = settings.WMAID3TagType;
    m_values.amplify = settings.AmplifyWMA;
    m_values.coefficient = settings.AmplifyWMACoeff;
    m_values.tags = settings.WMATag;
}

void CPageWMAOptions::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestWMAEncodingParam = m_values.autoParams != 0 ? 1 : 0;
    if (m_values.autoParams == 0) {
        settings.WMASampleRate = m_values.sampleRate;
        settings.WMABitRate = m_values.bitRate;
        settings.WMAChannels = m_values.channels;
    }
    settings.WMAID3TagType = m_values.tagChoice;
    settings.AmplifyWMA = m_values.amplify;
    settings.AmplifyWMACoeff = m_values.coefficient;
    settings.WMATag = m_values.tags;
}

void CPageWMAOptions::initialisePage()
{
    m_formats->clear();
    m_formats->addItem(QStringLiteral("Auto"), kAutoEntry);
    const bool loaded = context().loadWindowsMediaRuntime && context().loadWindowsMediaRuntime();
    if (loaded && context().wmaFormats) {
        const std::vector<WmaFormat>& entries = context().wmaFormats->entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            const WmaFormat& format = entries[i];
            if (format.bitRate() < kMinListedBitRate)
                continue;
            m_formats->addItem(QStringLiteral("%1 Hz, %2 kbps, %3")
                                   .arg(format.sampleRate())
                                   .arg(format.bitRate() / 1000)
                                   .arg(format.channels() == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo")),
                               static_cast<int>(i));
        }
    }

    // A stored explicit format that is not offered leaves the list without a
    // selection; OK then keeps the stored values (see readSelections).
    int selected = -1;
    if (m_values.autoParams != 0) {
        selected = 0;
    } else if (context().wmaFormats) {
        const std::vector<WmaFormat>& entries = context().wmaFormats->entries();
        for (int row = 1; row < m_formats->count(); ++row) {
            const WmaFormat& format = entries[static_cast<size_t>(m_formats->itemData(row).toInt())];
            if (format.sampleRate() == m_values.sampleRate && format.bitRate() / 1000 == m_values.bitRate / 1000 &&
                format.channels() == m_values.channels) {
                selected = row;
                break;
            }
        }
    }
    m_formats->setCurrentIndex(selected);

    m_tags->showValues(m_values.tagChoice, 0);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
}

bool CPageWMAOptions::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.tagChoice = m_tags->choice(m_values.tagChoice);
    return true;
}

void CPageWMAOptions::readSelections()
{
    const int row = m_formats->currentIndex();
    if (row < 0)
        return; // nothing chosen: the stored choice stands
    const int32_t data = m_formats->itemData(row).toInt();
    if (data == kAutoEntry || !context().wmaFormats) {
        m_values.autoParams = 1;
        return;
    }
    const WmaFormat& format = context().wmaFormats->entries()[static_cast<size_t>(data)];
    m_values.autoParams = 0;
    m_values.sampleRate = format.sampleRate();
    m_values.bitRate = format.bitRate();
    m_values.channels = format.channels();
}

} // namespace sonivert::ui
