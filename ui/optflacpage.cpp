#include "ui/optflacpage.h"

#include <QLabel>

namespace sonivert::ui {
namespace {

constexpr int32_t kFastestLevel = 0;
constexpr int32_t kSmallestLevel = 8;

PresetOptionPage::Shape flacShape()
{
    using P = COptFlacPage;
    PresetOptionPage::Shape shape;
    shape.encodingTitle = "Encoding Parameters";
    shape.autoPreset = P::kPresetAuto;
    shape.customPreset = P::kPresetCustom;
    shape.presets = {
        {P::kPresetFastest, "0 (fastest, largest file)", {kFastestLevel}},
        {P::kPresetSmallest, "8 (slowest, smallest file)", {kSmallestLevel}},
    };
    shape.autoValues = PresetOptionPage::ListValues{P::kAutoLevel};
    shape.lists = {
        {"Compression &Level:",
         [](QComboBox& list, int32_t) {
             list.clear();
             for (int32_t level = kFastestLevel; level <= kSmallestLevel; ++level) {
                 QString text = QString::number(level);
                 if (level == P::kAutoLevel)
                     text += QStringLiteral(" (default)");
                 list.addItem(text, level);
             }
         }},
    };
    shape.tags = TagChoiceGroup::Texts{"Add &tag", "T&ransfer tag from source file", "&None", "Edit &tag"};
    return shape;
}

} // namespace

COptFlacPage::COptFlacPage(const OptionsPageContext& context)
    : PresetOptionPage(QStringLiteral("FLAC Options"), flacShape(), context)
{
    const QString note = QStringLiteral("Lossless: the decoded audio is kept at the source's sample rate and channels.");
    addEncodingRow(new QLabel(note, this));
}

void COptFlacPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.FLACCompressionLevel == kAutoLevel ? 1 : 0;
    m_values.lists[0] = settings.FLACCompressionLevel;
    m_values.tagChoice = settings.FLACID3TagType;
    m_values.amplify = settings.AmplifyFLAC;
    m_values.coefficient = settings.AmplifyFLACCoeff;
    m_values.tags = settings.FLACTag;
}

void COptFlacPage::copyOut(ConversionSettings& settings) const
{
    settings.FLACCompressionLevel = m_values.autoParams != 0 ? kAutoLevel : m_values.lists[0];
    settings.FLACID3TagType = m_values.tagChoice;
    settings.AmplifyFLAC = m_values.amplify;
    settings.AmplifyFLACCoeff = m_values.coefficient;
    settings.FLACTag = m_values.tags;
}

} // namespace sonivert::ui
