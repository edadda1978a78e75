#include "ui/outputformatlist.h"

#include <array>
#include <cctype>

namespace sonivert::ui {
namespace {

constexpr std::array<OutputFormatRow, 14> kRows = {{
    {1000, "mp3", ""},
    {2000, "wav", ""},
    {7000, "wma", ""},
    {4000, "ogg", ""},
    {6000, "aac", ""},
    {6500, "m4a", "AAC for iPod / iTunes"},
    {6600, "mp4", "MP4 (Audio only)"},
    {6500, "m4a", "M4A (MPEG-4 Audio)"},
    {6700, "m4b", "M4B (MPEG-4 Audiobook)"},
    {5500, "amr", ""},
    {5600, "awb", ""},
    {8000, "flac", ""},
    {8100, "opus", "Opus"},
    {8200, "m4a", "ALAC"},
}};

} // namespace

std::span<const OutputFormatRow> outputFormatRows()
{
    return kRows;
}

std::string outputFormatRowText(const OutputFormatRow& row)
{
    std::string name(row.label);
    if (name.empty()) {
        for (char c : row.extension)
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return " to " + name;
}

OutputFormatChoice chooseOutputFormatRows(int32_t stored, const std::function<bool(int32_t)>& available)
{
    OutputFormatChoice choice;
    choice.outputFormat = stored;
    for (const OutputFormatRow& row : kRows) {
        if (!available(row.code))
            continue;
        if (row.code == stored)
            choice.selected = static_cast<int>(choice.rows.size());
        choice.rows.push_back(&row);
    }
    if (choice.selected < 0 && !choice.rows.empty()) {
        choice.selected = 0;
        choice.outputFormat = choice.rows.front()->code;
    }
    return choice;
}

} // namespace sonivert::ui
