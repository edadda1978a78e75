#pragma once

// A structure-aware mutation for inputs made of chunks (RIFF, IFF, MIDI):
// whole chunks are duplicated, dropped, swapped or moved, their declared
// sizes changed without their bodies, stray bytes put between them, and
// byte mutations aimed inside one chunk, so that the layouts a byte flipper
// almost never reaches (two format chunks, data before format, a size that
// lies) are tried from the first minutes on.

#include "tests/fuzz/fuzztargets.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace sonivert::fuzz {

// Mutates data[0 .. size) in place within maxSize bytes and returns the new
// size; 0 when the input holds no chunk to work on (the caller then mutates
// bytes). byteMutate mutates a region in place and returns its new size, as
// LLVMFuzzerMutate does.
size_t mutateChunks(uint8_t* data, size_t size, size_t maxSize, uint32_t seed, ChunkLayout layout,
                    const std::function<size_t(uint8_t* region, size_t size, size_t maxSize)>& byteMutate);

} // namespace sonivert::fuzz
