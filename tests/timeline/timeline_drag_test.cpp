#include "timeline/timeline_drag.h"

#include <gtest/gtest.h>

#include "core/sub_item.h"

namespace {

Sub_List subs_of(std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> times) {
    Sub_List list;
    for (auto [s, e] : times) list.push_back(Sub_Item{s, e, u"x"});
    return list;
}

using Times = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

Times times_of(const Sub_List& subs) {
    Times times;
    for (const Sub_Item& sub : subs) times.push_back({sub.start, sub.end});
    return times;
}

const char* name(Drag_Zone z) {
    switch (z) {
    case Drag_Zone::none: return "none";
    case Drag_Zone::start_edge: return "start";
    case Drag_Zone::end_edge: return "end";
    case Drag_Zone::body: return "body";
    }
    return "?";
}

TEST(TimelineDrag, Zones) {
    const struct { int x, x1, x2; Drag_Zone want; } cases[] = {
        {100, 100, 200, Drag_Zone::start_edge},  // on the start
        {96, 100, 200, Drag_Zone::start_edge},   // the grip reaches 4 px outside
        {95, 100, 200, Drag_Zone::none},         // and no further
        {104, 100, 200, Drag_Zone::start_edge},  // 4 px inside
        {105, 100, 200, Drag_Zone::body},        // past the grip: the body
        {150, 100, 200, Drag_Zone::body},
        {196, 100, 200, Drag_Zone::end_edge},    // 4 px inside the end
        {204, 100, 200, Drag_Zone::end_edge},    // 4 px outside it
        {205, 100, 200, Drag_Zone::none},
        {102, 100, 109, Drag_Zone::start_edge},  // a 9 px block: edges of (9 - 1) / 3 = 2 px inside
        {103, 100, 109, Drag_Zone::body},        // and the body between
        {106, 100, 109, Drag_Zone::body},
        {107, 100, 109, Drag_Zone::end_edge},
        {101, 100, 103, Drag_Zone::body},        // a 3 px block still has a body
        {100, 100, 103, Drag_Zone::start_edge},
        {103, 100, 103, Drag_Zone::end_edge},
        {100, 100, 100, Drag_Zone::start_edge},  // no width: on it, the start
        {101, 100, 100, Drag_Zone::end_edge},    // right of it, the end
        {99, 100, 100, Drag_Zone::start_edge},
        {100, 100, 90, Drag_Zone::start_edge},   // an end before its start counts as no width
    };
    for (const auto& c : cases)
        EXPECT_STREQ(name(drag_zone(c.x, c.x1, c.x2)), name(c.want)) << c.x << " in " << c.x1 << "-" << c.x2;
}

TEST(TimelineDrag, FindHit) {
    // 800 px over 10,000 ms (0.08 px/ms): blocks at 80-160, 160-240 (touching) and 400-480.
    const Sub_List subs = subs_of({{1000, 2000}, {2000, 3000}, {5000, 6000}});
    const Timeline_View view{39999, 10000, 0};
    const struct { int x; std::size_t index; Drag_Zone zone; } cases[] = {
        {120, 0, Drag_Zone::body},
        {160, 0, Drag_Zone::end_edge},     // the shared x: the lower number's end, as a click hits it
        {162, 1, Drag_Zone::start_edge},   // inside the second: its start
        {78, 0, Drag_Zone::start_edge},    // outside, within the grip
        {484, 2, Drag_Zone::end_edge},
        {300, no_position, Drag_Zone::none},
    };
    for (const auto& c : cases) {
        const Drag_Hit hit = find_drag_hit(subs, c.x, 800, view);
        EXPECT_EQ(hit.index, c.index) << c.x;
        EXPECT_STREQ(name(hit.zone), name(c.zone)) << c.x;
    }
    EXPECT_EQ(find_drag_hit({}, 120, 800, view).index, no_position);     // no subs
    EXPECT_EQ(find_drag_hit(subs, 120, 0, view).index, no_position);     // no width
}

TEST(TimelineDrag, TargetsAndSteps) {
    const Sub_List subs = subs_of({{1000, 2000}, {2500, 3000}, {3200, 4000}, {9000, 9500}});
    Snap_Rules rules;
    rules.reach = 60;
    rules.playhead = 7777;
    // Around 2520: the subs that start before 2460 (only 0) and those that start up to 2580 (1).
    EXPECT_EQ(snap_targets(subs, 2520, rules, {}), (std::vector<std::uint64_t>{7777, 1000, 2000, 2500, 3000}));
    // The dragged sub is left out; the one before it takes its place.
    EXPECT_EQ(snap_targets(subs, 3220, rules, {2}), (std::vector<std::uint64_t>{7777, 2500, 3000, 1000, 2000}));
    const struct { std::int64_t t; std::uint64_t reach; bool caught; std::uint64_t at; } nearest[] = {
        {2040, 60, true, 2000},   // 40 ms from an end
        {2060, 60, true, 2000},   // at the reach exactly
        {2061, 60, false, 0},     // just beyond
        {2480, 60, true, 2500},   // nearer the start of 2 than anything else
        {7800, 60, true, 7777},   // the playhead
    };
    for (const auto& c : nearest) {
        std::uint64_t at = 0;
        EXPECT_EQ(nearest_target(c.t, {7777, 1000, 2000, 2500, 3000}, c.reach, at), c.caught) << c.t;
        if (c.caught) {
            EXPECT_EQ(at, c.at) << c.t;
        }
    }
    const struct { std::int64_t t; std::uint64_t step; std::uint64_t want; } steps[] = {
        {1249, 100, 1200},
        {1250, 100, 1300},                  // halves up
        {-30, 100, 0},                      // never below 0
        {359999990, 100, max_srt_time},     // never past the last time a file holds
        {1234, 0, 1234},                    // no step
    };
    for (const auto& c : steps) EXPECT_EQ(round_to_step(c.t, c.step), c.want) << c.t;
    EXPECT_EQ(pointer_moved_ms(100, 140, 800, 10000), 500);   // 40 px at 12.5 ms/px
    EXPECT_EQ(pointer_moved_ms(140, 100, 800, 10000), -500);
    EXPECT_EQ(snap_reach_ms(800, 10000), 63u);                // 5 px
    EXPECT_EQ(snap_reach_ms(800, 20), 1u);                    // at least 1 ms
}

TEST(TimelineDrag, Times) {
    // Neighbours: 1000-2000, the grabbed sub 2500-3000 (index 1), 3260-4000.
    const Sub_List subs = subs_of({{1000, 2000}, {2500, 3000}, {3260, 4000}});
    const std::vector<std::size_t> dragged{1};
    const auto origin = [](Drag_Kind kind, std::uint64_t s, std::uint64_t e) {
        return Drag_Origin{kind, s, e, s, e};
    };
    const Drag_Origin start = origin(Drag_Kind::start_edge, 2500, 3000);
    const Drag_Origin end = origin(Drag_Kind::end_edge, 2500, 3000);
    const Drag_Origin body = origin(Drag_Kind::body, 2500, 3000);
    const struct { Drag_Origin origin; std::int64_t moved; bool snap; std::uint64_t playhead; Drag_Times want;
                   const char* what; } cases[] = {
        {start, -130, true, 0, {2400, 3000}, "start on the snap step (2370 -> 2400)"},
        {start, -470, true, 0, {2000, 3000}, "start drawn to the previous end 30 ms away"},
        {start, -470, false, 0, {2030, 3000}, "Alt: the pointer's time as it is"},
        {start, -130, true, 2380, {2380, 3000}, "start drawn to the playhead"},
        {start, 900, true, 0, {3000, 3000}, "the start stops at the end"},
        {start, -5000, true, 0, {0, 3000}, "nor below 0"},
        {end, 230, true, 0, {2500, 3260}, "end drawn to the next start 30 ms away"},
        {end, 130, true, 0, {2500, 3100}, "end on the step"},
        {end, -900, true, 0, {2500, 2500}, "the end stops at the start"},
        {end, 400000000, false, 0, {2500, max_srt_time}, "nor past the last time a file holds"},
        {body, 130, true, 0, {2600, 3100}, "a body's start on the step, its length kept"},
        {body, 232, true, 0, {2760, 3260}, "its end drawn to the next start"},
        {body, -470, true, 0, {2000, 2500}, "its start drawn to the previous end"},
        {body, 1130, true, 3590, {3590, 4090}, "the playhead draws its start"},
        {body, 233, false, 0, {2733, 3233}, "Alt: by the pointer's move"},
        {body, -9000, true, 0, {0, 500}, "stops at 0"},
        {body, 400000000, true, 0, {max_srt_time - 500, max_srt_time}, "stops at the last time"},
        {origin(Drag_Kind::create, 5010, 5010), -1030, true, 0, {4000, 5000}, "create backwards: both ends land"},
        {origin(Drag_Kind::create, 5010, 5010), 1490, true, 0, {5000, 6500}, "create forwards"},
    };
    for (const auto& c : cases) {
        Snap_Rules rules{c.snap, 100, 63, c.playhead};
        const Drag_Times got = drag_times(c.origin, c.moved, rules, subs, dragged);
        EXPECT_EQ(got.start, c.want.start) << c.what;
        EXPECT_EQ(got.end, c.want.end) << c.what;
    }
    // A group moves by its grabbed sub's move, and stops when its earliest sub reaches 0.
    Drag_Origin group{Drag_Kind::body, 2500, 3000, 1000, 3000};
    EXPECT_EQ(drag_times(group, -2000, Snap_Rules{true, 100, 63, 0}, subs, {0, 1}), (Drag_Times{1500, 2000}));
}

TEST(TimelineDrag, PlaceKeepsTheDocumentSortedAndTheSetOnItsSubs) {
    // Two selected subs (0 and 1) dragged by 3000 ms: the second passes 2 and 3, the first 2.
    Sub_List subs = subs_of({{1000, 2000}, {2500, 3000}, {3200, 3600}, {4100, 4500}, {9000, 9100}});
    const Sub_List before{subs[0], subs[1]};
    std::vector<std::size_t> set{0, 1};
    std::vector<std::pair<std::size_t, std::size_t>> moves;
    const auto record = [&moves](std::size_t f, std::size_t t) { moves.push_back({f, t}); };
    ASSERT_TRUE(place_dragged(subs, set, before, 1, Drag_Kind::body, {5500, 6000}, record));
    EXPECT_EQ(times_of(subs), (Times{{3200, 3600}, {4000, 5000}, {4100, 4500}, {5500, 6000}, {9000, 9100}}));
    EXPECT_EQ(set, (std::vector<std::size_t>{1, 3}));
    // The right one first: the left one then passes what it passed.
    EXPECT_EQ(moves, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 3}, {0, 1}}));
    // Back part of the way (from where they are now, leftwards): the left one first.
    moves.clear();
    ASSERT_TRUE(place_dragged(subs, set, before, 1, Drag_Kind::body, {3500, 4000}, record));
    EXPECT_EQ(times_of(subs), (Times{{2000, 3000}, {3200, 3600}, {3500, 4000}, {4100, 4500}, {9000, 9100}}));
    EXPECT_EQ(set, (std::vector<std::size_t>{0, 2}));
    // The same times again change nothing.
    EXPECT_FALSE(place_dragged(subs, set, before, 1, Drag_Kind::body, {3500, 4000}, record));
    // An edge changes only the grabbed sub, and a start goes to its place.
    std::vector<std::size_t> one{4};
    const Sub_List last{subs[4]};
    ASSERT_TRUE(place_dragged(subs, one, last, 0, Drag_Kind::start_edge, {100, 9100}, record));
    EXPECT_EQ(times_of(subs).front(), (std::pair<std::uint64_t, std::uint64_t>{100, 9100}));
    EXPECT_EQ(one, std::vector<std::size_t>{0});
    ASSERT_TRUE(place_dragged(subs, one, last, 0, Drag_Kind::end_edge, {100, 9900}, record));
    EXPECT_EQ(subs.front().end, 9900u);
    EXPECT_EQ(one, std::vector<std::size_t>{0});
    // A creation changes no sub; nor does a set that names none.
    EXPECT_FALSE(place_dragged(subs, one, last, 0, Drag_Kind::create, {1, 2}, record));
    std::vector<std::size_t> gone{9};
    EXPECT_FALSE(place_dragged(subs, gone, last, 0, Drag_Kind::body, {1, 2}, record));
}

}  // namespace
