// OggSource against libvorbisfile's own tool: files made by oggenc and
// ffmpeg (mono, stereo, six channels, a chained file whose links differ in
// channel count) must decode sample for sample as oggdec decodes them, in
// blocks of the documented sizes. Then the stream figures, the comment rules
// of readTags, refusals with the factory's fallback, and damaged files that
// must end cleanly.

#include "engine/engine.h"
#include "platform/stereodownmix.h"
#include "sources/oggsource.h"
#include "tests/support/fakes.h"
#include "tests/support/mutation.h"
#include "tests/support/oggprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace sonivert::test {
namespace {

class OggSourceTest : public testing::Test {
protected:
    // A WAV of distinct tones per channel (sox), encoded by oggenc.
    std::string oggenc(const std::string& name, int rate, int channels, const std::string& options = "-q 2")
    {
        const std::string wav = dir.file(name + ".wav"), ogg = dir.file(name);
        std::string synth = " synth 0.7";
        for (int c = 0; c < channels; ++c)
            synth += " sine " + std::to_string(300 + 250 * c);
        EXPECT_EQ(0, runCommand("sox -R -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                                " -b 16 " + shellQuote(wav) + synth + " vol 0.6"));
        EXPECT_EQ(0, runCommand("oggenc -Q " + options + " -o " + shellQuote(ogg) + " " + shellQuote(wav)));
        return ogg;
    }

    struct Decoded {
        std::vector<int16_t> left, right;
        int32_t largestRead = 0;
        bool ended = false;
    };
    static Decoded decode(OggSource& source)
    {
        Decoded d;
        std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
        for (int reads = 0; reads < 100000; ++reads) {
            const int32_t frames = source.read(left.data(), right.data());
            if (frames <= 0) {
                d.ended = true;
                break;
            }
            d.largestRead = std::max(d.largestRead, frames);
            if (frames > AudioSource::kBlockFrames)
                break;
            d.left.insert(d.left.end(), left.begin(), left.begin() + frames);
            if (source.outputChannels() == 2)
                d.right.insert(d.right.end(), right.begin(), right.begin() + frames);
        }
        return d;
    }

    TempDir dir;
};

TEST_F(OggSourceTest, DecodesSampleForSampleLikeOggdec)
{
    const struct {
        const char* name;
        std::string path;
        int channels;
        int32_t largestRead; // 1152 mono samples, 4096 bytes of interleaved ones
    } cases[] = {
        {"mono 22050 Hz", oggenc("mono.ogg", 22050, 1), 1, 1152},
        {"stereo 44100 Hz", oggenc("stereo.ogg", 44100, 2), 2, 1024},
        {"six channels, mixed down by the Vorbis order", oggenc("six.ogg", 48000, 6, "-q 2"), 6, 4096 / 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reference = oggdecSamples(c.path);
        ASSERT_TRUE(reference);
        OggSource source;
        ASSERT_TRUE(source.open(c.path, 0));
        EXPECT_EQ(c.channels, source.channels());
        EXPECT_EQ(std::min(c.channels, 2), source.outputChannels());
        const Decoded d = decode(source);
        EXPECT_TRUE(d.ended);
        EXPECT_LE(d.largestRead, c.largestRead);
        if (c.channels == 2) {
            EXPECT_EQ(c.largestRead, d.largestRead); // long blocks fill a whole read
        }
        const std::vector<int16_t> pair = deliveredPair(*reference, c.channels, speakers::vorbisOrder(c.channels));
        const int delivered = std::min(c.channels, 2);
        EXPECT_EQ(channelOf(pair, delivered, 0), d.left);
        if (c.channels > 1) {
            EXPECT_EQ(channelOf(pair, delivered, 1), d.right);
        }
        // The whole file is consumed; libvorbisfile's total leaves out the
        // last page, so the position ends at or beyond it.
        EXPECT_EQ(std::filesystem::file_size(c.path), source.position());
        EXPECT_LE(source.totalLength(), source.position());
    }
}

TEST_F(OggSourceTest, ChainedFilesDeliverEveryLinkWithinBlocks)
{
    // A stereo link, then a mono one at the same rate: both links come out
    // (oggdec itself refuses such a file and plays only one link of others,
    // so each link's reference is decoded alone), the mono link on both
    // channels and its larger reads split.
    const std::string stereo = oggenc("a.ogg", 44100, 2), mono = oggenc("b.ogg", 44100, 1, "-q -1");
    const std::string chained = dir.file("chained.ogg");
    ASSERT_EQ(0, runCommand("cat " + shellQuote(stereo) + " " + shellQuote(mono) + " > " + shellQuote(chained)));
    const auto first = oggdecSamples(stereo), second = oggdecSamples(mono);
    ASSERT_TRUE(first && second);
    std::vector<int16_t> left = channelOf(*first, 2, 0), right = channelOf(*first, 2, 1);
    left.insert(left.end(), second->begin(), second->end());
    right.insert(right.end(), second->begin(), second->end());

    OggSource source;
    ASSERT_TRUE(source.open(chained, 0));
    EXPECT_EQ(2, source.channels());
    EXPECT_EQ(1, source.durationSeconds()); // two links of 0.7 s
    EXPECT_GT(source.totalLength(), std::filesystem::file_size(stereo)); // both links count
    const Decoded d = decode(source);
    EXPECT_TRUE(d.ended);
    EXPECT_LE(d.largestRead, AudioSource::kBlockFrames);
    EXPECT_EQ(left, d.left);
    EXPECT_EQ(right, d.right);
}

TEST_F(OggSourceTest, StreamFigures)
{
    const std::string path = oggenc("s.ogg", 32000, 2, "-b 128");
    OggSource source;
    ASSERT_TRUE(source.open(path, 0));
    EXPECT_STREQ("ogg", source.readerName());
    EXPECT_EQ(32000, source.sampleRate());
    EXPECT_EQ(16, source.bitsPerSample());
    EXPECT_EQ(128, source.bitrateKbps());
    EXPECT_EQ(0, source.durationSeconds()); // 0.7 s, truncated
    EXPECT_EQ(ChannelMode::NotMpeg, source.channelMode());
    EXPECT_EQ(0, source.streamVersion());
    EXPECT_NE(std::string::npos, source.vendor().find("libVorbis"));
    EXPECT_GT(source.totalLength(), 0u);
    EXPECT_LE(source.totalLength(), std::filesystem::file_size(path));
    EXPECT_GT(source.position(), 0u); // the headers are read
    source.close();
    EXPECT_EQ(0, source.sampleRate());
    EXPECT_EQ(0u, source.totalLength());
    EXPECT_TRUE(source.vendor().empty());
}

TEST_F(OggSourceTest, TagsFromTheComments)
{
    const std::string longText(3000, 'x');
    const std::string path =
        oggenc("t.ogg", 22050, 1,
               "-q 2 -c ARTIST=First -c ARTIST=Second -c " + shellQuote("title=Lower Key") +
                   " -c Date=1999 -c TRACKNUMBER=4/9 -c COMMENT=a=b -c COMPOSER=" + longText);
    OggSource source;
    ASSERT_TRUE(source.open(path, 0));
    std::string t[9] = {"?", "?", "?", "?", "?", "?", "?", "?", "?"};
    EXPECT_TRUE(source.readTags(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]));
    const std::string expected[9] = {"Lower Key", "Second", "", "1999", "", "a=b", "4/9", longText, ""};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(expected[i], t[i]) << "field " << i;

    // Without comments the nine texts are emptied and the answer is still yes.
    OggSource bare;
    ASSERT_TRUE(bare.open(oggenc("bare.ogg", 22050, 1), 0));
    EXPECT_TRUE(bare.comments().empty());
    std::string u[9] = {"?", "?", "?", "?", "?", "?", "?", "?", "?"};
    EXPECT_TRUE(bare.readTags(u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8]));
    for (const std::string& text : u)
        EXPECT_EQ("", text);

    // A comment that is not UTF-8 loses only its stray byte.
    const std::string raw = dir.file("raw.ogg");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=d=0.3 -c:a libvorbis -metadata " +
                            shellQuote("genre=A\xFF" "B") + " -metadata artist=X " + shellQuote(raw)));
    OggSource withRaw;
    ASSERT_TRUE(withRaw.open(raw, 0));
    std::string v[9];
    EXPECT_TRUE(withRaw.readTags(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]));
    EXPECT_EQ("X", v[1]);
    EXPECT_EQ("A\xEF\xBF\xBD" "B", v[4]);
}

TEST_F(OggSourceTest, OtherFilesAreRefusedAndTheFactoryMovesOn)
{
    const std::string opus = dir.file("opus.ogg");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=d=0.3 -c:a libopus " + shellQuote(opus)));
    const std::string wav = dir.file("tone.ogg");
    ASSERT_EQ(0, runCommand("sox -R -n -r 8000 -c 1 -b 16 -t wav " + shellQuote(wav) + " synth 0.2 sine 440"));
    for (const std::string& path : {opus, wav, dir.file("missing.ogg")}) {
        SCOPED_TRACE(path);
        OggSource source;
        EXPECT_FALSE(source.open(path, 0));
        EXPECT_EQ(0, source.sampleRate());
        EXPECT_EQ(0, source.read(nullptr, nullptr));
    }
    RecordingPrompts prompts;
    Engine engine(prompts);
    const auto fromOpus = engine.createSource(opus, kInputOgg, 0, false);
    ASSERT_NE(nullptr, fromOpus);
    EXPECT_STREQ("ffmpeg", fromOpus->readerName());
    const auto fromVorbis = engine.createSource(oggenc("v.ogg", 8000, 1), kInputOgg, 0, false);
    ASSERT_NE(nullptr, fromVorbis);
    EXPECT_STREQ("ogg", fromVorbis->readerName());
}

TEST_F(OggSourceTest, DamagedFilesEndCleanly)
{
    const std::vector<uint8_t> seed = readFileBytes(oggenc("seed.ogg", 11025, 2, "-q 0"));
    std::mt19937 rng(12);
    const uint32_t extremes[] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u};
    const std::string path = dir.file("damaged.ogg");
    for (int i = 0; i < 60; ++i) {
        std::vector<uint8_t> bytes = mutateBytes(seed, rng, extremes);
        if (i % 10 == 0)
            bytes.resize(bytes.size() / 2);
        writeFileBytes(path, bytes);
        OggSource source;
        if (!source.open(path, 0))
            continue;
        SCOPED_TRACE(i);
        const Decoded d = decode(source);
        EXPECT_TRUE(d.ended);
        EXPECT_LE(d.largestRead, AudioSource::kBlockFrames);
    }
}

} // namespace
} // namespace sonivert::test
