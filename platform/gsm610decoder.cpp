#include "platform/gsm610decoder.h"

#include <cstring>

extern "C" {
#include <gsm.h>
}

namespace sonivert {

void Gsm610Decoder::Destroyer::operator()(gsm_state* state) const
{
    gsm_destroy(state);
}

bool Gsm610Decoder::init(Framing framing)
{
    m_state.reset(gsm_create());
    if (!m_state)
        return false;
    m_framing = framing;
    if (framing == Framing::Wav49) {
        int wav49 = 1;
        gsm_option(m_state.get(), GSM_OPT_WAV49, &wav49);
    }
    return true;
}

bool Gsm610Decoder::decodeFrame(const uint8_t* frame, int16_t* out)
{
    if (!m_state || m_framing != Framing::Plain)
        return false;
    // libgsm takes non-const input; decode from a copy.
    gsm_byte copy[kFrameBytes];
    std::memcpy(copy, frame, kFrameBytes);
    static_assert(sizeof(gsm_signal) == sizeof(int16_t));
    return gsm_decode(m_state.get(), copy, reinterpret_cast<gsm_signal*>(out)) >= 0;
}

bool Gsm610Decoder::decodeWav49Block(const uint8_t* block, int16_t* out)
{
    if (!m_state || m_framing != Framing::Wav49)
        return false;
    gsm_byte copy[kBlockBytes];
    std::memcpy(copy, block, kBlockBytes);
    auto* samples = reinterpret_cast<gsm_signal*>(out);
    if (gsm_decode(m_state.get(), copy, samples) < 0)
        return false;
    return gsm_decode(m_state.get(), copy + kFrameBytes, samples + kFrameSamples) >= 0;
}

} // namespace sonivert
