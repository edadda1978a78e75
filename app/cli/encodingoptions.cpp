#include "app/cli/encodingoptions.h"

#include "encoders/aacparameters.h"
#include "encoders/amrmodes.h"
#include "encoders/mp3parameters.h"
#include "encoders/oggparameters.h"
#include "settings/conversionsettings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>
#include <string_view>
#include <vector>

namespace sonivert::cli {
namespace {

enum Option : size_t { kBitrate, kRate, kChannels, kQuality, kOptionCount };
constexpr std::array<std::string_view, kOptionCount> kOptionNames = {"--bitrate", "--rate", "--channels",
                                                                     "--quality"};

// One run's option values in the table's units: bit rates in bit/s (AMR
// modes are not whole kbit/s), rates in Hz.
using Given = std::array<std::optional<int32_t>, kOptionCount>;

using S = ConversionSettings;

using Apply = void (*)(S&, int32_t value);

// What a format takes for one option.
struct Takes {
    Apply apply;                     // null: the format has no such option
    std::span<const int32_t> values; // the values taken; empty: min..max
    int32_t min;
    int32_t max;
    int32_t step;          // a value of min..max is a multiple of it
    std::string_view note; // what the values mean, or why the format has no such option
};

Takes listed(Apply apply, std::span<const int32_t> values, std::string_view note = {})
{
    return {apply, values, 0, 0, 1, note};
}

Takes ranged(Apply apply, int32_t min, int32_t max, int32_t step = 1, std::string_view note = {})
{
    return {apply, {}, min, max, step, note};
}

// An option the format does not have, and why.
Takes none(std::string_view why = {})
{
    return {nullptr, {}, 0, 0, 1, why};
}

struct FormatTakes {
    std::string_view cliNames; // the formats described, separated by spaces
    void (*automaticOff)(S&) = nullptr;
    std::array<Takes, kOptionCount> takes;
    // Combinations of values, checked on the settings after every option.
    Outcome (*check)(const S&, const Given&, const std::string& format) = nullptr;
};

constexpr std::array<int32_t, 2> kChannelCounts = {1, 2};
constexpr int32_t kWholeKbps = 1000;

// The AMR codec modes' bit rates, mode i at index i as in kAmrNbModes and
// kAmrWbModes.
constexpr std::array<int32_t, 8> kAmrNbBitRates = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};
constexpr std::array<int32_t, 9> kAmrWbBitRates = {6600,  8850,  12650, 14250, 15850,
                                                   18250, 19850, 23050, 23850};
static_assert(kAmrNbBitRates.size() == kAmrNbModes.size() && kAmrWbBitRates.size() == kAmrWbModes.size());
constexpr auto kAmrBitRates = [] {
    std::array<int32_t, kAmrNbBitRates.size() + kAmrWbBitRates.size()> all{};
    std::copy(kAmrWbBitRates.begin(), kAmrWbBitRates.end(),
              std::copy(kAmrNbBitRates.begin(), kAmrNbBitRates.end(), all.begin()));
    return all;
}();
constexpr std::array<int32_t, 2> kAmrRates = {8000, 16000};

int32_t indexIn(std::span<const int32_t> list, int32_t value)
{
    return static_cast<int32_t>(std::find(list.begin(), list.end(), value) - list.begin());
}

bool narrowBand(int32_t bitsPerSecond)
{
    return indexIn(kAmrNbBitRates, bitsPerSecond) < static_cast<int32_t>(kAmrNbBitRates.size());
}

std::string valueText(size_t option, int32_t value)
{
    if (option != kBitrate)
        return std::to_string(value);
    std::string text = std::to_string(value / 1000);
    if (const int32_t rest = value % 1000) {
        std::string decimals = std::to_string(1000 + rest).substr(1);
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += "." + decimals;
    }
    return text;
}

std::string valuesText(size_t option, std::span<const int32_t> values)
{
    std::string text;
    for (const int32_t v : values)
        text += (text.empty() ? "" : "|") + valueText(option, v);
    return text;
}

std::string describe(size_t option, const Takes& t)
{
    std::string text = t.values.empty() ? valueText(option, t.min) + ".." + valueText(option, t.max)
                                        : valuesText(option, t.values);
    if (option == kBitrate)
        text += " kbit/s";
    else if (option == kRate)
        text += " Hz";
    if (!t.note.empty())
        text += " (" + std::string(t.note) + ")";
    return text;
}

bool accepts(const Takes& t, int32_t value)
{
    if (!t.values.empty())
        return std::find(t.values.begin(), t.values.end(), value) != t.values.end();
    return value >= t.min && value <= t.max && value % t.step == 0;
}

// A bit rate in kbit/s with at most three decimals, in bit/s.
std::optional<int32_t> parseKbps(std::string_view text)
{
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view decimals = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || whole.size() > 6 || !digits(whole) || !digits(decimals) || decimals.size() > 3 ||
        (dot != std::string_view::npos && decimals.empty()))
        return std::nullopt;
    int32_t kbps = 0;
    std::from_chars(whole.data(), whole.data() + whole.size(), kbps);
    int32_t fraction = 0;
    if (!decimals.empty()) {
        std::from_chars(decimals.data(), decimals.data() + decimals.size(), fraction);
        for (size_t i = decimals.size(); i < 3; ++i)
            fraction *= 10;
    }
    return kbps * 1000 + fraction;
}

std::string kbpsLimit(const std::string& format, int32_t rate, const std::string& limit)
{
    return format + " at " + std::to_string(rate) + " Hz takes --bitrate " + limit + " kbit/s.";
}

// MPEG layer III: at most 64 kbit/s up to 12000 Hz, 160 up to 24000, at
// least 32 above (what chooseMp3Parameters would otherwise correct).
Outcome mp3Check(const S& s, const Given& given, const std::string& format)
{
    const int32_t rate = s.MP3SampleRate;
    if (!given[kBitrate] || rate <= 0)
        return true;
    const int32_t kbps = *given[kBitrate] / 1000;
    if (rate <= 12000 && kbps > 64)
        return Outcome::failure(kbpsLimit(format, rate, "up to 64"));
    if (rate > 12000 && rate <= 24000 && kbps > 160)
        return Outcome::failure(kbpsLimit(format, rate, "up to 160"));
    if (rate > 24000 && kbps < 32)
        return Outcome::failure(kbpsLimit(format, rate, "from 32"));
    return true;
}

// Vorbis takes a range of nominal bit rates for each rate and channel count.
Outcome oggCheck(const S& s, const Given& given, const std::string& format)
{
    if (!given[kBitrate] || s.OGGSampleRate <= 0 || s.OGGChannels <= 0)
        return true;
    const int32_t rate = SnapToList(s.OGGSampleRate, oggSampleRates());
    const std::optional<VorbisBitRateRange> range = VorbisBitRateLimits(rate, s.OGGChannels);
    const int32_t kbps = *given[kBitrate] / 1000;
    if (!range || (kbps >= range->minKbps && kbps <= range->maxKbps))
        return true;
    return Outcome::failure(format + " at " + std::to_string(rate) + " Hz with " + std::to_string(s.OGGChannels) +
                            (s.OGGChannels == 1 ? " channel" : " channels") + " takes --bitrate " +
                            std::to_string(range->minKbps) + ".." + std::to_string(range->maxKbps) + " kbit/s.");
}

Outcome aacCheck(const S&, const Given& given, const std::string& format)
{
    if (given[kBitrate] && given[kQuality])
        return Outcome::failure(format + " takes --bitrate (average bit rate) or --quality (variable bit rate), not both.");
    return true;
}

// The band follows the bit rate's mode; a rate given as well must agree.
Outcome amrCheck(const S&, const Given& given, const std::string& format)
{
    if (!given[kBitrate] || !given[kRate] || narrowBand(*given[kBitrate]) == (*given[kRate] == 8000))
        return true;
    const bool narrow = *given[kRate] == 8000;
    return Outcome::failure(format + " at " + std::to_string(*given[kRate]) + " Hz takes --bitrate " +
                            valuesText(kBitrate, narrow ? std::span<const int32_t>(kAmrNbBitRates)
                                                        : std::span<const int32_t>(kAmrWbBitRates)) +
                            " kbit/s.");
}

std::vector<int32_t> inBitsPerSecond(std::span<const int32_t> kbps)
{
    std::vector<int32_t> out;
    for (const int32_t k : kbps)
        out.push_back(k * 1000);
    return out;
}

constexpr std::string_view kKeepsSource = "it keeps the source's rate and channels";

// AAC in ADTS and in MPEG-4 files: the same options, each on its own page's
// values.
template <int32_t S::*Automatic, int32_t S::*Vbr, int32_t S::*Quality, int32_t S::*BitRate>
FormatTakes aacTakes(std::string_view names)
{
    return {names,
            [](S& s) { s.*Automatic = 0; },
            {
                ranged([](S& s, int32_t v) { s.*Vbr = 0; s.*BitRate = v / 1000; }, 16'000, 320'000, kWholeKbps,
                       "average bit rate of all channels"),
                none(kKeepsSource),
                none(kKeepsSource),
                ranged([](S& s, int32_t v) { s.*Vbr = 1; s.*Quality = v; }, kAacQualityMin, kAacQualityMax, 1,
                       "variable bit rate, 100 the default"),
            },
            aacCheck};
}

void amrBitRate(S& s, int32_t bitsPerSecond)
{
    if (narrowBand(bitsPerSecond)) {
        s.AMRType = 0;
        s.AMRMode = indexIn(kAmrNbBitRates, bitsPerSecond);
    } else {
        s.AMRType = 1;
        s.AMRWBMode = indexIn(kAmrWbBitRates, bitsPerSecond);
    }
}

const std::vector<FormatTakes>& formatTable()
{
    static const std::vector<int32_t> mp3BitRatesBps = inBitsPerSecond(mp3BitRates());
    static const std::vector<int32_t> oggBitRatesBps = inBitsPerSecond(oggBitRates());
    constexpr std::string_view kNearestWma = "the nearest the Windows Media formats offer";
    static const std::vector<FormatTakes> table = {
        {"mp3",
         [](S& s) { s.AutoDestMP3EncodingParam = 0; },
         {
             listed([](S& s, int32_t v) { s.MP3BitRate = v / 1000; }, mp3BitRatesBps),
             listed([](S& s, int32_t v) { s.MP3SampleRate = v; }, mp3SampleRates()),
             listed([](S& s, int32_t v) { s.MP3ChannelMode = v == 1 ? 3 : 1; }, kChannelCounts,
                    "mono or joint stereo"),
             none(),
         },
         mp3Check},
        {"ogg",
         [](S& s) { s.AutoDestOGGEncodingParam = 0; },
         {
             listed([](S& s, int32_t v) { s.OGGBitRate = v / 1000; }, oggBitRatesBps, "nominal"),
             listed([](S& s, int32_t v) { s.OGGSampleRate = v; }, oggSampleRates()),
             listed([](S& s, int32_t v) { s.OGGChannels = v; }, kChannelCounts),
             none(),
         },
         oggCheck},
        {"wav",
         [](S& s) { s.AutoDestWAVEncodingParam = 0; },
         {
             none("it is uncompressed; WAVBitsPerSample sets the sample width"),
             ranged([](S& s, int32_t v) { s.WAVSampleRate = v; }, 6000, 192000),
             listed([](S& s, int32_t v) { s.WAVChannelNum = v; }, kChannelCounts),
             none(),
         },
         nullptr},
        {"wma",
         [](S& s) { s.AutoDestWMAEncodingParam = 0; },
         {
             ranged([](S& s, int32_t v) { s.WMABitRate = v; }, 8'000, 320'000, kWholeKbps, kNearestWma),
             ranged([](S& s, int32_t v) { s.WMASampleRate = v; }, 8000, 48000, 1, kNearestWma),
             listed([](S& s, int32_t v) { s.WMAChannels = v; }, kChannelCounts),
             none(),
         },
         nullptr},
        aacTakes<&S::AutoDestAACEncodingParam, &S::AACVBR, &S::AACVBRQuality, &S::AACABRBitRate>("aac"),
        aacTakes<&S::AutoDestM4AEncodingParam, &S::M4AVBR, &S::M4AVBRQuality, &S::M4AABRBitRate>("m4a mp4 m4b"),
        {"amr",
         nullptr,
         {
             listed(amrBitRate, kAmrBitRates, "4.75 to 12.2 narrow band at 8000 Hz, 6.6 to 23.85 wide band at 16000 Hz"),
             listed([](S& s, int32_t v) { s.AMRType = v == 16000 ? 1 : 0; }, kAmrRates, "narrow or wide band"),
             none("it is always mono"),
             none(),
         },
         amrCheck},
        {"awb",
         nullptr,
         {
             listed([](S& s, int32_t v) { s.AWBMode = indexIn(kAmrWbBitRates, v); }, kAmrWbBitRates),
             none("it is always 16000 Hz"),
             none("it is always mono"),
             none(),
         },
         nullptr},
        {"opus",
         [](S& s) { s.AutoDestOPUSEncodingParam = 0; },
         {
             ranged([](S& s, int32_t v) { s.OPUSBitRate = v / 1000; }, 6'000, 510'000, kWholeKbps),
             none("it is always 48000 Hz"),
             listed([](S& s, int32_t v) { s.OPUSChannels = v; }, kChannelCounts),
             none(),
         },
         nullptr},
        {"flac",
         nullptr,
         {
             none("it is lossless"),
             none(kKeepsSource),
             none(kKeepsSource),
             ranged([](S& s, int32_t v) { s.FLACCompressionLevel = v; }, 0, 8, 1,
                    "compression level, 8 the smallest file"),
         },
         nullptr},
    };
    return table;
}

const FormatTakes* takesOf(std::string_view cliName)
{
    for (const FormatTakes& f : formatTable()) {
        std::string_view names = f.cliNames;
        while (!names.empty()) {
            const size_t space = names.find(' ');
            if (names.substr(0, space) == cliName)
                return &f;
            names = space == std::string_view::npos ? std::string_view() : names.substr(space + 1);
        }
    }
    return nullptr;
}

} // namespace

Outcome applyEncodingOptions(S& settings, const OutputFormatInfo& format, const EncodingOptions& options)
{
    Given given = {std::nullopt, options.rate, options.channels, options.quality};
    if (options.bitrate) {
        given[kBitrate] = parseKbps(*options.bitrate);
        if (!given[kBitrate])
            return Outcome::failure("--bitrate takes kbit/s such as 128 or 12.2, not '" + *options.bitrate + "'.");
    }
    if (!options.any())
        return true;

    const FormatTakes* formatTakes = takesOf(format.cliName);
    const std::string name(format.displayName);
    for (size_t option = 0; option < kOptionCount; ++option) {
        if (!given[option])
            continue;
        const Takes* takes = formatTakes ? &formatTakes->takes[option] : nullptr;
        if (!takes || !takes->apply) {
            const std::string why = takes && !takes->note.empty() ? ": " + std::string(takes->note) : "";
            return Outcome::failure(name + " has no " + std::string(kOptionNames[option]) + why + ".");
        }
        if (!accepts(*takes, *given[option]))
            return Outcome::failure(name + " takes " + std::string(kOptionNames[option]) + " " +
                                    describe(option, *takes) + ", not " + valueText(option, *given[option]) + ".");
    }
    if (formatTakes->automaticOff)
        formatTakes->automaticOff(settings);
    for (size_t option = 0; option < kOptionCount; ++option) {
        if (given[option])
            formatTakes->takes[option].apply(settings, *given[option]);
    }
    return formatTakes->check ? formatTakes->check(settings, given, name) : Outcome(true);
}

std::string encodingOptionsHelp()
{
    // Formats whose lines are the same share one block.
    std::vector<std::pair<std::string, std::string>> blocks;
    for (const OutputFormatInfo& format : outputFormats()) {
        const FormatTakes* takes = takesOf(format.cliName);
        if (!takes)
            continue;
        std::string lines;
        for (size_t option = 0; option < kOptionCount; ++option) {
            if (takes->takes[option].apply)
                lines += "      " + std::string(kOptionNames[option]) + " " + describe(option, takes->takes[option]) + "\n";
        }
        if (lines.empty())
            continue;
        const auto same = std::find_if(blocks.begin(), blocks.end(), [&](const auto& b) { return b.second == lines; });
        if (same != blocks.end())
            same->first += ", " + std::string(format.cliName);
        else
            blocks.emplace_back(std::string(format.cliName), lines);
    }
    std::string text = "Encoding options by format, for this run only: they switch the format's automatic\n"
                       "parameters off, and what they do not name keeps its stored setting.\n";
    for (const auto& [names, lines] : blocks)
        text += "  " + names + ":\n" + lines;
    return text;
}

std::string encodingOptionNames(const OutputFormatInfo& format)
{
    std::string names;
    if (const FormatTakes* takes = takesOf(format.cliName)) {
        for (size_t option = 0; option < kOptionCount; ++option) {
            if (takes->takes[option].apply)
                names += (names.empty() ? "" : " ") + std::string(kOptionNames[option]);
        }
    }
    return names;
}

} // namespace sonivert::cli
