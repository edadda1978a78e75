#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

// How a column's cell texts are read for sorting.
enum class SortType : int32_t {
    Text = 0,                // as people order names: see compareSortKeys
    Number = 1,              // a decimal number read from the start; no number reads 0
    Size = 2,                // a number, an optional blank and an optional unit K, M, G or T
    Date = 3,                // "a-b-c": a first, then b, then c
    MinutesSeconds = 4,      // "m:s" as m x 60 + s
    HoursMinutesSeconds = 5, // "h:m:s" as (h x 60 + m) x 60 + s
    Duration = 6,            // "h:m:s" when the text has two colons, else "m:s"
};

// A cell text read once for a sort, so that every comparison during the sort
// is cheap and the same two cells always compare the same way.
//
// A Date, time or Duration text without its separators carries no value; it
// is "unreadable" and sorts before every readable text, and unreadable texts
// are equivalent to one another. This keeps the order a strict weak ordering
// even though such a cell cannot be placed among the values. Texts and
// numbers are always readable (a text that holds no number reads as 0).
struct CellSortKey {
    bool readable = false;
    double number = 0.0;                // Number and Size
    std::array<int64_t, 3> parts{};     // Date; the time types keep seconds in parts[0]
    std::string text;                   // Text
    // Text: the runs of digits and of everything else, in order; a digit run
    // without its leading zeros, any other run with its letters folded to
    // lower case.
    struct Run {
        bool digits = false;
        std::string text;
    };
    std::vector<Run> runs;
};

CellSortKey makeSortKey(SortType type, std::string_view cell);

// Negative, zero or positive as a sorts before, with or after b (ascending).
// Texts compare as people order names: runs of digits by their value
// ("track 2" before "track 10"), everything else by the locale's collation
// (strcoll) without regard to letter case; letter case decides only between
// texts that are otherwise equal, the lower-case one first. Where the locale
// has no collation of its own (the "C" and "POSIX" locales and their UTF-8
// forms) letters compare by their code points, folded to lower case.
int compareSortKeys(SortType type, const CellSortKey& a, const CellSortKey& b);

// The two steps above in one call.
int compareCells(SortType type, std::string_view a, std::string_view b);

} // namespace sonivert
