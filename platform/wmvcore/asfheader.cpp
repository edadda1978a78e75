#include "platform/wmvcore/asfheader.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>

namespace sonivert::wmvcore {
namespace {

using Guid = std::array<uint8_t, 16>;

// The objects' GUIDs as they are stored (the first three fields little-endian).
constexpr Guid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                  0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kExtendedContentDescription = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                              0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
constexpr Guid kHeaderExtension = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                   0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kHeaderExtensionReserved = {0x11, 0xD2, 0xD3, 0xAB, 0xBA, 0xA9, 0xCF, 0x11,
                                           0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kMetadataLibrary = {0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49,
                                   0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};

constexpr size_t kObjectHeaderSize = 24;     // GUID, 64-bit size
constexpr size_t kHeaderObjectSize = 30;     // object header, object count, two reserved bytes
constexpr size_t kHeaderExtensionSize = 46;  // object header, reserved GUID and word, data size
constexpr size_t kFileSizeOffset = 40;       // in the File Properties object, after the file's GUID
constexpr uint16_t kByteArrayType = 1;
constexpr size_t kDescriptorValueMax = std::numeric_limits<uint16_t>::max();

uint64_t readLittle(std::span<const uint8_t> bytes, size_t at, size_t width)
{
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t{bytes[at + i]} << (8 * i);
    return v;
}

void writeLittle(std::vector<uint8_t>& bytes, size_t at, uint64_t value, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void appendLittle(std::vector<uint8_t>& out, uint64_t value, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void appendBytes(std::vector<uint8_t>& out, std::span<const uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void appendName(std::vector<uint8_t>& out, std::u16string_view name)
{
    for (char16_t unit : name)
        appendLittle(out, unit, 2);
    appendLittle(out, 0, 2);
}

bool isObject(std::span<const uint8_t> object, const Guid& guid)
{
    return object.size() >= guid.size() && std::equal(guid.begin(), guid.end(), object.begin());
}

// The objects that fill bytes[begin, end) one after another, each with a
// size of at least its own header that stays within the range.
std::optional<std::vector<std::span<const uint8_t>>> objectsIn(std::span<const uint8_t> bytes, size_t begin,
                                                               size_t end)
{
    std::vector<std::span<const uint8_t>> objects;
    size_t at = begin;
    while (at < end) {
        if (end - at < kObjectHeaderSize)
            return std::nullopt;
        const uint64_t size = readLittle(bytes, at + 16, 8);
        if (size < kObjectHeaderSize || size > end - at)
            return std::nullopt;
        objects.push_back(bytes.subspan(at, static_cast<size_t>(size)));
        at += static_cast<size_t>(size);
    }
    return objects;
}

// An object of guid whose body is a 16-bit record count and the records;
// existing is the object to extend, or empty for a new one.
std::optional<std::vector<uint8_t>> withRecords(const Guid& guid, std::span<const uint8_t> existing, size_t added,
                                                const std::vector<uint8_t>& records)
{
    const size_t bodyStart = kObjectHeaderSize + 2;
    if (!existing.empty() && existing.size() < bodyStart)
        return std::nullopt;
    const uint64_t count = existing.empty() ? 0 : readLittle(existing, kObjectHeaderSize, 2);
    if (count + added > std::numeric_limits<uint16_t>::max())
        return std::nullopt;
    std::vector<uint8_t> out(guid.begin(), guid.end());
    appendLittle(out, 0, 8);
    appendLittle(out, count + added, 2);
    if (!existing.empty())
        appendBytes(out, existing.subspan(bodyStart));
    appendBytes(out, records);
    writeLittle(out, 16, out.size(), 8);
    return out;
}

// The Header Extension object existing (or a new one when empty) with the
// metadata library records added to its Metadata Library object.
std::optional<std::vector<uint8_t>> extensionWith(std::span<const uint8_t> existing, size_t added,
                                                  const std::vector<uint8_t>& records)
{
    std::vector<uint8_t> out;
    std::vector<std::span<const uint8_t>> inner;
    if (existing.empty()) {
        out.assign(kHeaderExtension.begin(), kHeaderExtension.end());
        appendLittle(out, 0, 8);
        appendBytes(out, kHeaderExtensionReserved);
        appendLittle(out, 6, 2);
    } else {
        if (existing.size() < kHeaderExtensionSize)
            return std::nullopt;
        const uint64_t dataSize = readLittle(existing, kHeaderExtensionSize - 4, 4);
        if (dataSize != existing.size() - kHeaderExtensionSize)
            return std::nullopt;
        auto objects = objectsIn(existing, kHeaderExtensionSize, existing.size());
        if (!objects)
            return std::nullopt;
        inner = std::move(*objects);
        out.assign(existing.begin(), existing.begin() + (kHeaderExtensionSize - 4));
    }
    std::vector<uint8_t> data;
    bool extended = false;
    for (std::span<const uint8_t> object : inner) {
        if (!extended && isObject(object, kMetadataLibrary)) {
            const auto library = withRecords(kMetadataLibrary, object, added, records);
            if (!library)
                return std::nullopt;
            appendBytes(data, *library);
            extended = true;
        } else {
            appendBytes(data, object);
        }
    }
    if (!extended) {
        const auto library = withRecords(kMetadataLibrary, {}, added, records);
        if (!library)
            return std::nullopt;
        appendBytes(data, *library);
    }
    if (data.size() > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    appendLittle(out, data.size(), 4);
    appendBytes(out, data);
    writeLittle(out, 16, out.size(), 8);
    return out;
}

} // namespace

std::optional<std::vector<uint8_t>> headerWithAttributes(std::span<const uint8_t> header,
                                                         std::span<const ByteArrayAttribute> attributes)
{
    if (header.size() < kHeaderObjectSize || !isObject(header, kHeaderObject) ||
        readLittle(header, 16, 8) != header.size())
        return std::nullopt;
    const auto objects = objectsIn(header, kHeaderObjectSize, header.size());
    if (!objects)
        return std::nullopt;

    // Extended content descriptors: 16-bit name length, name, type, 16-bit
    // value length, value. Metadata library records: language index,
    // stream, 16-bit name length, type, 32-bit value length, name, value.
    std::vector<uint8_t> descriptors, records;
    size_t descriptorCount = 0, recordCount = 0;
    for (const ByteArrayAttribute& a : attributes) {
        const size_t nameBytes = (a.name.size() + 1) * 2;
        if (nameBytes > std::numeric_limits<uint16_t>::max() || a.value.size() > std::numeric_limits<uint32_t>::max())
            return std::nullopt;
        if (a.value.size() <= kDescriptorValueMax) {
            appendLittle(descriptors, nameBytes, 2);
            appendName(descriptors, a.name);
            appendLittle(descriptors, kByteArrayType, 2);
            appendLittle(descriptors, a.value.size(), 2);
            appendBytes(descriptors, a.value);
            ++descriptorCount;
        } else {
            appendLittle(records, 0, 2);
            appendLittle(records, 0, 2);
            appendLittle(records, nameBytes, 2);
            appendLittle(records, kByteArrayType, 2);
            appendLittle(records, a.value.size(), 4);
            appendName(records, a.name);
            appendBytes(records, a.value);
            ++recordCount;
        }
    }

    std::vector<uint8_t> out(header.begin(), header.begin() + kHeaderObjectSize);
    uint64_t objectCount = readLittle(header, 24, 4);
    std::optional<size_t> fileProperties;
    bool contentDone = descriptorCount == 0, extensionDone = recordCount == 0;
    for (std::span<const uint8_t> object : *objects) {
        std::optional<std::vector<uint8_t>> replaced;
        if (!contentDone && isObject(object, kExtendedContentDescription)) {
            replaced = withRecords(kExtendedContentDescription, object, descriptorCount, descriptors);
            if (!replaced)
                return std::nullopt;
            contentDone = true;
        } else if (!extensionDone && isObject(object, kHeaderExtension)) {
            replaced = extensionWith(object, recordCount, records);
            if (!replaced)
                return std::nullopt;
            extensionDone = true;
        }
        if (isObject(object, kFileProperties) && !fileProperties)
            fileProperties = out.size();
        appendBytes(out, replaced ? std::span<const uint8_t>(*replaced) : object);
    }
    if (!contentDone) {
        const auto made = withRecords(kExtendedContentDescription, {}, descriptorCount, descriptors);
        if (!made)
            return std::nullopt;
        appendBytes(out, *made);
        ++objectCount;
    }
    if (!extensionDone) {
        const auto made = extensionWith({}, recordCount, records);
        if (!made)
            return std::nullopt;
        appendBytes(out, *made);
        ++objectCount;
    }
    if (!fileProperties || *fileProperties + kFileSizeOffset + 8 > out.size() ||
        objectCount > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    const uint64_t added = out.size() - header.size();
    const uint64_t fileSize = readLittle(out, *fileProperties + kFileSizeOffset, 8);
    writeLittle(out, *fileProperties + kFileSizeOffset, fileSize + added, 8);
    writeLittle(out, 16, out.size(), 8);
    writeLittle(out, 24, objectCount, 4);
    return out;
}

bool addHeaderAttributes(const std::string& path, std::span<const ByteArrayAttribute> attributes)
{
    if (attributes.empty())
        return true;
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!stream)
        return false;
    std::error_code ec;
    const uintmax_t fileSize = std::filesystem::file_size(file, ec);
    std::array<uint8_t, kHeaderObjectSize> start{};
    if (ec || fileSize < start.size() ||
        !stream.read(reinterpret_cast<char*>(start.data()), static_cast<std::streamsize>(start.size())))
        return false;
    const uint64_t headerSize = readLittle(start, 16, 8);
    if (headerSize < start.size() || headerSize > fileSize)
        return false;
    std::vector<uint8_t> header(static_cast<size_t>(headerSize));
    stream.seekg(0);
    if (!stream.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size())))
        return false;
    const std::optional<std::vector<uint8_t>> replaced = headerWithAttributes(header, attributes);
    if (!replaced)
        return false;

    // Everything behind the header moves back by the bytes added, the last
    // piece first, so that nothing is overwritten before it has moved.
    const uint64_t shift = replaced->size() - header.size();
    std::vector<char> piece(1 << 20);
    uint64_t end = fileSize;
    while (end > headerSize) {
        const uint64_t length = std::min<uint64_t>(piece.size(), end - headerSize);
        const uint64_t from = end - length;
        stream.seekg(static_cast<std::streamoff>(from));
        if (!stream.read(piece.data(), static_cast<std::streamsize>(length)))
            return false;
        stream.seekp(static_cast<std::streamoff>(from + shift));
        if (!stream.write(piece.data(), static_cast<std::streamsize>(length)))
            return false;
        end = from;
    }
    stream.seekp(0);
    if (!stream.write(reinterpret_cast<const char*>(replaced->data()), static_cast<std::streamsize>(replaced->size())))
        return false;
    stream.flush();
    if (!stream)
        return false;
    stream.close();
    return !stream.fail();
}

} // namespace sonivert::wmvcore
