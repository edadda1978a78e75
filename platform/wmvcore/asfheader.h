#pragma once

// Byte-array attributes in the header of a finished ASF file. FFmpeg's
// muxer stores text metadata only, so the writer adds the others (such as
// "WM/Picture") to the header after the muxer has finished the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert::wmvcore {

// One attribute of the whole file (stream 0) of type byte array.
struct ByteArrayAttribute {
    std::u16string_view name;
    std::span<const uint8_t> value;
};

// The header object header (exactly as long as its size field says) with
// the attributes added: a value of at most 65 535 bytes as a descriptor of
// the Extended Content Description object, a longer one as a record of the
// Metadata Library object inside the Header Extension object (each object
// made when the header has none). The File Properties object's file size
// grows by the bytes added. Nothing when the header is malformed, lacks the
// objects named, or would outgrow a length field.
std::optional<std::vector<uint8_t>> headerWithAttributes(std::span<const uint8_t> header,
                                                         std::span<const ByteArrayAttribute> attributes);

// Rewrites the ASF file at path (UTF-8) in place with headerWithAttributes,
// moving everything behind the header back by the bytes added. False when
// the file is not an ASF file headerWithAttributes accepts or a read or
// write fails; the file is then no longer to be trusted.
[[nodiscard]] bool addHeaderAttributes(const std::string& path, std::span<const ByteArrayAttribute> attributes);

} // namespace sonivert::wmvcore
