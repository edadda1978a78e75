// The Edit ID3 Tag dialog: what it shows of a record, what it gives back on
// OK and Cancel, the free genre text and the track number's checks.

#include "encoders/id3tagbuilder.h"
#include "tests/support/fakes.h"
#include "tests/ui/uitestsupport.h"
#include "ui/editid3tagdialog.h"
#include "ui/numberedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

using ui::EditId3TagDialog;

TagDefaults sampleRecord()
{
    TagDefaults record;
    record.TitleAsFileName = 0;
    record.Title = "Étude";
    record.Artist = "Artist";
    record.Album = "Album";
    record.Year = "1999";
    record.Genre = "Jazz";
    record.Comment = "Comment";
    record.Composer = "Composer";
    record.Copyright = "(c) someone";
    record.TrackNumType = 2;
    record.CustomTrackNum = 7;
    return record;
}

class EditId3TagDialogTest : public ::testing::Test {
protected:
    void open(const TagDefaults& record, bool showCopyright = true)
    {
        dialog.setRecord(record);
        dialog.setShowCopyright(showCopyright);
        dialog.show();
        QApplication::processEvents();
    }
    void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void pressOk() { QTest::mouseClick(dialog.okButton(), Qt::LeftButton); }

    RecordingPrompts prompts;
    EditId3TagDialog dialog{prompts};
};

TEST_F(EditId3TagDialogTest, ShowsTheRecordAndGivesItBackUnchanged)
{
    const TagDefaults record = sampleRecord();
    open(record);
    EXPECT_EQ("Edit ID3 Tag", dialog.windowTitle().toStdString());
    EXPECT_EQ("Étude", dialog.titleEdit()->text().toStdString());
    EXPECT_TRUE(dialog.titleEdit()->isEnabled());
    EXPECT_EQ("Jazz", dialog.genreBox()->currentText().toStdString());
    EXPECT_TRUE(dialog.trackRadio(2)->isChecked());
    EXPECT_TRUE(dialog.customNumberEdit()->isEnabled());
    EXPECT_TRUE(dialog.copyrightEdit()->isVisible());

    // The genres are the ID3 writer's, in genre-number order.
    const auto genres = id3GenreNames();
    ASSERT_EQ(148, dialog.genreBox()->count());
    for (int i = 0; i < dialog.genreBox()->count(); ++i)
        EXPECT_EQ(genres[static_cast<size_t>(i)], dialog.genreBox()->itemText(i).toStdString());

    pressOk();
    EXPECT_EQ(QDialog::Accepted, dialog.result());
    EXPECT_EQ(record, dialog.record());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(EditId3TagDialogTest, CopyrightLineHiddenOnRequestKeepsItsText)
{
    open(sampleRecord(), false);
    EXPECT_FALSE(dialog.copyrightLabel()->isVisible());
    EXPECT_FALSE(dialog.copyrightEdit()->isVisible());
    EXPECT_TRUE(dialog.composerEdit()->isVisible());
    pressOk();
    EXPECT_EQ("(c) someone", dialog.record().Copyright);
}

TEST_F(EditId3TagDialogTest, TypedGenreIsKeptExactlyAsTyped)
{
    open(sampleRecord());
    // Neither a name missing from the list, nor a list name in other
    // letter case, nor a prefix of one is completed or replaced.
    for (const char* typed : {"Chiptune Ballads", "rock", "Roc"}) {
        QLineEdit* genreEdit = dialog.genreBox()->lineEdit();
        typeInto(genreEdit, QString::fromUtf8(typed));
        QTest::keyClick(genreEdit, Qt::Key_Return);
        pressOk();
        EXPECT_EQ(typed, dialog.record().Genre);
        dialog.show();
    }
}

TEST_F(EditId3TagDialogTest, NameAsFileNameDisablesTheTitle)
{
    TagDefaults record = sampleRecord();
    record.TitleAsFileName = 1;
    open(record);
    EXPECT_FALSE(dialog.titleEdit()->isEnabled());
    QTest::mouseClick(dialog.titleAsFileNameBox(), Qt::LeftButton);
    EXPECT_TRUE(dialog.titleEdit()->isEnabled());
    EXPECT_TRUE(dialog.titleEdit()->hasFocus());
    QTest::mouseClick(dialog.titleAsFileNameBox(), Qt::LeftButton);
    EXPECT_FALSE(dialog.titleEdit()->isEnabled());
    pressOk();
    EXPECT_EQ(1, dialog.record().TitleAsFileName);
    EXPECT_EQ("Étude", dialog.record().Title);
}

TEST_F(EditId3TagDialogTest, CustomNumberIsCheckedAsAnIntegerFrom0To255)
{
    open(sampleRecord());
    QLineEdit* number = dialog.customNumberEdit()->edit();

    typeInto(number, QStringLiteral("300"));
    pressOk();
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("Please enter an integer between 0 and 255.", prompts.messages[0].text);
    EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(number->hasFocus());

    typeInto(number, QStringLiteral("12x"));
    pressOk();
    ASSERT_EQ(2u, prompts.messages.size());
    EXPECT_EQ("Please enter an integer.", prompts.messages[1].text);
    EXPECT_TRUE(dialog.isVisible());

    typeInto(number, QStringLiteral("0"));
    pressOk();
    EXPECT_EQ(2u, prompts.messages.size());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(0, dialog.record().CustomTrackNum);
    EXPECT_EQ(2, dialog.record().TrackNumType);
}

TEST_F(EditId3TagDialogTest, TrackRadiosEnableTheCustomNumberOnlyForCustom)
{
    TagDefaults record = sampleRecord();
    record.TrackNumType = 9; // not a choice: shows as none
    record.CustomTrackNum = 42;
    open(record);
    EXPECT_TRUE(dialog.trackRadio(0)->isChecked());
    EXPECT_FALSE(dialog.customNumberEdit()->isEnabled());

    QTest::mouseClick(dialog.trackRadio(2), Qt::LeftButton);
    EXPECT_TRUE(dialog.customNumberEdit()->isEnabled());
    EXPECT_TRUE(dialog.customNumberEdit()->edit()->hasFocus());
    QTest::mouseClick(dialog.trackRadio(1), Qt::LeftButton);
    EXPECT_FALSE(dialog.customNumberEdit()->isEnabled());
    QTest::mouseClick(dialog.trackRadio(0), Qt::LeftButton);

    pressOk();
    EXPECT_EQ(0, dialog.record().TrackNumType);
    EXPECT_EQ(42, dialog.record().CustomTrackNum);
}

TEST_F(EditId3TagDialogTest, UnusedCustomNumberOutsideTheRangeDoesNotHoldTheDialog)
{
    TagDefaults record = sampleRecord();
    record.TrackNumType = 1;
    record.CustomTrackNum = 300; // stored values are not checked when loaded
    open(record);
    pressOk();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(QDialog::Accepted, dialog.result());
    EXPECT_EQ(300, dialog.record().CustomTrackNum);
    EXPECT_EQ(1, dialog.record().TrackNumType);
}

TEST_F(EditId3TagDialogTest, SpinStepsTheNumberInTheEdit)
{
    open(sampleRecord());
    QLineEdit* number = dialog.customNumberEdit()->edit();
    typeInto(number, QStringLiteral("254"));
    QTest::keyClick(number, Qt::Key_Up);
    EXPECT_EQ("255", number->text().toStdString());
    QTest::keyClick(number, Qt::Key_Up);
    EXPECT_EQ("255", number->text().toStdString()) << "the spin stops at its maximum";
    typeInto(number, QStringLiteral("0"));
    QTest::keyClick(number, Qt::Key_Down);
    EXPECT_EQ("0", number->text().toStdString());
}

TEST(EditId3TagDialogRun, OkCopiesBackAndCancelChangesNothing)
{
    RecordingPrompts prompts;
    TagDefaults record = sampleRecord();
    const TagDefaults original = record;

    auto typeArtistThen = [](bool ok) {
        QTimer::singleShot(0, [ok] {
            auto* dialog = qobject_cast<EditId3TagDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, dialog);
            dialog->artistEdit()->setText(QStringLiteral("Someone Else"));
            QTest::mouseClick(ok ? dialog->okButton() : dialog->cancelButton(), Qt::LeftButton);
        });
    };

    typeArtistThen(false);
    EXPECT_FALSE(EditId3TagDialog::edit(record, true, prompts, nullptr));
    EXPECT_EQ(original, record);

    typeArtistThen(true);
    EXPECT_TRUE(EditId3TagDialog::edit(record, false, prompts, nullptr));
    EXPECT_EQ("Someone Else", record.Artist);
    TagDefaults expected = original;
    expected.Artist = "Someone Else";
    EXPECT_EQ(expected, record);
}

TEST(EditId3TagDialogShot, SavesAScreenshot)
{
    RecordingPrompts prompts;
    EditId3TagDialog dialog(prompts);
    dialog.setRecord(sampleRecord());
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.grab().save(screenshotPath("edit_id3_tag.png")));
}

} // namespace
} // namespace sonivert::test
