#include "encoders/vorbiscomments.h"

#include "platform/localtext.h"

namespace sonivert {
namespace {

// A FLAC metadata block's length field has 24 bits.
constexpr size_t kFlacBlockMaxBytes = (1u << 24) - 1;

void appendBigEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

bool printableAscii(const std::string& text)
{
    for (char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

} // namespace

std::optional<std::vector<uint8_t>> flacPictureBlock(const TagPicture& picture)
{
    if (picture.data.empty() || picture.mimeType.empty() || !printableAscii(picture.mimeType))
        return std::nullopt;
    const std::string description = isValidUtf8(picture.description) ? picture.description : std::string();
    const size_t size = 8 * 4 + picture.mimeType.size() + description.size() + picture.data.size();
    if (size > kFlacBlockMaxBytes)
        return std::nullopt;
    auto nonNegative = [](int32_t v) { return static_cast<uint32_t>(v > 0 ? v : 0); };
    std::vector<uint8_t> block;
    block.reserve(size);
    appendBigEndian32(block, nonNegative(picture.type));
    appendBigEndian32(block, static_cast<uint32_t>(picture.mimeType.size()));
    block.insert(block.end(), picture.mimeType.begin(), picture.mimeType.end());
    appendBigEndian32(block, static_cast<uint32_t>(description.size()));
    block.insert(block.end(), description.begin(), description.end());
    appendBigEndian32(block, nonNegative(picture.width));
    appendBigEndian32(block, nonNegative(picture.height));
    appendBigEndian32(block, nonNegative(picture.depth));
    appendBigEndian32(block, 0); // colours: only indexed pictures count them
    appendBigEndian32(block, static_cast<uint32_t>(picture.data.size()));
    block.insert(block.end(), picture.data.begin(), picture.data.end());
    return block;
}

std::string base64Encode(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            out += kDigits[(v >> shift) & 0x3F];
    }
    if (const size_t rest = bytes.size() - i; rest > 0) {
        const uint32_t v = (uint32_t{bytes[i]} << 16) | (rest == 2 ? uint32_t{bytes[i + 1]} << 8 : 0u);
        out += kDigits[(v >> 18) & 0x3F];
        out += kDigits[(v >> 12) & 0x3F];
        out += rest == 2 ? kDigits[(v >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> vorbisCommentFields(const TrackTags& tags, CommentFlavour flavour)
{
    const std::pair<const char*, const std::string*> fields[] = {
        {"TITLE", &tags.title},       {"ARTIST", &tags.artist}, {"ALBUM", &tags.album},
        {"DATE", &tags.year},         {"GENRE", &tags.genre},   {"COMMENT", &tags.comment},
        {"COMPOSER", &tags.composer}, {"COPYRIGHT", &tags.copyright},
    };
    std::vector<std::pair<std::string, std::string>> comments;
    auto add = [&](const char* name, const std::string& value) {
        if (!value.empty() && isValidUtf8(value))
            comments.emplace_back(name, value);
    };
    for (const auto& [name, value] : fields)
        add(name, *value);
    if (tags.trackNumber() > 0)
        add("TRACKNUMBER", tags.track);
    if (tags.loudness) {
        if (flavour == CommentFlavour::Opus) {
            add("R128_TRACK_GAIN", std::to_string(tags.loudness->r128TrackGain()));
        } else {
            add("REPLAYGAIN_TRACK_GAIN", tags.loudness->replayGainText());
            add("REPLAYGAIN_TRACK_PEAK", tags.loudness->peakText());
        }
    }
    if (flavour == CommentFlavour::Vorbis && tags.picture) {
        if (const auto block = flacPictureBlock(*tags.picture))
            add("METADATA_BLOCK_PICTURE", base64Encode(*block));
    }
    return comments;
}

} // namespace sonivert
