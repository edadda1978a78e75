#pragma once

#include <cstdint>
#include <memory>

struct gsm_state;

namespace sonivert {

// GSM 06.10 full-rate decoder (libgsm) in the Microsoft WAV49 framing: two
// 160-sample frames packed into one 65-byte block.
class Gsm610Decoder {
public:
    static constexpr int kBlockBytes = 65;
    static constexpr int kBlockSamples = 320;

    // Creates the decoder state; false when the library cannot provide one.
    [[nodiscard]] bool init();
    bool isInitialised() const { return m_state != nullptr; }
    void reset() { m_state.reset(); }

    // Decodes one 65-byte block (bytes 0..32 and 33..64 as two frames) into
    // 320 samples. False when either frame fails to decode.
    [[nodiscard]] bool decodeWav49Block(const uint8_t* block, int16_t* out);

private:
    struct Destroyer {
        void operator()(gsm_state* state) const;
    };
    std::unique_ptr<gsm_state, Destroyer> m_state;
};

} // namespace sonivert
