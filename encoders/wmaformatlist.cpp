#include "encoders/wmaformatlist.h"

#include "platform/wmvcore/wmvtext.h"
#include "sources/wmaruntime.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace sonivert {
namespace {

// Capacity of a format description, in characters.
constexpr uint32_t kDescriptionChars = 1024;

std::string upperCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The media-type block of config (size query, then the block).
std::optional<std::vector<uint8_t>> mediaTypeOf(wmvcore::StreamConfig& config)
{
    uint32_t size = 0;
    if (!wmvcore::succeeded(config.GetMediaType(nullptr, &size)) || size < sizeof(wmvcore::MediaType))
        return std::nullopt;
    std::vector<uint8_t> block(size);
    if (!wmvcore::succeeded(config.GetMediaType(block.data(), &size)) || size > block.size())
        return std::nullopt;
    block.resize(size);
    return block;
}

} // namespace

std::optional<WmaFormat> WmaFormat::fromMediaType(std::vector<uint8_t> block, int32_t bitRate)
{
    wmvcore::MediaType header;
    std::span<const uint8_t> format;
    wmvcore::WaveFormatEx wave;
    if (!wmvcore::readMediaType(block.data(), block.size(), header, format) ||
        !(header.majorType == wmvcore::kMediaTypeAudio) || !wmvcore::readWaveFormat(format, wave) ||
        wave.channels == 0 || wave.samplesPerSecond == 0 || wave.samplesPerSecond > 0x7FFFFFFF)
        return std::nullopt;
    WmaFormat f;
    f.m_subtype = header.subtype;
    f.m_sampleRate = static_cast<int32_t>(wave.samplesPerSecond);
    f.m_channels = wave.channels;
    f.m_bitRate = bitRate;
    f.m_block = std::move(block);
    return f;
}

bool WmaFormatList::insert(WmaFormat format)
{
    // Checked over the whole list first: mono and stereo entries of one rate
    // and bit rate sit side by side, and the walk below would otherwise stop
    // at the first of them before it meets a duplicate of the second.
    for (const WmaFormat& e : m_entries) {
        if (e.sampleRate() == format.sampleRate() && e.bitRate() == format.bitRate() &&
            e.channels() == format.channels())
            return false;
    }
    auto at = std::find_if(m_entries.begin(), m_entries.end(), [&](const WmaFormat& e) {
        if (e.sampleRate() != format.sampleRate())
            return e.sampleRate() > format.sampleRate();
        if (e.bitRate() != format.bitRate())
            return e.bitRate() > format.bitRate();
        return e.channels() != format.channels();
    });
    m_entries.insert(at, std::move(format));
    return true;
}

bool RebuildWmaFormatList(WmaFormatList& list)
{
    const WmaRuntimeEntryPoints runtime = WmaRuntimeEntries();
    if (!runtime.WMCreateProfileManager)
        return false;
    list.clear();

    wmvcore::ProfileManager* rawManager = nullptr;
    if (!wmvcore::succeeded(runtime.WMCreateProfileManager(&rawManager)) || !rawManager)
        return false;
    const wmvcore::Ptr<wmvcore::ProfileManager> manager(rawManager);
    wmvcore::CodecInfo* rawInfo = nullptr;
    if (!wmvcore::succeeded(manager->GetCodecInfo(&rawInfo)) || !rawInfo)
        return false;
    const wmvcore::Ptr<wmvcore::CodecInfo> info(rawInfo);

    uint32_t codecs = 0;
    if (!wmvcore::succeeded(info->GetCodecInfoCount(wmvcore::kMediaTypeAudio, &codecs)))
        return false;
    bool complete = true;
    for (uint32_t codec = 0; codec < codecs; ++codec) {
        uint32_t formats = 0;
        if (!wmvcore::succeeded(info->GetCodecFormatCount(wmvcore::kMediaTypeAudio, codec, &formats))) {
            complete = false;
            continue;
        }
        for (uint32_t index = 0; index < formats; ++index) {
            std::array<char16_t, kDescriptionChars> description{};
            uint32_t chars = kDescriptionChars;
            wmvcore::StreamConfig* rawConfig = nullptr;
            const wmvcore::Result got = info->GetCodecFormatDesc(wmvcore::kMediaTypeAudio, codec, index, &rawConfig,
                                                                 description.data(), &chars);
            const wmvcore::Ptr<wmvcore::StreamConfig> config(rawConfig);
            if (!wmvcore::succeeded(got) || !config) {
                complete = false;
                break;
            }
            description.back() = u'\0';
            const std::u16string_view text(description.data());
            if (upperCase(wmvcore::utf16ToUtf8(text)).find("(A/V)") != std::string::npos)
                continue;

            uint32_t bitRate = 0;
            std::optional<std::vector<uint8_t>> block = mediaTypeOf(*config);
            if (!wmvcore::succeeded(config->GetBitrate(&bitRate)) || !block) {
                complete = false;
                break;
            }
            std::optional<WmaFormat> format =
                WmaFormat::fromMediaType(std::move(*block), static_cast<int32_t>(std::min<uint32_t>(bitRate, 0x7FFFFFFF)));
            if (!format)
                continue;
            if (!(format->subtype() == wmvcore::kSubtypeWmAudioV8) && !(format->subtype() == wmvcore::kSubtypeWmAudioV9))
                continue;
            if (format->channels() > 2)
                continue;
            list.insert(std::move(*format));
        }
    }
    return complete;
}

std::optional<WmaFormat> ChooseWmaFormat(const WmaFormatList& list, int32_t wantedRate, int32_t wantedBitRate,
                                         int32_t wantedChannels)
{
    const WmaFormat* lowerAtRate = nullptr;  // last entry at the wanted rate below the wanted bit rate
    const WmaFormat* nextRate = nullptr;     // first entry of a higher rate
    const WmaFormat* last = nullptr;         // last entry with the wanted channels
    for (const WmaFormat& e : list.entries()) {
        if (e.channels() != wantedChannels)
            continue;
        last = &e;
        if (e.sampleRate() == wantedRate) {
            if (e.bitRate() == wantedBitRate)
                return e;
            if (e.bitRate() < wantedBitRate) {
                lowerAtRate = &e;
                continue;
            }
            // The first entry above the wanted bit rate at the wanted rate.
            if (lowerAtRate && int64_t{wantedBitRate} - lowerAtRate->bitRate() < int64_t{e.bitRate()} - wantedBitRate)
                return *lowerAtRate;
            return e;
        }
        if (e.sampleRate() > wantedRate && !nextRate)
            nextRate = &e;
    }
    if (lowerAtRate)
        return *lowerAtRate;
    if (nextRate)
        return *nextRate;
    if (last)
        return *last;
    return std::nullopt;
}

} // namespace sonivert
