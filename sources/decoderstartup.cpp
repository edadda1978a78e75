#include "sources/decoderstartup.h"

namespace sonivert {

// The readers of this build need no start-up: FFmpeg registers its formats
// when its library loads, and the WAV reader is our own. A back-end that
// must be started (a library with plugin modules) starts here.
bool startDecodingBackEnds(const std::optional<std::string>& /*programFolder*/)
{
    return true;
}

void stopDecodingBackEnds() {}

} // namespace sonivert
