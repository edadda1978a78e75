#include "encoders/vorbisencoder.h"

#include "engine/utf8path.h"
#include "encoders/vorbiscomments.h"
#include "engine/tracktags.h"

#include <vorbis/vorbisenc.h>

namespace sonivert {
namespace {

constexpr float kSampleScale = 1.0f / 32768.0f; // 16-bit to the encoder's -1..1

} // namespace

VorbisEncoder::~VorbisEncoder()
{
    Close();
}

bool VorbisEncoder::Open(const std::string& path)
{
    Close();
    m_info = makeVorbisInfo();
    m_comment = makeVorbisComment();
    m_file.reset(std::fopen(utf8Path(path).c_str(), "wb"));
    if (!m_file) {
        Close();
        return false;
    }
    return true;
}

bool VorbisEncoder::Configure(int32_t sampleRate, int32_t channels, int32_t nominalBitsPerSecond)
{
    if (!m_file || m_configured)
        return false;
    m_sampleRate = sampleRate;
    m_channels = channels;
    // EncodeBlock feeds one or two channels; any further channel would be
    // encoded from uninitialised analysis buffers.
    if (channels < 1 || channels > 2 || sampleRate < 1 || nominalBitsPerSecond < 1)
        return false;
    if (vorbis_encode_setup_managed(m_info.get(), channels, sampleRate, -1, nominalBitsPerSecond, -1) != 0)
        return false;
    if (vorbis_encode_ctl(m_info.get(), OV_ECTL_RATEMANAGE2_SET, nullptr) != 0)
        return false;
    if (vorbis_encode_setup_init(m_info.get()) != 0)
        return false;
    m_configured = true;
    return true;
}

void VorbisEncoder::SetComments(const TrackTags& tags)
{
    if (!m_comment || m_dsp)
        return;
    for (const auto& [name, value] : vorbisCommentFields(tags, CommentFlavour::Vorbis))
        vorbis_comment_add_tag(m_comment.get(), name.c_str(), value.c_str());
}

bool VorbisEncoder::WriteHeaders()
{
    if (!m_configured || m_dsp || !m_file)
        return false;
    m_dsp = makeVorbisAnalysis(m_info.get());
    if (!m_dsp)
        return false;
    m_block = makeVorbisBlock(m_dsp.get());
    m_stream = makeOggStream(nextOggStreamSerial());
    if (!m_block || !m_stream)
        return false;

    ogg_packet identification{}, comments{}, setup{};
    if (vorbis_analysis_headerout(m_dsp.get(), m_comment.get(), &identification, &comments, &setup) != 0)
        return false;
    ogg_stream_packetin(m_stream.get(), &identification);
    ogg_stream_packetin(m_stream.get(), &comments);
    ogg_stream_packetin(m_stream.get(), &setup);
    ogg_page page{};
    while (ogg_stream_flush(m_stream.get(), &page) != 0)
        writePage(page);
    return !m_writeFailed;
}

bool VorbisEncoder::EncodeBlock(const int16_t* left, const int16_t* right, int32_t samples)
{
    if (!m_stream || m_finished || m_writeFailed)
        return false;
    // For the library, a write of no samples is the end of the stream.
    if (samples <= 0)
        return Finish();
    if (!left || (m_channels == 2 && !right))
        return false;
    float** buffer = vorbis_analysis_buffer(m_dsp.get(), samples);
    for (int32_t i = 0; i < samples; ++i)
        buffer[0][i] = left[i] * kSampleScale;
    if (m_channels == 2) {
        for (int32_t i = 0; i < samples; ++i)
            buffer[1][i] = right[i] * kSampleScale;
    }
    vorbis_analysis_wrote(m_dsp.get(), samples);
    return drainBlocks();
}

bool VorbisEncoder::Finish()
{
    if (!m_stream || m_writeFailed)
        return false;
    if (m_finished)
        return true;
    // The packets the library releases after a write of no samples end the
    // stream; the last one carries the end-of-stream mark.
    vorbis_analysis_wrote(m_dsp.get(), 0);
    m_finished = true;
    return drainBlocks();
}

bool VorbisEncoder::drainBlocks()
{
    ogg_packet packet{};
    ogg_page page{};
    while (vorbis_analysis_blockout(m_dsp.get(), m_block.get()) == 1) {
        vorbis_analysis(m_block.get(), nullptr);
        vorbis_bitrate_addblock(m_block.get());
        while (vorbis_bitrate_flushpacket(m_dsp.get(), &packet) == 1) {
            ogg_stream_packetin(m_stream.get(), &packet);
            while (!m_endOfStreamWritten && ogg_stream_pageout(m_stream.get(), &page) != 0) {
                writePage(page);
                if (ogg_page_eos(&page) != 0)
                    m_endOfStreamWritten = true;
            }
        }
    }
    return !m_writeFailed;
}

void VorbisEncoder::writePage(const ogg_page& page)
{
    const auto header = static_cast<size_t>(page.header_len);
    const auto body = static_cast<size_t>(page.body_len);
    if (std::fwrite(page.header, 1, header, m_file.get()) != header ||
        std::fwrite(page.body, 1, body, m_file.get()) != body)
        m_writeFailed = true;
}

bool VorbisEncoder::Close()
{
    bool ok = !m_writeFailed;
    if (m_file && std::fclose(m_file.release()) != 0)
        ok = false; // fclose reports what the stream's buffer could not write any more
    m_stream.reset();
    m_block.reset();
    m_dsp.reset();
    m_comment.reset();
    m_info.reset();
    m_sampleRate = 0;
    m_channels = 0;
    m_configured = false;
    m_finished = false;
    m_endOfStreamWritten = false;
    m_writeFailed = false;
    return ok;
}

} // namespace sonivert
