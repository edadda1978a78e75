#pragma once

// Owners of libopusenc's encoder and comment objects.

#include <opusenc.h>

#include <memory>

namespace sonivert {

struct OpusEncoderDeleter {
    void operator()(OggOpusEnc* encoder) const;
};
using OpusEncoderPtr = std::unique_ptr<OggOpusEnc, OpusEncoderDeleter>;

struct OpusCommentsDeleter {
    void operator()(OggOpusComments* comments) const;
};
using OpusCommentsPtr = std::unique_ptr<OggOpusComments, OpusCommentsDeleter>;

// New comments holding only the library's vendor string, or null.
OpusCommentsPtr makeOpusComments();

} // namespace sonivert
