// Streams through the library compared with the reference decoders (flac,
// ffmpeg), the add-on gate, the raw ID3 blocks and TAGS_Read.

#include "tests/platform/basstestutil.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace sonivert::test {
namespace {

// The generated inputs, made once for the whole suite: 1.5 s of stereo
// noise and tones as WAV, FLAC (with Vorbis comments) and MP3 in several
// framings.
class BassStreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = std::make_unique<TempDir>();
        const std::string wav = file("in.wav");
        runCommand("sox -n -r 44100 -c 2 -b 16 " + shellQuote(wav) +
                   " synth 1.5 pinknoise sine 660 gain -4");
        runCommand("flac -s -f -T TITLE=Flute -T COMPOSER=Kemp -T COPYRIGHT=CC -o " + shellQuote(file("in.flac")) +
                   " " + shellQuote(wav));
        // CBR with an Info frame, VBR with a Xing frame and LAME delays,
        // CBR without any information frame, and MPEG-2 mono.
        runCommand("lame --quiet -b 128 " + shellQuote(wav) + " " + shellQuote(file("cbr.mp3")));
        runCommand("lame --quiet -V 4 " + shellQuote(wav) + " " + shellQuote(file("vbr.mp3")));
        runCommand("lame --quiet -t -b 160 " + shellQuote(wav) + " " + shellQuote(file("notag.mp3")));
        runCommand("lame --quiet -m m --resample 22.05 -b 48 " + shellQuote(wav) + " " + shellQuote(file("mono.mp3")));
        runCommand("lame --quiet -b 128 --add-id3v2 --pad-id3v2-size 300 --tt Title --ta Artist --tl Album"
                   " --ty 2004 --tc Comment --tn 7 --tg Rock " +
                   shellQuote(wav) + " " + shellQuote(file("tagged.mp3")));
        runCommand("sox -n -r 48000 -c 6 -b 16 " + shellQuote(file("six.wav")) + " synth 0.5 sine 300");
    }
    static void TearDownTestSuite() { dir.reset(); }
    static std::string file(const std::string& name) { return dir->file(name); }

    // The reference decoding as 16-bit little-endian samples.
    static std::vector<int16_t> ffmpegDecode(const std::string& path)
    {
        const std::string raw = path + ".ffmpeg.raw";
        runCommand("ffmpeg -v error -y -i " + shellQuote(path) + " -f s16le -acodec pcm_s16le " + shellQuote(raw));
        return readRawS16(raw);
    }

    BassSession session;
    static std::unique_ptr<TempDir> dir;
};
std::unique_ptr<TempDir> BassStreamTest::dir;

TEST_F(BassStreamTest, ReportsVersionTwoPointFourInHighWord)
{
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u);
}

TEST_F(BassStreamTest, FlacOpensOnlyWhileItsAddonIsLoaded)
{
    EXPECT_EQ(BASS_StreamCreateFile(0, file("in.flac").c_str(), 0, 0, BASS_STREAM_DECODE), 0u);

    const HPLUGIN flac = BASS_PluginLoad(addonPath("bassflac").c_str(), 0);
    ASSERT_NE(flac, 0u);
    const HSTREAM stream = BASS_StreamCreateFile(0, file("in.flac").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    BASS_CHANNELINFO info{};
    ASSERT_NE(BASS_ChannelGetInfo(stream, &info), 0);
    EXPECT_EQ(info.plugin, flac);
    EXPECT_EQ(BASS_StreamFree(stream), 1);

    // Another family's add-on does not open it, and freeing all add-ons
    // closes the family again.
    EXPECT_EQ(BASS_PluginFree(0), 1);
    ASSERT_NE(BASS_PluginLoad(addonPath("basswv").c_str(), 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, file("in.flac").c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
}

TEST_F(BassStreamTest, RefusesModulesThatAreNotAddons)
{
    EXPECT_EQ(BASS_PluginLoad(file("in.wav").c_str(), 0), 0u);
    EXPECT_EQ(BASS_PluginLoad(file("missing.so").c_str(), 0), 0u);
    EXPECT_EQ(BASS_PluginLoad("libc.so.6", 0), 0u); // loads, but names no format family
}

TEST_F(BassStreamTest, FlacDecodesSampleForSampleLikeTheFlacTool)
{
    ASSERT_NE(BASS_PluginLoad(addonPath("bassflac").c_str(), 0), 0u);
    const std::string raw = file("flac.raw");
    runCommand("flac -s -f -d --force-raw-format --endian=little --sign=signed -o " + shellQuote(raw) + " " +
               shellQuote(file("in.flac")));
    const std::vector<int16_t> reference = readRawS16(raw);
    ASSERT_EQ(reference.size(), 66150u * 2);

    const HSTREAM stream = BASS_StreamCreateFile(0, file("in.flac").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), reference.size() * 2);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stream, reference.size() * 2), 1.5);
    const ChannelPcm pcm = decodeChannel(stream);
    EXPECT_TRUE(pcm.endedWithError);
    EXPECT_EQ(pcm.samples, reference);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), reference.size() * 2);
    BASS_StreamFree(stream);
}

// The length comes before any decoding and must be what the decoder then
// delivers; the samples must be ffmpeg's.
TEST_F(BassStreamTest, MpegAudioLengthAndSamplesMatchFfmpeg)
{
    runCommand("ffmpeg -v error -y -i " + shellQuote(file("in.wav")) + " -c:a mp2 -b:a 192k " + shellQuote(file("layer2.mp2")));
    for (const char* name : {"cbr.mp3", "vbr.mp3", "notag.mp3", "mono.mp3", "tagged.mp3", "layer2.mp2"}) {
        SCOPED_TRACE(name);
        const std::vector<int16_t> reference = ffmpegDecode(file(name));
        ASSERT_FALSE(reference.empty());
        const HSTREAM stream = BASS_StreamCreateFile(0, file(name).c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), reference.size() * 2);
        const ChannelPcm pcm = decodeChannel(stream, 4608);
        EXPECT_EQ(pcm.bytes, reference.size() * 2);
        EXPECT_TRUE(pcm.samples == reference);
        BASS_StreamFree(stream);
    }
}

// Each add-on family that ffmpeg can write: made by ffmpeg, opened with all
// add-ons loaded, its length (known before decoding) and samples equal to
// ffmpeg's decoding, and refused while no add-on is loaded. Ogg Vorbis is
// the core's and opens either way.
TEST_F(BassStreamTest, AddonFormatsDecodeLikeFfmpegWithExactLengths)
{
    struct Case {
        const char* name;
        const char* options;
        bool core;
    };
    const Case cases[] = {
        {"aac.m4a", "-c:a aac -b:a 128k", false},     {"adts.aac", "-c:a aac -b:a 96k", false},
        {"alac.m4a", "-c:a alac", false},             {"pack.wv", "-c:a wavpack", false},
        {"true.tta", "-c:a tta", false},              {"win.wma", "-c:a wmav2 -b:a 128k", false},
        {"cri.adx", "-c:a adpcm_adx", false},         {"voice.spx", "-ac 1 -ar 16000 -c:a libspeex", false},
        {"vorbis.ogg", "-c:a libvorbis -q:a 3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = file(c.name);
        runCommand("ffmpeg -v error -y -i " + shellQuote(file("in.wav")) + " " + c.options + " " + shellQuote(path));
        const HSTREAM without = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        EXPECT_EQ(without != 0, c.core);
        BASS_StreamFree(without);
    }
    for (const char* addon : {"bassflac", "basswma", "basswv", "bass_aac", "bass_adx", "bass_alac", "bass_ape",
                              "bass_mpc", "bass_spx", "bass_tta"})
        ASSERT_NE(BASS_PluginLoad(addonPath(addon).c_str(), 0), 0u) << addon;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int16_t> reference = ffmpegDecode(file(c.name));
        ASSERT_FALSE(reference.empty());
        const HSTREAM stream = BASS_StreamCreateFile(0, file(c.name).c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        // MP4 records the true length, and the library delivers exactly
        // that; the ffmpeg tool prints the last frame's padding too.
        const std::string_view name(c.name);
        const size_t expected = name.substr(name.size() - 4) == ".m4a" ? 66150 * 2 : reference.size();
        ASSERT_LE(expected, reference.size());
        // ASF's length is the duration its header records, read without
        // decoding: an estimate, within a few percent.
        const auto length = static_cast<double>(BASS_ChannelGetLength(stream, BASS_POS_BYTE));
        if (name.substr(name.size() - 4) == ".wma")
            EXPECT_NEAR(length, static_cast<double>(expected * 2), 0.05 * static_cast<double>(expected * 2));
        else
            EXPECT_EQ(length, static_cast<double>(expected * 2));
        const ChannelPcm pcm = decodeChannel(stream);
        EXPECT_EQ(pcm.bytes, expected * 2);
        EXPECT_TRUE(pcm.samples == std::vector<int16_t>(reference.begin(), reference.begin() + static_cast<ptrdiff_t>(expected)));
        BASS_StreamFree(stream);
    }
}

TEST_F(BassStreamTest, ReportsRateChannelsAndSixteenBits)
{
    struct Case {
        const char* name;
        DWORD rate, channels;
    };
    for (const Case& c : {Case{"six.wav", 48000, 6}, Case{"mono.mp3", 22050, 1}, Case{"in.wav", 44100, 2}}) {
        SCOPED_TRACE(c.name);
        const HSTREAM stream = BASS_StreamCreateFile(0, file(c.name).c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        BASS_CHANNELINFO info{};
        ASSERT_NE(BASS_ChannelGetInfo(stream, &info), 0);
        EXPECT_EQ(info.freq, c.rate);
        EXPECT_EQ(info.chans, c.channels);
        EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);
        BASS_StreamFree(stream);
    }
    const HSTREAM six = BASS_StreamCreateFile(0, file("six.wav").c_str(), 0, 0, BASS_STREAM_DECODE);
    EXPECT_EQ(BASS_ChannelGetLength(six, BASS_POS_BYTE), 24000u * 6 * 2);
    const ChannelPcm pcm = decodeChannel(six, 4608); // 384 frames of six channels
    EXPECT_EQ(pcm.bytes, 24000u * 6 * 2);
    BASS_StreamFree(six);
}

TEST_F(BassStreamTest, RawId3BlocksAndFileOffsetsComeFromTheFile)
{
    const std::vector<uint8_t> bytes = readFileBytes(file("tagged.mp3"));
    const HSTREAM stream = BASS_StreamCreateFile(0, file("tagged.mp3").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), bytes.size());

    // The first audio byte is a frame sync right after the ID3v2 block, and
    // the block is the file's bytes before it.
    const QWORD start = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_START);
    ASSERT_GT(start, 300u);
    ASSERT_LT(start + 2, bytes.size());
    EXPECT_EQ(bytes[start], 0xFF);
    EXPECT_EQ(bytes[start + 1] & 0xE0, 0xE0);
    const auto* v2 = reinterpret_cast<const uint8_t*>(BASS_ChannelGetTags(stream, BASS_TAG_ID3V2));
    ASSERT_NE(v2, nullptr);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(start), v2));

    const auto* v1 = reinterpret_cast<const uint8_t*>(BASS_ChannelGetTags(stream, BASS_TAG_ID3));
    ASSERT_NE(v1, nullptr);
    EXPECT_TRUE(std::equal(bytes.end() - 128, bytes.end(), v1));
    BASS_StreamFree(stream);

    // A file without tags has neither block and starts its audio at 0.
    const HSTREAM plain = BASS_StreamCreateFile(0, file("cbr.mp3").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(plain, 0u);
    EXPECT_EQ(BASS_ChannelGetTags(plain, BASS_TAG_ID3), nullptr);
    EXPECT_EQ(BASS_ChannelGetTags(plain, BASS_TAG_ID3V2), nullptr);
    EXPECT_EQ(BASS_StreamGetFilePosition(plain, BASS_FILEPOS_START), 0u);
    BASS_StreamFree(plain);
}

TEST_F(BassStreamTest, Id3v2BlockLongerThanTheFileIsNoBlock)
{
    std::vector<uint8_t> bytes = readFileBytes(file("cbr.mp3"));
    // A header that claims 2 MiB in front of a small file.
    const std::vector<uint8_t> header{'I', 'D', '3', 3, 0, 0, 0x01, 0x00, 0x00, 0x00};
    bytes.insert(bytes.begin(), header.begin(), header.end());
    writeFileBytes(file("liar.mp3"), bytes);
    const HSTREAM stream = BASS_StreamCreateFile(0, file("liar.mp3").c_str(), 0, 0, BASS_STREAM_DECODE);
    if (stream != 0) {
        EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_ID3V2), nullptr);
        EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_START), 0u);
        BASS_StreamFree(stream);
    }
}

// Cut files deliver what decodes and nothing invented: an MP3 cut mid-frame
// counts the frames that are there; a FLAC file whose header still promises
// the whole song, and a WAV file whose data chunk claims five seconds but
// holds 2,000 bytes, keep that promise as their length (what the list shows)
// and end where their audio ends, sample for sample as ffmpeg decodes them.
TEST_F(BassStreamTest, CutFilesEndWhereTheirAudioEnds)
{
    ASSERT_NE(BASS_PluginLoad(addonPath("bassflac").c_str(), 0), 0u);
    std::vector<uint8_t> shortWav = readFileBytes(file("six.wav"));
    shortWav.resize(2000);
    writeFileBytes(file("cut-short.wav"), shortWav);
    const struct {
        const char* name;
        bool promisesMore;
    } cases[] = {{"vbr.mp3", false}, {"in.flac", true}, {"short.wav", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cut = file(std::string("cut-") + c.name);
        if (c.name != std::string("short.wav")) {
            std::vector<uint8_t> bytes = readFileBytes(file(c.name));
            bytes.resize(bytes.size() * 2 / 3 + 1);
            writeFileBytes(cut, bytes);
        }
        const HSTREAM stream = BASS_StreamCreateFile(0, cut.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        const ChannelPcm pcm = decodeChannel(stream, 4000); // not a multiple of the 4-byte frame
        EXPECT_TRUE(pcm.endedWithError);
        const std::vector<int16_t> reference = ffmpegDecode(cut);
        EXPECT_EQ(reference.size() * 2, pcm.bytes);
        EXPECT_TRUE(pcm.samples == reference);
        if (c.promisesMore)
            EXPECT_LT(pcm.bytes, length);
        else
            EXPECT_EQ(pcm.bytes, length);
        EXPECT_EQ(pcm.bytes, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
        BASS_StreamFree(stream);
    }
}

TEST_F(BassStreamTest, TagsReadFillsTheNineFields)
{
    const char* format = "%TRCK\n%TITL\n%ARTI\n%ALBM\n%GNRE\n%YEAR\n%CMNT\n%COMP\n%COPY";
    const HSTREAM mp3 = BASS_StreamCreateFile(0, file("tagged.mp3").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(mp3, 0u);
    EXPECT_STREQ(TAGS_Read(mp3, format), "7\nTitle\nArtist\nAlbum\nRock\n2004\nComment\n\n");
    BASS_StreamFree(mp3);

    ASSERT_NE(BASS_PluginLoad(addonPath("bassflac").c_str(), 0), 0u);
    const HSTREAM flac = BASS_StreamCreateFile(0, file("in.flac").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(flac, 0u);
    EXPECT_STREQ(TAGS_Read(flac, format), "\nFlute\n\n\n\n\n\nKemp\nCC");
    BASS_StreamFree(flac);

    const HSTREAM plain = BASS_StreamCreateFile(0, file("cbr.mp3").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(plain, 0u);
    const char* none = TAGS_Read(plain, format);
    ASSERT_NE(none, nullptr);
    EXPECT_STREQ(none, "");
    BASS_StreamFree(plain);
    EXPECT_STREQ(TAGS_Read(plain, format), ""); // a freed handle too
}

TEST_F(BassStreamTest, FreedOrForeignHandlesFailCleanly)
{
    const HSTREAM stream = BASS_StreamCreateFile(0, file("in.wav").c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_MusicFree(stream), 0); // a stream is not a module
    EXPECT_EQ(BASS_StreamFree(stream), 1);
    EXPECT_EQ(BASS_StreamFree(stream), 0);
    int16_t buffer[8];
    EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), BASS_DATA_ERROR);
    EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), BASS_POSITION_ERROR);
    BASS_CHANNELINFO info{};
    EXPECT_EQ(BASS_ChannelGetInfo(stream, &info), 0);
    // Without the decode-only flag nothing opens: there is no playback.
    EXPECT_EQ(BASS_StreamCreateFile(0, file("in.wav").c_str(), 0, 0, 0), 0u);
}

TEST_F(BassStreamTest, NothingOpensBeforeInitOrAfterFree)
{
    BASS_Free();
    EXPECT_EQ(BASS_StreamCreateFile(0, file("in.wav").c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    ASSERT_NE(BASS_Init(0, 44100, 0, nullptr, nullptr), 0);
    EXPECT_NE(BASS_StreamCreateFile(0, file("in.wav").c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
}

} // namespace
} // namespace sonivert::test
