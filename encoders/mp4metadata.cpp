#include "encoders/mp4metadata.h"

#include "engine/tracktags.h"
#include "platform/localtext.h"

#include <algorithm>
#include <array>
#include <string>

namespace sonivert {
namespace {

constexpr const char* kItunesMean = "com.apple.iTunes";

bool startsWith(const std::vector<uint8_t>& data, std::initializer_list<uint8_t> signature)
{
    return data.size() >= signature.size() && std::equal(signature.begin(), signature.end(), data.begin());
}

} // namespace

uint32_t mp4CoverType(const TagPicture& picture)
{
    // The bytes decide before the MIME type: players read the data type to
    // pick a decoder, and a picture copied from a tag may be labelled wrongly.
    if (startsWith(picture.data, {0xFF, 0xD8, 0xFF}))
        return MP4_COVER_JPEG;
    if (startsWith(picture.data, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}))
        return MP4_COVER_PNG;
    std::string mime = picture.mimeType;
    std::transform(mime.begin(), mime.end(), mime.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    if (mime == "image/jpeg" || mime == "image/jpg")
        return MP4_COVER_JPEG;
    if (mime == "image/png")
        return MP4_COVER_PNG;
    return 0;
}

void setMp4Metadata(Mp4WriteFile* file, const TrackTags& tags, int32_t trackNumber)
{
    auto set = [file](bool (*call)(Mp4WriteFile*, const char*), const std::string& text) {
        if (!text.empty() && isValidUtf8(text))
            call(file, text.c_str());
    };
    set(MP4SetMetadataNameExx, tags.title);
    set(MP4SetMetadataArtistExx, tags.artist);
    set(MP4SetMetadataAlbumExx, tags.album);
    // The item holds 16 bits; a larger number is left out rather than cut.
    if (trackNumber > 0 && trackNumber <= 0xFFFF)
        MP4SetMetadataTrackExx(file, static_cast<uint16_t>(trackNumber), 0);
    set(MP4SetMetadataYearExx, tags.year);
    set(MP4SetMetadataGenreExx, tags.genre);
    set(MP4SetMetadataCommentExx, tags.comment);
    set(MP4SetMetadataWriterExx, tags.composer);
    if (tags.picture && !tags.picture->data.empty() && tags.picture->data.size() <= TagPicture::kMaxBytes) {
        if (const uint32_t type = mp4CoverType(*tags.picture))
            MP4SetMetadataCoverArtExx(file, tags.picture->data.data(), static_cast<uint32_t>(tags.picture->data.size()),
                                      type);
    }
    if (tags.loudness) {
        MP4SetMetadataFreeFormExx(file, "REPLAYGAIN_TRACK_GAIN", tags.loudness->replayGainText().c_str(), kItunesMean);
        MP4SetMetadataFreeFormExx(file, "REPLAYGAIN_TRACK_PEAK", tags.loudness->peakText().c_str(), kItunesMean);
    }
}

} // namespace sonivert
