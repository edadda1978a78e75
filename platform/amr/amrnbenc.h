#pragma once

// The narrow-band AMR encoder library: it writes an AMR-NB file in the
// storage format of RFC 4867 section 5 ("#!AMR\n", then one frame of a
// table-of-contents byte and the speech bits per 20 ms), over
// opencore-amrnb's encoder. opencore's headers stay out of this one.
//
// Calling order: amrnbenc_init, amrnbenc_encode per frame, amrnbenc_quit,
// which finishes the file and frees the handle.

#include <cstdint>
#include <memory>

namespace sonivert {

struct AmrNbEnc; // one encoder and its output file

// Samples per frame: 20 ms at 8000 Hz, mono 16-bit.
inline constexpr int32_t kAmrNbFrameSamples = 160;

// Creates (or truncates) the file at path (UTF-8), writes the header and
// sets up an encoder of mode 0..7 (4.75 to 12.2 kbit/s, the order of
// encoders/amrmodes.h). dtx nonzero turns discontinuous transmission on:
// during silence the encoder writes comfort-noise (SID) and no-data frames
// instead of speech frames. Null when the file cannot be created or written,
// the mode is out of range or the encoder cannot be set up; a file that was
// created stays for the caller to delete.
AmrNbEnc* amrnbenc_init(const char* path, int dtx, int mode);

// Encodes one frame of exactly kAmrNbFrameSamples samples and appends it to
// the file. The number of bytes the frame took, or -1 when handle or
// samples is null or the file took fewer bytes (the frame is lost then).
int amrnbenc_encode(AmrNbEnc* handle, const int16_t* samples);

// Flushes and closes the file and frees the handle (null is allowed). 0 when
// every frame reached the file, -1 when any write or closing failed.
int amrnbenc_quit(AmrNbEnc* handle);

// The owner of a handle from amrnbenc_init: quits it when dropped. Release
// it and call amrnbenc_quit directly to learn whether the file is complete.
struct AmrNbEncQuit {
    void operator()(AmrNbEnc* handle) const { amrnbenc_quit(handle); }
};
using AmrNbEncPtr = std::unique_ptr<AmrNbEnc, AmrNbEncQuit>;

} // namespace sonivert
