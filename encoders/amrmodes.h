#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace sonivert {

// One codec mode of AMR-NB or AMR-WB: the number the encoder libraries take
// (and the settings store, AMRMode / AMRWBMode / AWBMode) and the text the
// options page lists for it. Modes are listed in ascending order, mode i at
// index i.
struct AmrModeEntry {
    int32_t mode;
    std::string_view text;
};

// Narrow band (8000 Hz): the eight AMR codec modes 0..7, 4.75 to 12.2 kbit/s.
inline constexpr std::array<AmrModeEntry, 8> kAmrNbModes{{
    {0, "4.75 kbps"},
    {1, "5.15kbps"},
    {2, "5.9 kbps"},
    {3, "6.7 kbps"},
    {4, "7.4 kbps"},
    {5, "7.95 kbps"},
    {6, "10.2 kbps"},
    {7, "12.2 kbps"},
}};

// Wide band (16000 Hz): the nine AMR-WB codec modes 0..8, 6.60 to 23.85
// kbit/s. The same list serves format 5500 in wide-band mode and format 5600.
inline constexpr std::array<AmrModeEntry, 9> kAmrWbModes{{
    {0, "6.60 kbps"},
    {1, "8.85 kbps"},
    {2, "12.65 kbps"},
    {3, "14.25 kbps"},
    {4, "15.85 kbps"},
    {5, "18.25 kbps"},
    {6, "19.85 kbps"},
    {7, "23.05 kbps"},
    {8, "23.85 kbps"},
}};

// The mode every AMR setting starts with, and the one an encoder falls back
// to when handed a mode outside its band's list.
inline constexpr int32_t kAmrDefaultMode = 6;

} // namespace sonivert
