#pragma once

// Standard MIDI files (format 0, 1 and 2; also inside an RMI "RIFF RMID"
// wrapper) parsed into one list of timed events. The parser is
// bounds-checked: a truncated or damaged track ends at the last whole event
// before the damage, and a file without a header or without any track is
// refused.

#include <cstdint>
#include <optional>
#include <vector>

namespace sonivert::bass {

struct MidiEvent {
    uint64_t frame = 0;   // start, in frames at the sequence's rate
    uint8_t status = 0;   // channel message status byte, or 0xF0 for SysEx
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint32_t sysexOffset = 0; // SysEx body (without F0 and the closing F7) in MidiSequence::sysex
    uint32_t sysexLength = 0;
};

struct MidiSequence {
    std::vector<MidiEvent> events; // in playing order
    std::vector<uint8_t> sysex;
    uint64_t endFrame = 0;         // the time of the last event of any track
};

// Parses file at the given output rate (frames per second, above 0).
std::optional<MidiSequence> parseMidiFile(const std::vector<uint8_t>& file, int32_t rate);

} // namespace sonivert::bass
