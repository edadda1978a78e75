#include "encoders/opusencoder.h"

#include "encoders/vorbiscomments.h"
#include "engine/utf8path.h"
#include "platform/vorbisptr.h"

namespace sonivert {
namespace {

// The file is closed by the encoder's owner, after the library is done.
int keepFileOpen(void*)
{
    return 0;
}

} // namespace

OggOpusEncoder::~OggOpusEncoder()
{
    m_encoder.reset();
    (void)closeFile();
}

int OggOpusEncoder::writePage(void* self, const unsigned char* data, opus_int32 length)
{
    auto* encoder = static_cast<OggOpusEncoder*>(self);
    const auto size = static_cast<size_t>(length);
    if (length < 0 || std::fwrite(data, 1, size, encoder->m_file) != size) {
        encoder->m_failed = true;
        return 1;
    }
    return 0;
}

bool OggOpusEncoder::Open(const std::string& path, const Format& format, const TrackTags* tags)
{
    if (m_file || (format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.sampleRate <= 0 || format.kbps < 6 ||
        format.kbps > 510)
        return false;
    OpusCommentsPtr comments = makeOpusComments();
    if (!comments)
        return false;
    if (tags) {
        for (const auto& [name, value] : vorbisCommentFields(*tags, CommentFlavour::Opus)) {
            if (ope_comments_add(comments.get(), name.c_str(), value.c_str()) != OPE_OK)
                return false;
        }
        // The library reads the picture's type and size from its bytes; one
        // it cannot read stays out, as every unreadable picture does.
        if (tags->picture && !tags->picture->data.empty())
            (void)ope_comments_add_picture_from_memory(
                comments.get(), reinterpret_cast<const char*>(tags->picture->data.data()), tags->picture->data.size(),
                tags->picture->type, tags->picture->description.c_str());
    }

    m_file = std::fopen(utf8Path(path).c_str(), "wb");
    if (!m_file)
        return false;
    m_channels = format.channels;
    OpusEncCallbacks callbacks{&OggOpusEncoder::writePage, &keepFileOpen};
    int error = OPE_OK;
    // Mapping family 0: one or two channels in one stream.
    m_encoder.reset(ope_encoder_create_callbacks(&callbacks, this, comments.get(), format.sampleRate,
                                                 format.channels, 0, &error));
    if (!m_encoder || error != OPE_OK)
        return false;
    return ope_encoder_ctl(m_encoder.get(), OPUS_SET_BITRATE(format.kbps * 1000)) == OPE_OK &&
           ope_encoder_ctl(m_encoder.get(), OPUS_SET_VBR(1)) == OPE_OK &&
           ope_encoder_ctl(m_encoder.get(), OPE_SET_SERIALNO(nextOggStreamSerial())) == OPE_OK;
}

template <typename Sample, typename Widen>
bool OggOpusEncoder::encode(const Sample* left, const Sample* right, int32_t frames, Widen widen)
{
    if (!m_encoder || m_failed || frames < 0 || !left || (m_channels == 2 && !right))
        return false;
    const auto n = static_cast<size_t>(frames);
    m_interleaved.resize(n * static_cast<size_t>(m_channels));
    for (size_t i = 0; i < n; ++i) {
        m_interleaved[i * static_cast<size_t>(m_channels)] = widen(left[i]);
        if (m_channels == 2)
            m_interleaved[i * 2 + 1] = widen(right[i]);
    }
    if (frames > 0 && ope_encoder_write(m_encoder.get(), m_interleaved.data(), frames) != OPE_OK)
        m_failed = true;
    return !m_failed;
}

bool OggOpusEncoder::Encode16(const int16_t* left, const int16_t* right, int32_t frames)
{
    return encode(left, right, frames, [](int16_t v) { return static_cast<opus_int16>(v); });
}

bool OggOpusEncoder::Encode8(const uint8_t* left, const uint8_t* right, int32_t frames)
{
    return encode(left, right, frames,
                  [](uint8_t v) { return static_cast<opus_int16>((static_cast<int32_t>(v) - 128) * 256); });
}

bool OggOpusEncoder::closeFile()
{
    if (!m_file)
        return true;
    const bool flushed = std::fflush(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return flushed && closed;
}

bool OggOpusEncoder::Finish()
{
    if (!m_encoder)
        return false;
    const bool drained = ope_encoder_drain(m_encoder.get()) == OPE_OK;
    m_encoder.reset();
    const bool closed = closeFile();
    return drained && closed && !m_failed;
}

} // namespace sonivert
