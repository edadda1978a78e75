// The FLAC conversion routine on real files: the output decodes, by flac and
// by ffmpeg, to exactly the samples the reader delivered, at the lowest,
// default and highest compression level, with a seek table and with the
// comments each tag source gives.

#include "engine/conversionroutines.h"
#include "tests/engine/routinetest.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace sonivert::test {
namespace {

class ConvertFlacTest : public RoutineTest {
protected:
    Outcome convert(const std::string& source, const std::string& target, int32_t runningNumber = 1)
    {
        return routines.convertToFlac(inputTypeForPath(source), source, target, progress, runningNumber);
    }
    // The comments metaflac reads from the file, one NAME=value per line, as
    // the file's UTF-8 whatever the locale.
    std::string comments(const std::string& flac)
    {
        int status = -1;
        const std::string text = captureCommand("metaflac --no-utf8-convert --export-tags-to=- " + shellQuote(flac), status);
        EXPECT_EQ(0, status);
        return text;
    }
};

TEST_F(ConvertFlacTest, DecodesToExactlyWhatTheReaderDelivered)
{
    settings.FLACID3TagType = kTagSourceNone;
    const std::string noise = " synth 12 pinknoise vol 0.5";
    const struct {
        const char* name;
        const char* format; // of the file sox writes; an MP3 is encoded from a WAV by lame
        int level;
        int rate, channels, bits; // what the reader delivers
    } cases[] = {
        {"stereo16.wav", "-r 44100 -c 2 -b 16", 5, 44100, 2, 16},
        {"mono8.aiff", "-r 22050 -c 1 -b 8", 0, 22050, 1, 8},
        // The reader delivers 16 bits of a 24-bit file; those are what is kept.
        {"stereo24.wav", "-r 48000 -c 2 -b 24", 8, 48000, 2, 16},
        {"lame.mp3", "-r 44100 -c 2 -b 16", 5, 44100, 2, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool mp3 = std::string(c.name).ends_with(".mp3");
        const std::string made = dir.file(mp3 ? std::string(c.name) + ".wav" : c.name);
        ASSERT_EQ(0, runCommand("sox -R -n " + std::string(c.format) + " " + shellQuote(made) + noise));
        const std::string source = mp3 ? this->made(c.name, "lame --silent -b 128 " + shellQuote(made)) : made;
        settings.FLACCompressionLevel = c.level;
        const std::string target = dir.file(std::string(c.name) + ".flac");
        ASSERT_TRUE(convert(source, target));

        EXPECT_EQ(0, runCommand("flac -s -t " + shellQuote(target))) << "flac's own check, MD5 included";
        const FfprobeInfo info = ffprobeInfo(target);
        EXPECT_EQ(c.rate, info.sampleRate);
        EXPECT_EQ(c.channels, info.channels);

        const std::unique_ptr<AudioSource> reader = engine.createSource(source, inputTypeForPath(source), 44100, false);
        ASSERT_NE(nullptr, reader);
        EXPECT_EQ(c.bits, reader->bitsPerSample());
        const DecodedPcm delivered = decodeAll(*reader);
        std::vector<int16_t> expected;
        for (size_t i = 0; i < delivered.left.size(); ++i) {
            expected.push_back(delivered.left[i]);
            if (c.channels == 2)
                expected.push_back(delivered.right[i]);
        }
        const std::string raw = target + ".raw";
        ASSERT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(target) + (c.bits == 8 ? " -f u8 " : " -f s16le ") +
                                shellQuote(raw)));
        std::vector<int16_t> decoded;
        if (c.bits == 8) {
            for (uint8_t v : readFileBytes(raw))
                decoded.push_back(v);
        } else {
            decoded = readRawS16(raw);
        }
        EXPECT_EQ(expected.size(), decoded.size());
        EXPECT_TRUE(expected == decoded) << "lossless";

        // One seek point every ten seconds, each filled in at the end.
        int status = -1;
        const std::string table =
            captureCommand("metaflac --list --block-type=SEEKTABLE " + shellQuote(target), status);
        EXPECT_NE(std::string::npos, table.find("seek points: 2")) << table;
        EXPECT_EQ(std::string::npos, table.find("PLACEHOLDER")) << table;
    }
}

TEST_F(ConvertFlacTest, CommentsComeFromTheDefaultsTheSourceOrNowhere)
{
    const std::string wav = made("Song Title.wav", "sox -R -n -r 44100 -c 2 -b 16 -t wav - synth 1 sine 440 >");
    settings.FLACID3TagType = kTagSourceDefaults;
    settings.FLACTag.Artist = "Zo\xC3\xAB";
    settings.FLACTag.Year = "2026";
    settings.FLACTag.TrackNumType = 1;
    ASSERT_TRUE(convert(wav, dir.file("defaults.flac"), 3));
    EXPECT_EQ("TITLE=Song Title\nARTIST=Zo\xC3\xAB\nDATE=2026\nTRACKNUMBER=3\n", comments(dir.file("defaults.flac")));

    const std::string tagged = made("tagged.ogg", "ffmpeg -v error -f lavfi -i sine=d=1 -c:a libvorbis -metadata "
                                                  "title=Copied -metadata artist=Someone -metadata album=Album");
    settings.FLACID3TagType = kTagSourceCopy;
    ASSERT_TRUE(convert(tagged, dir.file("copied.flac")));
    const FfprobeInfo copied = ffprobeInfo(dir.file("copied.flac"));
    EXPECT_EQ("Copied", copied.tags.at("title"));
    EXPECT_EQ("Someone", copied.tags.at("artist"));
    EXPECT_EQ("Album", copied.tags.at("album"));

    settings.FLACID3TagType = kTagSourceNone;
    ASSERT_TRUE(convert(wav, dir.file("none.flac")));
    EXPECT_EQ("", comments(dir.file("none.flac")));
}

} // namespace
} // namespace sonivert::test
