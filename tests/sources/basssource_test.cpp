// BassSource over the real decoding library on files written by lame, flac,
// ffmpeg and sox or built here: kinds, MPEG channel modes, bit rate, the ID3
// blocks, tags, channel routing and block sizes, refusals, tracker modules
// and MIDI files rendered at the output rate.

#include "engine/engine.h"
#include "platform/bass/bass.h"
#include "platform/stereodownmix.h"
#include "sources/basssource.h"
#include "sources/soundfont.h"
#include "tests/support/synthfiles.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class BassSourceTest : public testing::Test {
protected:
    // A sox tone of the given channels, then lame with options.
    std::string lameMp3(const std::string& name, const std::string& lameOptions, int channels = 2,
                        double seconds = 2)
    {
        const std::string wav = dir.file(name + ".wav");
        const std::string mp3 = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n -r 44100 -c " + std::to_string(channels) + " -b 16 " + shellQuote(wav) +
                                " synth " + std::to_string(seconds) + " sine 440 sine 660"));
        // lame reads its tag texts through the locale; C.UTF-8 is built into the C library.
        EXPECT_EQ(0, runCommand("LC_ALL=C.UTF-8 lame --quiet " + lameOptions + " " + shellQuote(wav) + " " +
                                shellQuote(mp3)));
        return mp3;
    }
    std::string copy(const std::string& from, const std::string& name)
    {
        const std::string to = dir.file(name);
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        return to;
    }
    std::unique_ptr<AudioSource> viaFactory(const std::string& path, InputTypeCode code, int32_t rate = 0)
    {
        return engine.createSource(path, code, rate, false);
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
};

TEST_F(BassSourceTest, Mp3ChannelModesOfLameFiles)
{
    const struct {
        const char* mode;
        int channels;
        ChannelMode expected;
    } cases[] = {
        {"s", 2, ChannelMode::Stereo},
        {"j", 2, ChannelMode::JointStereo},
        {"d", 2, ChannelMode::DualChannel},
        {"m", 1, ChannelMode::Mono},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string mp3 = lameMp3(std::string("mode_") + c.mode + ".mp3",
                                        std::string("-b 128 -m ") + c.mode, c.channels);
        auto source = viaFactory(mp3, kInputMp3);
        ASSERT_NE(nullptr, source);
        EXPECT_STREQ("bass", source->readerName());
        EXPECT_EQ(BassSource::Kind::Mp3, static_cast<BassSource&>(*source).kind());
        EXPECT_EQ(c.expected, source->channelMode());
        EXPECT_EQ(c.channels, source->channels());
        EXPECT_EQ(c.channels, source->outputChannels());
        EXPECT_EQ(44100, source->sampleRate());
        EXPECT_EQ(16, source->bitsPerSample());
        EXPECT_EQ(2, source->durationSeconds());
    }
}

TEST_F(BassSourceTest, KindFollowsTheExtensionNotTheContent)
{
    // An ID3v2 tag in front moves the first audio byte: the header is read there.
    const std::string tagged = lameMp3("tagged.mp3", "-b 96 -m j --add-id3v2 --tt Title --ta Artist");

    BassSource upper;
    ASSERT_TRUE(upper.open(copy(tagged, "UPPER.MP3"), 0));
    EXPECT_EQ(BassSource::Kind::Mp3, upper.kind());
    EXPECT_EQ(ChannelMode::JointStereo, upper.channelMode());
    uint32_t size = 0;
    EXPECT_NE(nullptr, upper.id3v2Block(size));

    // The same MPEG audio under a WAV name is a stream of no particular kind.
    auto disguised = viaFactory(copy(tagged, "disguised.wav"), kInputWav);
    ASSERT_NE(nullptr, disguised);
    EXPECT_STREQ("bass", disguised->readerName());
    EXPECT_EQ(BassSource::Kind::Stream, static_cast<BassSource&>(*disguised).kind());
    EXPECT_EQ(ChannelMode::NotMpeg, disguised->channelMode());
    EXPECT_EQ(nullptr, disguised->id3v1Block());
    size = 77;
    EXPECT_EQ(nullptr, disguised->id3v2Block(size));
    EXPECT_EQ(0u, size);
}

TEST_F(BassSourceTest, FreeFormatFirstFrameKeepsChannelModeNotMpeg)
{
    // Without the information frame the first frame is audio; its bit-rate
    // index set to 0 (free format) no longer counts as a header, while the
    // decoder still finds the frames after it.
    const std::string plain = lameMp3("plain.mp3", "-b 128 -m j -t");
    std::vector<uint8_t> bytes = readFileBytes(plain);
    ASSERT_GT(bytes.size(), 4u);
    ASSERT_EQ(0xFF, bytes[0]);
    bytes[2] &= 0x0F;
    const std::string freeFormat = dir.file("free.mp3");
    writeFileBytes(freeFormat, bytes);

    BassSource source;
    ASSERT_TRUE(source.open(plain, 0));
    EXPECT_EQ(ChannelMode::JointStereo, source.channelMode());
    ASSERT_TRUE(source.open(freeFormat, 0));
    EXPECT_EQ(ChannelMode::NotMpeg, source.channelMode());
}

TEST_F(BassSourceTest, BitRateIsTheWholeFileOverTheDuration)
{
    const std::string mp3 = lameMp3("rate.mp3", "-b 160 -m s --add-id3v2 --tv TXXX=padding", 2, 3);
    BassSource source;
    ASSERT_TRUE(source.open(mp3, 0));
    const double seconds = static_cast<double>(source.totalLength()) / (44100.0 * 4);
    const auto fileSize = static_cast<double>(fs::file_size(mp3));
    EXPECT_EQ(static_cast<int32_t>(std::trunc(fileSize / (seconds * 125) + 0.5)), source.bitrateKbps());
    EXPECT_NEAR(160, source.bitrateKbps(), 4);
}

TEST_F(BassSourceTest, Id3BlocksAreCopiesOfTheFilesOwnBlocks)
{
    const std::string mp3 = lameMp3("both.mp3", "-b 128 --add-id3v2 --tt Song --ta Band --tl Record --ty 2001");
    const std::vector<uint8_t> file = readFileBytes(mp3);
    ASSERT_EQ("ID3", std::string(file.begin(), file.begin() + 3));
    const uint32_t v2Length = id3v2BlockLength(std::span<const uint8_t, 10>(file.data(), 10));

    BassSource source;
    ASSERT_TRUE(source.open(mp3, 0));
    uint32_t size = 0;
    const uint8_t* v2 = source.id3v2Block(size);
    ASSERT_NE(nullptr, v2);
    ASSERT_EQ(v2Length, size);
    EXPECT_TRUE(std::equal(v2, v2 + size, file.begin()));
    // Kept once found: the same copy again, not the library's buffer.
    uint32_t again = 0;
    EXPECT_EQ(v2, source.id3v2Block(again));
    EXPECT_EQ(size, again);
    EXPECT_NE(reinterpret_cast<const char*>(v2), BASS_ChannelGetTags(source.handle(), BASS_TAG_ID3V2));

    const uint8_t* v1 = source.id3v1Block();
    ASSERT_NE(nullptr, v1);
    EXPECT_TRUE(std::equal(v1, v1 + 128, file.end() - 128));
    EXPECT_EQ(v1, source.id3v1Block());

    // Without tags: null and size 0 on every call.
    const std::string bare = lameMp3("bare.mp3", "-b 128");
    ASSERT_TRUE(source.open(bare, 0));
    for (int call = 0; call < 2; ++call) {
        size = 55;
        EXPECT_EQ(nullptr, source.id3v2Block(size));
        EXPECT_EQ(0u, size);
        EXPECT_EQ(nullptr, source.id3v1Block());
    }
}

TEST_F(BassSourceTest, TagsComeInTheirFieldsAndALineFeedShiftsTheRest)
{
    const std::string flac = dir.file("tags.flac");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=d=1 -metadata title=" + shellQuote("Two\nLines") +
                            " -metadata artist=Band -metadata album=Record -metadata genre=Jazz -metadata date=2003"
                            " -metadata comment=Nice -metadata composer=Writer -metadata copyright=Label"
                            " -metadata track=6 " +
                            shellQuote(flac)));
    BassSource source;
    ASSERT_TRUE(source.open(flac, 0));
    std::string title, artist, album, year, genre, comment, track, composer, copyright;
    ASSERT_TRUE(source.readTags(title, artist, album, year, genre, comment, track, composer, copyright));
    EXPECT_EQ("6", track);
    EXPECT_EQ("Two", title);
    EXPECT_EQ("Lines", artist);
    EXPECT_EQ("Band", album);
    EXPECT_EQ("Record", genre);
    EXPECT_EQ("Jazz", year);
    EXPECT_EQ("2003", comment);
    EXPECT_EQ("Nice", composer);
    EXPECT_EQ("Writer\nLabel", copyright);

    // MP3 tags arrive as UTF-8 too.
    const std::string mp3 = lameMp3("tags.mp3", "-b 128 --id3v2-only --tt " + shellQuote("Über") +
                                                   " --ta Band --tg Jazz --tn 3");
    ASSERT_TRUE(source.open(mp3, 0));
    ASSERT_TRUE(source.readTags(title, artist, album, year, genre, comment, track, composer, copyright));
    EXPECT_EQ("Über", title);
    EXPECT_EQ("Band", artist);
    EXPECT_EQ("Jazz", genre);
    EXPECT_EQ("3", track);

    // No tags: false and nothing changed.
    const std::string bare = lameMp3("bare.mp3", "-b 128");
    ASSERT_TRUE(source.open(bare, 0));
    title = "kept";
    EXPECT_FALSE(source.readTags(title, artist, album, year, genre, comment, track, composer, copyright));
    EXPECT_EQ("kept", title);
}

TEST_F(BassSourceTest, WideFilesComeMixedDownInWholeFrames)
{
    // Each sample tells its frame and channel: frame * 8 + channel.
    for (const int channels : {6, 5}) {
        SCOPED_TRACE(channels);
        constexpr int kFrames = 3000;
        std::vector<int16_t> interleaved;
        for (int f = 0; f < kFrames; ++f) {
            for (int c = 0; c < channels; ++c)
                interleaved.push_back(static_cast<int16_t>((f * 8 + c) % 32000));
        }
        const std::string wav = dir.file("wide" + std::to_string(channels) + ".wav");
        writeFileBytes(wav, pcm16Wav(static_cast<uint16_t>(channels), 48000, interleaved));
        StereoDownmix mix;
        ASSERT_TRUE(mix.setSpeakers(speakers::byDefault(channels)));
        std::vector<int16_t> expectedLeft(kFrames), expectedRight(kFrames);
        mix.mix(interleaved.data(), kFrames, expectedLeft.data(), expectedRight.data());

        auto source = viaFactory(wav, kInputWav);
        ASSERT_NE(nullptr, source);
        ASSERT_STREQ("bass", source->readerName());
        EXPECT_EQ(channels, source->channels());
        EXPECT_EQ(2, source->outputChannels());

        std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
        const int32_t first = source->read(left.data(), right.data());
        EXPECT_EQ(channels == 6 ? 384 : 460, first); // 4608 bytes in whole frames
        int32_t frame = 0;
        for (int32_t got = first; got > 0; got = source->read(left.data(), right.data())) {
            for (int32_t i = 0; i < got; ++i, ++frame) {
                ASSERT_EQ(expectedLeft[static_cast<size_t>(frame)], left[static_cast<size_t>(i)]) << frame;
                ASSERT_EQ(expectedRight[static_cast<size_t>(frame)], right[static_cast<size_t>(i)]) << frame;
            }
        }
        EXPECT_EQ(kFrames, frame);
        EXPECT_EQ(source->totalLength(), source->position());
    }
}

TEST_F(BassSourceTest, MonoGoesStraightIntoLeftAndLeavesRightAlone)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 3000; ++i)
        samples.push_back(static_cast<int16_t>(i * 7 - 10000));
    const std::string wav = dir.file("mono.wav");
    writeFileBytes(wav, pcm16Wav(1, 8000, samples));

    BassSource source;
    ASSERT_TRUE(source.open(wav, 0));
    EXPECT_EQ(1, source.channels());
    EXPECT_EQ(1, source.outputChannels());
    ASSERT_EQ(16, source.bitsPerSample());
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames, 0x5A5A);
    std::vector<int16_t> got;
    for (int32_t n; (n = source.read(left.data(), right.data())) > 0;) {
        EXPECT_LE(n, AudioSource::kBlockFrames);
        got.insert(got.end(), left.begin(), left.begin() + n);
    }
    EXPECT_EQ(samples, got);
    EXPECT_TRUE(std::all_of(right.begin(), right.end(), [](int16_t s) { return s == 0x5A5A; }));
}

TEST_F(BassSourceTest, StreamsOfLengthZeroAndUnknownFilesAreRefused)
{
    const std::string empty = dir.file("empty.wav");
    writeFileBytes(empty, RiffBuilder().chunk("fmt ", fmtBody(1, 2, 44100, 16)).chunk("data", Bytes{}).build());
    const std::string noise = dir.file("noise.mp3");
    writeFileBytes(noise, std::vector<uint8_t>(5000, 0x11));

    for (const std::string& path : {empty, noise, dir.file("missing.mp3")}) {
        BassSource source;
        EXPECT_FALSE(source.open(path, 0)) << path;
        EXPECT_EQ(0u, source.handle());
        EXPECT_EQ(0u, source.totalLength());
        EXPECT_EQ(ChannelMode::NotMpeg, source.channelMode());
        std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
        EXPECT_EQ(0, source.read(left.data(), right.data()));
    }
}

TEST_F(BassSourceTest, FlacThroughItsAddOnEqualsTheReferenceDecoder)
{
    const std::string wav = dir.file("src.wav");
    const std::string flac = dir.file("song.flac");
    const std::string reference = dir.file("reference.raw");
    ASSERT_EQ(0, runCommand("sox -R -n -r 44100 -c 2 -b 16 " + shellQuote(wav) +
                            " synth 1.5 pinknoise synth brownnoise vol 0.5"));
    ASSERT_EQ(0, runCommand("flac --silent -f -o " + shellQuote(flac) + " " + shellQuote(wav)));
    ASSERT_EQ(0, runCommand("flac --silent -d -f --force-raw-format --endian=little --sign=signed -o " +
                            shellQuote(reference) + " " + shellQuote(flac)));

    auto source = viaFactory(flac, kInputFlac);
    ASSERT_NE(nullptr, source);
    ASSERT_STREQ("bass", source->readerName());
    EXPECT_EQ(ChannelMode::NotMpeg, source->channelMode());
    const DecodedPcm got = decodeAll(*source);
    const std::vector<int16_t> expected = readRawS16(reference);
    ASSERT_EQ(expected.size() / 2, got.left.size());
    EXPECT_EQ(channelOf(expected, 2, 0), got.left);
    EXPECT_EQ(channelOf(expected, 2, 1), got.right);
    EXPECT_EQ(expected.size() * 2, source->totalLength());
}

TEST_F(BassSourceTest, ModuleRefusedAsStreamLoadsAsModuleAndReachesItsLength)
{
    const std::string mod = dir.file("tune.mod");
    writeFileBytes(mod, protrackerModule(16)); // 16 rows of 0.12 s

    auto opened = viaFactory(mod, kInputTracker, 22050);
    ASSERT_NE(nullptr, opened);
    ASSERT_STREQ("bass", opened->readerName());
    auto& source = static_cast<BassSource&>(*opened);
    EXPECT_EQ(BassSource::Kind::Module, source.kind());
    EXPECT_EQ(22050, source.sampleRate());
    EXPECT_EQ(1, source.durationSeconds());
    const uint64_t frames = source.totalLength() / (static_cast<uint64_t>(source.outputChannels()) * 2);
    EXPECT_NEAR(1.92 * 22050, static_cast<double>(frames), 22050 * 0.05);

    const DecodedPcm got = decodeAll(source);
    EXPECT_TRUE(got.endedCleanly);
    EXPECT_EQ(frames, got.left.size());
    EXPECT_EQ(source.totalLength(), source.position());
    EXPECT_TRUE(std::any_of(got.left.begin(), got.left.end(), [](int16_t s) { return std::abs(s) > 1000; }));

    // Freed with the module call (the library refuses to free a module as a
    // stream): the handle is gone after close.
    const uint32_t handle = source.handle();
    source.close();
    EXPECT_EQ(0u, source.handle());
    EXPECT_EQ(BASS_POSITION_ERROR, BASS_ChannelGetLength(handle, BASS_POS_BYTE));
}

TEST_F(BassSourceTest, MidiRendersAtTheOutputRate)
{
    TempDir fontFolder;
    fs::copy_file("/usr/share/sounds/sf2/TimGM6mb.sf2", fontFolder.file(kSoundFontFileName));
    ASSERT_TRUE(installSoundFont(fontFolder.path()));

    const std::string mid = dir.file("tune.mid");
    writeFileBytes(mid, midiFile(2, 0)); // two one-second notes
    for (const int32_t rate : {22050, 44100}) {
        SCOPED_TRACE(rate);
        auto opened = viaFactory(mid, kInputMidi, rate);
        ASSERT_NE(nullptr, opened);
        ASSERT_STREQ("bass", opened->readerName());
        EXPECT_EQ(BassSource::Kind::Midi, static_cast<BassSource&>(*opened).kind());
        EXPECT_EQ(rate, opened->sampleRate());
        EXPECT_EQ(2, opened->outputChannels());
        const double seconds = static_cast<double>(opened->totalLength()) / (rate * 4.0);
        EXPECT_GE(seconds, 2.0);
        EXPECT_LE(seconds, 4.0); // the notes' release may follow
        EXPECT_EQ(static_cast<int32_t>(seconds), opened->durationSeconds());

        const DecodedPcm got = decodeAll(*opened);
        EXPECT_EQ(opened->totalLength() / 4, got.left.size());
        EXPECT_EQ(opened->totalLength(), opened->position());
        // Sound in the first and the second second, the notes.
        const auto loud = [](auto first, auto last) {
            return std::any_of(first, last, [](int16_t s) { return std::abs(s) > 500; });
        };
        EXPECT_TRUE(loud(got.left.begin(), got.left.begin() + rate));
        EXPECT_TRUE(loud(got.left.begin() + rate, got.left.begin() + 2 * rate));
    }
}

} // namespace
} // namespace sonivert::test
