// The encoding options of sonivert-cli convert (--bitrate, --rate,
// --channels, --quality) against the settings they change: every format and
// option, what else stays as stored, and every kind of refusal.

#include "app/cli/encodingoptions.h"
#include "settings/conversionsettings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace sonivert::cli {
namespace {

// The format's entry of the output table; a format not in it (yet) gets a
// stand-in named by its word in capitals.
OutputFormatInfo formatInfo(std::string_view word, std::string& upper)
{
    if (const OutputFormatInfo* format = outputFormatByCliName(word))
        return *format;
    upper = word;
    for (char& c : upper)
        c = static_cast<char>(c - 'a' + 'A');
    return {kOutputWav, upper, "", word};
}

// The stored settings each case starts from: every value an option changes
// holds something else.
ConversionSettings stored()
{
    ConversionSettings s(std::nullopt);
    s.MP3ChannelMode = 0;
    s.AACVBR = 0;
    s.M4AVBR = 0;
    s.AMRType = 1;
    return s;
}

// The number values that differ between a and b, as NAME=VALUE of b.
std::map<std::string, int32_t> changes(const ConversionSettings& a, const ConversionSettings& b)
{
    std::map<std::string, int32_t> out;
    for (const OptionField& field : optionFields()) {
        if (field.number && a.*field.number != b.*field.number)
            out[std::string(field.name)] = b.*field.number;
    }
    return out;
}

EncodingOptions options(std::optional<std::string> bitrate, std::optional<int32_t> rate = {},
                        std::optional<int32_t> channels = {}, std::optional<int32_t> quality = {})
{
    return {std::move(bitrate), rate, channels, quality};
}

TEST(EncodingOptionsTest, EachOptionSetsItsFormatsValuesAndSwitchesAutomaticOff)
{
    const struct {
        const char* format;
        EncodingOptions given;
        std::map<std::string, int32_t> changed;
    } cases[] = {
        {"mp3", options("192", 32000, 1),
         {{"AutoDestMP3EncodingParam", 0}, {"MP3BitRate", 192}, {"MP3SampleRate", 32000}, {"MP3ChannelMode", 3}}},
        {"mp3", options({}, {}, 2), {{"AutoDestMP3EncodingParam", 0}, {"MP3ChannelMode", 1}}},
        {"ogg", options("64", 22050, 1),
         {{"AutoDestOGGEncodingParam", 0}, {"OGGBitRate", 64}, {"OGGSampleRate", 22050}, {"OGGChannels", 1}}},
        {"wav", options({}, 96000, 1), {{"AutoDestWAVEncodingParam", 0}, {"WAVSampleRate", 96000}, {"WAVChannelNum", 1}}},
        {"wma", options("64", 32000, 1),
         {{"AutoDestWMAEncodingParam", 0}, {"WMABitRate", 64000}, {"WMASampleRate", 32000}, {"WMAChannels", 1}}},
        {"aac", options("96"), {{"AutoDestAACEncodingParam", 0}, {"AACABRBitRate", 96}}},
        {"aac", options({}, {}, {}, 150), {{"AutoDestAACEncodingParam", 0}, {"AACVBR", 1}, {"AACVBRQuality", 150}}},
        {"m4a", options("64"), {{"AutoDestM4AEncodingParam", 0}, {"M4AABRBitRate", 64}}},
        {"mp4", options({}, {}, {}, 300), {{"AutoDestM4AEncodingParam", 0}, {"M4AVBR", 1}, {"M4AVBRQuality", 300}}},
        {"m4b", options("320"), {{"AutoDestM4AEncodingParam", 0}, {"M4AABRBitRate", 320}}},
        {"amr", options("12.2"), {{"AMRType", 0}, {"AMRMode", 7}}},
        {"amr", options("4.75", 8000), {{"AMRType", 0}, {"AMRMode", 0}}},
        {"amr", options("23.85"), {{"AMRWBMode", 8}}},
        {"amr", options("8.85", 16000), {{"AMRWBMode", 1}}},
        {"amr", options({}, 8000), {{"AMRType", 0}}},
        {"awb", options("6.6"), {{"AWBMode", 0}}},
        {"opus", options("64", {}, 1), {{"AutoDestOPUSEncodingParam", 0}, {"OPUSBitRate", 64}, {"OPUSChannels", 1}}},
        {"flac", options({}, {}, {}, 8), {{"FLACCompressionLevel", 8}}},
        {"wav", options({}), {}},
    };
    for (const auto& c : cases) {
        std::string upper;
        const OutputFormatInfo format = formatInfo(c.format, upper);
        SCOPED_TRACE(std::string(c.format) + " " + c.given.bitrate.value_or("-") + " " +
                     std::to_string(c.given.rate.value_or(0)) + " " + std::to_string(c.given.channels.value_or(0)) +
                     " " + std::to_string(c.given.quality.value_or(-1)));
        ConversionSettings settings = stored();
        const Outcome applied = applyEncodingOptions(settings, format, c.given);
        ASSERT_TRUE(applied) << applied.reason();
        EXPECT_EQ(c.changed, changes(stored(), settings));
    }
}

TEST(EncodingOptionsTest, RefusalsNameTheFormatAndWhatItTakes)
{
    const struct {
        const char* format;
        EncodingOptions given;
        std::vector<std::string> said; // each appears in the refusal
    } cases[] = {
        // options a format does not have
        {"mp3", options({}, {}, {}, 5), {"MP3 has no --quality"}},
        {"flac", options("128"), {"FLAC has no --bitrate: it is lossless"}},
        {"aac", options({}, 44100), {"AAC has no --rate: it keeps the source's rate and channels"}},
        {"awb", options({}, 16000), {"AWB has no --rate: it is always 16000 Hz"}},
        {"amr", options({}, {}, 1), {"AMR has no --channels: it is always mono"}},
        {"opus", options({}, 48000), {"Opus has no --rate: it is always 48000 Hz"}},
        {"xyz", options("128"), {"XYZ has no --bitrate."}},
        // values outside what the format takes
        {"mp3", options("130"), {"MP3 takes --bitrate 8|16|", "|320 kbit/s, not 130."}},
        {"mp3", options({}, 44000), {"MP3 takes --rate 8000|11025|", "|48000 Hz, not 44000."}},
        {"ogg", options("500"), {"takes --bitrate 8|", "|480 kbit/s (nominal), not 500."}},
        {"wav", options({}, 200000), {"WAV takes --rate 6000..192000 Hz, not 200000."}},
        {"wma", options("400"), {"WMA takes --bitrate 8..320 kbit/s", "not 400."}},
        {"aac", options({}, {}, {}, 5), {"AAC takes --quality 10..500", "not 5."}},
        {"flac", options({}, {}, {}, 9), {"FLAC takes --quality 0..8", "not 9."}},
        {"opus", options("600"), {"Opus takes --bitrate 6..510 kbit/s", "not 600."}},
        {"opus", options("64.5"), {"6..510 kbit/s", "not 64.5."}},
        {"amr", options("12"), {"AMR takes --bitrate 4.75|5.15|", "|23.85 kbit/s", "not 12."}},
        // combinations
        {"mp3", options("128", 8000), {"MP3 at 8000 Hz takes --bitrate up to 64 kbit/s."}},
        {"mp3", options("16", 48000), {"MP3 at 48000 Hz takes --bitrate from 32 kbit/s."}},
        {"ogg", options("64", 8000, 1), {"at 8000 Hz with 1 channel takes --bitrate 8..40 kbit/s."}},
        {"aac", options("96", {}, {}, 100), {"AAC takes --bitrate (average bit rate) or --quality", "not both"}},
        {"amr", options("12.65", 8000), {"AMR at 8000 Hz takes --bitrate 4.75|", "|12.2 kbit/s."}},
        {"amr", options("12.2", 16000), {"AMR at 16000 Hz takes --bitrate 6.6|", "|23.85 kbit/s."}},
        // bit rates that are no number
        {"mp3", options("12x"), {"--bitrate takes kbit/s such as 128 or 12.2, not '12x'."}},
        {"mp3", options("1.2345"), {"not '1.2345'"}},
        {"mp3", options("128."), {"not '128.'"}},
    };
    for (const auto& c : cases) {
        std::string upper;
        const OutputFormatInfo format = formatInfo(c.format, upper);
        ConversionSettings settings = stored();
        const Outcome applied = applyEncodingOptions(settings, format, c.given);
        SCOPED_TRACE(std::string(c.format) + ": " + applied.reason());
        ASSERT_FALSE(applied);
        for (const std::string& text : c.said)
            EXPECT_NE(std::string::npos, applied.reason().find(text)) << text;
    }
}

} // namespace
} // namespace sonivert::cli
