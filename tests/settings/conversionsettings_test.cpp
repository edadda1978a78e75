#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "tests/support/testlocale.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>

namespace sonivert {

// Failure messages name the values instead of dumping the record's bytes.
void PrintTo(const TagDefaults& tags, std::ostream* out)
{
    for (const TagField& f : tagFields()) {
        *out << f.name << '=';
        if (f.number)
            *out << tags.*f.number << ' ';
        else
            *out << '"' << tags.*f.text << "\" ";
    }
}

void PrintTo(const ConversionSettings& s, std::ostream* out)
{
    for (const OptionField& f : optionFields()) {
        *out << '\n' << f.name << '=';
        if (f.number)
            *out << s.*f.number;
        else
            *out << '"' << s.*f.text << '"';
    }
    for (const TagFormat& format : tagFormats()) {
        *out << '\n' << format.word << "Tag: ";
        PrintTo(s.*format.record, out);
    }
    *out << "\nfilterExtList:";
    for (const std::string& e : s.filterExtList)
        *out << " \"" << e << '"';
}

} // namespace sonivert

namespace sonivert::test {
namespace {

const std::string kDocuments = "/home/someone/Documents";

// Every value of the Options key as the program documents it, written out
// independently of the code's own table: its name, whether it is a text,
// its default (numbers; with a known documents folder) and its save group.
struct Documented {
    const char* name;
    bool text;
    int32_t defaultValue;
    int group;
};

const Documented kDocumented[] = {
    {"OutputFormat", false, 1000, 16},
    {"OptStartPageIndex", false, 0, 16},
    {"Folder", true, 0, 4},
    {"DestOutputFolderOpt", false, 399, 8},
    {"DestSpecifiedFolder", true, 0, 8},
    {"CreateDirs", false, 0, 8},
    {"BrowseOutputFolder", false, 1, 8},
    {"OutputFiles2MyDocuments", false, 1, 8},
    {"TargetExistsOpt", false, 11, 8},
    {"MonoType", false, 0, 8},
    {"EnableExtFilter", false, 0, 8},
    {"FilterExts", true, 0, 8},
    {"ConversionJobs", false, 0, 8},
    {"ReplayGain", false, 0, 8},
    {"NormalizeLoudness", false, 0, 8},
    {"NormalizeTargetLufs", false, -16, 8},
    {"AutoDestMP3EncodingParam", false, 1, 8},
    {"MP3BitRate", false, 128, 8},
    {"MP3SampleRate", false, 44100, 8},
    {"MP3ChannelMode", false, 1, 8},
    {"MP3ID3TagType", false, 1, 8},
    {"MP3WriteID3Version", false, 1, 8},
    {"AmplifyMp3", false, 0, 8},
    {"AmplifyMp3Coeff", false, 100, 8},
    {"AutoDestWAVEncodingParam", false, 1, 8},
    {"WAVBitsPerSample", false, 16, 8},
    {"WAVSampleRate", false, 44100, 8},
    {"WAVChannelNum", false, 2, 8},
    {"AmplifyWav", false, 0, 8},
    {"AmplifyWavCoeff", false, 100, 8},
    {"AutoDestWMAEncodingParam", false, 1, 8},
    {"WMABitRate", false, 128000, 8},
    {"WMASampleRate", false, 44100, 8},
    {"WMAChannels", false, 2, 8},
    {"WMAID3TagType", false, 1, 8},
    {"AmplifyWMA", false, 0, 8},
    {"AmplifyWMACoeff", false, 100, 8},
    {"AutoDestOGGEncodingParam", false, 1, 8},
    {"OGGBitRate", false, 128, 8},
    {"OGGSampleRate", false, 44100, 8},
    {"OGGChannels", false, 2, 8},
    {"OGGID3TagType", false, 1, 8},
    {"AmplifyOGG", false, 0, 8},
    {"AmplifyOGGCoeff", false, 100, 8},
    {"FLACCompressionLevel", false, 5, 8},
    {"FLACID3TagType", false, 1, 8},
    {"AmplifyFLAC", false, 0, 8},
    {"AmplifyFLACCoeff", false, 100, 8},
    {"AutoDestOPUSEncodingParam", false, 1, 8},
    {"OPUSBitRate", false, 128, 8},
    {"OPUSChannels", false, 0, 8},
    {"OPUSID3TagType", false, 1, 8},
    {"AmplifyOPUS", false, 0, 8},
    {"AmplifyOPUSCoeff", false, 100, 8},
    {"AutoDestAACEncodingParam", false, 1, 8},
    {"AACVBR", false, 1, 8},
    {"AACVBRQuality", false, 100, 8},
    {"AACABRBitRate", false, 128, 8},
    {"AACMpegVersion", false, 0, 8},
    {"AACEnableTNS", false, 0, 8},
    {"AACEnableMidside", false, 1, 8},
    {"AACBlockType", false, 0, 8},
    {"AmplifyAAC", false, 0, 8},
    {"AmplifyAACCoef", false, 100, 8},
    {"AutoDestM4AEncodingParam", false, 1, 8},
    {"M4AVBR", false, 1, 8},
    {"M4AVBRQuality", false, 100, 8},
    {"M4AABRBitRate", false, 128, 8},
    {"M4AEnableTNS", false, 0, 8},
    {"M4AEnableMidside", false, 1, 8},
    {"M4ABlockType", false, 0, 8},
    {"AmplifyM4A", false, 0, 8},
    {"AmplifyM4ACoef", false, 100, 8},
    {"M4AID3TagType", false, 1, 8},
    {"AMRMode", false, 6, 8},
    {"AMRWBMode", false, 6, 8},
    {"AMRDTX", false, 0, 8},
    {"AMRType", false, 0, 8},
    {"AWBMode", false, 6, 8},
    {"AWBDTX", false, 0, 8},
    {"AmplifyAMR", false, 0, 8},
    {"AmplifyAMRCoef", false, 100, 8},
};

const std::vector<std::string> kTagValueNames = {"Album",    "Artist",  "Comment",      "Composer",
                                                 "Copyright", "CustomTrackNum", "Genre", "Title",
                                                 "TitleAsFileName", "TrackNumType", "Year"};
const char* const kTagKeys[] = {"Options\\MP3Tag", "Options\\OGGTag", "Options\\WMATag", "Options\\M4ATag",
                                "Options\\FLACTag", "Options\\OPUSTag"};

const OptionField& field(std::string_view name)
{
    for (const OptionField& f : optionFields()) {
        if (f.name == name)
            return f;
    }
    throw std::logic_error("no option field " + std::string(name));
}

int32_t& numberOf(ConversionSettings& s, std::string_view name) { return s.*(field(name).number); }
std::string& textOf(ConversionSettings& s, std::string_view name) { return s.*(field(name).text); }

class ConversionSettingsTest : public testing::Test {
protected:
    void SetUp() override { store = openIniSettingsStore(path()); }

    std::string path() const { return dir.file("settings.ini"); }

    // Writes through the store under test and starts a new store on the file,
    // so that every load reads what reached the disk.
    template <typename Write>
    void prepare(const std::string& keyPath, Write write)
    {
        {
            auto key = store->createKey(keyPath);
            ASSERT_NE(nullptr, key);
            write(*key);
        }
        reopen();
    }
    void reopen()
    {
        ASSERT_TRUE(store->flush());
        store = openIniSettingsStore(path());
    }

    ConversionSettings loaded()
    {
        ConversionSettings s(kDocuments);
        s.load(*store);
        return s;
    }

    TempDir dir;
    std::unique_ptr<RegistryStore> store;
};

TEST_F(ConversionSettingsTest, DefaultsAreTheDocumentedOnes)
{
    ConversionSettings s(kDocuments);
    EXPECT_EQ(std::size(kDocumented), optionFields().size());
    for (const Documented& d : kDocumented) {
        SCOPED_TRACE(d.name);
        if (d.text) {
            EXPECT_EQ(d.name == std::string("DestSpecifiedFolder") ? kDocuments : "", textOf(s, d.name));
        } else {
            EXPECT_EQ(d.defaultValue, numberOf(s, d.name));
        }
    }
    for (const TagFormat& format : tagFormats()) {
        SCOPED_TRACE(format.word);
        const TagDefaults& tags = s.*format.record;
        EXPECT_EQ(TagDefaults{}, tags);
        EXPECT_EQ(1, tags.TitleAsFileName);
        EXPECT_EQ(0, tags.TrackNumType);
        EXPECT_EQ(0, tags.CustomTrackNum);
        EXPECT_TRUE(tags.Title.empty() && tags.Copyright.empty());
    }

    // Without a documents folder, output goes beside the source.
    ConversionSettings unknown(std::nullopt);
    EXPECT_EQ(199, unknown.DestOutputFolderOpt);
    EXPECT_EQ("", unknown.DestSpecifiedFolder);
}

TEST_F(ConversionSettingsTest, WithoutAnOptionsKeyEveryDefaultStays)
{
    EXPECT_EQ(ConversionSettings(kDocuments), loaded());
    EXPECT_FALSE(std::filesystem::exists(path())) << "loading must not create the store";
}

TEST_F(ConversionSettingsTest, EachSaveMaskWritesExactlyItsGroups)
{
    std::vector<std::string> all, general, folder, options;
    for (const Documented& d : kDocumented) {
        all.push_back(d.name);
        (d.group == 16 ? general : d.group == 4 ? folder : options).push_back(d.name);
    }
    struct Case {
        int mask;
        std::vector<std::string> names;
        bool tagKeys;
    };
    const Case cases[] = {
        {0, {}, false},     {kSaveFormatAndStartPage, general, false}, {kSaveFolder, folder, false},
        {kSaveOptions, options, true},
        {kSaveFormatAndStartPage | kSaveFolder | kSaveOptions, all, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        TempDir caseDir;
        const std::string file = caseDir.file("settings.ini");
        ConversionSettings(kDocuments).save(*openIniSettingsStore(file), c.mask);

        auto fresh = openIniSettingsStore(file);
        auto key = fresh->openKey(kOptionsKey);
        std::vector<std::string> expected = c.names;
        std::sort(expected.begin(), expected.end());
        if (expected.empty()) {
            EXPECT_EQ(nullptr, key);
        } else {
            ASSERT_NE(nullptr, key) << "mask " << c.mask;
        }
        if (key) {
            EXPECT_EQ(expected, key->valueNames());
        }
        for (const char* tagKey : kTagKeys) {
            auto tags = fresh->openKey(tagKey);
            EXPECT_EQ(c.tagKeys, tags != nullptr) << tagKey;
            if (tags) {
                EXPECT_EQ(kTagValueNames, tags->valueNames()) << tagKey;
            }
        }
    }
}

struct CheckCase {
    const char* name;
    int32_t stored;
    int32_t loaded;
};

TEST_F(ConversionSettingsTest, LoadChecksApplyToTheirValuesOnly)
{
    const CheckCase cases[] = {
        // "Coeff" values are clamped to 10..3000, "Coef" values are not.
        {"AmplifyMp3Coeff", 5, 10},
        {"AmplifyMp3Coeff", 5000, 3000},
        {"AmplifyMp3Coeff", 10, 10},
        {"AmplifyMp3Coeff", 3000, 3000},
        {"AmplifyWavCoeff", -1, 10},
        {"AmplifyWMACoeff", 3001, 3000},
        {"AmplifyAACCoef", 5, 5},
        {"AmplifyM4ACoef", 5000, 5000},
        {"AmplifyAMRCoef", 0, 0},
        // MP3 channel modes 0, 1, 3, 4; anything else is joint stereo.
        {"MP3ChannelMode", 2, 1},
        {"MP3ChannelMode", -1, 1},
        {"MP3ChannelMode", 0, 0},
        {"MP3ChannelMode", 4, 4},
        // An Ogg rate above 1000 is taken as bit/s.
        {"OGGBitRate", 128000, 128},
        {"OGGBitRate", 1001, 1},
        {"OGGBitRate", 1000, 1000},
        // Channel counts.
        {"WMAChannels", 0, 2},
        {"WMAChannels", 1, 1},
        {"WAVChannelNum", 3, 2},
        {"WAVChannelNum", -1, 2},
        {"WAVChannelNum", 0, 0},
        {"OGGChannels", 3, 2},
        // Tag sources: checked for WMA and M4A only.
        {"M4AID3TagType", 7, 2},
        {"M4AID3TagType", 0, 0},
        {"WMAID3TagType", -1, 2},
        {"OGGID3TagType", 7, 7},
        // A start page must name one of the ten pages, else it is ignored.
        {"OptStartPageIndex", 8, 8},
        {"OptStartPageIndex", 9, 9},
        {"OptStartPageIndex", 10, 0},
        {"OptStartPageIndex", -1, 0},
        // Simultaneous conversions: 0 (one per core) to 64.
        {"ConversionJobs", -3, 0},
        {"ConversionJobs", 65, 64},
        {"ConversionJobs", 8, 8},
        // FLAC compression levels 0 to 8.
        {"FLACCompressionLevel", -1, 0},
        {"FLACCompressionLevel", 9, 8},
        {"FLACCompressionLevel", 3, 3},
        {"AmplifyFLACCoeff", 5000, 3000},
        // Opus bit rates 6 to 510 kbit/s; loudness targets -30 to -5 LUFS.
        {"OPUSBitRate", 5, 6},
        {"OPUSBitRate", 600, 510},
        {"OPUSChannels", 3, 2},
        {"NormalizeTargetLufs", -40, -30},
        {"NormalizeTargetLufs", 0, -5},
        {"ReplayGain", 7, 1},
        // AAC choices the encoder would refuse or the page would misstate.
        {"AACBlockType", 5, 0},
        {"AACBlockType", -1, 0},
        {"AACBlockType", 2, 2},
        {"M4ABlockType", 3, 0},
        {"M4ABlockType", 1, 1},
        {"AACMpegVersion", 3, 1},
        {"AACMpegVersion", 0, 0},
        {"AACVBR", 7, 1},
        {"AACVBR", 0, 0},
        {"M4AVBR", -2, 1},
        // Values without a check load as stored.
        {"AACVBRQuality", 5, 5},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " stored as " + std::to_string(c.stored));
        TempDir caseDir;
        auto caseStore = openIniSettingsStore(caseDir.file("settings.ini"));
        caseStore->createKey(kOptionsKey)->writeNumber(c.name, c.stored);
        ConversionSettings s(kDocuments);
        s.load(*caseStore);
        EXPECT_EQ(c.loaded, numberOf(s, c.name));
    }
}

TEST_F(ConversionSettingsTest, AValueOfTheWrongTypeKeepsItsDefault)
{
    prepare(std::string(kOptionsKey), [](RegistryKey& key) {
        key.writeText("OutputFormat", "2000");
        key.writeText("AmplifyMp3Coeff", "5");
        key.writeNumber("Folder", 5);
        key.writeNumber("DestSpecifiedFolder", 0);
        key.writeNumber("EnableExtFilter", 1);
        key.writeNumber("FilterExts", 7);
        key.writeNumber("MP3BitRate", 320); // a correct one beside them still loads
    });
    // A hand-edited value without its type tag is not taken for either type.
    {
        std::ofstream out(path(), std::ios::app);
        out << "OGGSampleRate=22050\n";
    }
    store = openIniSettingsStore(path());

    ConversionSettings expected(kDocuments);
    expected.MP3BitRate = 320;
    expected.EnableExtFilter = 1;
    EXPECT_EQ(expected, loaded());
}

TEST_F(ConversionSettingsTest, TagDefaultsLoadTextsAsEmptyWhenShortAndKeepAbsentNumbers)
{
    // Every record starts with contents, so "becomes empty" and "keeps its
    // value" can be told apart.
    auto preset = [] {
        TagDefaults t;
        t.Title = "old title";
        t.Artist = "old artist";
        t.Album = "old album";
        t.TitleAsFileName = 0;
        t.TrackNumType = 2;
        t.CustomTrackNum = 9;
        return t;
    };
    prepare(tagKeyPath("MP3"), [](RegistryKey& key) {
        key.writeText("Title", "");         // size 1: empty
        key.writeNumber("Artist", 3);      // not a text: empty
        key.writeText("Comment", "note");  // Album and the rest absent: empty
        key.writeNumber("TrackNumType", 1);
        key.writeText("CustomTrackNum", "5"); // not a number: kept
    });

    TagDefaults mp3 = preset();
    EXPECT_TRUE(mp3.load(*store, "MP3"));
    TagDefaults expected;
    expected.Comment = "note";
    expected.TitleAsFileName = 0;
    expected.TrackNumType = 1;
    expected.CustomTrackNum = 9;
    EXPECT_EQ(expected, mp3);

    TagDefaults ogg = preset();
    EXPECT_FALSE(ogg.load(*store, "OGG")) << "no OGG sub-key";
    EXPECT_EQ(preset(), ogg);
}

TEST_F(ConversionSettingsTest, ExtensionFilterIsLowerCasedAndSplitAtEveryComma)
{
    struct Case {
        int32_t enabled;
        const char* exts;
        std::vector<std::string> list;
    };
    const Case cases[] = {
        {1, "MP3,,Wav", {"mp3", "", "wav"}},
        {1, "wav,mp3,m4a,aac", {"wav", "mp3", "m4a", "aac"}},
        {1, " Mp3 , .WAV", {" mp3 ", " .wav"}},
        {1, ",", {"", ""}},
        {1, "flac,", {"flac", ""}},
        {1, "", {}},
        {0, "mp3,wav", {}},
        {2, "OGG", {"ogg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.exts + "\" enabled " + std::to_string(c.enabled));
        TempDir caseDir;
        auto caseStore = openIniSettingsStore(caseDir.file("settings.ini"));
        auto key = caseStore->createKey(kOptionsKey);
        key->writeNumber("EnableExtFilter", c.enabled);
        key->writeText("FilterExts", c.exts);
        ConversionSettings s(kDocuments);
        s.load(*caseStore);
        EXPECT_EQ(c.list, s.filterExtList);
        EXPECT_EQ(c.exts, s.FilterExts) << "the stored text itself stays as written";
    }
}

TEST_F(ConversionSettingsTest, SavingToAStoreThatCannotBeWrittenIsSilent)
{
    writeFileBytes(dir.file("blocker"), {'x'});
    auto blocked = openIniSettingsStore(dir.file("blocker") + "/settings.ini");
    ConversionSettings s(kDocuments);
    s.save(*blocked, kSaveFormatAndStartPage | kSaveFolder | kSaveOptions);
    s.load(*blocked);
    EXPECT_EQ(ConversionSettings(kDocuments), s);
}

// Every value, with contents that differ from the defaults and pass the load
// checks, written by one store and read by a new one on the same file while
// the process runs under a locale that groups thousands and uses a decimal
// comma.
TEST_F(ConversionSettingsTest, EveryValueSurvivesARoundTripUnderAGermanLocale)
{
    ScopedGermanLocale german;
    if (!german.active())
        GTEST_SKIP() << german.why();
    {
        std::ostringstream probe;
        probe << 1234567;
        ASSERT_EQ("1.234.567", probe.str()) << "the locale is not in effect";
    }

    ConversionSettings written(std::nullopt);
    int32_t next = 1234567;
    for (const OptionField& f : optionFields()) {
        if (f.number)
            written.*f.number = next++;
    }
    // Values with load checks get valid ones that are not their defaults.
    const CheckCase valid[] = {
        {"AmplifyMp3Coeff", 2999, 0}, {"AmplifyWavCoeff", 11, 0}, {"AmplifyWMACoeff", 1500, 0},
        {"AmplifyOGGCoeff", 250, 0},  {"MP3ChannelMode", 3, 0},   {"WAVChannelNum", 0, 0},
        {"WMAChannels", 1, 0},        {"WMAID3TagType", 0, 0},    {"OGGBitRate", 192, 0},
        {"OGGChannels", 1, 0},        {"M4AID3TagType", 0, 0},    {"OptStartPageIndex", 7, 0},
        {"AACVBR", 0, 0},             {"AACMpegVersion", 1, 0},   {"AACBlockType", 2, 0},
        {"M4AVBR", 0, 0},             {"M4ABlockType", 1, 0},     {"ConversionJobs", 12, 0},
        {"FLACCompressionLevel", 8, 0}, {"AmplifyFLACCoeff", 400, 0},
        {"OPUSBitRate", 96, 0},       {"OPUSChannels", 1, 0},     {"AmplifyOPUSCoeff", 300, 0},
        {"ReplayGain", 1, 0},         {"NormalizeLoudness", 1, 0}, {"NormalizeTargetLufs", -23, 0},
    };
    for (const CheckCase& c : valid)
        numberOf(written, c.name) = c.stored;
    written.OutputFormat = -2147483647 - 1;
    written.AmplifyAACCoef = -5;
    // Texts are read whole, also past 260 bytes.
    written.Folder = "/M\xC3\xBCsik/f\xC3\xBCr Dich, 1.000 St\xC3\xBC" "cke/" + std::string(300, 'f');
    written.DestSpecifiedFolder = "/out/" + std::string(400, 'd');
    written.FilterExts = "MP3,,Wav, flac ";
    written.EnableExtFilter = 1;
    int tagNumber = 7;
    for (const TagFormat& format : tagFormats()) {
        TagDefaults& tags = written.*format.record;
        for (const TagField& f : tagFields()) {
            if (f.number)
                tags.*f.number = tagNumber++;
            else
                tags.*f.text = std::string(format.word) + " " + std::string(f.name) + " 3,5 \xE2\x82\xAC";
        }
    }
    written.M4ATag.Year = "";
    written.parseExtFilter();

    written.save(*store, kSaveFormatAndStartPage | kSaveFolder | kSaveOptions);
    store.reset();
    store = openIniSettingsStore(path());
    ConversionSettings read(kDocuments);
    read.load(*store);
    EXPECT_EQ(written, read);
    EXPECT_EQ((std::vector<std::string>{"mp3", "", "wav", " flac "}), read.filterExtList);
}

} // namespace
} // namespace sonivert::test
