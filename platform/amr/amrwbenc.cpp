#include "platform/amr/amrwbenc.h"

#include "platform/amr/amrfile.h"

#include <vo-amrwbenc/enc_if.h>

#include <algorithm>
#include <array>

namespace sonivert {
namespace {

struct StateExit {
    void operator()(void* state) const { E_IF_exit(state); }
};

constexpr int kHighestMode = 8; // 23.85 kbit/s
// The largest frame: 23.85 kbit/s, 477 bits in 60 bytes after the ToC byte.
// The library's own example gives it far more room; so does this.
constexpr size_t kFrameBufferBytes = 128;

} // namespace

struct AmrWbEnc {
    amr::FilePtr file;
    std::unique_ptr<void, StateExit> state;
    int mode = 6;
    int dtx = 0;
    bool writeFailed = false;
};

AmrWbEnc* amrwbenc_init(const char* path, int dtx, int mode)
{
    // vo-amrwbenc indexes its tables by the mode without checking it.
    if (mode < 0 || mode > kHighestMode)
        return nullptr;
    auto handle = std::make_unique<AmrWbEnc>();
    handle->file = amr::createAmrFile(path, "#!AMR-WB\n");
    if (!handle->file)
        return nullptr;
    handle->state.reset(E_IF_init());
    if (!handle->state)
        return nullptr;
    handle->mode = mode;
    handle->dtx = dtx != 0 ? 1 : 0;
    return handle.release();
}

int amrwbenc_encode(AmrWbEnc* handle, const int16_t* samples)
{
    if (!handle || !samples)
        return -1;
    // The library's own copy of the frame: the caller's samples stay
    // untouched whatever the encoder does with its input.
    std::array<short, kAmrWbFrameSamples> speech;
    std::copy_n(samples, speech.size(), speech.begin());
    std::array<unsigned char, kFrameBufferBytes> frame{};
    const int bytes = E_IF_encode(handle->state.get(), handle->mode, speech.data(), frame.data(), handle->dtx);
    if (bytes <= 0 || !amr::writeAll(handle->file.get(), frame.data(), static_cast<size_t>(bytes))) {
        handle->writeFailed = true;
        return -1;
    }
    return bytes;
}

int amrwbenc_quit(AmrWbEnc* handle)
{
    if (!handle)
        return 0;
    std::unique_ptr<AmrWbEnc> owned(handle);
    const bool closed = amr::closeAmrFile(std::move(owned->file));
    return closed && !owned->writeFailed ? 0 : -1;
}

} // namespace sonivert
