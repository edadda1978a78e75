#include "platform/bass/channel.h"

#include "platform/stereodownmix.h"

#include <algorithm>

namespace sonivert::bass {

Channel::Channel(ChannelKind kind, std::string path, int32_t sampleRate, int32_t channels, uint64_t lengthFrames,
                 LengthKind lengthKind)
    : m_kind(kind), m_path(std::move(path)), m_sampleRate(sampleRate), m_channels(channels),
      m_lengthFrames(lengthFrames), m_lengthEnds(lengthKind == LengthKind::Exact)
{
}

std::vector<int> Channel::speakers() const
{
    return sonivert::speakers::byDefault(m_channels);
}

uint32_t Channel::read(void* buffer, uint32_t bytes)
{
    if (!buffer || m_sourceEnded || (m_lengthEnds && m_positionFrames >= m_lengthFrames))
        return kEnd;
    uint64_t wanted = bytes / frameBytes();
    if (m_lengthEnds)
        wanted = std::min<uint64_t>(wanted, m_lengthFrames - m_positionFrames);
    auto* out = static_cast<int16_t*>(buffer);
    size_t done = 0;
    while (done < wanted && !m_sourceEnded) {
        const size_t n = render(out + done * static_cast<size_t>(m_channels), static_cast<size_t>(wanted - done));
        if (n == 0)
            m_sourceEnded = true;
        done += std::min<size_t>(n, static_cast<size_t>(wanted - done));
    }
    if (done == 0 && m_sourceEnded)
        return kEnd;
    m_positionFrames += done;
    return static_cast<uint32_t>(done * frameBytes());
}

} // namespace sonivert::bass
