#include "core/time_map.h"

#include <gtest/gtest.h>

namespace {

TEST(Signed_Time, ParsesWhatTheShiftDialogTakes) {
    const struct { const char16_t* text; bool ok; std::int64_t ms; } cases[] = {
        {u"2.5", true, 2500},                // seconds with a fraction
        {u"-1.200", true, -1200},
        {u"+0:01:02.345", true, 62345},      // hours, minutes, seconds
        {u"-0:00:00.040", true, -40},
        {u" 1:05 ", true, 65000},            // minutes and seconds, spaces around
        {u"90", true, 90000},                // whole seconds
        {u"0,5", true, 500},                 // a comma for the point
        {u"99:59:59.999", true, 359999999},  // the latest time a file holds
        {u"100:00:00", false, 0},            // past it
        {u"", false, 0},
        {u"-", false, 0},
        {u"1.2345", false, 0},               // four decimals
        {u"0:61:00", false, 0},              // a minute field past 59
        {u"1:5:00", true, 3900000},          // one-digit minutes
        {u"1:2:3:4", false, 0},
        {u"2.5s", false, 0},
        {u"--1", false, 0},
    };
    for (const auto& c : cases) {
        std::int64_t ms = 0;
        EXPECT_EQ(parse_signed_time(c.text, ms), c.ok) << c.ms;
        if (c.ok) {
            EXPECT_EQ(ms, c.ms);
        }
    }
    EXPECT_EQ(format_signed_time(-2500), u"-0:00:02.500");
    EXPECT_EQ(format_signed_time(62345), u"0:01:02.345");
}

TEST(Frame_Rates, NtscRatesAreExactRatios) {
    const struct { const char16_t* text; bool ok; std::uint64_t num, den; } cases[] = {
        {u"23.976", true, 24000, 1001},
        {u"29.97", true, 30000, 1001},
        {u"59.94", true, 60000, 1001},
        {u"25", true, 25, 1},
        {u"23.98", true, 2398, 100},  // not an NTSC rate as typed
        {u"0", false, 0, 1},
        {u"1000.5", false, 0, 1},
        {u"abc", false, 0, 1},
    };
    for (const auto& c : cases) {
        Frame_Rate rate;
        EXPECT_EQ(parse_frame_rate(c.text, rate), c.ok);
        if (c.ok) {
            EXPECT_TRUE(same_rate(rate, {c.num, c.den})) << rate.num << "/" << rate.den;
            EXPECT_EQ(format_frame_rate(rate), c.text);  // and back as typed
        }
    }
}

TEST(Time_Maps, WorkedExamples) {
    Frame_Rate pal, film;
    ASSERT_TRUE(parse_frame_rate(u"25", pal));
    ASSERT_TRUE(parse_frame_rate(u"23.976", film));
    Time_Map two_points;
    ASSERT_TRUE(Time_Map::through({{100000, 105000}, {10000, 12000}}, two_points));  // in any order
    Time_Map three_points;
    ASSERT_TRUE(Time_Map::through({{0, 1000}, {10000, 21000}, {20000, 26000}}, three_points));
    Time_Map one_point;
    ASSERT_TRUE(Time_Map::through({{5000, 2500}}, one_point));
    const Frame_Rate same{1, 1};
    const Time_Map cut = Time_Map::pieces(same, same, {{0, 1000}, {60000, -29000}});
    const Time_Map slowed_and_cut = Time_Map::pieces(pal, film, {{0, 0}, {3600000, -30000}});
    const struct { Time_Map map; std::uint64_t t; std::int64_t mapped; } cases[] = {
        {Time_Map::frame_rate(pal, film), 1000, 1043},        // 1,042.7
        {Time_Map::frame_rate(pal, film), 3600000, 3753750},  // exactly
        {Time_Map::frame_rate(film, pal), 3753750, 3600000},  // and back
        {two_points, 55000, 58500},                           // between the points
        {two_points, 0, 1667},                                // the first line extended
        {two_points, 200000, 208333},                         // the line extended past the last
        {one_point, 7000, 4500},                              // one point: a shift
        {three_points, 5000, 11000},                          // on the first line
        {three_points, 15000, 23500},                         // on the second
        {Time_Map::shift(-2500), 1000, -1500},                // below 0: for the caller to refuse
        {cut, 59999, 60999},                                  // before the cut: the first piece's shift
        {cut, 60000, 31000},                                  // from it on: the second's
        {Time_Map::pieces(same, same, {{5000, 700}}), 0, 700},  // before the first piece: its shift
        {Time_Map::pieces(pal, film, {}), 3600000, 3753750},  // no pieces: the change of rate alone
        {slowed_and_cut, 1000, 1043},                         // the rate changes in every piece
        {slowed_and_cut, 3600000, 3723750},                   // and the shift after it
    };
    for (const auto& c : cases) EXPECT_EQ(c.map(c.t), c.mapped) << c.t;

    Time_Map refused;
    EXPECT_FALSE(Time_Map::through({{10000, 12000}, {20000, 11000}}, refused));  // targets out of order
    EXPECT_FALSE(Time_Map::through({{10000, 12000}, {10000, 13000}}, refused));  // two points of one time
    EXPECT_FALSE(Time_Map::through({}, refused));
}

TEST(Retiming, StepsKeepTheDocumentSortedAndRefuseTimesOutOfRange) {
    const Sub_List list = {{1000, 2000, u"a"}, {3000, 4000, u"b"}, {5000, 6000, u"c"}, {7000, 8000, u"d"}};
    const struct {
        std::vector<std::size_t> rows;
        std::int64_t shift;
        std::size_t out_of_range;
        std::vector<std::size_t> in_place;  // subs re-timed where they are
        std::vector<std::size_t> removed_at, inserted_at, moved;
        const char16_t* order;  // the texts in order after the step
    } cases[] = {
        {{0, 1, 2, 3}, -1000, 0, {0, 1, 2, 3}, {}, {}, {}, u"abcd"},  // all: times alone change
        {{1}, 1000, 0, {1}, {}, {}, {}, u"abcd"},                     // up to "c"'s start: in place
        {{1}, 3000, 0, {}, {1}, {2}, {0, 2, 1, 3}, u"acbd"},          // past "c": moves after it
        {{1}, 4000, 0, {}, {1}, {2}, {0, 2, 1, 3}, u"acbd"},          // "d"'s start: before it, as it was
        {{2, 3}, -5000, 0, {}, {2, 3}, {0, 2}, {1, 3, 0, 2}, u"cadb"}, // moved among the others
        {{0, 1, 2, 3}, -1500, 1, {}, {}, {}, {}, u"abcd"},           // "a" would start before 0
        {{3}, 0, 0, {}, {}, {}, {}, u"abcd"},                         // nothing changes
    };
    for (const auto& c : cases) {
        const Retiming r = retime(list, c.rows, Time_Map::shift(c.shift), u"shift times");
        std::vector<std::size_t> in_place;
        for (const Time_Change& t : r.step.retimed) in_place.push_back(t.at);
        EXPECT_EQ(r.out_of_range, c.out_of_range);
        EXPECT_EQ(in_place, c.in_place) << c.shift;
        EXPECT_EQ(r.step.removed_at, c.removed_at) << c.shift;
        EXPECT_EQ(r.step.inserted_at, c.inserted_at) << c.shift;
        EXPECT_EQ(r.moved, c.moved) << c.shift;
        EXPECT_EQ(r.step.keeps_selection, !c.in_place.empty()) << c.shift;
        Sub_List after = list;
        ASSERT_TRUE(apply_step(after, r.step, true));
        std::u16string order;
        for (const Sub_Item& sub : after) order += sub.text;
        EXPECT_EQ(order, c.order) << c.shift;
        for (const Time_Change& t : r.step.retimed) EXPECT_EQ(after[t.at].start, list[t.at].start + c.shift);
        ASSERT_TRUE(apply_step(after, r.step, false));
        EXPECT_TRUE(lists_equal(after, list)) << c.shift;
    }
    // A step that does not fit the document leaves it as it is.
    Retiming r = retime(list, {0, 1}, Time_Map::shift(500), u"shift times");
    Sub_List other = list;
    other[1].start = 3001;
    EXPECT_FALSE(apply_step(other, r.step, true));
    EXPECT_EQ(other[0].start, 1000u);
}

}  // namespace
