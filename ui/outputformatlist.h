#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert::ui {

// One row of the output-format drop-down: the OutputFormat code it stands
// for, the output extension and an optional label.
struct OutputFormatRow {
    int32_t code;
    std::string_view extension;
    std::string_view label; // empty: the upper-cased extension is shown
};

// The drop-down's rows in their fixed order. Two rows share code 6500.
std::span<const OutputFormatRow> outputFormatRows();

// " to " and the label, or the upper-cased extension: " to MP3".
std::string outputFormatRowText(const OutputFormatRow& row);

// What the drop-down shows for a stored OutputFormat: the rows whose format
// can be written (in table order), the row to select, and the OutputFormat
// value that results. The selected row is the last one with the stored
// code; without one it is the first listed row, and OutputFormat becomes
// its code. With no row at all nothing is selected (-1) and the stored
// value stays.
struct OutputFormatChoice {
    std::vector<const OutputFormatRow*> rows;
    int selected = -1;
    int32_t outputFormat = 0;
};
OutputFormatChoice chooseOutputFormatRows(int32_t storedOutputFormat,
                                          const std::function<bool(int32_t code)>& available);

} // namespace sonivert::ui
