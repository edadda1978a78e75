#include "encoders/flacencoder.h"

#include "encoders/vorbiscomments.h"
#include "platform/localtext.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace sonivert {
namespace {

constexpr int32_t kSeekPointSeconds = 10;
// Enough for the two ReplayGain comments, so that adding them rewrites
// only the metadata in place.
constexpr unsigned kLoudnessPadding = 256;

// Appends NAME=value; false when the library refuses the entry.
bool appendComment(FLAC__StreamMetadata* block, const std::string& name, const std::string& value)
{
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name.c_str(), value.c_str()))
        return false;
    // Without copying, the block takes the entry's memory over.
    if (!FLAC__metadata_object_vorbiscomment_append_comment(block, entry, false)) {
        std::free(entry.entry);
        return false;
    }
    return true;
}

// A PICTURE block of picture, or null when libFLAC refuses it or it does not
// fit a block; the stream is written without it then.
FlacMetadataPtr pictureBlock(const TagPicture& picture)
{
    // The block's own layout decides what fits and what is written.
    if (!flacPictureBlock(picture))
        return nullptr;
    FlacMetadataPtr block = makeFlacMetadata(FLAC__METADATA_TYPE_PICTURE);
    if (!block)
        return nullptr;
    FLAC__StreamMetadata_Picture& p = block->data.picture;
    p.type = picture.type >= 0 && picture.type <= FLAC__STREAM_METADATA_PICTURE_TYPE_PUBLISHER_LOGOTYPE
                 ? static_cast<FLAC__StreamMetadata_Picture_Type>(picture.type)
                 : FLAC__STREAM_METADATA_PICTURE_TYPE_OTHER;
    p.width = static_cast<FLAC__uint32>(std::max(picture.width, 0));
    p.height = static_cast<FLAC__uint32>(std::max(picture.height, 0));
    p.depth = static_cast<FLAC__uint32>(std::max(picture.depth, 0));
    p.colors = 0;
    std::string mime = picture.mimeType;
    std::string description = isValidUtf8(picture.description) ? picture.description : std::string();
    std::vector<FLAC__byte> data(picture.data.begin(), picture.data.end());
    // The setters copy what they are given.
    if (!FLAC__metadata_object_picture_set_mime_type(block.get(), mime.data(), true) ||
        !FLAC__metadata_object_picture_set_description(block.get(), reinterpret_cast<FLAC__byte*>(description.data()),
                                                       true) ||
        !FLAC__metadata_object_picture_set_data(block.get(), data.data(), static_cast<FLAC__uint32>(data.size()),
                                                true))
        return nullptr;
    const char* violation = nullptr;
    if (!FLAC__metadata_object_picture_is_legal(block.get(), &violation))
        return nullptr;
    return block;
}

} // namespace

bool FlacEncoder::Open(const std::string& path, const Format& format, const TrackTags* tags)
{
    if (m_encoder || (format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.level < 0 || format.level > 8 ||
        format.sampleRate <= 0)
        return false;
    m_encoder = makeFlacEncoder();
    if (!m_encoder)
        return false;
    FLAC__StreamEncoder* e = m_encoder.get();
    m_channels = format.channels;
    if (!FLAC__stream_encoder_set_channels(e, static_cast<unsigned>(format.channels)) ||
        !FLAC__stream_encoder_set_bits_per_sample(e, static_cast<unsigned>(format.bitsPerSample)) ||
        !FLAC__stream_encoder_set_sample_rate(e, static_cast<unsigned>(format.sampleRate)) ||
        !FLAC__stream_encoder_set_compression_level(e, static_cast<unsigned>(format.level)) ||
        !FLAC__stream_encoder_set_total_samples_estimate(e, format.framesEstimate))
        return false;

    std::array<FLAC__StreamMetadata*, 4> blocks{};
    unsigned count = 0;
    if (tags || format.reserveLoudness) {
        m_comments = makeFlacMetadata(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        if (!m_comments)
            return false;
        for (const auto& [name, value] : vorbisCommentFields(tags ? *tags : TrackTags{}, CommentFlavour::Flac)) {
            if (!appendComment(m_comments.get(), name, value))
                return false;
        }
        blocks[count++] = m_comments.get();
    }
    if (tags) {
        if (tags->picture) {
            m_picture = pictureBlock(*tags->picture);
            if (m_picture)
                blocks[count++] = m_picture.get();
        }
    }
    const uint64_t spacing = static_cast<uint64_t>(format.sampleRate) * kSeekPointSeconds;
    if (format.framesEstimate > 0) {
        m_seekTable = makeFlacMetadata(FLAC__METADATA_TYPE_SEEKTABLE);
        if (!m_seekTable ||
            !FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
                m_seekTable.get(), static_cast<unsigned>(spacing), format.framesEstimate) ||
            !FLAC__metadata_object_seektable_template_sort(m_seekTable.get(), true))
            return false;
        blocks[count++] = m_seekTable.get();
    }
    // Padding last: a metadata rewrite takes its room from the last block.
    if (format.reserveLoudness) {
        m_padding = makeFlacMetadata(FLAC__METADATA_TYPE_PADDING);
        if (!m_padding)
            return false;
        m_padding->length = kLoudnessPadding;
        blocks[count++] = m_padding.get();
    }
    if (count > 0 && !FLAC__stream_encoder_set_metadata(e, blocks.data(), count))
        return false;
    m_path = path;
    return FLAC__stream_encoder_init_file(e, path.c_str(), nullptr, nullptr) == FLAC__STREAM_ENCODER_INIT_STATUS_OK;
}

template <typename Sample, typename Widen>
bool FlacEncoder::encode(const Sample* left, const Sample* right, int32_t frames, Widen widen)
{
    if (!m_encoder || m_failed || frames < 0 || !left || (m_channels == 2 && !right))
        return false;
    const auto n = static_cast<size_t>(frames);
    m_left.resize(n);
    m_right.resize(m_channels == 2 ? n : 0);
    for (size_t i = 0; i < n; ++i)
        m_left[i] = widen(left[i]);
    for (size_t i = 0; i < m_right.size(); ++i)
        m_right[i] = widen(right[i]);
    const FLAC__int32* const buffers[2] = {m_left.data(), m_right.data()};
    if (frames > 0 && !FLAC__stream_encoder_process(m_encoder.get(), buffers, static_cast<unsigned>(frames)))
        m_failed = true;
    return !m_failed;
}

bool FlacEncoder::Encode16(const int16_t* left, const int16_t* right, int32_t frames)
{
    return encode(left, right, frames, [](int16_t v) { return static_cast<FLAC__int32>(v); });
}

bool FlacEncoder::Encode8(const uint8_t* left, const uint8_t* right, int32_t frames)
{
    return encode(left, right, frames, [](uint8_t v) { return static_cast<FLAC__int32>(v) - 128; });
}

bool FlacEncoder::Finish(const TrackLoudness* loudness)
{
    if (!m_encoder)
        return false;
    // finish writes the last frame and, the file being seekable, rewrites
    // the stream information and the seek table; it also closes the file.
    const bool finished = FLAC__stream_encoder_finish(m_encoder.get()) != 0;
    m_encoder.reset();
    if (!finished || m_failed)
        return false;
    return !loudness || (m_padding && addComments(*loudness));
}

bool FlacEncoder::addComments(const TrackLoudness& loudness) const
{
    FlacChainPtr chain = makeFlacChain();
    FlacIteratorPtr iterator = makeFlacIterator();
    if (!chain || !iterator || !FLAC__metadata_chain_read(chain.get(), m_path.c_str()))
        return false;
    FLAC__metadata_iterator_init(iterator.get(), chain.get());
    do {
        FLAC__StreamMetadata* block = FLAC__metadata_iterator_get_block(iterator.get());
        if (block->type != FLAC__METADATA_TYPE_VORBIS_COMMENT)
            continue;
        TrackTags measured;
        measured.loudness = loudness;
        for (const auto& [name, value] : vorbisCommentFields(measured, CommentFlavour::Flac)) {
            if (!appendComment(block, name, value))
                return false;
        }
        // The padding reserved at the end of the metadata takes them: only
        // the metadata is rewritten, in place.
        return FLAC__metadata_chain_write(chain.get(), true, false) != 0;
    } while (FLAC__metadata_iterator_next(iterator.get()));
    return false;
}

} // namespace sonivert
