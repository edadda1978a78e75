#include "tests/filelist/linkbuilder.h"

#include "tests/support/wavbuilder.h"

namespace sonivert::test {
namespace {

void appendUtf16z(Bytes& out, const std::u16string& text)
{
    for (char16_t c : text)
        out.u16(static_cast<uint16_t>(c));
    out.u16(0);
}

void appendCounted(Bytes& out, const std::u16string& text)
{
    out.u16(static_cast<uint16_t>(text.size()));
    for (char16_t c : text)
        out.u16(static_cast<uint16_t>(c));
}

} // namespace

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::vector<uint8_t> buildLink(const LinkFields& fields)
{
    uint32_t flags = 0x80 | fields.extraLinkFlags; // IsUnicode
    if (fields.idListBytes)
        flags |= 0x1;
    if (fields.localBasePath || fields.localBasePathUnicode)
        flags |= 0x2;
    if (fields.name)
        flags |= 0x4;
    if (fields.relativePath)
        flags |= 0x8;

    Bytes out;
    out.u32(0x4C);
    for (uint8_t b : {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46})
        out.u8(b);
    out.u32(flags);
    out.u32(0x20);     // FileAttributes: archive
    out.fill(24, 0);   // creation, access, write times
    out.u32(0);        // FileSize
    out.u32(0);        // IconIndex
    out.u32(1);        // ShowCommand: normal
    out.u16(0);        // HotKey
    out.fill(10, 0);   // reserved

    if (fields.idListBytes) {
        out.u16(fields.idListBytes);
        out.fill(fields.idListBytes, 0xAB);
    }

    if (flags & 0x2) {
        const bool unicode = fields.localBasePathUnicode || fields.commonPathSuffixUnicode;
        const uint32_t headerSize = unicode ? 0x24 : 0x1C;
        Bytes volumeId;
        volumeId.u32(0x11).u32(3).u32(0x12345678).u32(0x10).u8(0);
        Bytes base, suffix, baseW, suffixW;
        base.text(fields.localBasePath.value_or("")).u8(0);
        suffix.text(fields.commonPathSuffix).u8(0);
        if (fields.localBasePathUnicode)
            appendUtf16z(baseW, *fields.localBasePathUnicode);
        if (fields.commonPathSuffixUnicode)
            appendUtf16z(suffixW, *fields.commonPathSuffixUnicode);

        const uint32_t volumeOffset = headerSize;
        const uint32_t baseOffset = volumeOffset + static_cast<uint32_t>(volumeId.size());
        const uint32_t suffixOffset = baseOffset + static_cast<uint32_t>(base.size());
        const uint32_t baseWOffset = suffixOffset + static_cast<uint32_t>(suffix.size());
        const uint32_t suffixWOffset = baseWOffset + static_cast<uint32_t>(baseW.size());
        const uint32_t size = suffixWOffset + static_cast<uint32_t>(suffixW.size());

        out.u32(size).u32(headerSize).u32(0x1); // VolumeIDAndLocalBasePath
        out.u32(volumeOffset).u32(baseOffset).u32(0).u32(suffixOffset);
        if (unicode)
            out.u32(fields.localBasePathUnicode ? baseWOffset : 0).u32(fields.commonPathSuffixUnicode ? suffixWOffset : 0);
        out.append(volumeId.data()).append(base.data()).append(suffix.data());
        out.append(baseW.data()).append(suffixW.data());
    }

    if (fields.name)
        appendCounted(out, *fields.name);
    if (fields.relativePath)
        appendCounted(out, *fields.relativePath);
    out.u32(0); // TerminalBlock of the (empty) ExtraData
    return out.data();
}

} // namespace sonivert::test
