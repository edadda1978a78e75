// The cover picture copied with the tags (tag source 1). Sources made by
// other tools (ffmpeg, opusenc, metaflac, vorbiscomment) hold a PNG; every
// output that holds a picture gets exactly its bytes, type, size and
// description, as ffprobe, metaflac and TagLib read them. A picture that is
// too large or does not decode is passed over, the next one taken.

#include "encoders/id3tagbuilder.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "engine/tracktags.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>

#include <map>

namespace sonivert::test {
namespace {

// The attached pictures of a file as ffprobe and ffmpeg see them.
struct ProbedPictures {
    int count = 0;
    std::map<std::string, std::string> first; // codec_name, width, height, TAG:comment, TAG:title
    std::vector<uint8_t> bytes;                // the first one's, as stored
};

ProbedPictures probePictures(const std::string& path)
{
    ProbedPictures p;
    int status = -1;
    const std::string text =
        captureCommand("ffprobe -v error -select_streams v -show_entries stream=codec_name,width,height:"
                       "stream_disposition=attached_pic:stream_tags=comment,title -of default=nw=1 " +
                           shellQuote(path),
                       status);
    EXPECT_EQ(0, status) << path;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "DISPOSITION:attached_pic" && value == "1")
            ++p.count;
        else if (p.count == 0 || key.starts_with("TAG:"))
            p.first.emplace(key, value);
    }
    if (p.count > 0) {
        const std::string picture = path + ".picture";
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y -i " + shellQuote(path) +
                                " -map 0:v:0 -c copy -f image2 -frames:v 1 -update 1 " + shellQuote(picture)));
        p.bytes = readFileBytes(picture);
    }
    return p;
}

// The title of a file as ffprobe reads it, from the container's tags or
// (Ogg) the audio stream's.
std::string titleOf(const std::string& path)
{
    int status = -1;
    std::string title = captureCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                       "format_tags=title:stream_tags=title -of default=nw=1:nk=1 " +
                                           shellQuote(path),
                                       status);
    while (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

// The body of the first PICTURE block of a FLAC file, as metaflac or ffmpeg
// wrote it: what METADATA_BLOCK_PICTURE carries in base64.
std::vector<uint8_t> flacPictureBody(const std::string& flac)
{
    const std::vector<uint8_t> bytes = readFileBytes(flac);
    size_t at = 4; // "fLaC"
    while (at + 4 <= bytes.size()) {
        const size_t length = (size_t{bytes[at + 1]} << 16) | (size_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if (at + 4 + length > bytes.size())
            break;
        if ((bytes[at] & 0x7F) == 6)
            return {bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + 4 + length)};
        if (bytes[at] & 0x80)
            break;
        at += 4 + length;
    }
    return {};
}

using Routine = Outcome (ConversionRoutines::*)(InputTypeCode, const std::string&, const std::string&,
                                               ConversionProgress&, int32_t);

class CoverArtTest : public testing::Test {
protected:
    void SetUp() override
    {
        useBuiltWmaRuntime();
        // As the batch does before a WMA run: the run-time and its formats.
        ASSERT_TRUE(engine.windowsMediaReady());
        // Tag source 1 is every family's default; ID3v2 carries the picture.
        settings.MP3WriteID3Version = 2;
        picture = made("cover.png", "ffmpeg -v error -f lavfi -i color=red:s=64x48 -frames:v 1");
        wav = made("tone.wav", "ffmpeg -v error -f lavfi -i sine=d=1:r=44100 -ac 2");
    }
    std::string made(const std::string& name, const std::string& command)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand(command + " " + shellQuote(path))) << command;
        return path;
    }
    // ffmpeg's audio of a second with picture attached as the front cover.
    std::string withCover(const std::string& name, const std::string& codec, const std::string& image)
    {
        return made(name, "ffmpeg -v error -i " + shellQuote(wav) + " -i " + shellQuote(image) +
                              " -map 0 -map 1 -c:v copy " + codec +
                              " -disposition:v attached_pic -metadata:s:v 'comment=Cover (front)'"
                              " -metadata:s:v title=Front -metadata title=Song");
    }
    testing::AssertionResult convert(Routine routine, const std::string& source, const std::string& target)
    {
        const Outcome done = (routines.*routine)(inputTypeForPath(source), source, target, progress, 1);
        if (done)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << done.reason();
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
    std::string picture, wav;
};

TEST_F(CoverArtTest, EverySourceKindHandsItsCoverToEveryOutputThatHoldsOne)
{
    const std::vector<uint8_t> cover = readFileBytes(picture);
    const std::string flac = withCover("src.flac", "", picture);
    const std::string ogg = made("src.ogg", "ffmpeg -v error -f lavfi -i sine=d=1 -c:a libvorbis -metadata title=Song");
    const std::vector<uint8_t> block = flacPictureBody(flac);
    ASSERT_FALSE(block.empty());
    writeFileBytes(dir.file("block.bin"), block);
    ASSERT_EQ(0, runCommand("vorbiscomment -a -t \"METADATA_BLOCK_PICTURE=$(base64 -w0 " +
                            shellQuote(dir.file("block.bin")) + ")\" " + shellQuote(ogg)));
    const struct {
        std::string source;
        const char* description; // what the source's kind keeps of "Front"
    } sources[] = {
        {withCover("src.mp3", "-c:a libmp3lame", picture), "Front"}, // APIC
        {flac, "Front"},                                              // PICTURE
        {withCover("src.m4a", "-c:a aac", picture), ""},              // covr: no type, no description
        {ogg, "Front"},                                               // METADATA_BLOCK_PICTURE
        {made("src.opus", "opusenc --quiet --title Song --picture '3|image/png|Front||" + picture + "' " +
                              shellQuote(wav)),
         "Front"},
        // No other tool here writes WM/Picture: the WMA source is this
        // program's own output, itself checked below as FLAC to WMA.
        {dir.file("src.wma"), "Front"},
    };
    ASSERT_TRUE(convert(&ConversionRoutines::convertToWma, flac, dir.file("src.wma")));
    const struct {
        const char* extension;
        Routine routine;
        bool typed; // the container keeps the picture's type and description (covr does not)
    } outputs[] = {
        {".mp3", &ConversionRoutines::convertToMp3, true},
        {".flac", &ConversionRoutines::convertToFlac, true},
        {".ogg", &ConversionRoutines::convertToOgg, true},
        {".wma", &ConversionRoutines::convertToWma, true},
        {".opus", &ConversionRoutines::convertToOpus, true},
        {".m4a", &ConversionRoutines::convertToAlac, false},
    };
    for (const auto& s : sources) {
        ASSERT_EQ(1, probePictures(s.source).count) << s.source;
        for (const auto& o : outputs) {
            const std::string target = s.source + ".out" + o.extension;
            SCOPED_TRACE(target);
            ASSERT_TRUE(convert(o.routine, s.source, target));
            // One picture, also where MP3 to MP3 copies the source's ID3 blocks.
            const ProbedPictures out = probePictures(target);
            ASSERT_EQ(1, out.count);
            EXPECT_EQ("png", out.first.at("codec_name"));
            EXPECT_EQ("64", out.first.at("width"));
            EXPECT_EQ("48", out.first.at("height"));
            if (o.typed) {
                EXPECT_EQ("Cover (front)", out.first.at("TAG:comment"));
                EXPECT_EQ(s.description, out.first.contains("TAG:title") ? out.first.at("TAG:title") : "");
            }
            EXPECT_TRUE(cover == out.bytes) << "the picture's bytes unchanged";
            EXPECT_EQ("Song", titleOf(target)) << "the tags it travels with";
            if (std::string(o.extension) == ".flac") {
                int status = -1;
                const std::string listed =
                    captureCommand("metaflac --list --block-type=PICTURE " + shellQuote(target), status);
                for (const std::string& line :
                     std::vector<std::string>{"type: 3 (Cover (front))", "MIME type: image/png", "width: 64",
                                              "height: 48", "depth: 24", "data length: " + std::to_string(cover.size())})
                    EXPECT_NE(std::string::npos, listed.find("  " + line + "\n")) << line << "\n" << listed;
            }
        }
    }
}

TEST_F(CoverArtTest, OnlyAPictureThatFitsAndDecodesTravels)
{
    const std::vector<uint8_t> cover = readFileBytes(picture);
    const std::string back = made("back.png", "ffmpeg -v error -f lavfi -i color=blue:s=32x32 -frames:v 1");
    const std::string broken = dir.file("broken.png");
    const std::string signature = "\x89PNG\r\n\x1A\n";
    std::vector<uint8_t> brokenBytes(signature.begin(), signature.end());
    brokenBytes.resize(200, 0x5A);
    writeFileBytes(broken, brokenBytes);
    // White stored without compression: larger than any picture the tags carry.
    const std::string huge =
        made("huge.png", "ffmpeg -v error -f lavfi -i color=white:s=2400x2400 -frames:v 1 -compression_level 0");
    ASSERT_GT(readFileBytes(huge).size(), TagPicture::kMaxBytes);

    // A FLAC made by ffmpeg, then given pictures by metaflac ("TYPE|MIME|
    // DESCRIPTION|WxHxDEPTH|FILE"; the size given keeps metaflac from
    // reading the broken one).
    auto flacWith = [&](const std::string& name, const std::vector<std::string>& pictures) {
        std::string command = "ffmpeg -v error -f lavfi -i sine=d=1 -metadata title=Song " + shellQuote(dir.file(name)) +
                              " && metaflac";
        for (const std::string& p : pictures)
            command += " " + shellQuote("--import-picture-from=" + p);
        EXPECT_EQ(0, runCommand(command + " " + shellQuote(dir.file(name))));
        return dir.file(name);
    };
    const struct {
        std::string source;
        const char* expectedType; // empty: no picture
        std::vector<uint8_t> expected;
    } cases[] = {
        {flacWith("back-front.flac", {"4|image/png|Back||" + back, "3|image/png|Front||" + picture}), "Cover (front)",
         cover},
        {flacWith("back-broken.flac", {"4|image/png|Back||" + back, "3|image/png|Front|64x48x24|" + broken}),
         "Cover (back)", readFileBytes(back)},
        {flacWith("broken.flac", {"3|image/png|Front|64x48x24|" + broken}), "", {}},
        {withCover("huge.mp3", "-c:a libmp3lame", huge), "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        const std::string target = c.source + ".out.flac";
        ASSERT_TRUE(convert(&ConversionRoutines::convertToFlac, c.source, target));
        EXPECT_EQ("Song", titleOf(target)) << "the tags are copied all the same";
        const ProbedPictures out = probePictures(target);
        if (std::string(c.expectedType).empty()) {
            EXPECT_EQ(0, out.count);
            continue;
        }
        ASSERT_EQ(1, out.count);
        EXPECT_EQ(c.expectedType, out.first.at("TAG:comment"));
        EXPECT_TRUE(c.expected == out.bytes);
    }
}

// A WM/Picture value above 64 KB does not fit an extended content
// descriptor; it goes into the metadata library, where ffmpeg does not look
// but TagLib (and the players) do, and the audio behind the grown header
// still plays to its end.
TEST_F(CoverArtTest, WmaKeepsALargePictureInTheMetadataLibrary)
{
    const std::string large =
        made("large.png", "ffmpeg -v error -f lavfi -i color=green:s=200x200 -frames:v 1 -compression_level 0");
    const std::vector<uint8_t> bytes = readFileBytes(large);
    ASSERT_GT(bytes.size(), 65535u);
    const std::string source = withCover("large.flac", "", large);
    const std::string target = dir.file("large.wma");
    ASSERT_TRUE(convert(&ConversionRoutines::convertToWma, source, target));

    EXPECT_EQ("Song", titleOf(target));
    const std::string raw = dir.file("large.raw");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(target) + " -ac 1 -f s16le " + shellQuote(raw)));
    EXPECT_NEAR(44100.0, static_cast<double>(readRawS16(raw).size()), 4096.0) << "a second of audio";
    TagLib::ASF::File file(target.c_str());
    ASSERT_TRUE(file.isValid() && file.tag());
    const TagLib::ASF::AttributeList& list = file.tag()->attribute("WM/Picture");
    ASSERT_EQ(1u, list.size());
    const TagLib::ASF::Picture read = list.front().toPicture();
    EXPECT_EQ(TagLib::ASF::Picture::FrontCover, read.type());
    EXPECT_EQ("image/png", read.mimeType().to8Bit());
    EXPECT_EQ("Front", read.description().to8Bit());
    const TagLib::ByteVector data = read.picture();
    EXPECT_TRUE(std::vector<uint8_t>(data.begin(), data.end()) == bytes);
}

// ID3v2 built from a record (the route of every non-MP3 source and of tag
// source 0 with a measured loudness): the ReplayGain texts as TXXX frames
// and the picture with a description outside ISO-8859-1; ID3v1 holds
// neither.
TEST_F(CoverArtTest, Id3v2CarriesReplayGainAndThePictureId3v1Neither)
{
    TrackTags tags;
    tags.title = "Song";
    TrackTags plain = tags;
    tags.loudness = TrackLoudness{-14.79, 0.5};
    tags.picture = TagPicture{3, "image/png", "\xD0\x9E\xD0\xB1\xD0\xBB\xD0\xBE\xD0\xB6\xD0\xBA\xD0\xB0", 64, 48, 24,
                              readFileBytes(picture)};
    EXPECT_EQ(Id3TagBuilder::BuildTag(1, plain, 0, 0), Id3TagBuilder::BuildTag(1, tags, 0, 0));

    const std::optional<std::vector<uint8_t>> v2 = Id3TagBuilder::BuildTag(2, tags, 0, 0);
    ASSERT_TRUE(v2);
    const std::string bare = made("bare.mp3", "ffmpeg -v error -i " + shellQuote(wav) +
                                                  " -c:a libmp3lame -id3v2_version 0 -write_id3v1 0");
    std::vector<uint8_t> file = *v2;
    const std::vector<uint8_t> audio = readFileBytes(bare);
    file.insert(file.end(), audio.begin(), audio.end());
    const std::string tagged = dir.file("tagged.mp3");
    writeFileBytes(tagged, file);

    const FfprobeInfo info = ffprobeInfo(tagged);
    EXPECT_EQ(tags.loudness->replayGainText(), info.tags.at("replaygain_track_gain"));
    EXPECT_EQ(tags.loudness->peakText(), info.tags.at("replaygain_track_peak"));
    const ProbedPictures read = probePictures(tagged);
    ASSERT_EQ(1, read.count);
    EXPECT_EQ("png", read.first.at("codec_name"));
    EXPECT_EQ("Cover (front)", read.first.at("TAG:comment"));
    EXPECT_EQ(tags.picture->description, read.first.at("TAG:title"));
    EXPECT_TRUE(tags.picture->data == read.bytes);
}

} // namespace
} // namespace sonivert::test
