#include "sources/oggsource.h"

#include "platform/localtext.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace sonivert {
namespace {

constexpr int kBigEndianSamples = std::endian::native == std::endian::big ? 1 : 0;
constexpr int kWordBytes = 2; // 16-bit samples
constexpr int kSigned = 1;

bool startsWithKey(const std::string& comment, std::string_view key)
{
    if (comment.size() < key.size())
        return false;
    for (size_t i = 0; i < key.size(); ++i) {
        const auto a = static_cast<unsigned char>(comment[i]);
        const auto b = static_cast<unsigned char>(key[i]);
        // Keys are ASCII; bytes of other characters never match them.
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(a) != lower(b))
            return false;
    }
    return true;
}

} // namespace

void OggSource::close()
{
    m_file.reset();
    m_comments.clear();
    m_vendor.clear();
    m_streamVersion = 0;
    m_pendingFrames = 0;
    m_pendingOffset = 0;
    m_pendingChannels = 0;
    resetBaseState();
}

bool OggSource::open(const std::string& path, int32_t)
{
    close();
    int error = 0;
    m_file = openOggVorbisFile(path, error);
    if (!m_file)
        return false;
    // libvorbisfile (1.3.7) leaves a chained file positioned in its last
    // link after opening, so reading would silently skip every earlier
    // link; a seek to the start reads them all. A failed seek leaves the
    // file readable from where it stands.
    if (ov_seekable(m_file.get()) != 0 && ov_streams(m_file.get()) > 1)
        ov_raw_seek(m_file.get(), 0);
    const vorbis_info* info = ov_info(m_file.get(), -1);
    if (!info || info->channels < 1 || info->rate < 1) {
        close();
        return false;
    }

    if (const vorbis_comment* vc = ov_comment(m_file.get(), -1)) {
        for (int i = 0; i < vc->comments; ++i) {
            const char* text = vc->user_comments ? vc->user_comments[i] : nullptr;
            if (!text)
                continue;
            // A comment is a counted string; it is read as C text, up to its
            // first zero byte, however long it is.
            const size_t length = vc->comment_lengths ? static_cast<size_t>(std::max(0, vc->comment_lengths[i]))
                                                      : std::strlen(text);
            // A comment written in a legacy charset keeps its readable part.
            m_comments.push_back(sanitizedUtf8(std::string_view(text, strnlen(text, length))));
        }
        if (vc->vendor)
            m_vendor = vc->vendor;
    }

    m_streamVersion = info->version;
    m_sampleRate = clampToInt32(static_cast<uint64_t>(info->rate));
    m_channels = info->channels;
    m_outputChannels = info->channels == 1 ? 1 : 2;
    m_bitsPerSample = 16;
    m_bytesPerSample = 2;
    m_bitrateKbps = info->bitrate_nominal > 0 ? clampToInt32(static_cast<uint64_t>(info->bitrate_nominal) / 1000) : 0;
    const double seconds = ov_time_total(m_file.get(), -1);
    m_durationSeconds = seconds > 0 ? clampToInt32(static_cast<uint64_t>(std::min(seconds, 1e18))) : 0;
    const ogg_int64_t bytes = ov_raw_total(m_file.get(), -1);
    m_totalLength = bytes > 0 ? static_cast<uint64_t>(bytes) : 0;
    return true;
}

uint64_t OggSource::position() const
{
    if (!m_file)
        return 0;
    const ogg_int64_t tell = ov_raw_tell(m_file.get());
    return tell > 0 ? static_cast<uint64_t>(tell) : 0;
}

long OggSource::readBytes(char* buffer, int bytes, int& linkChannels)
{
    // Holes and damaged packets are reported one call at a time and reading
    // goes on after them; a stream that reports nothing else would keep the
    // loop going for ever, so it ends after a run of failed calls.
    for (int errors = 0; errors < kMaxConsecutiveErrors; ++errors) {
        int bitstream = 0;
        const long n = ov_read(m_file.get(), buffer, bytes, kBigEndianSamples, kWordBytes, kSigned, &bitstream);
        if (n == 0)
            return 0;
        if (n > 0) {
            const vorbis_info* info = ov_info(m_file.get(), -1);
            linkChannels = info && info->channels > 0 ? info->channels : 1;
            return n;
        }
    }
    return 0;
}

int32_t OggSource::read(void* left, void* right)
{
    if (!m_file || !left)
        return 0;
    auto* l = static_cast<int16_t*>(left);
    int linkChannels = 1;

    if (m_outputChannels == 1) {
        const long bytes = readBytes(static_cast<char*>(left), kBlockFrames * kWordBytes, linkChannels);
        if (bytes <= 0)
            return 0;
        const auto frames = static_cast<int32_t>(bytes / (kWordBytes * linkChannels));
        // A later link with more channels: its first channel, compacted in place.
        for (int32_t i = 1; linkChannels > 1 && i < frames; ++i)
            l[i] = l[i * linkChannels];
        return frames;
    }

    if (!right)
        return 0;
    if (m_pendingFrames == 0) {
        const long bytes = readBytes(reinterpret_cast<char*>(m_interleave.data()),
                                     static_cast<int>(kInterleaveBytes), linkChannels);
        if (bytes <= 0)
            return 0;
        m_pendingFrames = static_cast<int32_t>(bytes / (kWordBytes * linkChannels));
        m_pendingOffset = 0;
        m_pendingChannels = linkChannels;
    }
    auto* r = static_cast<int16_t*>(right);
    const int32_t frames = std::min(m_pendingFrames, kBlockFrames);
    const int32_t channels = m_pendingChannels;
    const int16_t* in = m_interleave.data() + static_cast<size_t>(m_pendingOffset) * channels;
    // More than two channels are mixed down by the Vorbis channel order, for
    // each link with its own count.
    if (channels > 2 && (m_downmix.channels() == static_cast<size_t>(channels) ||
                         m_downmix.setSpeakers(speakers::vorbisOrder(channels)))) {
        m_downmix.mix(in, static_cast<size_t>(frames), l, r);
    } else {
        for (int32_t i = 0; i < frames; ++i) {
            l[i] = in[i * channels];
            r[i] = in[i * channels + (channels > 1 ? 1 : 0)];
        }
    }
    m_pendingFrames -= frames;
    m_pendingOffset += frames;
    return frames;
}

bool OggSource::readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                         std::string& genre, std::string& comment, std::string& track, std::string& composer,
                         std::string& copyright)
{
    const struct {
        std::string_view key;
        std::string& field;
    } fields[] = {
        {"TITLE=", title},       {"ARTIST=", artist}, {"ALBUM=", album},
        {"DATE=", year},         {"GENRE=", genre},   {"COMMENT=", comment},
        {"TRACKNUMBER=", track}, {"COMPOSER=", composer}, {"COPYRIGHT=", copyright},
    };
    for (const auto& f : fields) {
        f.field.clear();
        for (const std::string& c : m_comments) {
            if (startsWithKey(c, f.key))
                f.field = c.substr(f.key.size());
        }
    }
    return true;
}

} // namespace sonivert
