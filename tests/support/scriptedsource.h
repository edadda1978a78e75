#pragma once

#include "engine/audiosource.h"

#include <algorithm>
#include <cstring>

namespace sonivert::test {

// A source whose stream is described by numbers instead of a file: frames
// per read, how far each read advances the position, when reads stop (end or
// error), or that it never stops (a looping module). Delivers 16-bit samples
// counting up from 1 in the left channel and down in the right.
class ScriptedSource final : public AudioSource {
public:
    struct Script {
        uint64_t totalLength = 0;
        uint64_t positionStep = 1000; // added to the position by each read
        int32_t framesPerRead = kBlockFrames;
        int64_t reads = 10;           // reads that deliver frames; -1 never ends
        int32_t channels = 2;
        int32_t sampleRate = 44100;
    };

    explicit ScriptedSource(Script script) : m_script(script) {}
    ~ScriptedSource() override { close(); }

    void close() override { resetBaseState(); }
    bool open(const std::string&, int32_t) override
    {
        m_totalLength = m_script.totalLength;
        m_channels = m_script.channels;
        m_outputChannels = std::min(m_script.channels, 2);
        m_sampleRate = m_script.sampleRate;
        m_bitsPerSample = 16;
        m_bytesPerSample = 2;
        return true;
    }
    int32_t read(void* left, void* right) override
    {
        if (m_script.reads >= 0 && m_done >= m_script.reads)
            return 0;
        ++m_done;
        m_position += m_script.positionStep;
        auto* l = static_cast<int16_t*>(left);
        auto* r = static_cast<int16_t*>(right);
        for (int32_t i = 0; i < m_script.framesPerRead; ++i) {
            l[i] = static_cast<int16_t>(++m_counter);
            if (m_outputChannels == 2)
                r[i] = static_cast<int16_t>(-m_counter);
        }
        return m_script.framesPerRead;
    }
    const char* readerName() const override { return "scripted"; }
    int64_t readsDone() const { return m_done; }

private:
    Script m_script;
    int64_t m_done = 0;
    int32_t m_counter = 0;
};

} // namespace sonivert::test
