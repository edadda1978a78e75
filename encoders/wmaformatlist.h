#pragma once

#include "platform/wmvcore/wmvcore.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sonivert {

// One Windows Media audio codec format: its media-type block as the run-time
// hands it out (a wmvcore::MediaType header and its WaveFormatEx) and its bit
// rate in bit/s. The rate and channel count are read from the wave format
// when the format is made.
class WmaFormat {
public:
    // Nothing when block is not an audio media type with a readable wave
    // format.
    static std::optional<WmaFormat> fromMediaType(std::vector<uint8_t> block, int32_t bitRate);

    std::span<const uint8_t> mediaType() const { return m_block; }
    const wmvcore::Guid& subtype() const { return m_subtype; }
    int32_t sampleRate() const { return m_sampleRate; }
    int32_t channels() const { return m_channels; }
    int32_t bitRate() const { return m_bitRate; }

private:
    std::vector<uint8_t> m_block;
    wmvcore::Guid m_subtype;
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    int32_t m_bitRate = 0;
};

// The Windows Media audio codec formats the run-time offers, sorted by
// sample rate, then bit rate, ascending; no two entries share rate, bit rate
// and channel count. One list serves the whole run (the WMA options page
// shows it, the writer picks from it); RebuildWmaFormatList fills it.
class WmaFormatList {
public:
    const std::vector<WmaFormat>& entries() const { return m_entries; }
    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    void clear() { m_entries.clear(); }

    // Inserts format before the first entry with a higher rate, with the
    // same rate and a higher bit rate, or with the same rate and bit rate and
    // another channel count; at the end when there is none. A format whose
    // rate, bit rate and channel count are already listed is discarded
    // (false).
    bool insert(WmaFormat format);

private:
    std::vector<WmaFormat> m_entries;
};

// Fills list from the run-time's codec list: every format of every audio
// codec whose description does not contain "(A/V)" (compared in upper case),
// whose sub-type is Windows Media Audio 8 or 9 and whose wave format has at
// most two channels, inserted by the list's rule. Without a loaded run-time
// the list stays as it is and the result is false. Otherwise the list is
// emptied first; a failing call ends the walk of that codec (a failing codec
// count ends the whole walk), and the result tells whether the walk ended
// without any failure. What was found stays listed either way.
bool RebuildWmaFormatList(WmaFormatList& list);

// The list entry for wanted rate (Hz), bit rate (bit/s) and channels. Only
// entries with the wanted channel count take part:
// 1. the entry with the wanted rate and bit rate;
// 2. at the wanted rate, the first entry above the wanted bit rate, unless
//    the last one below it is strictly nearer (a tie takes the higher one);
// 3. at the wanted rate with entries only below, the highest of them;
// 4. without the wanted rate, the lowest bit rate of the next higher rate;
//    without a higher rate, the last entry of the list (highest rate and
//    bit rate);
// 5. nothing when no entry has the wanted channel count.
std::optional<WmaFormat> ChooseWmaFormat(const WmaFormatList& list, int32_t wantedRate, int32_t wantedBitRate,
                                         int32_t wantedChannels);

} // namespace sonivert
