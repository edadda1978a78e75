#pragma once

// Tiny synthesised inputs the tests write themselves: a ProTracker module
// and a Standard MIDI File.

#include <cstdint>
#include <vector>

namespace sonivert::test {

// A four-channel "M.K." module: one looped square-wave sample, one pattern
// of which rows 0..rows-1 play (a pattern break on the last row ends the
// song), speed 6 at 125 BPM, so it lasts rows x 0.12 seconds.
std::vector<uint8_t> protrackerModule(int rows);

// A format-0 MIDI file at 120 beats per minute (480 ticks per beat): piano,
// `notes` notes of one second each, one after the other, and the end of the
// track trailingSeconds after the last note ends.
std::vector<uint8_t> midiFile(int notes, int trailingSeconds = 0);

} // namespace sonivert::test
