#pragma once

// The entry points of the fuzz targets: one per parser of our own. Each
// takes arbitrary bytes, runs them through the parser the way the program
// does, and must return without a crash, a hang or an out-of-bounds access.
// libFuzzer drives them in the fuzz build (fuzzer.cpp); the normal suite
// replays the reproducers of every crash found (regression_test.cpp).

#include <cstdint>
#include <span>
#include <string_view>

namespace sonivert::fuzz {

// How the input is built of chunks, for the structure-aware mutator.
enum class ChunkLayout {
    None, // no chunk structure: byte mutations only
    Riff, // "RIFF" size form, then little-endian id/size chunks (WAV, RMI)
    Iff,  // "FORM" size form, then big-endian id/size chunks (AIFF/AIFC)
    Smf,  // big-endian id/size chunks from the first byte (MIDI's MThd/MTrk)
};

struct Target {
    std::string_view name;
    void (*run)(std::span<const uint8_t> input);
    ChunkLayout layout;
};

// Every target, in a fixed order.
std::span<const Target> targets();

// The target of that name, or null.
const Target* findTarget(std::string_view name);

} // namespace sonivert::fuzz
