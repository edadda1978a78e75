// Cell texts of a row and the column sorts built on them.

#include "filelist/filelistmodel.h"
#include "filelist/rowformat.h"
#include "filelist/sortcompare.h"
#include "tests/support/testlocale.h"

#include <gtest/gtest.h>

#include <clocale>

namespace sonivert {
namespace {

TEST(RowTextTest, DurationHasMinutesBelowAnHourAndHoursFromThen)
{
    const std::pair<uint32_t, const char*> cases[] = {
        {0, ""}, {5, "00:05"}, {3599, "59:59"}, {3600, "1:00:00"}, {3723, "1:02:03"}, {360000, "100:00:00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(durationText(seconds), text) << seconds;
}

TEST(RowTextTest, ChannelsShowModeForMp3AndCountOtherwise)
{
    const struct {
        InputTypeCode code;
        int32_t count;
        ChannelMode mode;
        const char* text;
    } cases[] = {
        {kInputMp3, 2, ChannelMode::JointStereo, "J-Stereo"}, {kInputMp3, 2, ChannelMode::NotMpeg, ""},
        {kInputWav, 0, ChannelMode::Stereo, "Mono"},          {kInputOther, 4, ChannelMode::NotMpeg, "4"},
        {kInputOgg, 6, ChannelMode::NotMpeg, "5.1"},
    };
    for (const auto& c : cases) {
        FileEntry entry{.channelCount = c.count, .channelMode = c.mode, .inputType = c.code};
        EXPECT_EQ(channelsText(entry), c.text) << c.code << " " << c.count;
    }
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

TEST(CellCompareTest, EachSortTypeReadsItsForm)
{
    using T = SortType;
    const struct {
        SortType type;
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {T::Text, "abc", "abd", -1},
        {T::Number, "44100 Hz", "8000 Hz", 1}, // by value, not as text
        {T::Number, "1e3", "999", 1},
        {T::Number, "kbps", "0", 0}, // no number reads 0
        {T::Number, "nan", "0", 0},  // and so does NaN, which would order nothing
        {T::Size, "1K", "1000", 1},
        {T::Size, "1g", "1024 m", 0},
        {T::Date, "2023-12-31", "2024-1-1", -1},
        {T::Date, "2024-01", "1999-1-1", -1}, // without two '-' it sorts first
        {T::MinutesSeconds, "1:05", "0:70", -1},
        {T::HoursMinutesSeconds, "59:59", "0:00:01", -1},
        {T::Duration, "59:59", "1:00:00", -1},
        {T::Duration, "", "00:01", -1},
        {T::Duration, "", "", 0},
        {T::Duration, "99999999999999999999:0", "1:0", 1}, // clamped, no overflow
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sign(compareCells(c.type, c.a, c.b)), c.expected) << int(c.type) << " '" << c.a << "' '" << c.b << "'";
        EXPECT_EQ(sign(compareCells(c.type, c.b, c.a)), -c.expected) << int(c.type) << " reversed";
    }
}

// Names sort as people expect, in the C locale (a process without one) and
// under a real one: letters without regard to case, case only between
// otherwise equal names (lower case first), numbers by their value.
TEST(CellCompareTest, TextsSortAsPeopleOrderNames)
{
    const std::vector<std::string> ordered = {"01.wav",       "1.wav",         "2.wav",       "10.wav",
                                              "apple.wav",    "Apple.wav",     "banana.wav",  "track 2.wav",
                                              "track 10.wav", "Track 11.wav",  "zebra.wav",   "Zebra.wav"};
    auto check = [&](const char* locale) {
        SCOPED_TRACE(locale);
        for (size_t i = 0; i < ordered.size(); ++i) {
            for (size_t j = 0; j < ordered.size(); ++j) {
                EXPECT_EQ(sign(compareCells(SortType::Text, ordered[i], ordered[j])), (i > j) - (i < j))
                    << ordered[i] << " / " << ordered[j];
            }
        }
    };
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    check("C");
    std::setlocale(LC_ALL, previous.c_str());
    const test::ScopedGermanLocale german;
    if (!german.active())
        GTEST_SKIP() << german.why();
    check("de_DE.UTF-8");
    // Only the locale knows that an umlaut sorts with its letter.
    EXPECT_LT(compareCells(SortType::Text, "\xC3\x84pfel.wav", "Birne.wav"), 0);
}

// A sort is only well-defined over a strict weak ordering; cells without a
// value (an empty Duration) must not break it.
TEST(CellCompareTest, EveryTypeIsAStrictWeakOrderingOverMixedCells)
{
    const std::vector<std::string> cells = {"",  "00:05", "59:59", "1:00:00", "nan", "inf", "-inf", "1e400", "12",
                                            "2K", "2 k",  "x",     "a-b",     "1-2-3", "1-2", "::",  ":",    "5:",
                                            ":5", "1:2:3:4", "-",  " 7",      "44100 Hz", "Mono", "5.1"};
    for (int t = 0; t <= static_cast<int>(SortType::Duration); ++t) {
        const auto type = static_cast<SortType>(t);
        auto less = [&](const std::string& a, const std::string& b) { return compareCells(type, a, b) < 0; };
        auto same = [&](const std::string& a, const std::string& b) { return !less(a, b) && !less(b, a); };
        for (const auto& a : cells) {
            ASSERT_FALSE(less(a, a));
            for (const auto& b : cells) {
                for (const auto& c : cells) {
                    if ((less(a, b) && less(b, c) && !less(a, c)) || (same(a, b) && same(b, c) && !same(a, c)))
                        FAIL() << t << " '" << a << "' '" << b << "' '" << c << "'";
                }
            }
        }
    }
}

class ModelSortTest : public ::testing::Test {
protected:
    void add(const std::string& name, uint32_t seconds, int32_t rate = 0, int32_t kbps = 0)
    {
        ASSERT_GE(list.AddRow({.sourcePath = "/music/" + name, .sampleRate = rate, .bitrateKbps = kbps,
                               .durationSeconds = seconds}),
                  0);
    }
    std::vector<std::string> column(int32_t c) const
    {
        std::vector<std::string> out;
        for (int32_t r = 0; r < list.rowCount(); ++r)
            out.push_back(c >= 0 ? list.cellText(r, c) : list.entry(r)->sourcePath.substr(7));
        return out;
    }
    using Texts = std::vector<std::string>;
    FileListModel list;
};

TEST_F(ModelSortTest, DurationSortsByTimeWithEmptyCellsFirstAndStable)
{
    const std::pair<const char*, uint32_t> rows[] = {{"a", 3600}, {"b", 0},    {"c", 3599}, {"d", 3723},
                                                     {"e", 0},    {"f", 3540}, {"g", 5}};
    for (const auto& [name, seconds] : rows)
        add(name, seconds);

    list.SortByColumn(kColumnDuration, true);
    EXPECT_EQ(column(kColumnDuration), (Texts{"", "", "00:05", "59:00", "59:59", "1:00:00", "1:02:03"}));
    EXPECT_EQ(column(-1), (Texts{"b", "e", "g", "f", "c", "a", "d"})); // entries move with their rows
    list.SortByColumn(kColumnDuration, false);
    EXPECT_EQ(column(-1), (Texts{"d", "a", "c", "f", "g", "b", "e"})); // equal cells keep their order
}

TEST_F(ModelSortTest, NumberColumnsSortByValueNotText)
{
    add("a", 1, 44100, 1411);
    add("b", 1, 8000, 64);
    add("c", 1, 0, 0);
    add("d", 1, 22050, 320);
    list.SortByColumn(kColumnFreq, true);
    EXPECT_EQ(column(kColumnFreq), (Texts{"", "8000 Hz", "22050 Hz", "44100 Hz"}));
    list.SortByColumn(kColumnBitRate, false);
    EXPECT_EQ(column(kColumnBitRate), (Texts{"1411 kbps", "320 kbps", "64 kbps", ""}));
}

TEST_F(ModelSortTest, ColumnClicksToggleOnlyTheSortedColumn)
{
    add("b.wav", 1, 0, 64);
    add("a.wav", 2, 0, 128);
    add("c.wav", 3, 0, 32);
    const struct {
        int32_t column;
        bool ascending;
        Texts files;
    } clicks[] = {
        {kColumnFile, true, {"a.wav", "b.wav", "c.wav"}},
        {kColumnFile, false, {"c.wav", "b.wav", "a.wav"}},
        {kColumnFile, true, {"a.wav", "b.wav", "c.wav"}},    // the same column after a descending sort
        {kColumnBitRate, true, {"c.wav", "b.wav", "a.wav"}}, // another column starts ascending
        {kColumnBitRate, false, {"a.wav", "b.wav", "c.wav"}},
    };
    for (const auto& click : clicks) {
        list.columnClicked(click.column);
        EXPECT_EQ(list.sortColumn(), click.column);
        EXPECT_EQ(list.sortAscending(), click.ascending);
        EXPECT_EQ(column(kColumnFile), click.files);
    }
}

} // namespace
} // namespace sonivert
