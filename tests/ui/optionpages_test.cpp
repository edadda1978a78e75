// The format pages of the options sheet, each driven as the user drives it:
// settings copied in, the page shown, lists chosen and radios clicked, the
// leave check and OK, settings copied out. Prompts are recorded.

#include "encoders/wmaformatlist.h"
#include "engine/engine.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"
#include "tests/ui/uitestsupport.h"
#include "ui/amroptpage.h"
#include "ui/editid3tagdialog.h"
#include "ui/hyperlink.h"
#include "ui/mainwindow.h"
#include "ui/numberedit.h"
#include "ui/optaacpage.h"
#include "ui/optflacpage.h"
#include "ui/optionpagecontrols.h"
#include "ui/optmp3page.h"
#include "ui/optoggpage.h"
#include "ui/optopuspage.h"
#include "ui/optoutputpage.h"
#include "ui/optsheet.h"
#include "ui/optwavpage.h"
#include "ui/pagewmaoptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace sonivert::test {
namespace {

using namespace ui;

// Picks the entry with data as a user does, so the page's handler runs.
void choose(QComboBox* list, int32_t data)
{
    const int index = list->findData(data);
    ASSERT_GE(index, 0) << "no entry with data " << data;
    list->setCurrentIndex(index);
    emit list->activated(index);
}

int32_t shown(const QComboBox* list)
{
    return list->currentData().toInt();
}

// Clicks near the left edge: a radio button or check box stretched by its
// layout takes clicks only on its mark and text.
void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(std::min(8, button->width() / 2), button->height() / 2));
}

ConversionSettings defaults()
{
    return ConversionSettings(std::string("/home/user/Documents"));
}

// Confirms the page as the sheet's OK does and copies its values out into
// a copy of settings.
ConversionSettings confirmed(OptionsPage& page, const ConversionSettings& settings)
{
    EXPECT_TRUE(page.leavePage());
    page.applyPage();
    ConversionSettings out = settings;
    page.copyOut(out);
    return out;
}

// The pages' share of the main window.
struct TestContext {
    RecordingPrompts prompts;
    ScriptedFileDialogs dialogs;
    OptionsPageContext context{prompts, dialogs, {}, nullptr};
};

// Copies settings in and shows the page as the sheet does.
void showPage(OptionsPage& page, const ConversionSettings& settings)
{
    page.copyIn(settings);
    page.initialiseOnce();
    page.show();
    QApplication::processEvents();
}

template <typename Page>
std::unique_ptr<Page> openPage(TestContext& context, const ConversionSettings& settings)
{
    auto page = std::make_unique<Page>(context.context);
    showPage(*page, settings);
    QApplication::processEvents();
    return page;
}

class PageTest : public ::testing::Test {
protected:
    TestContext context;
    RecordingPrompts& prompts = context.prompts;
    ConversionSettings settings = defaults();
};

// ----- MP3 -----

class Mp3PageTest : public PageTest {
protected:
    void SetUp() override
    {
        settings.AutoDestMP3EncodingParam = 0;
        settings.MP3BitRate = 128;
        settings.MP3SampleRate = 44100;
        settings.MP3ChannelMode = 1;
    }
};

TEST_F(Mp3PageTest, PresetIsMatchedWhenThePageOpens)
{
    auto page = openPage<COptMp3Page>(context, settings);
    EXPECT_EQ(COptMp3Page::kPreset44100, shown(page->presetList()));
    EXPECT_EQ("44100Hz, 128 kbps, Joint Stereo (close to CD-quality, large size)",
              page->presetList()->currentText().toStdString());
    EXPECT_TRUE(page->channelRadio(COptMp3Page::kJointStereo)->isChecked());

    settings.MP3ChannelMode = 0; // stereo: no preset has it
    page = openPage<COptMp3Page>(context, settings);
    EXPECT_EQ(COptMp3Page::kPresetCustom, shown(page->presetList()));
    EXPECT_TRUE(page->channelRadio(COptMp3Page::kStereo)->isChecked());

    settings.MP3ChannelMode = 3;
    settings.MP3BitRate = 16;
    settings.MP3SampleRate = 11025;
    page = openPage<COptMp3Page>(context, settings);
    EXPECT_EQ(COptMp3Page::kPreset11025, shown(page->presetList()));

    settings.AutoDestMP3EncodingParam = 1;
    page = openPage<COptMp3Page>(context, settings);
    EXPECT_EQ(COptMp3Page::kPresetAuto, shown(page->presetList()));
    EXPECT_FALSE(page->bitRateList()->isEnabled());
    EXPECT_FALSE(page->rateList()->isEnabled());
    EXPECT_FALSE(page->channelRadio(0)->isEnabled());
    // The lists still show the stored values, and OK keeps them.
    EXPECT_EQ(16, shown(page->bitRateList()));
    settings.MP3ChannelMode = 0;
    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(1, out.AutoDestMP3EncodingParam);
    EXPECT_EQ(0, out.MP3ChannelMode);
}

TEST_F(Mp3PageTest, BitRateChoiceCorrectsTheRate)
{
    auto page = openPage<COptMp3Page>(context, settings);
    choose(page->bitRateList(), 16);
    EXPECT_EQ(24000, shown(page->rateList()));
    EXPECT_EQ(COptMp3Page::kPresetCustom, shown(page->presetList()));

    choose(page->bitRateList(), 192); // needs at least 32000 Hz
    EXPECT_EQ(32000, shown(page->rateList()));
    choose(page->bitRateList(), 64); // fits every rate
    EXPECT_EQ(32000, shown(page->rateList()));

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AutoDestMP3EncodingParam);
    EXPECT_EQ(64, out.MP3BitRate);
    EXPECT_EQ(32000, out.MP3SampleRate);
    EXPECT_EQ(1, out.MP3ChannelMode);
}

TEST_F(Mp3PageTest, RateChoiceCorrectsTheBitRate)
{
    auto page = openPage<COptMp3Page>(context, settings);
    choose(page->rateList(), 8000);
    EXPECT_EQ(64, shown(page->bitRateList()));
    EXPECT_EQ(COptMp3Page::kPresetCustom, shown(page->presetList()));

    choose(page->bitRateList(), 8);
    choose(page->rateList(), 48000); // needs at least 32 kbps
    EXPECT_EQ(32, shown(page->bitRateList()));

    choose(page->bitRateList(), 320);
    choose(page->rateList(), 22050); // allows at most 160 kbps
    EXPECT_EQ(160, shown(page->bitRateList()));
    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(160, out.MP3BitRate);
    EXPECT_EQ(22050, out.MP3SampleRate);
}

TEST_F(Mp3PageTest, SameAsOriginalFileLeavesTheOtherListAlone)
{
    auto page = openPage<COptMp3Page>(context, settings);
    choose(page->rateList(), 0);
    EXPECT_EQ(128, shown(page->bitRateList()));
    EXPECT_EQ(COptMp3Page::kPreset44100, shown(page->presetList()));

    choose(page->bitRateList(), 320);
    EXPECT_EQ(0, shown(page->rateList()));
    EXPECT_EQ(COptMp3Page::kPreset44100, shown(page->presetList()));

    choose(page->bitRateList(), 0);
    choose(page->rateList(), 8000);
    EXPECT_EQ(0, shown(page->bitRateList()));

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.MP3BitRate);
    EXPECT_EQ(8000, out.MP3SampleRate);
}

TEST_F(Mp3PageTest, PresetsSetTheListsAndChannelClicksSwitchToCustom)
{
    auto page = openPage<COptMp3Page>(context, settings);
    choose(page->presetList(), COptMp3Page::kPreset11025);
    EXPECT_EQ(16, shown(page->bitRateList()));
    EXPECT_EQ(11025, shown(page->rateList()));
    EXPECT_TRUE(page->channelRadio(COptMp3Page::kMono)->isChecked());

    click(page->channelRadio(COptMp3Page::kMono)); // unchanged
    EXPECT_EQ(COptMp3Page::kPreset11025, shown(page->presetList()));
    click(page->channelRadio(COptMp3Page::kSameAsSource));
    EXPECT_EQ(COptMp3Page::kPresetCustom, shown(page->presetList()));

    choose(page->presetList(), COptMp3Page::kPresetAuto);
    EXPECT_FALSE(page->rateList()->isEnabled());
    choose(page->presetList(), COptMp3Page::kPreset22050);
    EXPECT_TRUE(page->rateList()->isEnabled());
    EXPECT_TRUE(page->channelRadio(COptMp3Page::kJointStereo)->isChecked());

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(32, out.MP3BitRate);
    EXPECT_EQ(22050, out.MP3SampleRate);
    EXPECT_EQ(1, out.MP3ChannelMode);

    choose(page->presetList(), COptMp3Page::kPreset32000);
    click(page->channelRadio(COptMp3Page::kMono));
    EXPECT_EQ(3, confirmed(*page, settings).MP3ChannelMode);
    click(page->channelRadio(COptMp3Page::kSameAsSource));
    EXPECT_EQ(4, confirmed(*page, settings).MP3ChannelMode);
}

TEST_F(Mp3PageTest, TagChoiceEnablesTheEditButtonAndVersions)
{
    settings.MP3ID3TagType = 1;
    settings.MP3WriteID3Version = 2;
    auto page = openPage<COptMp3Page>(context, settings);
    TagChoiceGroup* tags = page->tagChoice();
    EXPECT_FALSE(tags->editButton()->isEnabled());
    EXPECT_TRUE(tags->versionRadio(2)->isChecked());
    EXPECT_TRUE(tags->versionRadio(0)->isEnabled());

    click(tags->tagRadio(2));
    EXPECT_FALSE(tags->versionRadio(0)->isEnabled());
    EXPECT_FALSE(tags->editButton()->isEnabled());
    click(tags->tagRadio(0));
    EXPECT_TRUE(tags->editButton()->isEnabled());
    EXPECT_TRUE(tags->versionRadio(1)->isEnabled());
    click(tags->versionRadio(0));

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.MP3ID3TagType);
    EXPECT_EQ(0, out.MP3WriteID3Version);

    // A stored choice that names no radio is kept.
    settings.MP3ID3TagType = 7;
    page = openPage<COptMp3Page>(context, settings);
    EXPECT_FALSE(page->tagChoice()->editButton()->isEnabled());
    EXPECT_EQ(7, confirmed(*page, settings).MP3ID3TagType);
}

TEST_F(Mp3PageTest, LinksOpenTheirAddresses)
{
    auto page = openPage<COptMp3Page>(context, settings);
    EXPECT_EQ("Joint Stereo vs. Stereo", page->jointStereoLink()->text().toStdString());
    EXPECT_EQ("The program uses LAME MP3 encoder.", page->encoderLink()->text().toStdString());
    QTest::mouseClick(page->jointStereoLink(), Qt::LeftButton);
    QTest::mouseClick(page->encoderLink(), Qt::LeftButton);
    ASSERT_EQ(2u, prompts.openedUrls.size());
    EXPECT_NE(std::string::npos, prompts.openedUrls[0].find("/search?q=joint+stereo+vs+stereo"));
    EXPECT_EQ(page->encoderLink()->address().toStdString(), prompts.openedUrls[1]);
}

// ----- The tag dialog from the pages -----

// Opens the page's tag dialog, checks it, types an artist and ends it.
void editTagsOnPage(QPushButton* editButton, bool expectCopyright, bool ok)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<EditId3TagDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, dialog);
        ran = true;
        EXPECT_EQ(expectCopyright, dialog->copyrightEdit()->isVisible());
        EXPECT_EQ("Stored Artist", dialog->artistEdit()->text().toStdString());
        dialog->artistEdit()->setText(QStringLiteral("New Artist"));
        click(ok ? dialog->okButton() : dialog->cancelButton());
    });
    click(editButton);
    EXPECT_TRUE(ran);
}

TEST_F(PageTest, TagDialogWorksOnACopyOfThePageRecord)
{
    settings.MP3ID3TagType = 0;
    settings.OGGID3TagType = 0;
    settings.M4AID3TagType = 0;
    settings.MP3Tag.Artist = settings.OGGTag.Artist = settings.M4ATag.Artist = settings.FLACTag.Artist =
        settings.OPUSTag.Artist = "Stored Artist";
    settings.MP3Tag.Copyright = settings.M4ATag.Copyright = "(c) kept";

    auto mp3 = openPage<COptMp3Page>(context, settings);
    editTagsOnPage(mp3->tagChoice()->editButton(), true, false);
    EXPECT_EQ(settings.MP3Tag, confirmed(*mp3, settings).MP3Tag) << "Cancel changes nothing";
    editTagsOnPage(mp3->tagChoice()->editButton(), true, true);
    EXPECT_EQ("Stored Artist", settings.MP3Tag.Artist) << "the settings change only on copy-out";
    EXPECT_EQ("New Artist", confirmed(*mp3, settings).MP3Tag.Artist);

    auto ogg = openPage<COptOggPage>(context, settings);
    editTagsOnPage(ogg->tagChoice()->editButton(), true, true);
    EXPECT_EQ("New Artist", confirmed(*ogg, settings).OGGTag.Artist);

    settings.FLACID3TagType = 0;
    auto flac = openPage<COptFlacPage>(context, settings);
    editTagsOnPage(flac->tagChoice()->editButton(), true, true);
    EXPECT_EQ("New Artist", confirmed(*flac, settings).FLACTag.Artist);

    settings.OPUSID3TagType = 0;
    auto opus = openPage<COptOpusPage>(context, settings);
    editTagsOnPage(opus->tagChoice()->editButton(), true, true);
    EXPECT_EQ("New Artist", confirmed(*opus, settings).OPUSTag.Artist);

    auto m4a = openPage<COptM4aPage>(context, settings);
    EXPECT_EQ("MP4/M4A/M4B Options", m4a->title().toStdString());
    editTagsOnPage(m4a->tagChoice()->editButton(), false, true);
    const ConversionSettings out = confirmed(*m4a, settings);
    EXPECT_EQ("New Artist", out.M4ATag.Artist);
    EXPECT_EQ("(c) kept", out.M4ATag.Copyright);
}

// ----- WAV -----

TEST_F(PageTest, WavPresetsAndPlainCustomSwitching)
{
    settings.AutoDestWAVEncodingParam = 0;
    settings.WAVBitsPerSample = 8;
    settings.WAVSampleRate = 11025;
    settings.WAVChannelNum = 1;
    auto page = openPage<COptWavPage>(context, settings);
    EXPECT_EQ(COptWavPage::kPreset11025, shown(page->presetList()));

    settings.WAVBitsPerSample = 16; // the 11025 Hz preset is 8 bits only
    page = openPage<COptWavPage>(context, settings);
    EXPECT_EQ(COptWavPage::kPresetCustom, shown(page->presetList()));

    choose(page->presetList(), COptWavPage::kPreset44100);
    EXPECT_EQ(16, shown(page->bitsList()));
    EXPECT_EQ(44100, shown(page->rateList()));
    EXPECT_TRUE(page->channelRadio(COptWavPage::kStereo)->isChecked());

    choose(page->rateList(), 96000); // no correction of the width
    EXPECT_EQ(COptWavPage::kPresetCustom, shown(page->presetList()));
    EXPECT_EQ(16, shown(page->bitsList()));
    choose(page->presetList(), COptWavPage::kPreset32000);
    choose(page->bitsList(), 8);
    EXPECT_EQ(COptWavPage::kPresetCustom, shown(page->presetList()));
    EXPECT_EQ(32000, shown(page->rateList()));
    choose(page->presetList(), COptWavPage::kPreset32000);
    click(page->channelRadio(COptWavPage::kSameAsSource));
    EXPECT_EQ(COptWavPage::kPresetCustom, shown(page->presetList()));

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AutoDestWAVEncodingParam);
    EXPECT_EQ(16, out.WAVBitsPerSample);
    EXPECT_EQ(32000, out.WAVSampleRate);
    EXPECT_EQ(0, out.WAVChannelNum);
}

// ----- OGG -----

TEST_F(PageTest, OggBitRateIsClampedIntoTheVorbisLimits)
{
    settings.AutoDestOGGEncodingParam = 0;
    settings.OGGBitRate = 480;
    settings.OGGSampleRate = 44100;
    settings.OGGChannels = 2;
    auto page = openPage<COptOggPage>(context, settings);
    EXPECT_EQ(COptOggPage::kPresetCustom, shown(page->presetList()));

    choose(page->rateList(), 8000);
    EXPECT_EQ(80, shown(page->bitRateList()));
    click(page->channelRadio(COptOggPage::kMono));
    EXPECT_EQ(40, shown(page->bitRateList()));
    choose(page->bitRateList(), 8); // the mono minimum at 8000 Hz
    EXPECT_EQ(8, shown(page->bitRateList()));
    click(page->channelRadio(COptOggPage::kStereo));
    EXPECT_EQ(16, shown(page->bitRateList()));

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(16, out.OGGBitRate);
    EXPECT_EQ(8000, out.OGGSampleRate);
    EXPECT_EQ(2, out.OGGChannels);
}

TEST_F(PageTest, OggSameAsOriginalFileSkipsTheCorrection)
{
    settings.AutoDestOGGEncodingParam = 0;
    settings.OGGBitRate = 128;
    settings.OGGSampleRate = 44100;
    settings.OGGChannels = 2;
    auto page = openPage<COptOggPage>(context, settings);
    EXPECT_EQ(COptOggPage::kPreset44100, shown(page->presetList()));
    click(page->channelRadio(COptOggPage::kStereo)); // unchanged: stays on the preset
    EXPECT_EQ(COptOggPage::kPreset44100, shown(page->presetList()));

    click(page->channelRadio(COptOggPage::kSameAsSource));
    choose(page->bitRateList(), 480);
    choose(page->rateList(), 8000);
    EXPECT_EQ(480, shown(page->bitRateList()));
    EXPECT_EQ(COptOggPage::kPreset44100, shown(page->presetList()));

    click(page->channelRadio(COptOggPage::kStereo));
    EXPECT_EQ(80, shown(page->bitRateList()));
    EXPECT_EQ(COptOggPage::kPresetCustom, shown(page->presetList()));
}

// ----- WMA -----

// The WMA page over the engine's real run-time check and codec list.
class WmaPageTest : public PageTest {
protected:
    void SetUp() override
    {
        useBuiltWmaRuntime();
        context.context.loadWindowsMediaRuntime = [this] { return engine.windowsMediaReady(); };
        context.context.wmaFormats = &engine.wmaFormatList();
    }
    void TearDown() override { useBuiltWmaRuntime(); }

    // The first listed codec entry with channels.
    int rowWith(const QComboBox* list, int32_t channels) const
    {
        for (int row = 1; row < list->count(); ++row) {
            if (list->itemText(row).endsWith(channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo")))
                return row;
        }
        return -1;
    }

    Engine engine{prompts};
};

TEST_F(WmaPageTest, ListsAutoThenTheCodecFormatsOfTheLoadedRuntime)
{
    auto page = openPage<CPageWMAOptions>(context, settings);
    QComboBox* list = page->formatList();
    ASSERT_GT(list->count(), 1) << "the run-time of this build offers formats";
    EXPECT_EQ("Auto", list->itemText(0).toStdString());
    EXPECT_EQ(CPageWMAOptions::kAutoEntry, list->itemData(0).toInt());
    EXPECT_EQ(0, list->currentIndex()) << "auto is on by default";
    const std::vector<WmaFormat>& formats = engine.wmaFormatList().entries();
    for (int row = 1; row < list->count(); ++row) {
        const WmaFormat& format = formats.at(static_cast<size_t>(list->itemData(row).toInt()));
        EXPECT_GE(format.bitRate(), 1000);
        const QString expected = QStringLiteral("%1 Hz, %2 kbps, %3")
                                     .arg(format.sampleRate())
                                     .arg(format.bitRate() / 1000)
                                     .arg(format.channels() == 1 ? "Mono" : "Stereo");
        EXPECT_EQ(expected, list->itemText(row));
    }
    EXPECT_TRUE(prompts.questions.empty());
    page->resize(560, 420);
    EXPECT_TRUE(page->grab().save(screenshotPath("page_wma_formats.png")));
}

TEST_F(WmaPageTest, AutoKeepsTheStoredValuesAfterOk)
{
    settings.AutoDestWMAEncodingParam = 0;
    auto page = openPage<CPageWMAOptions>(context, settings);
    QComboBox* list = page->formatList();
    const int mono = rowWith(list, 1);
    ASSERT_GT(mono, 0);
    list->setCurrentIndex(mono);
    const WmaFormat& chosen = engine.wmaFormatList().entries().at(static_cast<size_t>(list->currentData().toInt()));
    ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AutoDestWMAEncodingParam);
    EXPECT_EQ(chosen.sampleRate(), out.WMASampleRate);
    EXPECT_EQ(chosen.bitRate(), out.WMABitRate);
    EXPECT_EQ(1, out.WMAChannels);

    // Opened again on those values, the page shows that entry; with "Auto"
    // chosen, OK writes auto and leaves the three values as they were.
    page = openPage<CPageWMAOptions>(context, out);
    EXPECT_EQ(mono, page->formatList()->currentIndex());
    page->formatList()->setCurrentIndex(0);
    ConversionSettings elsewhere = out;
    elsewhere.WMASampleRate = 1;
    elsewhere.WMABitRate = 2;
    elsewhere.WMAChannels = 3;
    const ConversionSettings autoOut = confirmed(*page, elsewhere);
    EXPECT_EQ(1, autoOut.AutoDestWMAEncodingParam);
    EXPECT_EQ(1, autoOut.WMASampleRate);
    EXPECT_EQ(2, autoOut.WMABitRate);
    EXPECT_EQ(3, autoOut.WMAChannels);
}

TEST_F(WmaPageTest, StoredFormatNotOfferedIsKeptWhenNothingIsChosen)
{
    settings.AutoDestWMAEncodingParam = 0;
    settings.WMASampleRate = 12345;
    auto page = openPage<CPageWMAOptions>(context, settings);
    EXPECT_EQ(-1, page->formatList()->currentIndex());
    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AutoDestWMAEncodingParam);
    EXPECT_EQ(12345, out.WMASampleRate);
}

TEST_F(WmaPageTest, WithoutTheRuntimeOnlyAutoIsListedAfterTheQuestion)
{
    hideWmaRuntime();
    auto page = openPage<CPageWMAOptions>(context, settings);
    EXPECT_EQ(1, page->formatList()->count());
    EXPECT_EQ(0, page->formatList()->currentIndex());
    EXPECT_EQ(1u, prompts.questions.size());
    EXPECT_EQ(settings, confirmed(*page, settings));
}

// ----- AMR -----

TEST_F(PageTest, AmrBandRadiosSwapTheListsAndModesComeBack)
{
    settings.AMRType = 0;
    settings.AMRMode = 7;
    settings.AMRWBMode = 99; // not a mode: the fifth entry is shown
    settings.AWBMode = 8;
    auto page = openPage<CAmrOptPage>(context, settings);
    EXPECT_TRUE(page->nbModeList()->isEnabled());
    EXPECT_FALSE(page->wbModeList()->isEnabled());
    EXPECT_EQ("12.2 kbps", page->nbModeList()->currentText().toStdString());
    EXPECT_EQ(4, shown(page->wbModeList()));
    EXPECT_EQ("23.85 kbps", page->awbModeList()->currentText().toStdString());

    click(page->bandRadio(CAmrOptPage::kWideBand));
    EXPECT_FALSE(page->nbModeList()->isEnabled());
    EXPECT_TRUE(page->wbModeList()->isEnabled());
    EXPECT_TRUE(page->awbModeList()->isEnabled());
    choose(page->wbModeList(), 2);
    click(page->dtxBox());
    click(page->awbDtxBox());

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(1, out.AMRType);
    EXPECT_EQ(7, out.AMRMode);
    EXPECT_EQ(2, out.AMRWBMode);
    EXPECT_EQ(8, out.AWBMode);
    EXPECT_EQ(1, out.AMRDTX);
    EXPECT_EQ(1, out.AWBDTX);
}

TEST_F(PageTest, FlacLevelTagChoiceAndAmplificationComeBack)
{
    settings.FLACCompressionLevel = 3;
    settings.FLACID3TagType = kTagSourceNone;
    auto page = openPage<COptFlacPage>(context, settings);
    EXPECT_EQ("FLAC Options", page->title().toStdString());
    ASSERT_EQ(9, page->levelList()->count());
    EXPECT_EQ(3, shown(page->levelList()));
    EXPECT_FALSE(page->tagChoice()->editButton()->isEnabled());
    choose(page->levelList(), 8);
    click(page->tagChoice()->tagRadio(0));
    EXPECT_TRUE(page->tagChoice()->editButton()->isEnabled());
    click(page->amplifyGroup()->amplifyBox());
    page->amplifyGroup()->coefficientEdit()->setText(QStringLiteral("250"));

    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(8, out.FLACCompressionLevel);
    EXPECT_EQ(kTagSourceDefaults, out.FLACID3TagType);
    EXPECT_EQ(1, out.AmplifyFLAC);
    EXPECT_EQ(250, out.AmplifyFLACCoeff);
}

// ----- FLAC and Opus on the shared preset page -----

// A stored state of a preset page and what the page shows for it.
struct PresetMatch {
    const char* name;
    std::function<void(ConversionSettings&)> store;
    int32_t preset; // in the preset list
    int32_t listed; // in the (first) value list
};

template <typename Page>
void checkPresetMatches(TestContext& context, std::initializer_list<PresetMatch> cases)
{
    for (const PresetMatch& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSettings stored = defaults();
        c.store(stored);
        auto page = openPage<Page>(context, stored);
        EXPECT_EQ(c.preset, shown(page->presetList()));
        EXPECT_EQ(c.listed, shown(page->valueList(0)));
        EXPECT_EQ(c.preset != Page::kPresetAuto, page->valueList(0)->isEnabled());
        EXPECT_EQ(stored, confirmed(*page, stored)) << "looking at the page changes nothing";
    }
}

TEST_F(PageTest, FlacAndOpusShowThePresetOfTheStoredValues)
{
    auto level = [](int32_t value) { return [value](ConversionSettings& s) { s.FLACCompressionLevel = value; }; };
    using Flac = COptFlacPage;
    checkPresetMatches<Flac>(context, {
        {"level 5 is Auto", level(5), Flac::kPresetAuto, 5},
        {"level 0", level(0), Flac::kPresetFastest, 0},
        {"level 8", level(8), Flac::kPresetSmallest, 8},
        {"level 3", level(3), Flac::kPresetCustom, 3},
    });
    auto opus = [](int32_t autoOn, int32_t kbps, int32_t channels) {
        return [=](ConversionSettings& s) {
            s.AutoDestOPUSEncodingParam = autoOn;
            s.OPUSBitRate = kbps;
            s.OPUSChannels = channels;
        };
    };
    using Opus = COptOpusPage;
    checkPresetMatches<Opus>(context, {
        {"auto", opus(1, 64, 1), Opus::kPresetAuto, 64},
        {"speech", opus(0, 64, 1), Opus::kPreset64Mono, 64},
        {"64 kbps stereo", opus(0, 64, 2), Opus::kPresetCustom, 64},
        {"96 kbps", opus(0, 96, 2), Opus::kPreset96, 96},
        {"128 kbps", opus(0, 128, 2), Opus::kPreset128, 128},
        {"192 kbps as the source", opus(0, 192, 0), Opus::kPresetCustom, 192},
        {"unlisted 100 kbps", opus(0, 100, 2), Opus::kPresetCustom, 100},
    });
}

TEST_F(PageTest, FlacPresetsSetTheLevelAndAutoIsLevel5)
{
    settings.FLACCompressionLevel = 3;
    auto page = openPage<COptFlacPage>(context, settings);
    choose(page->presetList(), COptFlacPage::kPresetSmallest);
    EXPECT_EQ(8, shown(page->levelList()));
    EXPECT_EQ(8, confirmed(*page, settings).FLACCompressionLevel);

    choose(page->presetList(), COptFlacPage::kPresetAuto);
    EXPECT_EQ(5, shown(page->levelList()));
    EXPECT_FALSE(page->levelList()->isEnabled());
    EXPECT_EQ(5, confirmed(*page, settings).FLACCompressionLevel);

    choose(page->presetList(), COptFlacPage::kPresetCustom);
    EXPECT_TRUE(page->levelList()->isEnabled());
    choose(page->levelList(), 0); // a preset's level, chosen in the list, is a custom choice
    EXPECT_EQ(COptFlacPage::kPresetCustom, shown(page->presetList()));
    EXPECT_EQ(0, confirmed(*page, settings).FLACCompressionLevel);
}

TEST_F(PageTest, OpusChoicesGoBackOnOkAndAutoKeepsTheStoredValues)
{
    auto page = openPage<COptOpusPage>(context, settings);
    EXPECT_EQ("Opus Options", page->title().toStdString());
    QComboBox* list = page->bitRateList();
    ASSERT_EQ(19, list->count());
    EXPECT_EQ("6 kbps", list->itemText(0).toStdString());
    EXPECT_EQ("510 kbps", list->itemText(18).toStdString());
    EXPECT_FALSE(page->channelRadio(COptOpusPage::kMono)->isEnabled()) << "auto is on by default";

    choose(page->presetList(), COptOpusPage::kPreset64Mono);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(64, shown(list));
    EXPECT_TRUE(page->channelRadio(COptOpusPage::kMono)->isChecked());
    click(page->channelRadio(COptOpusPage::kStereo));
    EXPECT_EQ(COptOpusPage::kPresetCustom, shown(page->presetList()));
    choose(page->presetList(), COptOpusPage::kPreset192);
    choose(list, 510);
    EXPECT_EQ(COptOpusPage::kPresetCustom, shown(page->presetList()));
    click(page->tagChoice()->tagRadio(kTagSourceNone));
    ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AutoDestOPUSEncodingParam);
    EXPECT_EQ(510, out.OPUSBitRate);
    EXPECT_EQ(2, out.OPUSChannels);
    EXPECT_EQ(kTagSourceNone, out.OPUSID3TagType);

    choose(page->presetList(), COptOpusPage::kPresetAuto);
    EXPECT_FALSE(list->isEnabled());
    ConversionSettings elsewhere = settings;
    elsewhere.OPUSBitRate = 24;
    elsewhere.OPUSChannels = 1;
    out = confirmed(*page, elsewhere);
    EXPECT_EQ(1, out.AutoDestOPUSEncodingParam);
    EXPECT_EQ(24, out.OPUSBitRate);
    EXPECT_EQ(1, out.OPUSChannels);
}

// ----- General: loudness -----

TEST_F(PageTest, GeneralLoudnessComesBackAndATargetOutsideItsRangeIsRefused)
{
    settings.ReplayGain = 1;
    settings.NormalizeLoudness = 0;
    settings.NormalizeTargetLufs = -23;
    auto page = openPage<COptOutputPage>(context, settings);
    auto* replayGain = page->findChild<QCheckBox*>(QStringLiteral("replayGain"));
    auto* normalize = page->findChild<QCheckBox*>(QStringLiteral("normalizeLoudness"));
    auto* target = page->findChild<NumberEdit*>(QStringLiteral("normalizeTarget"));
    ASSERT_TRUE(replayGain && normalize && target);
    EXPECT_TRUE(replayGain->isChecked());
    EXPECT_FALSE(normalize->isChecked());
    EXPECT_EQ("-23", target->text().toStdString());
    EXPECT_FALSE(target->isEnabled());
    target->setText(QStringLiteral("x")); // cannot be corrected while disabled: not read
    EXPECT_EQ(-23, confirmed(*page, settings).NormalizeTargetLufs);

    click(normalize);
    EXPECT_TRUE(target->isEnabled());
    const std::string range = "Invalid loudness target. It's between -30 and -5 LUFS.";
    const struct {
        const char* text;
        std::string refusal; // empty: accepted
    } cases[] = {{"x", "Please enter an integer."}, {"-31", range}, {"-4", range}, {"16", range},
                 {"-30", ""},                       {"-5", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        prompts.messages.clear();
        target->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(c.refusal.empty(), page->leavePage());
        if (c.refusal.empty())
            continue;
        ASSERT_EQ(1u, prompts.messages.size());
        EXPECT_EQ(c.refusal, prompts.messages[0].text);
        EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
        EXPECT_TRUE(target->edit()->hasFocus());
    }
    target->setText(QStringLiteral("-18"));
    click(replayGain);
    const ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.ReplayGain);
    EXPECT_EQ(1, out.NormalizeLoudness);
    EXPECT_EQ(-18, out.NormalizeTargetLufs);
}

// ----- AAC and MP4/M4A/M4B -----

template <typename Page>
void checkQualityRule(TestContext& context, ConversionSettings settings)
{
    RecordingPrompts& prompts = context.prompts;
    settings.AutoDestAACEncodingParam = settings.AutoDestM4AEncodingParam = 1;
    settings.AACVBR = settings.M4AVBR = 1;
    settings.AACVBRQuality = settings.M4AVBRQuality = 600;
    auto page = openPage<Page>(context, settings);
    EXPECT_FALSE(page->qualityEdit()->isEnabled());
    EXPECT_TRUE(page->leavePage()) << "auto on";
    EXPECT_TRUE(prompts.messages.empty());

    click(page->autoBox());
    EXPECT_TRUE(page->qualityEdit()->isEnabled());
    EXPECT_FALSE(page->bitRateList()->isEnabled());
    EXPECT_FALSE(page->leavePage()) << "auto off with VBR";
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ("Invalid quality value. It's betwen 10 and 500.", prompts.messages[0].text);
    EXPECT_EQ(UserPrompts::Icon::Exclamation, prompts.messages[0].icon);
    EXPECT_TRUE(page->qualityEdit()->edit()->hasFocus());

    click(page->rateModeRadio(AacPageBase::kAbr));
    EXPECT_FALSE(page->qualityEdit()->isEnabled());
    EXPECT_TRUE(page->bitRateList()->isEnabled());
    EXPECT_TRUE(page->leavePage()) << "ABR does not use the quality";

    click(page->rateModeRadio(AacPageBase::kVbr));
    page->qualityEdit()->setText(QStringLiteral("1e2"));
    EXPECT_FALSE(page->leavePage());
    EXPECT_EQ("Please enter an integer.", prompts.messages.back().text);
    page->qualityEdit()->setText(QStringLiteral("500"));
    EXPECT_TRUE(page->leavePage());
    prompts.messages.clear();
}

TEST_F(PageTest, AacQualityBlocksThePageOnlyWithVbrAndAutoOff)
{
    checkQualityRule<COptAacPage>(context, settings);
    checkQualityRule<COptM4aPage>(context, settings);
}

TEST_F(PageTest, AacManualValuesAndResetGoBackOnOk)
{
    settings.AutoDestAACEncodingParam = 0;
    settings.AACVBR = 0;
    settings.AACABRBitRate = 96;
    settings.AACMpegVersion = 1;
    settings.AACBlockType = 2;
    settings.AACEnableTNS = 1;
    settings.AACEnableMidside = 0;
    settings.AmplifyAAC = 1;
    settings.AmplifyAACCoef = 250;
    auto page = openPage<COptAacPage>(context, settings);
    EXPECT_TRUE(page->rateModeRadio(AacPageBase::kAbr)->isChecked());
    EXPECT_EQ(96, shown(page->bitRateList()));
    EXPECT_TRUE(page->mpegRadio(1)->isChecked());
    EXPECT_TRUE(page->blockRadio(2)->isChecked());

    choose(page->bitRateList(), 0);
    click(page->blockRadio(1));
    click(page->mpegRadio(0));
    ConversionSettings out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AACABRBitRate);
    EXPECT_EQ(1, out.AACBlockType);
    EXPECT_EQ(0, out.AACMpegVersion);
    EXPECT_EQ(0, out.AACVBR);

    click(page->resetButton());
    EXPECT_TRUE(page->autoBox()->isChecked());
    EXPECT_FALSE(page->tnsBox()->isEnabled());
    EXPECT_FALSE(page->blockRadio(0)->isEnabled());
    EXPECT_EQ(128, shown(page->bitRateList()));
    click(page->autoBox());
    out = confirmed(*page, settings);
    EXPECT_EQ(0, out.AutoDestAACEncodingParam);
    EXPECT_EQ(1, out.AACVBR);
    EXPECT_EQ(100, out.AACVBRQuality);
    EXPECT_EQ(128, out.AACABRBitRate);
    EXPECT_EQ(0, out.AACEnableTNS);
    EXPECT_EQ(1, out.AACEnableMidside);
    EXPECT_EQ(0, out.AACMpegVersion);
    EXPECT_EQ(0, out.AACBlockType);
    EXPECT_EQ(1, out.AmplifyAAC) << "Reset leaves the amplification";
    EXPECT_EQ(250, out.AmplifyAACCoef);

    // With auto on the encoding values keep what was stored.
    click(page->autoBox());
    out = confirmed(*page, settings);
    EXPECT_EQ(1, out.AutoDestAACEncodingParam);
    EXPECT_EQ(96, out.AACABRBitRate);
    EXPECT_EQ(2, out.AACBlockType);
    EXPECT_EQ(1, out.AACMpegVersion);

    auto m4a = openPage<COptM4aPage>(context, settings);
    EXPECT_EQ(nullptr, m4a->mpegRadio(0));
}

// ----- Every page: amplification, non-integers, screenshots -----

struct PageKind {
    const char* name;
    std::function<std::unique_ptr<FormatOptionPage>(const OptionsPageContext&)> make;
    std::function<AmplifyGroup*(FormatOptionPage&)> amplify;
    std::function<int32_t&(ConversionSettings&)> amplifyOn;
    std::function<int32_t&(ConversionSettings&)> coefficient;
};

template <typename Page>
PageKind kind(const char* name, int32_t ConversionSettings::*on, int32_t ConversionSettings::*coefficient)
{
    return {name, [](const OptionsPageContext& c) { return std::make_unique<Page>(c); },
            [](FormatOptionPage& page) { return static_cast<Page&>(page).amplifyGroup(); },
            [on](ConversionSettings& s) -> int32_t& { return s.*on; },
            [coefficient](ConversionSettings& s) -> int32_t& { return s.*coefficient; }};
}

std::vector<PageKind> allPages()
{
    return {
        kind<COptMp3Page>("mp3", &ConversionSettings::AmplifyMp3, &ConversionSettings::AmplifyMp3Coeff),
        kind<COptWavPage>("wav", &ConversionSettings::AmplifyWav, &ConversionSettings::AmplifyWavCoeff),
        kind<CPageWMAOptions>("wma", &ConversionSettings::AmplifyWMA, &ConversionSettings::AmplifyWMACoeff),
        kind<COptOggPage>("ogg", &ConversionSettings::AmplifyOGG, &ConversionSettings::AmplifyOGGCoeff),
        kind<CAmrOptPage>("amr", &ConversionSettings::AmplifyAMR, &ConversionSettings::AmplifyAMRCoef),
        kind<COptAacPage>("aac", &ConversionSettings::AmplifyAAC, &ConversionSettings::AmplifyAACCoef),
        kind<COptM4aPage>("m4a", &ConversionSettings::AmplifyM4A, &ConversionSettings::AmplifyM4ACoef),
        kind<COptFlacPage>("flac", &ConversionSettings::AmplifyFLAC, &ConversionSettings::AmplifyFLACCoeff),
        kind<COptOpusPage>("opus", &ConversionSettings::AmplifyOPUS, &ConversionSettings::AmplifyOPUSCoeff),
    };
}

TEST_F(PageTest, AmplificationCoefficientIsCheckedOnlyWhenTheBoxIsOn)
{
    for (const PageKind& kind : allPages()) {
        SCOPED_TRACE(kind.name);
        prompts.messages.clear();
        ConversionSettings stored = settings;
        kind.amplifyOn(stored) = 0;
        kind.coefficient(stored) = 5;
        std::unique_ptr<FormatOptionPage> page = kind.make(context.context);
        showPage(*page, stored);
        AmplifyGroup* amplify = kind.amplify(*page);
        EXPECT_FALSE(amplify->coefficientEdit()->isEnabled());
        EXPECT_EQ("< 100% - Reduce sound\n= 100% - No changes\n> 100% - Amplify sound",
                  amplify->note()->text().toStdString());
        EXPECT_TRUE(page->leavePage());

        click(amplify->amplifyBox());
        EXPECT_TRUE(amplify->coefficientEdit()->isEnabled());
        EXPECT_FALSE(page->leavePage());
        ASSERT_EQ(1u, prompts.messages.size());
        EXPECT_EQ("Invalid amplification coefficient. It's betwen 10 and 3000.", prompts.messages[0].text);
        EXPECT_TRUE(amplify->coefficientEdit()->edit()->hasFocus());

        amplify->coefficientEdit()->setText(QStringLiteral("ten"));
        EXPECT_FALSE(page->leavePage());
        EXPECT_EQ("Please enter an integer.", prompts.messages.back().text);
        click(amplify->amplifyBox()); // off: the text cannot be corrected and is not used
        EXPECT_TRUE(page->leavePage());
        ConversionSettings kept = confirmed(*page, stored);
        EXPECT_EQ(5, kind.coefficient(kept));
        click(amplify->amplifyBox());

        amplify->coefficientEdit()->setText(QStringLiteral("3000"));
        QTest::keyClick(amplify->coefficientEdit()->edit(), Qt::Key_Down);
        EXPECT_EQ("2990", amplify->coefficientEdit()->text().toStdString()) << "the spin steps by 10";
        ConversionSettings out = confirmed(*page, stored);
        EXPECT_EQ(1, kind.amplifyOn(out));
        EXPECT_EQ(2990, kind.coefficient(out));
        EXPECT_EQ(2u, prompts.messages.size());
    }
}

// Every value off its default, inside what the pages list.
ConversionSettings offDefaults()
{
    ConversionSettings stored = defaults();
    stored.AutoDestMP3EncodingParam = 0;
    stored.MP3BitRate = 96;
    stored.MP3SampleRate = 32000;
    stored.MP3ChannelMode = 4;
    stored.MP3ID3TagType = 2;
    stored.MP3WriteID3Version = 0;
    stored.AmplifyMp3 = 1;
    stored.AmplifyMp3Coeff = 3000;
    stored.AutoDestWAVEncodingParam = 0;
    stored.WAVBitsPerSample = 0;
    stored.WAVSampleRate = 88200;
    stored.WAVChannelNum = 0;
    stored.AutoDestOGGEncodingParam = 0;
    stored.OGGBitRate = 400;
    stored.OGGSampleRate = 48000;
    stored.OGGChannels = 1;
    stored.OGGID3TagType = 0;
    stored.AmplifyOGGCoeff = 10;
    stored.AutoDestAACEncodingParam = 0;
    stored.AACVBR = 1;
    stored.AACVBRQuality = 10;
    stored.AACMpegVersion = 1;
    stored.AACEnableTNS = 1;
    stored.AutoDestM4AEncodingParam = 0;
    stored.M4AVBR = 0;
    stored.M4AABRBitRate = 320;
    stored.M4ABlockType = 1;
    stored.M4AEnableMidside = 0;
    stored.M4AID3TagType = 2;
    stored.AmplifyM4A = 0;
    stored.AmplifyM4ACoef = 5; // loaded as stored; passes while the box is off
    stored.AMRType = 1;
    stored.AMRMode = 0;
    stored.AMRWBMode = 8;
    stored.AMRDTX = 1;
    stored.AWBMode = 0;
    stored.AmplifyAMR = 1;
    stored.AmplifyAMRCoef = 20;
    stored.MP3Tag.Genre = "Free Text";
    stored.MP3Tag.CustomTrackNum = 300;
    stored.WMATag.Title = "WMA title";
    stored.M4ATag.TrackNumType = 2;
    stored.FLACCompressionLevel = 0;
    stored.FLACID3TagType = 2;
    stored.AutoDestOPUSEncodingParam = 0;
    stored.OPUSBitRate = 450;
    stored.OPUSChannels = 2;
    stored.OPUSID3TagType = 0;
    stored.AmplifyOPUS = 1;
    stored.AmplifyOPUSCoeff = 40;
    stored.OPUSTag.Album = "Opus album";
    stored.ReplayGain = 1;
    stored.NormalizeLoudness = 1;
    stored.NormalizeTargetLufs = -23;
    return stored;
}

TEST_F(PageTest, PageShownAndConfirmedUnchangedGivesBackWhatItWasGiven)
{
    const ConversionSettings stored = offDefaults();
    for (const PageKind& kind : allPages()) {
        SCOPED_TRACE(kind.name);
        std::unique_ptr<FormatOptionPage> page = kind.make(context.context);
        showPage(*page, stored);
        EXPECT_EQ(stored, confirmed(*page, stored));
        EXPECT_TRUE(prompts.messages.empty());
        // A page never shown gives its values back as well.
        std::unique_ptr<FormatOptionPage> hidden = kind.make(context.context);
        hidden->copyIn(stored);
        EXPECT_EQ(stored, confirmed(*hidden, stored));
    }
}

// The whole sheet from the main window: every page visited, OK pressed
// without a change, and the settings store holds what it held.
TEST(OptionsSheetRoundTrip, OkWithoutChangesLeavesTheStoreUnchanged)
{
    TempDir dir;
    const std::string iniPath = dir.file("settings.ini");
    const std::string documents = dir.file("Documents");
    ConversionSettings stored = offDefaults();
    stored.DestSpecifiedFolder = documents;
    {
        std::unique_ptr<RegistryStore> store = openIniSettingsStore(iniPath);
        stored.save(*store, kSaveOptions | kSaveFormatAndStartPage);
    }
    auto load = [&] {
        ConversionSettings loaded(documents);
        loaded.load(*openIniSettingsStore(iniPath));
        return loaded;
    };
    const ConversionSettings before = load();

    useBuiltWmaRuntime();
    RecordingPrompts prompts;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<RegistryStore> store = openIniSettingsStore(iniPath);
    auto window = std::make_unique<MainWindow>(
        MainWindowServices{*store, prompts, dialogs, std::nullopt, [&] { return documents; }});
    window->show();

    QTimer timer;
    timer.setInterval(0);
    int visited = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* sheet = window->findChild<COptSheet*>();
        if (!sheet || !sheet->isVisible())
            return;
        timer.stop();
        const char* titles[] = {"General",         "MP3 Options", "WAV Options",         "WMA Options",
                                "OGG Options",     "AMR/AWB Options", "AAC Options", "MP4/M4A/M4B Options",
                                "FLAC Options",    "Opus Options"};
        ASSERT_EQ(kOptionPageCount, sheet->tabBar().count());
        for (int i = 0; i < kOptionPageCount; ++i)
            EXPECT_EQ(titles[i], sheet->tabBar().tabText(i).toStdString());
        for (int i = 0; i < sheet->tabBar().count(); ++i) {
            QTest::mouseClick(&sheet->tabBar(), Qt::LeftButton, {}, sheet->tabBar().tabRect(i).center());
            visited += sheet->activePageIndex() == i && sheet->page(i)->isInitialised() ? 1 : 0;
        }
        // The keyboard walks the pages too, round both ends, from the last
        // (shortcuts go to the active window).
        sheet->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            int page;
        } steps[] = {
            {Qt::Key_Tab, Qt::ControlModifier, 0},
            {Qt::Key_PageDown, Qt::ControlModifier, 1},
            {Qt::Key_PageUp, Qt::ControlModifier, 0},
            {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, kOptionPageCount - 1},
        };
        for (const auto& step : steps) {
            QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : sheet;
            QTest::keyClick(focused, step.key, step.modifiers);
            EXPECT_EQ(step.page, sheet->activePageIndex()) << step.key;
        }
        QTest::mouseClick(sheet->buttons().button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    timer.start();
    window->runCommand(kCommandOptions);
    EXPECT_EQ(static_cast<int>(standardOptionsPages().size()), visited);
    EXPECT_TRUE(prompts.messages.empty());
    window.reset();
    store.reset();

    ConversionSettings after = load();
    after.OptStartPageIndex = before.OptStartPageIndex; // the page last viewed, saved on closing
    EXPECT_EQ(before, after);
    EXPECT_EQ(stored.AmplifyM4ACoef, after.AmplifyM4ACoef);
}

TEST_F(PageTest, SavesScreenshotsOfThePages)
{
    for (const PageKind& kind : allPages()) {
        std::unique_ptr<FormatOptionPage> page = kind.make(context.context);
        page->resize(560, 420);
        showPage(*page, settings);
        const std::string name = std::string("page_") + kind.name + ".png";
        EXPECT_TRUE(page->grab().save(screenshotPath(name.c_str()))) << name;
    }
}

} // namespace
} // namespace sonivert::test
