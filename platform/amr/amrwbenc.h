#pragma once

// The wide-band AMR encoder library: it writes an AMR-WB file in the
// storage format of RFC 4867 section 5 ("#!AMR-WB\n", then one frame of a
// table-of-contents byte and the speech bits per 20 ms), over vo-amrwbenc.
// vo-amrwbenc's header stays out of this one.
//
// Calling order: amrwbenc_init, amrwbenc_encode per frame, amrwbenc_quit,
// which finishes the file and frees the handle.

#include <cstdint>
#include <memory>

namespace sonivert {

struct AmrWbEnc; // one encoder and its output file

// Samples per frame: 20 ms at 16000 Hz, mono 16-bit.
inline constexpr int32_t kAmrWbFrameSamples = 320;

// Creates (or truncates) the file at path (UTF-8), writes the header and
// sets up an encoder of mode 0..8 (6.60 to 23.85 kbit/s, the order of
// encoders/amrmodes.h). dtx nonzero turns discontinuous transmission on.
// Null when the file cannot be created or written, the mode is out of range
// or the encoder cannot be set up; a file that was created stays for the
// caller to delete.
AmrWbEnc* amrwbenc_init(const char* path, int dtx, int mode);

// Encodes one frame of exactly kAmrWbFrameSamples samples and appends it to
// the file. The number of bytes the frame took, or -1 when handle or
// samples is null or the file took fewer bytes (the frame is lost then).
int amrwbenc_encode(AmrWbEnc* handle, const int16_t* samples);

// Flushes and closes the file and frees the handle (null is allowed). 0 when
// every frame reached the file, -1 when any write or closing failed.
int amrwbenc_quit(AmrWbEnc* handle);

// The owner of a handle from amrwbenc_init: quits it when dropped.
struct AmrWbEncQuit {
    void operator()(AmrWbEnc* handle) const { amrwbenc_quit(handle); }
};
using AmrWbEncPtr = std::unique_ptr<AmrWbEnc, AmrWbEncQuit>;

} // namespace sonivert
