#include "platform/amr/amrnbenc.h"

#include "platform/amr/amrfile.h"

#include <opencore-amrnb/interf_enc.h>

#include <algorithm>
#include <array>

namespace sonivert {
namespace {

struct StateExit {
    void operator()(void* state) const { Encoder_Interface_exit(state); }
};

// The largest frame: 12.2 kbit/s, 244 bits in 31 bytes after the ToC byte.
constexpr size_t kMaxFrameBytes = 32;

} // namespace

struct AmrNbEnc {
    amr::FilePtr file;
    std::unique_ptr<void, StateExit> state;
    Mode mode = MR102;
    bool writeFailed = false;
};

AmrNbEnc* amrnbenc_init(const char* path, int dtx, int mode)
{
    // opencore indexes its tables by the mode without checking it.
    if (mode < MR475 || mode > MR122)
        return nullptr;
    auto handle = std::make_unique<AmrNbEnc>();
    handle->file = amr::createAmrFile(path, "#!AMR\n");
    if (!handle->file)
        return nullptr;
    handle->state.reset(Encoder_Interface_init(dtx != 0 ? 1 : 0));
    if (!handle->state)
        return nullptr;
    handle->mode = static_cast<Mode>(mode);
    return handle.release();
}

int amrnbenc_encode(AmrNbEnc* handle, const int16_t* samples)
{
    if (!handle || !samples)
        return -1;
    // opencore filters the speech it is given in place, despite its const
    // parameter; the caller's samples stay untouched.
    std::array<short, kAmrNbFrameSamples> speech;
    std::copy_n(samples, speech.size(), speech.begin());
    std::array<unsigned char, kMaxFrameBytes> frame{};
    // forceSpeech 0: with DTX on, the encoder's voice activity detector
    // decides between speech and comfort-noise frames.
    const int bytes = Encoder_Interface_Encode(handle->state.get(), handle->mode, speech.data(), frame.data(), 0);
    if (bytes <= 0 || !amr::writeAll(handle->file.get(), frame.data(), static_cast<size_t>(bytes))) {
        handle->writeFailed = true;
        return -1;
    }
    return bytes;
}

int amrnbenc_quit(AmrNbEnc* handle)
{
    if (!handle)
        return 0;
    std::unique_ptr<AmrNbEnc> owned(handle);
    const bool closed = amr::closeAmrFile(std::move(owned->file));
    return closed && !owned->writeFailed ? 0 : -1;
}

} // namespace sonivert
