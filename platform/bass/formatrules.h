#pragma once

// Which decoded formats open as streams: the core's own families and those
// of the loaded add-ons, as "container:codec" patterns (addonabi.h).

#include <cstdint>
#include <string_view>

namespace sonivert::bass {

// True when pattern ("container:codec", a trailing '*' in either half
// matching any rest) accepts the stream. demuxerNames is FFmpeg's
// comma-separated list of the demuxer's names; any of them may match.
bool formatMatches(std::string_view pattern, std::string_view demuxerNames, std::string_view codecName);

// True when one of the null-terminated patterns matches.
bool anyFormatMatches(const char* const* patterns, std::string_view demuxerNames, std::string_view codecName);

// The core's families: MPEG audio layers 1 to 3, Ogg Vorbis, and PCM in WAV
// and AIFF (MPEG audio in WAV too).
extern const char* const kCoreFormats[];

} // namespace sonivert::bass
