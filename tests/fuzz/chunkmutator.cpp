#include "tests/fuzz/chunkmutator.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace sonivert::fuzz {
namespace {

struct Chunk {
    uint8_t id[4];
    uint32_t declared; // the size field as stored
    std::vector<uint8_t> body;
};

struct Parsed {
    std::vector<uint8_t> head; // the outer header (12 bytes for RIFF and IFF), else empty
    std::vector<Chunk> chunks;
    std::vector<uint8_t> tail; // what follows the last whole chunk header
    bool bigEndian = false;
};

uint32_t load32(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                     : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void store32(uint8_t* p, uint32_t v, bool bigEndian)
{
    for (int i = 0; i < 4; ++i)
        p[bigEndian ? 3 - i : i] = static_cast<uint8_t>(v >> (8 * i));
}

bool idLooksLikeOne(const uint8_t* p)
{
    for (int i = 0; i < 4; ++i) {
        if (p[i] < 0x20 || p[i] > 0x7E)
            return false;
    }
    return true;
}

Parsed parse(const uint8_t* data, size_t size, ChunkLayout layout)
{
    Parsed out;
    size_t at = 0;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0) {
        layout = ChunkLayout::Riff;
    } else if (size >= 12 && std::memcmp(data, "FORM", 4) == 0) {
        layout = ChunkLayout::Iff;
    }
    out.bigEndian = layout != ChunkLayout::Riff;
    if (layout == ChunkLayout::Riff || layout == ChunkLayout::Iff) {
        const size_t headBytes = std::min<size_t>(12, size);
        out.head.assign(data, data + headBytes);
        at = headBytes;
    }
    const bool padded = layout != ChunkLayout::Smf;
    while (size - at >= 8 && idLooksLikeOne(data + at)) {
        Chunk c;
        std::memcpy(c.id, data + at, 4);
        c.declared = load32(data + at + 4, out.bigEndian);
        at += 8;
        const size_t bodyBytes = std::min<size_t>(c.declared, size - at);
        c.body.assign(data + at, data + at + bodyBytes);
        at += bodyBytes;
        if (padded && (bodyBytes & 1) && at < size)
            ++at;
        out.chunks.push_back(std::move(c));
    }
    out.tail.assign(data + at, data + size);
    return out;
}

std::vector<uint8_t> serialize(const Parsed& p, bool fixOuterSize, ChunkLayout layout)
{
    std::vector<uint8_t> out = p.head;
    const bool padded = layout != ChunkLayout::Smf;
    for (const Chunk& c : p.chunks) {
        out.insert(out.end(), c.id, c.id + 4);
        uint8_t size[4];
        store32(size, c.declared, p.bigEndian);
        out.insert(out.end(), size, size + 4);
        out.insert(out.end(), c.body.begin(), c.body.end());
        if (padded && (c.body.size() & 1))
            out.push_back(0);
    }
    out.insert(out.end(), p.tail.begin(), p.tail.end());
    if (fixOuterSize && out.size() >= 8 && p.head.size() >= 8)
        store32(out.data() + 4, static_cast<uint32_t>(out.size() - 8), p.bigEndian);
    return out;
}

} // namespace

size_t mutateChunks(uint8_t* data, size_t size, size_t maxSize, uint32_t seed, ChunkLayout layout,
                    const std::function<size_t(uint8_t* region, size_t size, size_t maxSize)>& byteMutate)
{
    if (layout == ChunkLayout::None)
        return 0;
    Parsed p = parse(data, size, layout);
    if (p.chunks.empty())
        return 0;
    if (!p.head.empty() && std::memcmp(p.head.data(), "RIFF", 4) == 0)
        layout = ChunkLayout::Riff;
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const size_t n = p.chunks.size();
    bool fixOuterSize = rng() % 4 != 0;

    switch (rng() % 7) {
    case 0: { // duplicate a chunk, the copy placed anywhere
        const Chunk copy = p.chunks[pick(n)];
        p.chunks.insert(p.chunks.begin() + static_cast<ptrdiff_t>(pick(n + 1)), copy);
        break;
    }
    case 1: // drop a chunk
        p.chunks.erase(p.chunks.begin() + static_cast<ptrdiff_t>(pick(n)));
        break;
    case 2: // swap two chunks
        std::swap(p.chunks[pick(n)], p.chunks[pick(n)]);
        break;
    case 3: { // a size field that lies about its body
        Chunk& c = p.chunks[pick(n)];
        const uint32_t real = static_cast<uint32_t>(c.body.size());
        const uint32_t choices[] = {0, 1, real - 1, real + 1, real * 2, real / 2, 0x7FFFFFFF, 0xFFFFFFFF,
                                    0xFFFFFFFE, static_cast<uint32_t>(rng())};
        c.declared = choices[pick(std::size(choices))];
        break;
    }
    case 4: { // a body cut or grown, its size field following it or not
        Chunk& c = p.chunks[pick(n)];
        if (!c.body.empty() && rng() % 2 == 0)
            c.body.resize(pick(c.body.size()));
        else
            c.body.resize(c.body.size() + 1 + pick(64), static_cast<uint8_t>(rng()));
        if (rng() % 2 == 0)
            c.declared = static_cast<uint32_t>(c.body.size());
        break;
    }
    case 5: { // stray bytes after a chunk: the body grows, its size field does not
        const std::vector<uint8_t> bytes(1 + pick(3), static_cast<uint8_t>(rng()));
        Chunk& before = p.chunks[pick(n)];
        before.body.insert(before.body.end(), bytes.begin(), bytes.end());
        break;
    }
    default: { // byte mutations inside one chunk's body
        Chunk& c = p.chunks[pick(n)];
        const size_t room = c.body.size() + 256;
        c.body.resize(room);
        const size_t kept = byteMutate(c.body.data(), room - 256, room);
        c.body.resize(kept);
        if (rng() % 2 == 0)
            c.declared = static_cast<uint32_t>(c.body.size());
        fixOuterSize = true;
        break;
    }
    }

    const std::vector<uint8_t> out = serialize(p, fixOuterSize, layout);
    if (out.empty() || out.size() > maxSize)
        return 0;
    std::memcpy(data, out.data(), out.size());
    return out.size();
}

} // namespace sonivert::fuzz
