#pragma once

// Pieces the format pages of the options sheet share: lists
// whose items carry numbers, the amplification group and the tag choice.

#include "settings/conversionsettings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace sonivert {
class UserPrompts;
}

namespace sonivert::ui {

class NumberEdit;

// The text and item data of one list entry.
struct ListEntry {
    QString text;
    int32_t data;
};

void fillList(QComboBox& list, std::span<const ListEntry> entries);
// "%d kbps" for each bit rate and "%d Hz" for each rate, then "Same as
// original file" with 0.
void fillKbpsList(QComboBox& list, std::span<const int32_t> kbps);
void fillHzList(QComboBox& list, std::span<const int32_t> rates);
// Selects the entry whose data is value; false, selection unchanged, when
// there is none.
bool selectData(QComboBox& list, int32_t value);
// Selects the entry whose data is value, else the first entry.
void selectDataOrFirst(QComboBox& list, int32_t value);
// The data of the selected entry; fallback when nothing is selected.
int32_t selectedData(const QComboBox& list, int32_t fallback = 0);

// A check box read back into a stored value: unchecked gives 0, checked
// keeps a nonzero stored value and turns 0 into 1.
int32_t checkBoxValue(const QCheckBox& box, int32_t stored);

// The choice of an exclusive radio group: the id of the checked button,
// fallback when none is checked (a stored value that names no button).
int radioChoice(const QButtonGroup& group, int fallback);
// Checks the button with id; with no such button every button is cleared.
void setRadioChoice(QButtonGroup& group, int id);

// The leave check of a number that counts only while its check box is on
// (the amplification coefficient, the loudness target). While the box is
// checked the edit must hold an integer ("Please enter an integer.") in
// minimum..maximum (else rangeRefusal); with the box unchecked a text that
// is not an integer keeps the stored number, since the disabled edit cannot
// be corrected. A refusal is shown through prompts, puts the focus on the
// edit and returns false. On success on and number are read back: an
// unchecked box gives 0, a checked one keeps a nonzero on and turns 0 into 1.
struct SwitchedNumberRange {
    int32_t minimum;
    int32_t maximum;
    const char* rangeRefusal;
};
bool readSwitchedNumber(UserPrompts& prompts, const QCheckBox& box, NumberEdit& edit,
                        const SwitchedNumberRange& range, int32_t& on, int32_t& number);

// "&Amplify / Reduce sound" with the coefficient edit and its spin (10..3000
// by 10) and the note. The coefficient edit is enabled only while the box is
// checked.
class AmplifyGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit AmplifyGroup(QWidget* parent = nullptr);

    void showValues(int32_t amplify, int32_t coefficient);
    // The leave check: readSwitchedNumber over 10..3000 with "Invalid
    // amplification coefficient. It's betwen 10 and 3000.".
    bool read(UserPrompts& prompts, int32_t& amplify, int32_t& coefficient) const;

    QCheckBox* amplifyBox() const { return m_box; }
    NumberEdit* coefficientEdit() const { return m_coefficient; }
    QLabel* note() const { return m_note; }

private:
    QCheckBox* m_box;
    NumberEdit* m_coefficient;
    QLabel* m_note;
};

// The three tag radios with the edit button and, on the MP3 page, the
// "Write ID3 tag as:" version radios. The edit button is enabled only for
// the add-tag choice (0) and the version radios unless the choice is none
// (2).
class TagChoiceGroup : public QWidget {
    Q_OBJECT
public:
    struct Texts {
        const char* add;
        const char* transfer;
        const char* none;
        const char* editButton;
    };
    TagChoiceGroup(const Texts& texts, bool withVersions, QWidget* parent = nullptr);

    // A stored choice outside 0..2 checks no radio and is kept by choice().
    void showValues(int32_t tagChoice, int32_t version);
    int32_t choice(int32_t stored) const;
    int32_t version(int32_t stored) const;

    QRadioButton* tagRadio(int index) const;
    QRadioButton* versionRadio(int index) const;
    QPushButton* editButton() const { return m_edit; }

signals:
    void editRequested();

private:
    void updateEnabled();

    QButtonGroup* m_tags;
    QButtonGroup* m_versions = nullptr;
    QPushButton* m_edit;
};

} // namespace sonivert::ui
