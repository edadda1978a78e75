#pragma once

#include <cstdint>
#include <memory>

struct gsm_state;

namespace sonivert {

// GSM 06.10 full-rate decoder (libgsm) in one of two framings: the plain
// 33-byte frame of 160 samples (as AIFC "GSM " stores it), or the Microsoft
// WAV49 framing, where two 160-sample frames are packed into one 65-byte
// block.
class Gsm610Decoder {
public:
    enum class Framing { Plain, Wav49 };

    static constexpr int kFrameBytes = 33;
    static constexpr int kFrameSamples = 160;
    static constexpr int kBlockBytes = 65;
    static constexpr int kBlockSamples = 320;

    // Creates the decoder state for framing; false when the library cannot
    // provide one.
    [[nodiscard]] bool init(Framing framing);
    bool isInitialised() const { return m_state != nullptr; }
    void reset() { m_state.reset(); }

    // Plain framing: decodes one 33-byte frame into 160 samples. False when
    // the frame does not decode or the decoder was set up for WAV49.
    [[nodiscard]] bool decodeFrame(const uint8_t* frame, int16_t* out);

    // WAV49 framing: decodes one 65-byte block (bytes 0..32 and 33..64 as
    // two frames) into 320 samples. False when either frame fails to decode
    // or the decoder was set up for plain frames.
    [[nodiscard]] bool decodeWav49Block(const uint8_t* block, int16_t* out);

private:
    struct Destroyer {
        void operator()(gsm_state* state) const;
    };
    std::unique_ptr<gsm_state, Destroyer> m_state;
    Framing m_framing = Framing::Wav49;
};

} // namespace sonivert
