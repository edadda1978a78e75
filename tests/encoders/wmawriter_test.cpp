// WmaWriter against the run-time module: the header attribute table, the
// all-or-nothing Start, and blocks written at one rate and channel count
// into a codec format of another, read back with ffprobe and ffmpeg.

#include "encoders/wmaformatlist.h"
#include "encoders/wmawriter.h"
#include "sources/wmaruntime.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class WmaWriterTest : public testing::Test {
protected:
    void SetUp() override
    {
        useBuiltWmaRuntime();
        ASSERT_TRUE(LoadWmaRuntime());
        ASSERT_TRUE(RebuildWmaFormatList(formats));
    }
    WmaFormat pick(int32_t rate, int32_t bitRate, int32_t channels)
    {
        const std::optional<WmaFormat> f = ChooseWmaFormat(formats, rate, bitRate, channels);
        EXPECT_TRUE(f);
        return f ? *f : *formats.entries().begin();
    }

    TempDir dir;
    WmaFormatList formats;
};

TEST_F(WmaWriterTest, TitleIsStoredWithItsTerminatorAndTheOtherTextsWithout)
{
    WmaWriter writer;
    EXPECT_TRUE(writer.tagAttributes().empty());
    writer.SetTags("Ab", "Album", "Artist", "Genre", "2001", "Note", "Comp", "(c)", 12);
    const std::vector<WmaWriter::Attribute> attributes = writer.tagAttributes();
    std::vector<std::u16string> names;
    for (const auto& a : attributes)
        names.push_back(a.name);
    EXPECT_EQ((std::vector<std::u16string>{u"Title", u"Author", u"WM/AlbumArtist", u"Description", u"WM/AlbumTitle",
                                           u"WM/Genre", u"WM/TrackNumber", u"WM/Year", u"WM/Composer", u"Copyright"}),
              names);
    EXPECT_EQ((std::vector<uint8_t>{'A', 0, 'b', 0, 0, 0}), attributes[0].value);
    EXPECT_EQ(12u, attributes[1].value.size()); // "Artist" without a terminator
    EXPECT_EQ(attributes[1].value, attributes[2].value);
    EXPECT_EQ(wmvcore::AttributeType::Dword, attributes[6].type);
    EXPECT_EQ((std::vector<uint8_t>{12, 0, 0, 0}), attributes[6].value);
    EXPECT_EQ(6u, attributes[9].value.size());
}

TEST_F(WmaWriterTest, FailedStartReleasesEverythingAndLeavesNoFile)
{
    const std::string path = dir.file("never.wma");
    WmaWriter writer;
    writer.SetPath(path);
    writer.SetInputFormat(44100, 16, 2);
    EXPECT_FALSE(writer.Start()) << "no codec format";
    EXPECT_FALSE(writer.isWriting());

    writer.SetPath(path);
    writer.SetInputFormat(44100, 24, 2);
    writer.SetCodecFormat(pick(44100, 128000, 2));
    EXPECT_FALSE(writer.Start()) << "24-bit input";

    writer.SetPath(dir.file("missing/folder/x.wma"));
    writer.SetInputFormat(44100, 16, 2);
    writer.SetCodecFormat(pick(44100, 128000, 2));
    EXPECT_FALSE(writer.Start()) << "a folder that does not exist";
    EXPECT_FALSE(writer.isWriting());
    const int16_t samples[4] = {};
    EXPECT_FALSE(writer.WriteBlock16(samples, samples, 2));
    EXPECT_TRUE(writer.Finish()) << "nothing to end";
    EXPECT_FALSE(fs::exists(path));

    hideWmaRuntime();
    writer.SetPath(path);
    writer.SetInputFormat(44100, 16, 2);
    writer.SetCodecFormat(pick(44100, 128000, 2));
    EXPECT_FALSE(writer.Start()) << "no run-time";
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(WmaWriterTest, StereoBlocksAreMixedAndResampledIntoAMonoFormat)
{
    // 3 s of a 1 kHz tone at 22050 Hz on both channels, in odd block sizes.
    const std::string path = dir.file("mixed.wma");
    WmaWriter writer;
    writer.SetPath(path);
    writer.SetInputFormat(22050, 16, 2);
    writer.SetCodecFormat(pick(16000, 32000, 1));
    ASSERT_TRUE(writer.Start());
    std::vector<int16_t> left(1000), right(1000);
    int64_t n = 0;
    for (int block = 0; n < 3 * 22050; ++block) {
        const int count = static_cast<int>(std::min<int64_t>(700 + block % 300, 3 * 22050 - n));
        for (int i = 0; i < count; ++i, ++n) {
            left[static_cast<size_t>(i)] = static_cast<int16_t>(16000 * std::sin(2 * std::numbers::pi * 1000 * static_cast<double>(n) / 22050));
            right[static_cast<size_t>(i)] = left[static_cast<size_t>(i)];
        }
        ASSERT_TRUE(writer.WriteBlock16(left.data(), right.data(), count));
    }
    EXPECT_FALSE(writer.WriteBlock8(nullptr, nullptr, 0)) << "the input is 16-bit";
    ASSERT_TRUE(writer.Finish());

    int status = 0;
    const std::string stream = captureCommand(
        "ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels,bit_rate "
        "-of csv=p=0 " + shellQuote(path), status);
    EXPECT_EQ("wmav2,16000,1,32000\n", stream);
    const std::string raw = dir.file("mixed.raw");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(path) + " -f s16le " + shellQuote(raw)));
    const std::vector<int16_t> decoded = readRawS16(raw);
    EXPECT_NEAR(3.0 * 16000, static_cast<double>(decoded.size()), 0.01 * 3 * 16000);
    // The tone keeps its level (RMS of a sine of peak 16000) through the mix
    // and the resampler; a lost channel or a wrong rate would not.
    double sum = 0;
    for (size_t i = 4000; i < 40000 && i < decoded.size(); ++i)
        sum += static_cast<double>(decoded[i]) * decoded[i];
    EXPECT_NEAR(16000 / std::sqrt(2.0), std::sqrt(sum / 36000), 1500);
    // One second holds 1000 periods of the tone: 2000 sign changes.
    int crossings = 0;
    for (size_t i = 4001; i < 20001 && i < decoded.size(); ++i)
        crossings += (decoded[i - 1] < 0) != (decoded[i] < 0);
    EXPECT_NEAR(2000, crossings, 20);
}

} // namespace
} // namespace sonivert::test
