#pragma once

// Shared by the decoding library's tests: a library session per test and
// whole-channel decoding through the C interface.

#include "platform/bass/bass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert::test {

// The add-on folder the build places beside the test binary.
inline std::string addonPath(const std::string& name)
{
    return std::string(SONIVERT_TEST_ADDON_DIR) + "/" + name + SONIVERT_TEST_ADDON_SUFFIX;
}

// BASS_Init on construction; add-ons and the library freed on destruction,
// in the program's exit order.
class BassSession {
public:
    BassSession() { EXPECT_NE(BASS_Init(0, 44100, 0, nullptr, nullptr), 0); }
    ~BassSession()
    {
        BASS_Free();
        BASS_PluginFree(0);
    }
    BassSession(const BassSession&) = delete;
    BassSession& operator=(const BassSession&) = delete;
};

// Everything the channel delivers, read in blocks of blockBytes; also how
// many bytes the reads returned in total, which must equal the length.
struct ChannelPcm {
    std::vector<int16_t> samples;
    uint64_t bytes = 0;
    bool endedWithError = false; // the read after the last byte said "end"
};

inline ChannelPcm decodeChannel(DWORD handle, DWORD blockBytes = 4608)
{
    ChannelPcm out;
    std::vector<int16_t> block(blockBytes / 2);
    for (int guard = 0; guard < 10'000'000; ++guard) {
        const DWORD got = BASS_ChannelGetData(handle, block.data(), blockBytes);
        if (got == BASS_DATA_ERROR) {
            out.endedWithError = true;
            break;
        }
        if (got == 0 || got > blockBytes)
            break;
        out.bytes += got;
        out.samples.insert(out.samples.end(), block.begin(), block.begin() + got / 2);
    }
    return out;
}

} // namespace sonivert::test
