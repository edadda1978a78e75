#include "tests/support/mp4boxes.h"

#include "tests/support/testsupport.h"

#include <functional>

namespace sonivert::test {
namespace {

// Samples expanded from a run-length table are capped, so a damaged count
// cannot make the walker allocate without bound.
constexpr uint64_t kMaxSamples = 10'000'000;

class Reader {
public:
    Reader(const std::vector<uint8_t>& bytes, size_t begin, size_t end) : m_bytes(bytes), m_pos(begin), m_end(end) {}
    bool has(size_t n) const { return m_pos <= m_end && m_end - m_pos >= n; }
    uint64_t be(int n)
    {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | m_bytes[m_pos++];
        return v;
    }
    bool skip(size_t n)
    {
        if (!has(n))
            return false;
        m_pos += n;
        return true;
    }
    size_t pos() const { return m_pos; }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_pos;
    size_t m_end;
};

using Visitor = std::function<void(const std::string& type, size_t begin, size_t end, int depth)>;

// Calls visit for every box inside [begin, end) and descends into the
// container boxes on the path to the sample table.
bool walk(const std::vector<uint8_t>& bytes, size_t begin, size_t end, int depth, const Visitor& visit)
{
    if (depth > 8)
        return false;
    size_t pos = begin;
    while (pos < end) {
        Reader r(bytes, pos, end);
        if (!r.has(8))
            return false;
        uint64_t size = r.be(4);
        const std::string type(bytes.begin() + static_cast<long>(pos) + 4, bytes.begin() + static_cast<long>(pos) + 8);
        r.skip(4);
        size_t header = 8;
        if (size == 1) {
            if (!r.has(8))
                return false;
            size = r.be(8);
            header = 16;
        } else if (size == 0) {
            size = end - pos;
        }
        if (size < header || size > end - pos)
            return false;
        const size_t boxEnd = pos + static_cast<size_t>(size);
        visit(type, pos + header, boxEnd, depth);
        if (type == "moov" || type == "trak" || type == "mdia" || type == "minf" || type == "stbl" || type == "edts") {
            if (!walk(bytes, pos + header, boxEnd, depth + 1, visit))
                return false;
        }
        pos = boxEnd;
    }
    return true;
}

} // namespace

Mp4TrackTiming readMp4TrackTiming(const std::string& path)
{
    Mp4TrackTiming t;
    const std::vector<uint8_t> bytes = readFileBytes(path);
    int traks = 0;
    bool stts = false;
    bool failed = false;
    const bool walked = walk(bytes, 0, bytes.size(), 0, [&](const std::string& type, size_t begin, size_t end, int) {
        if (type == "trak")
            ++traks;
        if (traks > 1) // the first track only
            return;
        Reader r(bytes, begin, end);
        if (type == "mvhd" || type == "mdhd") {
            if (!r.has(4)) {
                failed = true;
                return;
            }
            const int wide = r.be(1) == 1 ? 8 : 4;
            r.skip(3);
            if (!r.has(static_cast<size_t>(wide * 2 + 4))) {
                failed = true;
                return;
            }
            const uint64_t created = r.be(wide), modified = r.be(wide);
            const auto scale = static_cast<uint32_t>(r.be(4));
            if (type == "mvhd") {
                t.creationTime = created;
                t.modificationTime = modified;
                t.movieTimeScale = scale;
            } else {
                t.mediaTimeScale = scale;
            }
        } else if (type == "stts" || type == "ctts") {
            if (!r.skip(4) || !r.has(4)) {
                failed = true;
                return;
            }
            const uint64_t entries = r.be(4);
            std::vector<int64_t> values;
            for (uint64_t i = 0; i < entries; ++i) {
                if (!r.has(8)) {
                    failed = true;
                    return;
                }
                const uint64_t count = r.be(4);
                const auto value = static_cast<int64_t>(static_cast<int32_t>(r.be(4)));
                if (values.size() + count > kMaxSamples) {
                    failed = true;
                    return;
                }
                values.insert(values.end(), count, value);
            }
            if (type == "stts") {
                stts = true;
                for (int64_t v : values)
                    t.durations.push_back(static_cast<uint32_t>(v));
            } else {
                t.compositionOffsets = values;
            }
        } else if (type == "elst") {
            if (!r.has(8)) {
                failed = true;
                return;
            }
            const int wide = r.be(1) == 1 ? 8 : 4;
            r.skip(3);
            const uint64_t entries = r.be(4);
            for (uint64_t i = 0; i < entries; ++i) {
                if (!r.has(static_cast<size_t>(wide * 2 + 4))) {
                    failed = true;
                    return;
                }
                Mp4Edit edit;
                edit.segmentDuration = r.be(wide);
                const uint64_t media = r.be(wide);
                edit.mediaTime = wide == 8 ? static_cast<int64_t>(media) : static_cast<int32_t>(media);
                r.skip(4);
                t.edits.push_back(edit);
            }
        } else if (type == "iods") {
            // Full box, the descriptor tag, a length of up to four bytes, the
            // object descriptor id and flags, then the OD, scene and audio
            // profile levels.
            if (!r.skip(4) || !r.has(1) || r.be(1) != 0x10) {
                failed = true;
                return;
            }
            for (int i = 0; i < 4 && r.has(1); ++i) {
                if ((r.be(1) & 0x80) == 0)
                    break;
            }
            if (!r.skip(4) || !r.has(1)) {
                failed = true;
                return;
            }
            t.audioProfileLevel = static_cast<int>(r.be(1));
        }
    });
    t.ok = walked && !failed && traks >= 1 && stts;
    return t;
}

} // namespace sonivert::test
