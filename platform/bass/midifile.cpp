#include "platform/bass/midifile.h"

#include <algorithm>
#include <cstring>

namespace sonivert::bass {
namespace {

constexpr uint32_t kDefaultTempo = 500000; // microseconds per quarter note

uint32_t be32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t le32(const uint8_t* p) { return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]; }

// An event at its tick, before the tempo map turns ticks into time.
struct TickEvent {
    uint64_t tick;
    uint32_t order;   // file order, keeps simultaneous events in sequence
    MidiEvent event;
    uint32_t tempo;   // for tempo changes (status 0xFF), else 0
};

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_p(data), m_end(data + size) {}
    bool atEnd() const { return m_p >= m_end; }
    size_t left() const { return static_cast<size_t>(m_end - m_p); }
    bool byte(uint8_t& out)
    {
        if (m_p >= m_end)
            return false;
        out = *m_p++;
        return true;
    }
    bool peek(uint8_t& out) const
    {
        if (m_p >= m_end)
            return false;
        out = *m_p;
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool vlq(uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    const uint8_t* take(size_t n)
    {
        if (n > left())
            return nullptr;
        const uint8_t* at = m_p;
        m_p += n;
        return at;
    }

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
};

// Reads one track into events; returns the tick of its last event. A
// damaged track keeps the events before the damage.
uint64_t readTrack(Reader track, uint64_t startTick, std::vector<TickEvent>& events, std::vector<uint8_t>& sysex,
                   uint32_t& order)
{
    uint64_t tick = startTick;
    uint8_t running = 0;
    while (!track.atEnd()) {
        uint32_t delta;
        if (!track.vlq(delta))
            break;
        const uint64_t at = tick + delta;
        uint8_t status;
        if (!track.peek(status))
            break;
        if (status & 0x80) {
            track.byte(status);
        } else {
            if (!running)
                break; // data byte without a status to run on
            status = running;
        }
        if (status == 0xFF) {
            uint8_t type;
            uint32_t length;
            if (!track.byte(type) || !track.vlq(length))
                break;
            const uint8_t* body = track.take(length);
            if (!body)
                break;
            tick = at;
            if (type == 0x51 && length == 3) {
                const uint32_t tempo = (uint32_t{body[0]} << 16) | (uint32_t{body[1]} << 8) | body[2];
                if (tempo > 0)
                    events.push_back({at, order++, MidiEvent{0, 0xFF, 0, 0, 0, 0}, tempo});
            }
            if (type == 0x2F)
                break; // end of track
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t length;
            if (!track.vlq(length))
                break;
            const uint8_t* body = track.take(length);
            if (!body)
                break;
            tick = at;
            running = 0;
            // A complete SysEx message (F0 ... F7) goes to the synthesiser;
            // continuation packets (F7) and split messages are left out.
            if (status == 0xF0 && length > 0 && body[length - 1] == 0xF7) {
                MidiEvent e{0, 0xF0, 0, 0, static_cast<uint32_t>(sysex.size()), length - 1};
                sysex.insert(sysex.end(), body, body + length - 1);
                events.push_back({at, order++, e, 0});
            }
            continue;
        }
        if (status >= 0xF0)
            break; // system common or real-time bytes do not belong in a file
        running = status;
        const uint8_t kind = status & 0xF0;
        uint8_t d1 = 0, d2 = 0;
        if (!track.byte(d1))
            break;
        if (kind != 0xC0 && kind != 0xD0 && !track.byte(d2))
            break;
        tick = at;
        events.push_back({at, order++, MidiEvent{0, status, static_cast<uint8_t>(d1 & 0x7F), static_cast<uint8_t>(d2 & 0x7F), 0, 0}, 0});
    }
    return tick;
}

} // namespace

std::optional<MidiSequence> parseMidiFile(const std::vector<uint8_t>& file, int32_t rate)
{
    if (rate <= 0)
        return std::nullopt;
    const uint8_t* data = file.data();
    size_t size = file.size();
    // RMI: a RIFF form "RMID" whose "data" chunk holds the standard file.
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0) {
        size_t at = 12;
        bool found = false;
        while (at + 8 <= size) {
            const uint32_t length = le32(data + at + 4);
            if (length > size - at - 8)
                return std::nullopt;
            if (std::memcmp(data + at, "data", 4) == 0) {
                data += at + 8;
                size = length;
                found = true;
                break;
            }
            at += 8 + length + (length & 1);
        }
        if (!found)
            return std::nullopt;
    }
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0)
        return std::nullopt;
    const uint32_t headerLength = be32(data + 4);
    if (headerLength < 6 || headerLength > size - 8)
        return std::nullopt;
    const uint16_t format = be16(data + 8);
    const uint16_t division = be16(data + 12);
    if (format > 2 || division == 0)
        return std::nullopt;

    std::vector<TickEvent> events;
    MidiSequence sequence;
    uint32_t order = 0;
    uint64_t endTick = 0;
    int tracks = 0;
    size_t at = 8 + headerLength;
    while (at + 8 <= size) {
        const uint32_t length = be32(data + at + 4);
        const size_t available = std::min<size_t>(length, size - at - 8);
        if (std::memcmp(data + at, "MTrk", 4) == 0) {
            // Format 2 tracks are independent songs, played one after another.
            const uint64_t start = format == 2 ? endTick : 0;
            endTick = std::max(endTick, readTrack(Reader(data + at + 8, available), start, events, sequence.sysex, order));
            ++tracks;
        }
        if (length > size - at - 8)
            break; // a truncated last chunk
        at += 8 + length;
    }
    if (tracks == 0)
        return std::nullopt;

    std::stable_sort(events.begin(), events.end(), [](const TickEvent& a, const TickEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    // The tempo map: time advances by ticks x tempo / division microseconds
    // (metrical division), or by ticks / (frames per second x ticks per
    // frame) seconds (time-code division, tempo-independent).
    const bool timecode = division & 0x8000;
    const double fps = timecode ? (static_cast<int8_t>(division >> 8) == -29 ? 29.97 : -static_cast<int8_t>(division >> 8)) : 0;
    const double ticksPerSecond = timecode ? fps * (division & 0xFF) : 0;
    if (timecode && !(ticksPerSecond > 0))
        return std::nullopt;
    double seconds = 0;
    uint64_t lastTick = 0;
    uint32_t tempo = kDefaultTempo;
    auto advance = [&](uint64_t tick) {
        const double ticks = static_cast<double>(tick - lastTick);
        seconds += timecode ? ticks / ticksPerSecond : ticks * tempo / (1e6 * division);
        lastTick = tick;
    };
    auto frameAt = [&]() { return static_cast<uint64_t>(seconds * rate); };
    sequence.events.reserve(events.size());
    for (const TickEvent& e : events) {
        advance(e.tick);
        if (e.tempo) {
            tempo = e.tempo;
            continue;
        }
        MidiEvent out = e.event;
        out.frame = frameAt();
        sequence.events.push_back(out);
    }
    advance(std::max(endTick, lastTick));
    sequence.endFrame = frameAt();
    return sequence;
}

} // namespace sonivert::bass
