#pragma once

#include "ui/formatoptionpage.h"
#include "ui/optionpagecontrols.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QLayout;
class QRadioButton;

namespace sonivert::ui {

// The shape the MP3, WAV, OGG, FLAC and Opus pages share: an "Encoding
// Options:" preset list, up to three value lists below it, channel radios,
// an optional tag choice and the amplification group.
//
// - When the page is first shown the preset list shows "Auto" while auto is
//   on, else the first preset whose list values (and channel, where the page
//   has channel radios) equal the page values, else "Custom".
// - "Auto" disables the value lists and the channel radios; the values stay
//   (the page's copyOut decides what auto hands back). Any other preset
//   enables them again and shows its values in them.
// - By default, choosing a list entry other than the page value, or a
//   channel radio other than the one shown, switches to "Custom" and stores
//   the entry; a page with rules between its values overrides valueChosen
//   and channelClicked.
// - The leave check reads the amplification, the channel radios and the tag
//   choice; OK reads "Auto" and the list selections.
class PresetOptionPage : public FormatOptionPage {
    Q_OBJECT
public:
    static constexpr int kMaxValueLists = 3;
    using ListValues = std::array<int32_t, kMaxValueLists>;

    // One preset: the values it selects in the lists, in list order, and
    // its channel radio (ignored on a page without channel radios).
    struct PresetEntry {
        int32_t id;
        const char* text;
        ListValues values;
        int32_t channel = 0;
    };
    // One value list: its label and how it is filled. fill gets the page
    // value about to be shown, so that a list can offer a stored value it
    // does not normally list; the base then selects that value, else the
    // first entry.
    struct ValueList {
        const char* label;
        std::function<void(QComboBox&, int32_t shown)> fill;
    };
    struct Shape {
        // The encoding group's title; none when empty.
        const char* encodingTitle = "";
        int32_t autoPreset = 0;
        int32_t customPreset = 0;
        // Listed between "Auto" and "Custom", in this order.
        std::vector<PresetEntry> presets;
        // What "Auto" stands for, shown in the lists when it is chosen; none:
        // the lists keep what they show.
        std::optional<ListValues> autoValues;
        std::vector<ValueList> lists; // at most kMaxValueLists
        // Radio texts, top to bottom (their ids are their positions); empty:
        // no channel radios.
        std::vector<const char*> channels;
        // The tag choice group; none on a page without tags.
        std::optional<TagChoiceGroup::Texts> tags;
        bool tagVersions = false;
    };

    QComboBox* presetList() const { return m_presets; }
    QComboBox* valueList(int index) const { return m_lists.at(static_cast<size_t>(index)); }
    // Null on a page without channel radios or for an id that names none.
    QRadioButton* channelRadio(int index) const;
    // Null on a page without tags.
    TagChoiceGroup* tagChoice() const { return m_tags; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    // The page values in the base's terms; the pages map their settings
    // onto them in copyIn and back in copyOut.
    struct Values {
        int32_t autoParams = 1;
        ListValues lists{};
        int32_t channel = 0;
        int32_t tagChoice = kTagSourceCopy;
        int32_t id3Version = 1;
        int32_t amplify = 0;
        int32_t coefficient = 100;
        TagDefaults tags;
    };

    PresetOptionPage(const QString& title, Shape shape, const OptionsPageContext& context);

    // A full-width row at the bottom of the encoding group.
    void addEncodingRow(QWidget* row);
    void addEncodingRow(QLayout* row);

    // A list entry chosen by the user (index into Shape::lists).
    virtual void valueChosen(int list);
    // A channel radio clicked by the user.
    virtual void channelClicked(int id);

    void switchToCustom();
    int32_t shownValue(int list) const { return selectedData(*valueList(list)); }
    // The checked channel radio; -1 when none is.
    int checkedChannel() const;

    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

    Values m_values;
    // The channel radio last shown or clicked.
    int m_shownChannel = -1;

private:
    void presetChosen();
    void setEncodingEnabled(bool enabled);
    int32_t matchingPreset() const;

    Shape m_shape;
    QComboBox* m_presets;
    std::vector<QComboBox*> m_lists;
    QButtonGroup* m_channels;
    QGridLayout* m_grid = nullptr;
    int m_nextRow = 0;
    int m_columns = 1; // of a list
    int m_rowSpan = 1; // of a full-width row
    TagChoiceGroup* m_tags = nullptr;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
