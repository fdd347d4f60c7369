#include "core/sub_item.h"

#include <gtest/gtest.h>

#include "io/strings.h"

namespace {

TEST(Timecode, SplitsMilliseconds) {
    const struct { std::uint64_t t; std::uint16_t h, m, s, ms; } cases[] = {
        {0, 0, 0, 0, 0},                       // zero
        {3599999, 0, 59, 59, 999},             // last millisecond of the first hour
        {3600000, 1, 0, 0, 0},                 // one hour
        {75500, 0, 1, 15, 500},                // seconds carry into minutes
        {362439999, 100, 40, 39, 999},         // the largest readable time, 99:99:99,999
        {65536ull * 3600000 + 61001, 0, 1, 1, 1},  // hours keep their low 16 bits
    };
    for (const auto& c : cases) {
        const Timecode tc = ms_to_timecode(c.t);
        EXPECT_EQ(tc.hours, c.h) << c.t;
        EXPECT_EQ(tc.minutes, c.m) << c.t;
        EXPECT_EQ(tc.seconds, c.s) << c.t;
        EXPECT_EQ(tc.milliseconds, c.ms) << c.t;
    }
}

TEST(Timecode, JoinsFields) {
    const struct { std::uint32_t h, m, s, ms; std::uint64_t t; } cases[] = {
        {0, 0, 0, 0, 0},               // zero
        {1, 2, 3, 4, 3723004},         // every field counts
        {0, 0, 75, 0, 75000},          // seconds above 59 are added
        {0, 99, 0, 0, 5940000},        // minutes above 59 are added
        {99, 99, 99, 999, 362439999},  // the largest readable time
    };
    for (const auto& c : cases)
        EXPECT_EQ(timecode_to_ms(c.h, c.m, c.s, c.ms), c.t) << c.h << ":" << c.m << ":" << c.s << "," << c.ms;
}

TEST(TimeTexts, FixedForms) {
    const struct { std::uint64_t t; const char16_t* clock; const char16_t* srt; const char16_t* hms; const char16_t* dur; } cases[] = {
        {0, u"0:00:00.000", u"00:00:00,000", u"0:00:00", u"00.000"},                 // zero
        {65250, u"0:01:05.250", u"00:01:05,250", u"0:01:05", u"05.250"},             // the example time
        {3599999, u"0:59:59.999", u"00:59:59,999", u"0:59:59", u"59.999"},           // just below an hour
        {3600000, u"1:00:00.000", u"01:00:00,000", u"1:00:00", u"00.000"},           // one hour
        {5527000, u"1:32:07.000", u"01:32:07,000", u"1:32:07", u"07.000"},           // video length example
        {360000000, u"100:00:00.000", u"100:00:00,000", u"100:00:00", u"00.000"},    // three hour digits
    };
    for (const auto& c : cases) {
        const Timecode tc = ms_to_timecode(c.t);
        EXPECT_EQ(format_clock_time(tc), c.clock) << c.t;
        EXPECT_EQ(format_srt_time(tc), c.srt) << c.t;
        EXPECT_EQ(format_hms(tc), c.hms) << c.t;
        EXPECT_EQ(format_duration(tc), c.dur) << c.t;
    }
}

TEST(TimeTexts, DurationShowsSecondsWithinMinute) {
    const struct { std::uint64_t start, end; const char16_t* text; } cases[] = {
        {1000, 62250, u"01.250"},  // 61.25 s: the minute is not shown
        {0, 75500, u"15.500"},     // 75.5 s
        {1000, 5500, u"04.500"},   // plain seconds
        {2000, 2000, u"00.000"},   // zero length
    };
    for (const auto& c : cases)
        EXPECT_EQ(format_duration(Sub_Item{c.start, c.end, u""}), c.text) << c.start << ".." << c.end;
}

TEST(TimeTexts, SubNumber) {
    const struct { std::size_t n; const char16_t* text; } cases[] = {
        {1, u"0001"},       // padded to four digits
        {7, u"0007"},       // example
        {9999, u"9999"},    // widest padded
        {12345, u"12345"},  // more digits are kept
    };
    for (const auto& c : cases)
        EXPECT_EQ(format_sub_number(c.n), c.text) << c.n;
}

TEST(SubItem, LinesShownOnOneLine) {
    std::u16string shown = Sub_Item{0, 1, u"one\r\ntwo\r\nthree"}.text;
    replace_all(shown, u"\r\n", u"|");
    EXPECT_EQ(shown, u"one|two|three");
}

}  // namespace
