#include "settings/conversionsettings.h"

#include "platform/registrystore.h"

#include <algorithm>
#include <array>
#include <memory>

namespace sonivert {
namespace {

// Load checks. Each returns what the field holds after reading `stored`.

int32_t clampCoefficient(int32_t stored, int32_t)
{
    return std::clamp(stored, 10, 3000);
}

int32_t mp3ChannelMode(int32_t stored, int32_t)
{
    return (stored == 0 || stored == 1 || stored == 3 || stored == 4) ? stored : 1;
}

// Channel choices 0 (as the source), 1, 2 and tag sources 0..2.
int32_t zeroToTwoElseTwo(int32_t stored, int32_t)
{
    return (stored >= 0 && stored <= 2) ? stored : 2;
}

int32_t wmaChannels(int32_t stored, int32_t)
{
    return (stored == 1 || stored == 2) ? stored : 2;
}

// A nominal rate above 1000 kbit/s can only be one in bit/s.
int32_t oggBitRate(int32_t stored, int32_t)
{
    return stored > 1000 ? stored / 1000 : stored;
}

// Two-way choices the pages show as "not 0 is 1" (the AAC quality mode and
// MPEG version): stored as the page shows them, so that the encoder does
// what the page says.
int32_t nonZeroIsOne(int32_t stored, int32_t)
{
    return stored != 0 ? 1 : 0;
}

// AAC block types 0..2; anything else, which the encoder refuses, is the
// default (long and short blocks).
int32_t aacBlockType(int32_t stored, int32_t)
{
    return (stored >= 0 && stored <= 2) ? stored : 0;
}

// Simultaneous conversions: 0 (one per core) or 1..64.
int32_t conversionJobs(int32_t stored, int32_t)
{
    return std::clamp(stored, 0, kMaxConversionJobs);
}

// FLAC compression levels 0..8, the nearest one for a stored value outside.
int32_t flacLevel(int32_t stored, int32_t)
{
    return std::clamp(stored, 0, 8);
}

// Opus bit rates 6..510 kbit/s, the nearest one for a stored value outside.
int32_t opusBitRate(int32_t stored, int32_t)
{
    return std::clamp(stored, 6, 510);
}

// Loudness targets -30..-5 LUFS.
int32_t loudnessTarget(int32_t stored, int32_t)
{
    return std::clamp(stored, kMinTargetLufs, kMaxTargetLufs);
}

// A page index that names no page is ignored. A negative one names none
// either, so the lower bound is checked as well as the upper.
int32_t startPage(int32_t stored, int32_t current)
{
    return (stored >= 0 && stored < kOptionPageCount) ? stored : current;
}

using S = ConversionSettings;

OptionField number(std::string_view name, int32_t S::*field, int32_t (*check)(int32_t, int32_t) = nullptr,
                   SaveGroup group = kSaveOptions)
{
    return {name, field, nullptr, check, group};
}

OptionField text(std::string_view name, std::string S::*field, SaveGroup group = kSaveOptions)
{
    return {name, nullptr, field, nullptr, group};
}

// The load order. Saving the options group walks the same list, which gives
// its write order, because the values of the other groups are the only ones
// read in between.
const std::array kOptionFields = {
    text("Folder", &S::Folder, kSaveFolder),
    number("DestOutputFolderOpt", &S::DestOutputFolderOpt),
    text("DestSpecifiedFolder", &S::DestSpecifiedFolder),
    number("CreateDirs", &S::CreateDirs),
    number("BrowseOutputFolder", &S::BrowseOutputFolder),
    number("OutputFiles2MyDocuments", &S::OutputFiles2MyDocuments),
    number("TargetExistsOpt", &S::TargetExistsOpt),
    number("MonoType", &S::MonoType),
    number("EnableExtFilter", &S::EnableExtFilter),
    text("FilterExts", &S::FilterExts),
    number("ConversionJobs", &S::ConversionJobs, conversionJobs),
    number("ReplayGain", &S::ReplayGain, nonZeroIsOne),
    number("NormalizeLoudness", &S::NormalizeLoudness, nonZeroIsOne),
    number("NormalizeTargetLufs", &S::NormalizeTargetLufs, loudnessTarget),
    number("OutputFormat", &S::OutputFormat, nullptr, kSaveFormatAndStartPage),
    // MP3
    number("AutoDestMP3EncodingParam", &S::AutoDestMP3EncodingParam),
    number("MP3BitRate", &S::MP3BitRate),
    number("MP3SampleRate", &S::MP3SampleRate),
    number("MP3ChannelMode", &S::MP3ChannelMode, mp3ChannelMode),
    // WAV
    number("AutoDestWAVEncodingParam", &S::AutoDestWAVEncodingParam),
    number("WAVBitsPerSample", &S::WAVBitsPerSample),
    number("WAVSampleRate", &S::WAVSampleRate),
    number("WAVChannelNum", &S::WAVChannelNum, zeroToTwoElseTwo),
    // WMA
    number("AutoDestWMAEncodingParam", &S::AutoDestWMAEncodingParam),
    number("WMABitRate", &S::WMABitRate),
    number("WMASampleRate", &S::WMASampleRate),
    number("WMAChannels", &S::WMAChannels, wmaChannels),
    number("WMAID3TagType", &S::WMAID3TagType, zeroToTwoElseTwo),
    number("AmplifyWMA", &S::AmplifyWMA),
    number("AmplifyWMACoeff", &S::AmplifyWMACoeff, clampCoefficient),
    // Ogg Vorbis
    number("AutoDestOGGEncodingParam", &S::AutoDestOGGEncodingParam),
    number("OGGBitRate", &S::OGGBitRate, oggBitRate),
    number("OGGSampleRate", &S::OGGSampleRate),
    number("OGGChannels", &S::OGGChannels, zeroToTwoElseTwo),
    number("OGGID3TagType", &S::OGGID3TagType),
    number("AmplifyOGG", &S::AmplifyOGG),
    number("AmplifyOGGCoeff", &S::AmplifyOGGCoeff, clampCoefficient),
    // FLAC
    number("FLACCompressionLevel", &S::FLACCompressionLevel, flacLevel),
    number("FLACID3TagType", &S::FLACID3TagType),
    number("AmplifyFLAC", &S::AmplifyFLAC),
    number("AmplifyFLACCoeff", &S::AmplifyFLACCoeff, clampCoefficient),
    // Opus
    number("AutoDestOPUSEncodingParam", &S::AutoDestOPUSEncodingParam),
    number("OPUSBitRate", &S::OPUSBitRate, opusBitRate),
    number("OPUSChannels", &S::OPUSChannels, zeroToTwoElseTwo),
    number("OPUSID3TagType", &S::OPUSID3TagType),
    number("AmplifyOPUS", &S::AmplifyOPUS),
    number("AmplifyOPUSCoeff", &S::AmplifyOPUSCoeff, clampCoefficient),
    // AAC
    number("AutoDestAACEncodingParam", &S::AutoDestAACEncodingParam),
    number("AACVBR", &S::AACVBR, nonZeroIsOne),
    number("AACVBRQuality", &S::AACVBRQuality),
    number("AACABRBitRate", &S::AACABRBitRate),
    number("AACMpegVersion", &S::AACMpegVersion, nonZeroIsOne),
    number("AACEnableTNS", &S::AACEnableTNS),
    number("AACEnableMidside", &S::AACEnableMidside),
    number("AACBlockType", &S::AACBlockType, aacBlockType),
    number("AmplifyAAC", &S::AmplifyAAC),
    number("AmplifyAACCoef", &S::AmplifyAACCoef), // "Coef" values are checked by their page, not here
    // M4A
    number("AutoDestM4AEncodingParam", &S::AutoDestM4AEncodingParam),
    number("M4AVBR", &S::M4AVBR, nonZeroIsOne),
    number("M4AVBRQuality", &S::M4AVBRQuality),
    number("M4AABRBitRate", &S::M4AABRBitRate),
    number("M4AEnableTNS", &S::M4AEnableTNS),
    number("M4AEnableMidside", &S::M4AEnableMidside),
    number("M4ABlockType", &S::M4ABlockType, aacBlockType),
    number("AmplifyM4A", &S::AmplifyM4A),
    number("AmplifyM4ACoef", &S::AmplifyM4ACoef),
    number("M4AID3TagType", &S::M4AID3TagType, zeroToTwoElseTwo),
    // AMR
    number("AMRMode", &S::AMRMode),
    number("AMRWBMode", &S::AMRWBMode),
    number("AMRDTX", &S::AMRDTX),
    number("AMRType", &S::AMRType),
    number("AWBMode", &S::AWBMode),
    number("AWBDTX", &S::AWBDTX),
    number("AmplifyAMR", &S::AmplifyAMR),
    number("AmplifyAMRCoef", &S::AmplifyAMRCoef),
    // The MP3 tag and amplification values and the WAV amplification come
    // last.
    number("MP3ID3TagType", &S::MP3ID3TagType),
    number("MP3WriteID3Version", &S::MP3WriteID3Version),
    number("AmplifyMp3", &S::AmplifyMp3),
    number("AmplifyMp3Coeff", &S::AmplifyMp3Coeff, clampCoefficient),
    number("AmplifyWav", &S::AmplifyWav),
    number("AmplifyWavCoeff", &S::AmplifyWavCoeff, clampCoefficient),
    number("OptStartPageIndex", &S::OptStartPageIndex, startPage, kSaveFormatAndStartPage),
};

using T = TagDefaults;

const std::array<TagField, 11> kTagFields = {{
    {"TitleAsFileName", &T::TitleAsFileName, nullptr},
    {"Title", nullptr, &T::Title},
    {"Artist", nullptr, &T::Artist},
    {"Album", nullptr, &T::Album},
    {"Year", nullptr, &T::Year},
    {"Genre", nullptr, &T::Genre},
    {"Comment", nullptr, &T::Comment},
    {"Composer", nullptr, &T::Composer},
    {"Copyright", nullptr, &T::Copyright},
    {"TrackNumType", &T::TrackNumType, nullptr},
    {"CustomTrackNum", &T::CustomTrackNum, nullptr},
}};

const std::array<TagFormat, 6> kTagFormats = {{
    {"MP3", &S::MP3Tag},
    {"OGG", &S::OGGTag},
    {"WMA", &S::WMATag},
    {"M4A", &S::M4ATag},
    {"FLAC", &S::FLACTag},
    {"OPUS", &S::OPUSTag},
}};

} // namespace

std::span<const OptionField> optionFields() { return kOptionFields; }
std::span<const TagField> tagFields() { return kTagFields; }
std::span<const TagFormat> tagFormats() { return kTagFormats; }

std::string tagKeyPath(std::string_view formatWord)
{
    std::string path(kOptionsKey);
    path += '\\';
    path += formatWord;
    path += "Tag";
    return path;
}

bool TagDefaults::load(RegistryStore& store, std::string_view formatWord)
{
    const std::unique_ptr<RegistryKey> key = store.openKey(tagKeyPath(formatWord));
    if (!key)
        return false;
    // Texts first, then numbers.
    for (const TagField& field : kTagFields) {
        if (!field.text)
            continue;
        std::string& value = this->*field.text;
        const std::optional<size_t> size = key->textSize(field.name);
        if (!size || *size < 2)
            value.clear();
        else
            value = key->readText(field.name).value_or(std::string());
    }
    for (const TagField& field : kTagFields) {
        if (!field.number)
            continue;
        if (const std::optional<int32_t> stored = key->readNumber(field.name))
            this->*field.number = *stored;
    }
    return true;
}

void TagDefaults::save(RegistryStore& store, std::string_view formatWord) const
{
    const std::unique_ptr<RegistryKey> key = store.createKey(tagKeyPath(formatWord));
    if (!key)
        return;
    for (const TagField& field : kTagFields) {
        if (field.number)
            key->writeNumber(field.name, this->*field.number);
        else
            key->writeText(field.name, this->*field.text);
    }
}

ConversionSettings::ConversionSettings(const std::optional<std::string>& documentsFolder)
{
    if (documentsFolder) {
        DestOutputFolderOpt = kFolderCustom;
        DestSpecifiedFolder = *documentsFolder;
    }
}

void ConversionSettings::load(RegistryStore& store)
{
    if (std::unique_ptr<RegistryKey> key = store.openKey(kOptionsKey)) {
        for (const OptionField& field : kOptionFields) {
            if (field.text) {
                // Texts are read whole, whatever their length.
                if (std::optional<std::string> stored = key->readText(field.name))
                    this->*field.text = std::move(*stored);
            } else if (const std::optional<int32_t> stored = key->readNumber(field.name)) {
                int32_t& value = this->*field.number;
                value = field.check ? field.check(*stored, value) : *stored;
            }
        }
        key.reset();
        for (const TagFormat& format : kTagFormats)
            (this->*format.record).load(store, format.word);
    }
    parseExtFilter();
}

void ConversionSettings::save(RegistryStore& store, int mask) const
{
    constexpr std::array kGroupOrder = {kSaveFormatAndStartPage, kSaveFolder, kSaveOptions};
    if ((mask & (kSaveFormatAndStartPage | kSaveFolder | kSaveOptions)) == 0)
        return;
    std::unique_ptr<RegistryKey> key = store.createKey(kOptionsKey);
    if (!key)
        return;
    for (const SaveGroup group : kGroupOrder) {
        if ((mask & group) == 0)
            continue;
        for (const OptionField& field : kOptionFields) {
            if (field.group != group)
                continue;
            if (field.text)
                key->writeText(field.name, this->*field.text);
            else
                key->writeNumber(field.name, this->*field.number);
        }
    }
    key.reset();
    if (mask & kSaveOptions) {
        for (const TagFormat& format : kTagFormats)
            (this->*format.record).save(store, format.word);
    }
    // The values should survive a crash of the program, as registry writes
    // do; errors stay silent like every store error here.
    (void)store.flush();
}

void ConversionSettings::parseExtFilter()
{
    filterExtList.clear();
    if (EnableExtFilter == 0 || FilterExts.empty())
        return;
    std::string lower = FilterExts;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    size_t start = 0;
    for (;;) {
        const size_t comma = lower.find(',', start);
        if (comma == std::string::npos) {
            filterExtList.push_back(lower.substr(start));
            return;
        }
        filterExtList.push_back(lower.substr(start, comma - start));
        start = comma + 1;
    }
}

} // namespace sonivert
