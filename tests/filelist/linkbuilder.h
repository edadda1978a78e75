#pragma once

// Builds shell link (.lnk) files byte by byte after Microsoft's published
// Shell Link Binary File Format, for the shortcut tests.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonivert::test {

struct LinkFields {
    // LinkInfo with a VolumeID and these paths (code page strings).
    std::optional<std::string> localBasePath;
    std::string commonPathSuffix;
    // UTF-16 forms; present only when set (they make the LinkInfo header
    // 0x24 bytes long).
    std::optional<std::u16string> localBasePathUnicode;
    std::optional<std::u16string> commonPathSuffixUnicode;
    // StringData, stored as UTF-16 (IsUnicode).
    std::optional<std::u16string> name;
    std::optional<std::u16string> relativePath;
    // When non-zero a LinkTargetIDList of this many opaque bytes comes first.
    uint16_t idListBytes = 0;
    uint32_t extraLinkFlags = 0;
};

std::vector<uint8_t> buildLink(const LinkFields& fields);

// ASCII text widened to UTF-16.
std::u16string widen(const std::string& ascii);

} // namespace sonivert::test
