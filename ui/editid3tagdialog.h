#pragma once

#include "settings/conversionsettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace sonivert {
class UserPrompts;
}

namespace sonivert::ui {

class NumberEdit;

// "Edit ID3 Tag": edits one TagDefaults record, the tags written when a
// format's tag choice is "add tag". The format pages open it on a copy of
// their record and take the values back only after OK.
class EditId3TagDialog : public QDialog {
    Q_OBJECT
public:
    // prompts shows the refusals of the track number; it must outlive the
    // dialog. Before setRecord the fields are empty texts, the title taken
    // as typed, no track number, custom number 1, copyright shown.
    explicit EditId3TagDialog(UserPrompts& prompts, QWidget* parent = nullptr);

    // Shows record in the controls. A TrackNumType other than 1 or 2 shows
    // as no track number.
    void setRecord(const TagDefaults& record);
    // Hides the "Co&pyright:" line (MPEG-4 output writes no copyright).
    void setShowCopyright(bool show);

    // The values the dialog accepted: valid after it ended with OK. The
    // custom number is the stored one unless "C&ustom" was chosen, so an
    // unused number comes back unchanged.
    const TagDefaults& record() const { return m_record; }

    // Runs the dialog modally on a copy of record and copies the values back
    // into record only when it ends with OK.
    static bool edit(TagDefaults& record, bool showCopyright, UserPrompts& prompts, QWidget* parent);

    void accept() override;

    // The controls, for the page tests.
    QRadioButton* trackRadio(int index) const { return m_trackRadios[index]; }
    NumberEdit* customNumberEdit() const { return m_customNumber; }
    QCheckBox* titleAsFileNameBox() const { return m_titleAsFileName; }
    QLineEdit* titleEdit() const { return m_title; }
    QLineEdit* artistEdit() const { return m_artist; }
    QLineEdit* albumEdit() const { return m_album; }
    QLineEdit* yearEdit() const { return m_year; }
    QComboBox* genreBox() const { return m_genre; }
    QLineEdit* commentEdit() const { return m_comment; }
    QLineEdit* composerEdit() const { return m_composer; }
    QLineEdit* copyrightEdit() const { return m_copyright; }
    QLabel* copyrightLabel() const { return m_copyrightLabel; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    int trackChoice() const;
    void updateTrackControls(bool focusOnCustom);

    UserPrompts& m_prompts;
    TagDefaults m_record;
    QRadioButton* m_trackRadios[3];
    NumberEdit* m_customNumber;
    QCheckBox* m_titleAsFileName;
    QLineEdit* m_title;
    QLineEdit* m_artist;
    QLineEdit* m_album;
    QLineEdit* m_year;
    QComboBox* m_genre;
    QLineEdit* m_comment;
    QLineEdit* m_composer;
    QLabel* m_copyrightLabel;
    QLineEdit* m_copyright;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace sonivert::ui
