#pragma once

#include "engine/audiosource.h"

#include <cstdint>

namespace sonivert {

// The rules every conversion routine applies between a source's block and
// the converter or encoder. Plain values in, so that each routine states only
// its own variant (its target format) and nothing about the settings record.

// How a two-channel source becomes a one-channel output. The value is the
// MonoType setting: 0 the average of both channels, 1 the left channel only,
// 2 the right channel only. Any other value is treated as 0: the settings
// accept any number, and an average loses nothing of either channel.
enum class MonoRouting { Mix, Left, Right };
[[nodiscard]] MonoRouting monoRouting(int32_t monoType);

// The channels handed on from one source block.
struct RoutedChannels {
    void* left = nullptr;  // channel 0 of what is handed on
    void* right = nullptr; // channel 1, or null when one channel is handed on
    int32_t channels = 0;  // 1 or 2
};

// The channel count handed on to the converter (its inChannels) or to the
// encoder: the source's channels, except that for a one-channel target from a
// two-channel source the left or right pick hands on one channel. The mix
// hands on both; the converter mixes them.
[[nodiscard]] int32_t routedChannels(int32_t sourceChannels, int32_t targetChannels, int32_t monoType);

// The buffers handed on for a block whose channel 0 is in left and channel 1
// in right (unused, and may be null, when sourceChannels is 1).
[[nodiscard]] RoutedChannels routeChannels(void* left, void* right, int32_t sourceChannels, int32_t targetChannels,
                                           int32_t monoType);

// True when the PcmConverter must run: the rates differ, the widths differ,
// the target has more channels than the source delivers, or it has fewer and
// the two channels are to be mixed. Picking one channel needs no converter.
// source is what the reader delivers (its sampleRate, outputChannels and
// bitsPerSample), target what the encoder takes.
[[nodiscard]] bool converterNeeded(const PcmFormat& source, const PcmFormat& target, int32_t monoType);

} // namespace sonivert
