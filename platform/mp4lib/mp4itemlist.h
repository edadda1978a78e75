#pragma once

// Metadata items added to a finished MPEG-4 file, for the items the muxer
// does not write itself: the boxes of one item, and the step that puts
// items at the end of the file's item list (moov/udta/meta/ilst).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert::mp4 {

// One "covr" item: its data box holds bytes with the data type given
// (13 JPEG, 14 PNG).
std::vector<uint8_t> coverItem(std::span<const uint8_t> bytes, uint32_t dataType);

// One "----" item: its "mean" and "name" boxes, then a data box of UTF-8
// text (data type 1).
std::vector<uint8_t> freeFormItem(std::string_view mean, std::string_view name, std::string_view value);

// Appends items (whole item boxes, one after another) to the item list of
// the MPEG-4 file at path (UTF-8), creating udta, meta (with its iTunes
// handler) and ilst where the index has none, and grows every enclosing
// box by their size. The index must be the file's last top-level box, so
// that growing it moves nothing else; a file laid out otherwise, a damaged
// box structure or a failed write gives false. The file only grows: a false
// after the first write may leave it damaged, for the caller to remove.
[[nodiscard]] bool appendItemsToItemList(const std::string& path, std::span<const uint8_t> items);

} // namespace sonivert::mp4
