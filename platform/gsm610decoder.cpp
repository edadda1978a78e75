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

bool Gsm610Decoder::init()
{
    m_state.reset(gsm_create());
    if (!m_state)
        return false;
    int wav49 = 1;
    gsm_option(m_state.get(), GSM_OPT_WAV49, &wav49);
    return true;
}

bool Gsm610Decoder::decodeWav49Block(const uint8_t* block, int16_t* out)
{
    if (!m_state)
        return false;
    // libgsm takes non-const input; decode from a copy.
    gsm_byte frame[kBlockBytes];
    std::memcpy(frame, block, kBlockBytes);
    static_assert(sizeof(gsm_signal) == sizeof(int16_t));
    auto* samples = reinterpret_cast<gsm_signal*>(out);
    if (gsm_decode(m_state.get(), frame, samples) < 0)
        return false;
    return gsm_decode(m_state.get(), frame + 33, samples + 160) >= 0;
}

} // namespace sonivert
