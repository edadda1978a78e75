#include "platform/mp4lib/mp4itemlist.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

namespace sonivert::mp4 {
namespace {

// No index of ours comes near this: a 16 MiB cover and the sample table of
// many hours. A larger last box is not taken for one.
constexpr uint64_t kMaxIndexBytes = uint64_t{256} << 20;
constexpr uint32_t kDataTypeUtf8 = 1;

constexpr uint32_t fourcc(const char (&t)[5])
{
    return (uint32_t{static_cast<uint8_t>(t[0])} << 24) | (uint32_t{static_cast<uint8_t>(t[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(t[2])} << 8) | uint32_t{static_cast<uint8_t>(t[3])};
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void set32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void set64(uint8_t* at, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<uint8_t>(value >> (56 - 8 * i));
}

uint32_t get32(const uint8_t* at)
{
    return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | uint32_t{at[3]};
}

uint64_t get64(const uint8_t* at)
{
    return (uint64_t{get32(at)} << 32) | get32(at + 4);
}

// A box with body as its contents (after the version and flags of a full
// box, which are written as zero).
std::vector<uint8_t> makeBox(uint32_t type, std::span<const uint8_t> body, bool fullBox = false)
{
    std::vector<uint8_t> out;
    const size_t size = 8 + (fullBox ? 4 : 0) + body.size();
    out.reserve(size);
    put32(out, static_cast<uint32_t>(size));
    put32(out, type);
    if (fullBox)
        put32(out, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::span<const uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The data box of an item: data type, locale 0, the value.
std::vector<uint8_t> dataBox(uint32_t dataType, std::span<const uint8_t> value)
{
    std::vector<uint8_t> body;
    body.reserve(8 + value.size());
    put32(body, dataType);
    put32(body, 0);
    body.insert(body.end(), value.begin(), value.end());
    return makeBox(fourcc("data"), body);
}

// The handler of an iTunes item list, as the muxer writes it: "mdir" by
// "appl", an empty name.
std::vector<uint8_t> itunesHandler()
{
    std::vector<uint8_t> body;
    put32(body, 0); // pre-defined
    put32(body, fourcc("mdir"));
    put32(body, fourcc("appl"));
    put32(body, 0);
    put32(body, 0);
    body.push_back(0);
    return makeBox(fourcc("hdlr"), body, true);
}

// One box inside a byte range: where it starts, its header and total size.
struct Box {
    size_t offset = 0;
    size_t header = 8;
    uint64_t size = 0;
    uint32_t type = 0;
    bool toEnd = false; // size field 0: the box reaches the end of its container
};

std::optional<Box> boxAt(std::span<const uint8_t> d, size_t offset, size_t end)
{
    if (end < offset || end - offset < 8)
        return std::nullopt;
    Box box;
    box.offset = offset;
    box.size = get32(&d[offset]);
    box.type = get32(&d[offset + 4]);
    if (box.size == 1) {
        if (end - offset < 16)
            return std::nullopt;
        box.header = 16;
        box.size = get64(&d[offset + 8]);
    } else if (box.size == 0) {
        box.size = end - offset;
        box.toEnd = true;
    }
    if (box.size < box.header || box.size > end - offset)
        return std::nullopt;
    return box;
}

enum class Search { Found, Absent, Damaged };

// The first box of type among the boxes that fill [begin, end).
Search findChild(std::span<const uint8_t> d, size_t begin, size_t end, uint32_t type, Box& found)
{
    for (size_t offset = begin; offset < end;) {
        const std::optional<Box> box = boxAt(d, offset, end);
        if (!box)
            return Search::Damaged;
        if (box->type == type) {
            found = *box;
            return Search::Found;
        }
        offset += static_cast<size_t>(box->size);
    }
    return Search::Absent;
}

size_t endOf(const Box& box)
{
    return box.offset + static_cast<size_t>(box.size);
}

// Where the children of a meta box start: after its version and flags in
// the MPEG-4 form, at once in the older QuickTime form (whose first child
// then follows the header).
size_t metaChildren(std::span<const uint8_t> d, const Box& meta)
{
    const size_t body = meta.offset + meta.header;
    return endOf(meta) - body >= 4 && get32(&d[body]) == 0 ? body + 4 : body;
}

bool grow(std::vector<uint8_t>& d, const Box& box, uint64_t delta)
{
    if (box.toEnd)
        return true;
    const uint64_t size = box.size + delta;
    if (box.header == 16) {
        set64(&d[box.offset + 8], size);
        return true;
    }
    if (size > std::numeric_limits<uint32_t>::max())
        return false;
    set32(&d[box.offset], static_cast<uint32_t>(size));
    return true;
}

// The new index: items at the end of its item list, missing containers
// made, enclosing sizes grown. Nothing when its boxes are damaged.
std::optional<std::vector<uint8_t>> withItems(std::vector<uint8_t> moov, std::span<const uint8_t> items)
{
    const std::optional<Box> root = boxAt(moov, 0, moov.size());
    if (!root || root->type != fourcc("moov"))
        return std::nullopt;
    std::vector<Box> enclosing{*root};
    std::vector<uint8_t> insert(items.begin(), items.end());
    Box udta, meta, ilst;
    Search s = findChild(moov, root->header, endOf(*root), fourcc("udta"), udta);
    if (s == Search::Found) {
        enclosing.push_back(udta);
        s = findChild(moov, udta.offset + udta.header, endOf(udta), fourcc("meta"), meta);
        if (s == Search::Found) {
            enclosing.push_back(meta);
            s = findChild(moov, metaChildren(moov, meta), endOf(meta), fourcc("ilst"), ilst);
            if (s == Search::Found)
                enclosing.push_back(ilst);
        }
    }
    if (s == Search::Damaged)
        return std::nullopt;
    // Wrap the items in the containers that are missing, innermost first.
    const size_t found = enclosing.size(); // 1 moov, 2 udta, 3 meta, 4 ilst
    if (found < 4)
        insert = makeBox(fourcc("ilst"), insert);
    if (found < 3) {
        std::vector<uint8_t> body = itunesHandler();
        body.insert(body.end(), insert.begin(), insert.end());
        insert = makeBox(fourcc("meta"), body, true);
    }
    if (found < 2)
        insert = makeBox(fourcc("udta"), insert);

    const size_t at = endOf(enclosing.back());
    for (const Box& box : enclosing) {
        if (!grow(moov, box, insert.size()))
            return std::nullopt;
    }
    moov.insert(moov.begin() + static_cast<std::ptrdiff_t>(at), insert.begin(), insert.end());
    return moov;
}

} // namespace

std::vector<uint8_t> coverItem(std::span<const uint8_t> bytes, uint32_t dataType)
{
    return makeBox(fourcc("covr"), dataBox(dataType, bytes));
}

std::vector<uint8_t> freeFormItem(std::string_view mean, std::string_view name, std::string_view value)
{
    std::vector<uint8_t> body = makeBox(fourcc("mean"), bytesOf(mean), true);
    const std::vector<uint8_t> nameBox = makeBox(fourcc("name"), bytesOf(name), true);
    const std::vector<uint8_t> data = dataBox(kDataTypeUtf8, bytesOf(value));
    body.insert(body.end(), nameBox.begin(), nameBox.end());
    body.insert(body.end(), data.begin(), data.end());
    return makeBox(fourcc("----"), body);
}

bool appendItemsToItemList(const std::string& path, std::span<const uint8_t> items)
{
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(native, ec);
    if (ec)
        return false;
    std::fstream file(native, std::ios::in | std::ios::out | std::ios::binary);
    if (!file)
        return false;

    // The top-level boxes, to the last one: the index.
    for (uint64_t offset = 0; offset < fileSize;) {
        const uint64_t left = fileSize - offset;
        std::array<uint8_t, 16> header{};
        const size_t got = left < header.size() ? static_cast<size_t>(left) : header.size();
        file.seekg(static_cast<std::streamoff>(offset));
        if (got < 8 || !file.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(got)))
            return false;
        uint64_t size = get32(header.data());
        uint64_t headerSize = 8;
        if (size == 1) {
            if (got < 16)
                return false;
            size = get64(header.data() + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = left;
        }
        if (size < headerSize || size > left)
            return false;
        if (size < left) {
            offset += size;
            continue;
        }
        if (get32(header.data() + 4) != fourcc("moov") || size > kMaxIndexBytes)
            return false;
        std::vector<uint8_t> moov(static_cast<size_t>(size));
        file.seekg(static_cast<std::streamoff>(offset));
        if (!file.read(reinterpret_cast<char*>(moov.data()), static_cast<std::streamsize>(moov.size())))
            return false;
        const std::optional<std::vector<uint8_t>> grown = withItems(std::move(moov), items);
        if (!grown)
            return false;
        file.seekp(static_cast<std::streamoff>(offset));
        file.write(reinterpret_cast<const char*>(grown->data()), static_cast<std::streamsize>(grown->size()));
        file.close();
        return !file.fail();
    }
    return false;
}

} // namespace sonivert::mp4
