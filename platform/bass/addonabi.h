#pragma once

// The contract between the library and its add-on modules. An add-on is a
// loadable module that exports one C function, sonivertBassAddon(), which
// returns a description of the format family it enables: the family's name
// and the formats it recognises as "container:codec" pairs in FFmpeg's
// names (the container is one of the names of FFmpeg's demuxer, the codec
// the name of FFmpeg's codec id; a trailing '*' matches any rest). The library decodes
// those formats itself once the add-on is loaded; without it they do not
// open. The description is static data of the module and stays valid while
// the module is loaded.

#include <cstdint>

extern "C" {

constexpr std::uint32_t kSonivertBassAddonAbi = 1;

struct SonivertBassAddon {
    std::uint32_t abi;         // kSonivertBassAddonAbi
    const char* family;        // e.g. "FLAC"
    const char* const* formats; // "container:codec" patterns, null-terminated
};

using SonivertBassAddonEntry = const SonivertBassAddon* (*)();

} // extern "C"

#define SONIVERT_BASS_ADDON_ENTRY "sonivertBassAddon"
