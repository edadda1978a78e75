#include "tests/support/synthfiles.h"

#include <string>

namespace sonivert::test {
namespace {

void putBe16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void putBe32(std::vector<uint8_t>& out, uint32_t v)
{
    putBe16(out, v >> 16);
    putBe16(out, v & 0xFFFF);
}

void putText(std::vector<uint8_t>& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

// A MIDI variable-length quantity.
void putVarLen(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t bytes[5];
    int n = 0;
    bytes[n++] = static_cast<uint8_t>(v & 0x7F);
    while ((v >>= 7) != 0)
        bytes[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n > 0)
        out.push_back(bytes[--n]);
}

} // namespace

std::vector<uint8_t> protrackerModule(int rows)
{
    constexpr uint32_t kSampleBytes = 64;
    std::vector<uint8_t> out;
    putText(out, "sonivert test", 20);
    // Sample 1: 64 bytes, volume 64, looped over its whole length.
    putText(out, "square", 22);
    putBe16(out, kSampleBytes / 2);
    out.push_back(0);  // finetune
    out.push_back(64); // volume
    putBe16(out, 0);
    putBe16(out, kSampleBytes / 2);
    for (int s = 1; s < 31; ++s) {
        putText(out, "", 22);
        putBe16(out, 0);
        out.push_back(0);
        out.push_back(0);
        putBe16(out, 0);
        putBe16(out, 1);
    }
    out.push_back(1);   // one position
    out.push_back(127); // restart byte
    putText(out, "", 128); // pattern table: pattern 0 first
    putText(out, "M.K.", 4);

    // Pattern 0: 64 rows of 4 cells. Channel 0 plays C-2 (period 428) on
    // row 0 and A-2 (period 254) halfway; the last playing row breaks to the
    // next position, which ends the one-position song.
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    auto cell = [&](int row, int channel) { return pattern.data() + (row * 4 + channel) * 4; };
    auto note = [&](int row, uint32_t period) {
        uint8_t* c = cell(row, 0);
        c[0] = static_cast<uint8_t>(period >> 8); // sample 1: high nibble 0
        c[1] = static_cast<uint8_t>(period);
        c[2] = 0x10; // sample 1 low nibble, no effect
    };
    note(0, 428);
    if (rows > 2)
        note(rows / 2, 254);
    uint8_t* last = cell(rows - 1, 1);
    last[2] = 0x0D; // pattern break
    last[3] = 0x00;
    out.insert(out.end(), pattern.begin(), pattern.end());

    for (uint32_t i = 0; i < kSampleBytes; ++i)
        out.push_back(i < kSampleBytes / 2 ? 0x60 : 0xA0); // +96 / -96 signed
    return out;
}

std::vector<uint8_t> midiFile(int notes, int trailingSeconds)
{
    constexpr uint32_t kTicksPerSecond = 960; // 480 per beat at 120 BPM
    std::vector<uint8_t> track;
    putVarLen(track, 0);
    track.insert(track.end(), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // 500000 us per beat
    putVarLen(track, 0);
    track.insert(track.end(), {0xC0, 0x00}); // piano
    for (int i = 0; i < notes; ++i) {
        const auto key = static_cast<uint8_t>(60 + 2 * i);
        putVarLen(track, 0);
        track.insert(track.end(), {0x90, key, 0x64});
        putVarLen(track, kTicksPerSecond);
        track.insert(track.end(), {0x80, key, 0x40});
    }
    putVarLen(track, static_cast<uint32_t>(trailingSeconds) * kTicksPerSecond);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> out;
    putText(out, "MThd", 4);
    putBe32(out, 6);
    putBe16(out, 0);   // format 0
    putBe16(out, 1);   // one track
    putBe16(out, 480); // ticks per beat
    putText(out, "MTrk", 4);
    putBe32(out, static_cast<uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

} // namespace sonivert::test
