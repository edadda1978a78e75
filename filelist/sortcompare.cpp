#include "filelist/sortcompare.h"

#include "platform/localtext.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <cwctype>

namespace sonivert {
namespace {

// Integers are clamped here while being read so that the time arithmetic
// ((h x 60 + m) x 60 + s) cannot overflow.
constexpr int64_t kIntegerLimit = 1'000'000'000'000;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t skipBlanks(std::string_view text, size_t at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// Reads a decimal floating-point number from the start of text, after blanks
// and an optional sign, without regard to the locale (the cells are written
// with '.' whatever the user's locale). Sets end to the first byte after the
// number. No number reads 0; NaN reads 0 so that every key is ordered.
double leadingNumber(std::string_view text, size_t& end)
{
    size_t at = skipBlanks(text, 0);
    end = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= text.size() || text[at] == '+' || text[at] == '-')
        return 0.0;
    double value = 0.0;
    const char* first = text.data() + at;
    const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || std::isnan(value))
        return 0.0;
    end = static_cast<size_t>(ptr - text.data());
    return negative ? -value : value;
}

// Reads an integer from the start of text as atoi does: blanks, an optional
// sign, digits. No digits read 0.
int64_t leadingInteger(std::string_view text)
{
    size_t at = skipBlanks(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > kIntegerLimit)
            value = kIntegerLimit;
    }
    return negative ? -value : value;
}

// Splits text at its first `count` separators; false when it has fewer.
template <size_t Count>
bool splitAt(std::string_view text, char separator, std::array<std::string_view, Count + 1>& pieces)
{
    size_t start = 0;
    for (size_t i = 0; i < Count; ++i) {
        const size_t at = text.find(separator, start);
        if (at == std::string_view::npos)
            return false;
        pieces[i] = text.substr(start, at - start);
        start = at + 1;
    }
    pieces[Count] = text.substr(start);
    return true;
}

void readMinutesSeconds(std::string_view cell, CellSortKey& key)
{
    std::array<std::string_view, 2> p;
    if (!splitAt<1>(cell, ':', p))
        return;
    key.readable = true;
    key.parts[0] = leadingInteger(p[0]) * 60 + leadingInteger(p[1]);
}

void readHoursMinutesSeconds(std::string_view cell, CellSortKey& key)
{
    std::array<std::string_view, 3> p;
    if (!splitAt<2>(cell, ':', p))
        return;
    key.readable = true;
    key.parts[0] = (leadingInteger(p[0]) * 60 + leadingInteger(p[1])) * 60 + leadingInteger(p[2]);
}

double unitFactor(char unit)
{
    switch (unit) {
    case 'K':
    case 'k':
        return 1024.0;
    case 'M':
    case 'm':
        return 1048576.0;
    case 'G':
    case 'g':
        return 1073741824.0;
    case 'T':
    case 't':
        return 1099511627776.0;
    default:
        return 1.0;
    }
}

template <typename T>
int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Letter case folded: ASCII and Latin-1 here, whatever the locale; other
// letters as the locale's character classes know them.
char32_t foldCase(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if (c < 0x100)
        return c;
    return static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(c)));
}

std::vector<CellSortKey::Run> textRuns(std::string_view text)
{
    std::vector<CellSortKey::Run> runs;
    std::u32string pending;
    auto endText = [&] {
        if (!pending.empty())
            runs.push_back({false, codePointsUtf8(pending)});
        pending.clear();
    };
    for (size_t i = 0; i < text.size();) {
        if (text[i] >= '0' && text[i] <= '9') {
            endText();
            size_t end = i;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9')
                ++end;
            size_t first = i;
            while (first + 1 < end && text[first] == '0')
                ++first;
            runs.push_back({true, std::string(text.substr(first, end - first))});
            i = end;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !(text[end] >= '0' && text[end] <= '9'))
            ++end;
        for (char32_t c : utf8CodePoints(text.substr(i, end - i)))
            pending.push_back(foldCase(c));
        i = end;
    }
    endText();
    return runs;
}

// Whether the locale orders text by a collation of its own rather than by
// code points.
bool localeCollates()
{
    const char* name = std::setlocale(LC_COLLATE, nullptr);
    if (!name)
        return false;
    const std::string_view locale(name);
    return !(locale == "C" || locale == "POSIX" || locale.substr(0, 2) == "C.");
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

int compareRuns(const CellSortKey::Run& a, const CellSortKey::Run& b, bool collates)
{
    if (a.digits != b.digits)
        return a.digits ? -1 : 1; // digits before letters, as every collation has them
    if (a.digits) {
        if (a.text.size() != b.text.size())
            return a.text.size() < b.text.size() ? -1 : 1;
        return sign(a.text.compare(b.text));
    }
    if (collates)
        return sign(std::strcoll(a.text.c_str(), b.text.c_str()));
    const std::u32string x = utf8CodePoints(a.text), y = utf8CodePoints(b.text);
    return sign(x.compare(y));
}

// Between texts equal but for letter case (or leading zeros): the first
// letter that differs decides, lower case first; then the bytes.
int caseTiebreak(const std::string& a, const std::string& b)
{
    const std::u32string x = utf8CodePoints(a), y = utf8CodePoints(b);
    for (size_t i = 0; i < x.size() && i < y.size(); ++i) {
        if (x[i] != y[i] && foldCase(x[i]) == foldCase(y[i]))
            return foldCase(x[i]) == x[i] ? -1 : 1;
    }
    return sign(a.compare(b));
}

int compareTexts(const CellSortKey& a, const CellSortKey& b)
{
    const bool collates = localeCollates();
    for (size_t i = 0; i < a.runs.size() && i < b.runs.size(); ++i) {
        if (const int c = compareRuns(a.runs[i], b.runs[i], collates))
            return c;
    }
    if (a.runs.size() != b.runs.size())
        return a.runs.size() < b.runs.size() ? -1 : 1;
    return caseTiebreak(a.text, b.text);
}

} // namespace

CellSortKey makeSortKey(SortType type, std::string_view cell)
{
    CellSortKey key;
    switch (type) {
    case SortType::Text:
        key.readable = true;
        key.text = cell;
        key.runs = textRuns(cell);
        break;
    case SortType::Number: {
        size_t end = 0;
        key.readable = true;
        key.number = leadingNumber(cell, end);
        break;
    }
    case SortType::Size: {
        size_t end = 0;
        key.readable = true;
        key.number = leadingNumber(cell, end);
        if (end > 0) {
            if (end < cell.size() && cell[end] == ' ')
                ++end;
            if (end < cell.size())
                key.number *= unitFactor(cell[end]);
        }
        break;
    }
    case SortType::Date: {
        std::array<std::string_view, 3> p;
        if (splitAt<2>(cell, '-', p)) {
            key.readable = true;
            for (size_t i = 0; i < 3; ++i)
                key.parts[i] = leadingInteger(p[i]);
        }
        break;
    }
    case SortType::MinutesSeconds:
        readMinutesSeconds(cell, key);
        break;
    case SortType::HoursMinutesSeconds:
        readHoursMinutesSeconds(cell, key);
        break;
    case SortType::Duration: {
        const size_t colon = cell.find(':');
        if (colon != std::string_view::npos && cell.find(':', colon + 1) != std::string_view::npos)
            readHoursMinutesSeconds(cell, key);
        else
            readMinutesSeconds(cell, key);
        break;
    }
    }
    return key;
}

int compareSortKeys(SortType type, const CellSortKey& a, const CellSortKey& b)
{
    if (a.readable != b.readable)
        return a.readable ? 1 : -1;
    if (!a.readable)
        return 0;
    switch (type) {
    case SortType::Text:
        return compareTexts(a, b);
    case SortType::Number:
    case SortType::Size:
        return threeWay(a.number, b.number);
    case SortType::Date:
        return threeWay(a.parts, b.parts);
    case SortType::MinutesSeconds:
    case SortType::HoursMinutesSeconds:
    case SortType::Duration:
        return threeWay(a.parts[0], b.parts[0]);
    }
    return 0;
}

int compareCells(SortType type, std::string_view a, std::string_view b)
{
    return compareSortKeys(type, makeSortKey(type, a), makeSortKey(type, b));
}

} // namespace sonivert
