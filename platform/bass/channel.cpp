#include "platform/bass/channel.h"

#include <algorithm>
#include <cstring>

namespace sonivert::bass {

Channel::Channel(ChannelKind kind, std::string path, int32_t sampleRate, int32_t channels, uint64_t lengthFrames)
    : m_kind(kind), m_path(std::move(path)), m_sampleRate(sampleRate), m_channels(channels),
      m_lengthFrames(lengthFrames)
{
}

uint32_t Channel::read(void* buffer, uint32_t bytes)
{
    if (m_positionFrames >= m_lengthFrames)
        return kEnd;
    if (!buffer)
        return kEnd;
    const uint64_t wanted = std::min<uint64_t>(bytes / frameBytes(), m_lengthFrames - m_positionFrames);
    auto* out = static_cast<int16_t*>(buffer);
    size_t done = 0;
    while (done < wanted && !m_sourceEnded) {
        const size_t n = render(out + done * static_cast<size_t>(m_channels), static_cast<size_t>(wanted - done));
        if (n == 0)
            m_sourceEnded = true;
        done += std::min<size_t>(n, static_cast<size_t>(wanted - done));
    }
    // A source that ends before its length is padded with silence, so the
    // delivered total always equals the length reported at creation.
    if (done < wanted)
        std::memset(out + done * static_cast<size_t>(m_channels), 0,
                    static_cast<size_t>(wanted - done) * frameBytes());
    m_positionFrames += wanted;
    return static_cast<uint32_t>(wanted * frameBytes());
}

} // namespace sonivert::bass
