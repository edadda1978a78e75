// Tracker modules and MIDI files rendered through the library at the output
// rate. The inputs are written byte by byte here, so their playing time is
// known exactly.

#include "tests/platform/basstestutil.h"
#include "tests/support/testsupport.h"

#include "platform/bass/midifile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

namespace sonivert::test {
namespace {

const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

void put16be(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void put32be(std::vector<uint8_t>& out, uint32_t v)
{
    put16be(out, static_cast<uint16_t>(v >> 16));
    put16be(out, static_cast<uint16_t>(v));
}

// A four-channel "M.K." module: one looping square-wave sample, one pattern
// at speed 3 and tempo 125 (20 ms ticks) that breaks after row 15, so the
// song lasts 16 x 3 x 20 ms = 0.96 s.
std::vector<uint8_t> squareModule()
{
    std::vector<uint8_t> mod(20, 0);
    std::memcpy(mod.data(), "square", 6);
    for (int s = 0; s < 31; ++s) {
        std::vector<uint8_t> header(30, 0);
        if (s == 0) {
            header[22] = 0;
            header[23] = 32; // 32 words = 64 bytes
            header[25] = 64; // volume
            header[29] = 32; // loop the whole sample
        } else {
            header[29] = 1;
        }
        mod.insert(mod.end(), header.begin(), header.end());
    }
    mod.push_back(1);   // song length: one order
    mod.push_back(127);
    mod.resize(mod.size() + 128, 0); // order table: pattern 0
    for (char c : std::string("M.K."))
        mod.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    auto cell = [&](int row, int channel) { return pattern.data() + (row * 4 + channel) * 4; };
    uint8_t* note = cell(0, 0); // C-2 (period 428), sample 1
    note[0] = 0x01;
    note[1] = 0xAC;
    note[2] = 0x10;
    uint8_t* speed = cell(0, 1); // F03: speed 3
    speed[2] = 0x0F;
    speed[3] = 0x03;
    uint8_t* brk = cell(15, 1); // D00: pattern break
    brk[2] = 0x0D;
    mod.insert(mod.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 64; ++i)
        mod.push_back(i < 32 ? 0x60 : 0xA0);
    return mod;
}

// A format 0 file at 480 ticks per quarter: a note for one quarter at the
// default 120 bpm (0.5 s), a tempo change to 240 bpm, a second note for one
// quarter (0.25 s), then the end of the track: 0.75 s.
std::vector<uint8_t> twoNoteMidi()
{
    std::vector<uint8_t> track{
        0x00, 0xC0, 0x00,             // program 0
        0x00, 0x90, 60, 100,          // note on C4
        0x83, 0x60, 0x80, 60, 0,      // 480 ticks later: note off
        0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, // tempo 250000 us per quarter
        0x00, 0x90, 64, 100,          // note on E4
        0x83, 0x60, 0x90, 64, 0,      // 480 ticks later: off by velocity 0
        0x00, 0xFF, 0x2F, 0x00,       // end of track
    };
    std::vector<uint8_t> file{'M', 'T', 'h', 'd'};
    put32be(file, 6);
    put16be(file, 0);
    put16be(file, 1);
    put16be(file, 480);
    for (char c : std::string("MTrk"))
        file.push_back(static_cast<uint8_t>(c));
    put32be(file, static_cast<uint32_t>(track.size()));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

double rms(const std::vector<int16_t>& samples, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

class BassSynthTest : public ::testing::Test {
protected:
    BassSession session;
    TempDir dir;
};

TEST_F(BassSynthTest, ModuleRendersToItsExactLengthAtTheOutputRate)
{
    writeFileBytes(dir.file("square.mod"), squareModule());
    // A module is no stream: the loader after the stream call opens it.
    EXPECT_EQ(BASS_StreamCreateFile(0, dir.file("square.mod").c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    for (DWORD rate : {22050u, 44100u}) {
        SCOPED_TRACE(rate);
        const HMUSIC music = BASS_MusicLoad(0, dir.file("square.mod").c_str(), 0, 0,
                                            BASS_MUSIC_DECODE | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, rate);
        ASSERT_NE(music, 0u);
        BASS_CHANNELINFO info{};
        ASSERT_NE(BASS_ChannelGetInfo(music, &info), 0);
        EXPECT_EQ(info.freq, rate);
        EXPECT_EQ(info.chans, 2u);
        const QWORD expected = QWORD{rate} * 96 / 100 * 4;
        EXPECT_EQ(BASS_ChannelGetLength(music, BASS_POS_BYTE), expected);
        const ChannelPcm pcm = decodeChannel(music);
        EXPECT_EQ(pcm.bytes, expected);
        EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_BYTE), expected); // progress reaches 100%
        EXPECT_GT(rms(pcm.samples, 0, pcm.samples.size() / 2), 500.0);
        EXPECT_EQ(BASS_StreamFree(music), 0); // modules are freed with the module call
        EXPECT_EQ(BASS_MusicFree(music), 1);
    }
    // The output rate 0 means the library's rate.
    const HMUSIC byDefault = BASS_MusicLoad(0, dir.file("square.mod").c_str(), 0, 0, BASS_MUSIC_DECODE, 0);
    BASS_CHANNELINFO info{};
    ASSERT_NE(BASS_ChannelGetInfo(byDefault, &info), 0);
    EXPECT_EQ(info.freq, 44100u);
    BASS_MusicFree(byDefault);
}

TEST_F(BassSynthTest, MidiRendersNotesAndReleaseTailAtTheOutputRate)
{
    ASSERT_TRUE(std::filesystem::exists(kSoundFont));
    const HSOUNDFONT font = BASS_MIDI_FontInit(kSoundFont, 0);
    ASSERT_NE(font, 0u);
    const BASS_MIDI_FONT entry{font, -1, 0};
    ASSERT_NE(BASS_MIDI_StreamSetFonts(0, &entry, 1), 0);
    writeFileBytes(dir.file("two.mid"), twoNoteMidi());

    // 6000 Hz is below the synthesiser's range: rendered at 8000 and resampled.
    for (DWORD rate : {6000u, 22050u, 44100u}) {
        SCOPED_TRACE(rate);
        const HSTREAM midi = BASS_MIDI_StreamCreateFile(0, dir.file("two.mid").c_str(), 0, 0, BASS_STREAM_DECODE, rate);
        ASSERT_NE(midi, 0u);
        BASS_CHANNELINFO info{};
        ASSERT_NE(BASS_ChannelGetInfo(midi, &info), 0);
        EXPECT_EQ(info.freq, rate);
        EXPECT_EQ(info.chans, 2u);
        const QWORD songFrames = QWORD{rate} * 3 / 4;
        const QWORD expected = (songFrames + QWORD{rate} * 2) * 4; // plus the 2 s release tail
        EXPECT_EQ(BASS_ChannelGetLength(midi, BASS_POS_BYTE), expected);
        const ChannelPcm pcm = decodeChannel(midi);
        EXPECT_EQ(pcm.bytes, expected);
        // Both notes sound; the tail fades towards silence.
        EXPECT_GT(rms(pcm.samples, 0, rate), 100.0);
        EXPECT_GT(rms(pcm.samples, rate, rate * 3 / 2), 100.0);
        const size_t total = pcm.samples.size();
        EXPECT_LT(rms(pcm.samples, total - rate / 5, total), rms(pcm.samples, 0, rate) / 10);
        BASS_StreamFree(midi);
    }
}

TEST_F(BassSynthTest, MidiOpensWithoutFontAndRendersSilence)
{
    writeFileBytes(dir.file("two.mid"), twoNoteMidi());
    const HSTREAM midi = BASS_MIDI_StreamCreateFile(0, dir.file("two.mid").c_str(), 0, 0, BASS_STREAM_DECODE, 0);
    ASSERT_NE(midi, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(midi, BASS_POS_BYTE), (QWORD{44100} * 3 / 4 + 88200) * 4);
    const ChannelPcm pcm = decodeChannel(midi);
    // Silence but for the synthesiser's dither in the lowest bit.
    EXPECT_LT(rms(pcm.samples, 0, pcm.samples.size()), 2.0);
    BASS_StreamFree(midi);

    EXPECT_EQ(BASS_MIDI_FontInit(dir.file("none.sf2").c_str(), 0), 0u);
    EXPECT_EQ(BASS_MIDI_FontInit(dir.file("two.mid").c_str(), 0), 0u);
    const BASS_MIDI_FONT unknown{12345, -1, 0};
    EXPECT_EQ(BASS_MIDI_StreamSetFonts(0, &unknown, 1), 0);
}

TEST(MidiFileTest, RmiWrapperAndTimecodeDivision)
{
    std::vector<uint8_t> smf = twoNoteMidi();
    std::vector<uint8_t> rmi{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    const auto size = static_cast<uint32_t>(smf.size());
    for (int i = 0; i < 4; ++i)
        rmi.push_back(static_cast<uint8_t>(size >> (8 * i)));
    rmi.insert(rmi.end(), smf.begin(), smf.end());
    const auto wrapped = bass::parseMidiFile(rmi, 1000);
    ASSERT_TRUE(wrapped);
    EXPECT_EQ(wrapped->endFrame, 750u);
    EXPECT_EQ(wrapped->events.size(), 5u); // program, two notes on and off

    // 25 frames per second, 40 ticks per frame: 1000 ticks per second, so
    // the tempo change has no effect and 960 ticks last 0.96 s.
    smf[12] = static_cast<uint8_t>(-25);
    smf[13] = 40;
    const auto timecode = bass::parseMidiFile(smf, 1000);
    ASSERT_TRUE(timecode);
    EXPECT_EQ(timecode->endFrame, 960u);
}

// Every truncation of a valid file and every single-byte corruption of its
// header and first events parse without reading outside the file (the
// sanitizer build checks the reads) and never run past the song.
TEST(MidiFileTest, DamagedFilesEndCleanly)
{
    const std::vector<uint8_t> smf = twoNoteMidi();
    for (size_t n = 0; n < smf.size(); ++n) {
        const std::vector<uint8_t> cut(smf.begin(), smf.begin() + static_cast<ptrdiff_t>(n));
        const auto parsed = bass::parseMidiFile(cut, 44100);
        if (n < 14) {
            EXPECT_FALSE(parsed) << n;
        } else if (parsed) {
            EXPECT_LE(parsed->endFrame, 44100u * 3 / 4) << n;
        }
    }
    for (size_t at = 0; at < 40; ++at) {
        for (uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = smf;
            bad[at] = value;
            (void)bass::parseMidiFile(bad, 44100);
        }
    }
}

} // namespace
} // namespace sonivert::test
