// Tag selection for one output: the tag defaults with the title from the
// file name and the track numbering rules, the source's tags with the MPEG-4
// metadata reader first for MPEG-4 inputs, the copy of an MP3 source's ID3
// blocks, and the modes that write nothing. MPEG-4 files are made by ffmpeg.

#include "engine/audiosource.h"
#include "settings/conversionsettings.h"
#include "sources/mp4metadatareader.h"
#include "sources/tagselection.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace sonivert::test {
namespace {

// A source that only answers tag questions: readTags gives the tags it was
// made with (or none), and it may hold ID3 blocks.
class TaggedSource final : public AudioSource {
public:
    explicit TaggedSource(std::optional<TrackTags> tags = std::nullopt) : m_tags(std::move(tags)) {}
    void close() override {}
    bool open(const std::string&, int32_t) override { return true; }
    int32_t read(void*, void*) override { return 0; }
    const char* readerName() const override { return "tagged"; }
    bool readTags(std::string& title, std::string& artist, std::string& album, std::string& year, std::string& genre,
                  std::string& comment, std::string& track, std::string& composer, std::string& copyright) override
    {
        ++readTagsCalls;
        if (!m_tags)
            return false;
        title = m_tags->title, artist = m_tags->artist, album = m_tags->album, year = m_tags->year;
        genre = m_tags->genre, comment = m_tags->comment, track = m_tags->track, composer = m_tags->composer;
        copyright = m_tags->copyright;
        return true;
    }
    const uint8_t* id3v1Block() const override { return v1.empty() ? nullptr : v1.data(); }
    const uint8_t* id3v2Block(uint32_t& size) const override
    {
        size = static_cast<uint32_t>(v2.size());
        return v2.empty() ? nullptr : v2.data();
    }

    std::vector<uint8_t> v1, v2;
    int readTagsCalls = 0;

private:
    std::optional<TrackTags> m_tags;
};

TrackTags sourceTags()
{
    TrackTags t;
    t.title = "Source title";
    t.artist = "Source artist";
    t.track = "4";
    t.copyright = "Source copyright";
    return t;
}

TEST(TrackTags, TrackNumberIsTheLeadingDecimalValue)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {{"7", 7}, {"7/12", 7}, {"+3", 3}, {"-2", -2}, {"", 0}, {"x7", 0}, {"99999999999", 0}, {"0259", 259}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TrackTags t;
        t.track = c.text;
        EXPECT_EQ(c.value, t.trackNumber());
    }
}

TEST(SelectTrackTags, DefaultsWithTitleAndTrackRules)
{
    const struct {
        const char* name;
        const char* path;
        int32_t titleAsFileName;
        int32_t trackNumType, customTrackNum;
        const char* title;
        const char* track;
    } cases[] = {
        {"title from a name with dots", "/music/a.b.c.flac", 1, 0, 5, "a.b.c", ""},
        {"a name without extension", "/music/noext", 1, 0, 5, "noext", ""},
        {"given title, running number", "/music/a.flac", 0, 1, 5, "Given", "3"},
        {"custom number", "/music/a.flac", 2, 2, 42, "a", "42"},
        {"custom number 0 is none", "/music/a.flac", 1, 2, 0, "a", ""},
        {"unknown numbering is none", "/music/a.flac", 1, 7, 9, "a", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSettings s{std::nullopt};
        s.MP3ID3TagType = kTagSourceDefaults;
        s.MP3Tag.TitleAsFileName = c.titleAsFileName;
        s.MP3Tag.Title = "Given";
        s.MP3Tag.Artist = "Artist";
        s.MP3Tag.Composer = "Composer";
        s.MP3Tag.TrackNumType = c.trackNumType;
        s.MP3Tag.CustomTrackNum = c.customTrackNum;
        TaggedSource source(sourceTags());
        const TagSelection selection = selectTrackTags(s, TagFamily::Mp3, c.path, kInputFlac, source, 3);
        ASSERT_EQ(TagSelection::Kind::Tags, selection.kind);
        EXPECT_EQ(c.title, selection.tags.title);
        EXPECT_EQ(c.track, selection.tags.track);
        EXPECT_EQ("Artist", selection.tags.artist);
        EXPECT_EQ("Composer", selection.tags.composer);
        EXPECT_EQ(0, source.readTagsCalls);
    }
}

TEST(SelectTrackTags, EachFamilyReadsItsOwnModeAndDefaults)
{
    ConversionSettings s{std::nullopt};
    s.MP3ID3TagType = kTagSourceDefaults;
    s.MP3Tag.Artist = "mp3";
    s.OGGID3TagType = kTagSourceNone;
    s.WMAID3TagType = kTagSourceDefaults;
    s.WMATag.Artist = "wma";
    s.M4AID3TagType = 7; // any other value writes nothing too
    TaggedSource source(sourceTags());
    EXPECT_EQ("mp3", selectTrackTags(s, TagFamily::Mp3, "a.wav", kInputWav, source, 1).tags.artist);
    EXPECT_EQ(TagSelection::Kind::None, selectTrackTags(s, TagFamily::Ogg, "a.wav", kInputWav, source, 1).kind);
    EXPECT_EQ("wma", selectTrackTags(s, TagFamily::Wma, "a.wav", kInputWav, source, 1).tags.artist);
    EXPECT_EQ(TagSelection::Kind::None, selectTrackTags(s, TagFamily::M4a, "a.wav", kInputWav, source, 1).kind);
    EXPECT_EQ(0, source.readTagsCalls);
}

TEST(SelectTrackTags, SourceTagsAndId3BlockCopies)
{
    ConversionSettings s{std::nullopt};
    s.MP3ID3TagType = kTagSourceCopy;
    s.OGGID3TagType = kTagSourceCopy;

    TaggedSource tagged(sourceTags());
    TagSelection selection = selectTrackTags(s, TagFamily::Mp3, "a.flac", kInputFlac, tagged, 1);
    EXPECT_EQ(TagSelection::Kind::Tags, selection.kind);
    EXPECT_EQ(sourceTags(), selection.tags);

    // An input without tags (an AIFF file, say) gets none at all.
    TaggedSource untagged;
    EXPECT_EQ(TagSelection::Kind::None, selectTrackTags(s, TagFamily::Mp3, "a.aiff", kInputAiff, untagged, 1).kind);

    // MP3 from MP3: the blocks are copied and no record is built; other
    // outputs of the same source read its tags.
    TaggedSource mp3(sourceTags());
    mp3.v2 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(TagSelection::Kind::SourceId3Blocks, selectTrackTags(s, TagFamily::Mp3, "a.mp3", kInputMp3, mp3, 1).kind);
    EXPECT_EQ(0, mp3.readTagsCalls);
    EXPECT_EQ(TagSelection::Kind::Tags, selectTrackTags(s, TagFamily::Ogg, "a.mp3", kInputMp3, mp3, 1).kind);

    // An MP3 source whose reader holds no blocks falls back to its tags.
    TaggedSource plainMp3(sourceTags());
    selection = selectTrackTags(s, TagFamily::Mp3, "a.mp3", kInputMp3, plainMp3, 1);
    EXPECT_EQ(TagSelection::Kind::Tags, selection.kind);
    EXPECT_EQ("Source title", selection.tags.title);
}

class Mp4TagsTest : public testing::Test {
protected:
    std::string m4a(const std::string& name, const std::string& metadata)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i sine=d=0.2 -c:a aac " + metadata + " " +
                                shellQuote(path)));
        return path;
    }
    TempDir dir;
};

TEST_F(Mp4TagsTest, TheMpeg4ReaderComesFirstForMpeg4Inputs)
{
    const std::string path = m4a("full.m4a", "-metadata title='T \xC3\xA9' -metadata artist=Ar -metadata album=Al "
                                             "-metadata date=2001 -metadata genre=Jazz -metadata comment=Cm "
                                             "-metadata composer=Co -metadata copyright=Cr -metadata track=5/9");
    std::string f[9] = {"", "", "", "", "", "", "", "", "untouched"};
    ASSERT_TRUE(readMp4Metadata(path, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]));
    const std::string expected[9] = {"T \xC3\xA9", "Ar", "Al", "2001", "Jazz", "Cm", "5", "Co", ""};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(expected[i], f[i]) << "field " << i;

    ConversionSettings s{std::nullopt};
    s.M4AID3TagType = kTagSourceCopy;
    for (InputTypeCode code : {kInputMp4Audio, kInputMp4}) {
        TaggedSource source(sourceTags());
        const TagSelection selection = selectTrackTags(s, TagFamily::M4a, path, code, source, 1);
        EXPECT_EQ("Co", selection.tags.composer);
        EXPECT_EQ(0, source.readTagsCalls);
    }
    // Other inputs are never read as MPEG-4, whatever the file is.
    TaggedSource source(sourceTags());
    EXPECT_EQ("Source title", selectTrackTags(s, TagFamily::M4a, path, kInputOther, source, 1).tags.title);
}

TEST_F(Mp4TagsTest, ATrackAloneIsNoTagsAndTheSourceIsAsked)
{
    const std::string path = m4a("track.m4a", "-metadata track=3");
    std::string f[9] = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    EXPECT_FALSE(readMp4Metadata(path, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]));
    EXPECT_EQ("3", f[6]);

    ConversionSettings s{std::nullopt};
    s.MP3ID3TagType = kTagSourceCopy;
    TaggedSource source(sourceTags());
    const TagSelection selection = selectTrackTags(s, TagFamily::Mp3, path, kInputMp4Audio, source, 1);
    EXPECT_EQ(1, source.readTagsCalls);
    EXPECT_EQ(sourceTags(), selection.tags);

    TaggedSource untagged;
    EXPECT_EQ(TagSelection::Kind::None, selectTrackTags(s, TagFamily::Mp3, path, kInputMp4Audio, untagged, 1).kind);
}

TEST_F(Mp4TagsTest, FilesThatAreNotMpeg4LeaveEverythingUntouched)
{
    const std::string notMp4 = dir.file("x.m4a");
    writeFileBytes(notMp4, std::vector<uint8_t>(4096, 0x41));
    const std::string truncated = dir.file("cut.m4a");
    std::vector<uint8_t> bytes = readFileBytes(m4a("whole.m4a", "-metadata title=T"));
    bytes.resize(bytes.size() / 3);
    writeFileBytes(truncated, bytes);
    for (const std::string& path : {notMp4, dir.file("missing.m4a"), dir.path()}) {
        SCOPED_TRACE(path);
        std::string f[9] = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
        EXPECT_FALSE(readMp4Metadata(path, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]));
        EXPECT_EQ("a", f[0]);
        EXPECT_EQ("i", f[8]);
    }
    std::string f[9];
    (void)readMp4Metadata(truncated, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]); // must not crash
}

} // namespace
} // namespace sonivert::test
