#include "timeline/timeline_view.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

Sub_List subs_of(std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> times) {
    Sub_List list;
    for (auto [s, e] : times) list.push_back(Sub_Item{s, e, u"x"});
    return list;
}

TEST(TimelineView, ClampsLikeTheScrollBar) {
    const struct { std::int64_t start; std::int32_t range_end; std::uint32_t span; std::int32_t want; } cases[] = {
        {-5, 999, 250, 0},        // below the minimum
        {900, 999, 250, 750},     // past max - page + 1
        {750, 999, 250, 750},     // exactly the last position
        {100, 999, 250, 100},     // inside
        {10, 99, 500, 0},         // page wider than the range
    };
    for (const auto& c : cases)
        EXPECT_EQ(clamp_view_start(c.start, c.range_end, c.span), c.want) << c.start;
}

TEST(TimelineView, TimeToX) {
    const float scale = view_scale(800, 2000);  // 0.4 px/ms
    const struct { std::uint64_t t; std::int32_t start; std::int32_t want; } cases[] = {
        {1000, 1000, 0},      // left edge
        {3000, 1000, 800},    // right edge
        {0, 1000, -400},      // left of the view: negative
        {1001, 1000, 0},      // 0.4 rounds down
        {1004, 1000, 2},      // 1.6 rounds up
    };
    for (const auto& c : cases) EXPECT_EQ(time_to_x(c.t, c.start, scale), c.want) << c.t;
    // Half away from zero on both sides (scale 0.5 px/ms).
    EXPECT_EQ(time_to_x(5, 0, 0.5f), 3);
    EXPECT_EQ(time_to_x(0, 5, 0.5f), -3);
    EXPECT_EQ(view_scale(0, 900000), 0.0f);   // no width
    EXPECT_EQ(view_scale(800, 0), 0.0f);      // no span
}

TEST(TimelineView, RulerStep) {
    const struct { std::uint64_t min_step; std::uint64_t want; } cases[] = {
        {73125, 120000},      // 800 px over 900000 ms: two minutes
        {163, 200},           // 800 px over 2000 ms
        {7200000, 7200000},   // the first entry exactly
        {9000000, 14400000},  // above the table: multiples of two hours
        {60000, 60000},       // an entry exactly
        {61000, 120000},      // just above an entry: rounded up to its next multiple
        {2, 2},               // the last entry
        {3, 4},               // rounded up to a multiple of 2
        {1, 1},               // below the table: the minimum itself
        {0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ruler_step(c.min_step), c.want) << c.min_step;
    EXPECT_EQ(min_label_step(view_scale(800, 900000)), 73125u);
    EXPECT_EQ(min_label_step(view_scale(800, 2000)), 163u);
    EXPECT_EQ(min_label_step(0.0f), 0u);
}

TEST(TimelineView, FirstRulerTime) {
    const struct { std::int32_t start; std::uint64_t step; std::uint64_t want; } cases[] = {
        {0, 200, 0},          // at 0: nothing before it
        {1000, 200, 800},     // a multiple: one step back
        {1050, 200, 1000},    // rounded up to 1200, then back to 1000
        {150, 200, 0},        // rounded up to 200, one back is 0
        {0, 0, 0},            // no step
    };
    for (const auto& c : cases) EXPECT_EQ(first_ruler_time(c.start, c.step), c.want) << c.start;
}

TEST(TimelineView, RulerLabelForms) {
    const struct { std::uint64_t t; std::uint64_t step; const char* want; } cases[] = {
        {3720000, 120000, "1:02"},          // hours and minutes
        {3600000, 60000, "1:00"},           // smallest step of that form
        {65000, 5000, "0:01:05"},           // hours, minutes, seconds
        {1000, 1000, "0:00:01"},
        {1200, 200, "0:00:01.2"},           // tenths
        {59900, 100, "0:00:59.9"},
        {1250, 50, "0:00:01.250"},          // milliseconds
        {3599998, 2, "0:59:59.998"},
    };
    for (const auto& c : cases) EXPECT_EQ(narrow(ruler_label(c.t, c.step)), c.want) << c.t;
}

TEST(TimelineView, FirstVisibleSub) {
    const Sub_List subs = subs_of({{1000, 2000}, {3000, 4000}, {5000, 6000}});
    const struct { std::int32_t start; std::size_t want; } cases[] = {
        {0, 0},         // first sub starts in view: nothing before it
        {1000, 0},      // exactly the first start
        {2500, 0},      // the sub that began left of the view
        {3000, 0},      // lower bound 1, one back
        {3001, 1},
        {9000, 2},      // every sub starts before the view: the last
    };
    for (const auto& c : cases) EXPECT_EQ(first_visible_sub(subs, c.start), c.want) << c.start;
    EXPECT_EQ(first_visible_sub(Sub_List{}, 100), 0u);
}

TEST(TimelineView, TouchesNext) {
    const Sub_List subs = subs_of({{0, 1000}, {1000, 1500}, {1600, 1700}, {1650, 2000}});
    EXPECT_TRUE(touches_next(subs, 0));    // end equals the next start
    EXPECT_FALSE(touches_next(subs, 1));   // a gap
    EXPECT_TRUE(touches_next(subs, 2));    // overlap
    EXPECT_FALSE(touches_next(subs, 3));   // the last sub
}

TEST(TimelineView, StartsPastView) {
    const Timeline_View view{99999, 1000, 500};
    EXPECT_FALSE(starts_past_view(Sub_Item{1498, 2000, u""}, view));
    EXPECT_TRUE(starts_past_view(Sub_Item{1499, 2000, u""}, view));  // start >= 500 + 1000 - 1
}

TEST(TimelineView, ZoomLimits) {
    std::uint32_t span = 0;
    const struct { std::uint32_t span; std::int32_t range_end; bool in; bool ok; std::uint32_t want; } cases[] = {
        {900000, 3599999, true, true, 720000},    // the documented example
        {900000, 3599999, false, true, 1080000},
        {24, 3599999, true, true, 20},            // 24 - 5 = 19: held at 20
        {21, 3599999, true, true, 20},
        {20, 3599999, true, false, 0},            // cannot get narrower
        {20, 3599999, false, true, 24},
        {3000000, 3599999, false, true, 3600000}, // held at the whole range
        {3600000, 3599999, false, true, 3600000},
        {3, 3599999, false, true, 20},            // step of at least 1, then the minimum of 20
    };
    for (const auto& c : cases) {
        span = 0;
        EXPECT_EQ(zoom_span(c.span, c.range_end, c.in, span), c.ok) << c.span;
        if (c.ok) {
            EXPECT_EQ(span, c.want) << c.span;
        }
    }
}

TEST(TimelineView, ZoomAroundPlayhead) {
    const struct { Timeline_View view; std::uint64_t playhead; bool in; Timeline_View want; } cases[] = {
        {{3599999, 900000, 0}, 1000000, true, {3599999, 720000, 640000}},       // centred on the playhead
        {{3599999, 900000, 0}, 100, true, {3599999, 720000, 0}},                // near 0: clamped to 0
        {{3599999, 900000, 2700000}, 3599000, true, {3599999, 720000, 2880000}}, // near the end
        {{3599999, 20, 500}, 510, true, {3599999, 20, 500}},                    // at the limit: unchanged
    };
    for (const auto& c : cases) {
        const Timeline_View got = zoom_view(c.view, c.playhead, c.in);
        EXPECT_EQ(got.view_span, c.want.view_span) << c.playhead;
        EXPECT_EQ(got.view_start, c.want.view_start) << c.playhead;
    }
}

TEST(TimelineView, PlayheadFromClick) {
    const Timeline_View view{3599999, 2000, 1000};
    const struct { int x; int width; std::uint64_t want; } cases[] = {
        {0, 800, 1000},      // left edge
        {400, 800, 2000},    // middle
        {800, 800, 3000},    // right edge
        {1, 800, 1003},      // 2.5 ms rounds away from zero
        {-8, 800, 980},      // left of the client (a captured click)
        {100, 0, 1000},      // no width: the view's start
    };
    for (const auto& c : cases) EXPECT_EQ(playhead_from_x(c.x, c.width, view), c.want) << c.x;
    EXPECT_EQ(playhead_from_x(-800, 800, Timeline_View{3599999, 2000, 0}), 0u);  // never below 0
}

TEST(TimelineView, HomeAndEnd) {
    const struct { bool end; bool ctrl; std::uint64_t playhead; std::int32_t view_start; } cases[] = {
        {false, false, 10000, 10000},       // left edge, view unchanged
        {true, false, 19999, 10000},        // right edge
        {false, true, 0, 0},                // range start
        {true, true, 99999, 89999},         // range end, view at range_end - span
    };
    for (const auto& c : cases) {
        Timeline_View view{99999, 10000, 10000};
        std::uint64_t playhead = 12345;
        home_end(view, playhead, c.end, c.ctrl);
        EXPECT_EQ(playhead, c.playhead) << c.end << c.ctrl;
        EXPECT_EQ(view.view_start, c.view_start) << c.end << c.ctrl;
    }
}

TEST(TimelineView, PageKeys) {
    const struct { std::int32_t view_start; std::uint64_t playhead; bool forward; std::uint64_t want_playhead;
                   std::int32_t want_start; bool moved; } cases[] = {
        {10000, 15000, true, 15500, 10000, false},   // stays inside the view
        {10000, 19999, true, 20499, 19499, true},    // from the right edge: at 10 % of the width
        {10000, 10000, false, 9500, 500, true},      // from the left edge: at 90 %
        {0, 300, false, 0, 0, false},                // held at 0
        {90000, 99800, true, 99999, 90000, false},   // held at range_end; the view is already at the end
    };
    for (const auto& c : cases) {
        Timeline_View view{99999, 10000, c.view_start};
        std::uint64_t playhead = c.playhead;
        EXPECT_EQ(page_move(view, playhead, c.forward), c.moved) << c.playhead;
        EXPECT_EQ(playhead, c.want_playhead) << c.playhead;
        EXPECT_EQ(view.view_start, c.want_start) << c.playhead;
    }
}

TEST(TimelineView, MenuAtPlayhead) {
    const struct { std::int32_t view_start; std::uint64_t playhead; bool scrolled; std::int32_t start; int x; } cases[] = {
        {10000, 15000, false, 10000, 400},     // inside: no scrolling, x in the middle
        {10000, 5000, true, 4500, 40},         // left of the view: scrolled to show it at 5 %
        {10000, 25000, true, 15500, 760},      // right of the view: at 95 %
        {10000, 200, true, 0, 40},             // clamped at 0: x from the start before clamping
        {10000, 99900, true, 90000, 760},      // clamped at the end: the same
    };
    for (const auto& c : cases) {
        Timeline_View view{99999, 10000, c.view_start};
        int x = -1;
        EXPECT_EQ(menu_at_playhead(view, c.playhead, 800, x), c.scrolled) << c.playhead;
        EXPECT_EQ(view.view_start, c.start) << c.playhead;
        EXPECT_EQ(x, c.x) << c.playhead;
    }
}

TEST(TimelineView, EffectiveSnap) {
    EXPECT_EQ(effective_snap(250), 250u);
    EXPECT_EQ(effective_snap(0), 100u);    // a zero step would move nothing and still mark changes
    EXPECT_EQ(effective_snap(-40), 100u);  // negative would wrap to a huge step
}

struct Move { std::size_t from, to; };

TEST(TimelineNudge, RightAcrossANeighbourKeepsTheSameSub) {
    Sub_List subs = subs_of({{1000, 2000}, {2500, 3000}, {4000, 4100}});
    subs[0].text = u"first";
    std::vector<std::size_t> set{0};
    std::vector<Move> moves;
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(nudge_subs(subs, set, true, false, 100, [&](std::size_t f, std::size_t t) { moves.push_back({f, t}); }),
                  Nudge_Outcome::moved);
    // 1000 + 1600 = 2600 passes the sub at 2500.
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0], 1u);
    EXPECT_EQ(subs[1].text, u"first");
    EXPECT_EQ(subs[1].start, 2600u);
    EXPECT_EQ(subs[1].end, 3600u);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].from, 0u);
    EXPECT_EQ(moves[0].to, 1u);
}

TEST(TimelineNudge, DocumentedExample) {
    Sub_List subs = subs_of({{1000, 2000}, {2500, 3000}});
    std::vector<std::size_t> set{0};
    for (int i = 0; i < 6; ++i) nudge_subs(subs, set, true, false, 100, [](std::size_t, std::size_t) {});
    EXPECT_EQ(subs[0].start, 1600u);
    EXPECT_EQ(subs[0].end, 2600u);
    EXPECT_TRUE(touches_next(subs, 0));
    // Start at 50: refused, nothing changes.
    Sub_List early = subs_of({{50, 900}});
    std::vector<std::size_t> one{0};
    EXPECT_EQ(nudge_subs(early, one, false, false, 100, [](std::size_t, std::size_t) {}), Nudge_Outcome::refused);
    EXPECT_EQ(early[0].start, 50u);
    EXPECT_EQ(early[0].end, 900u);
}

TEST(TimelineNudge, Refusals) {
    constexpr std::uint64_t last = max_srt_time;
    const struct { std::vector<std::pair<std::uint64_t, std::uint64_t>> times; std::vector<std::size_t> set;
                   bool right, shift; Nudge_Outcome want; } cases[] = {
        {{{100, 900}}, {0}, false, false, Nudge_Outcome::moved},                    // a start equal to snap may reach 0
        {{{99, 900}}, {0}, false, false, Nudge_Outcome::refused},                   // one below
        {{{5000, 6000}, {40, 900}}, {0, 1}, false, false, Nudge_Outcome::refused},  // file order: the later entry is earlier
        {{{5000, 60}}, {0}, false, false, Nudge_Outcome::refused},                  // an end below its start would wrap
        {{{5000, 6000}}, {}, false, false, Nudge_Outcome::unchanged},               // nothing selected
        // Right: never past 99:59:59.999, the latest time a file can hold.
        {{{1000, last - 100}}, {0}, true, false, Nudge_Outcome::moved},             // reaches it exactly
        {{{1000, last - 99}}, {0}, true, false, Nudge_Outcome::refused},
        {{{1000, 2000}, {last - 50, last}}, {0, 1}, true, true, Nudge_Outcome::refused},  // one end of several
        {{{last - 99, last - 200}}, {0}, true, false, Nudge_Outcome::refused},      // the start, with the end before it
    };
    for (const auto& c : cases) {
        Sub_List subs;
        for (auto [s, e] : c.times) subs.push_back(Sub_Item{s, e, u""});
        const Sub_List before = subs;
        std::vector<std::size_t> set = c.set;
        EXPECT_EQ(nudge_subs(subs, set, c.right, c.shift, 100, [](std::size_t, std::size_t) {}), c.want);
        if (c.want != Nudge_Outcome::moved) {
            EXPECT_TRUE(lists_equal(subs, before));
        }
    }
}

TEST(TimelineNudge, ShiftChangesOnlyTheEnd) {
    Sub_List subs = subs_of({{1000, 1201}, {2000, 2200}, {3000, 4000}});
    std::vector<std::size_t> set{0, 1, 2};
    // Sub 2 (200 ms) is at the 2 x snap limit; the others still shorten.
    EXPECT_EQ(nudge_subs(subs, set, false, true, 100, [](std::size_t, std::size_t) {}), Nudge_Outcome::moved);
    EXPECT_EQ(subs[0].end, 1101u);
    EXPECT_EQ(subs[1].end, 2200u);
    EXPECT_EQ(subs[2].end, 3900u);
    EXPECT_EQ(subs[0].start, 1000u);
    // Now every sub but the last is at its limit.
    EXPECT_EQ(nudge_subs(subs, set, false, true, 100, [](std::size_t, std::size_t) {}), Nudge_Outcome::moved);
    EXPECT_EQ(subs[0].end, 1101u);
    EXPECT_EQ(subs[2].end, 3800u);
    // Only limited subs: nothing changes.
    std::vector<std::size_t> short_ones{0, 1};
    EXPECT_EQ(nudge_subs(subs, short_ones, false, true, 100, [](std::size_t, std::size_t) {}), Nudge_Outcome::unchanged);
    // Lengthening has no limit.
    EXPECT_EQ(nudge_subs(subs, short_ones, true, true, 100, [](std::size_t, std::size_t) {}), Nudge_Outcome::moved);
    EXPECT_EQ(subs[0].end, 1201u);
    EXPECT_EQ(subs[1].end, 2300u);
    // An end before its start is never "shortened" through a wrapped length.
    Sub_List odd = subs_of({{5000, 150}});
    std::vector<std::size_t> first{0};
    EXPECT_EQ(nudge_subs(odd, first, false, true, 100, [](std::size_t, std::size_t) {}), Nudge_Outcome::unchanged);
    EXPECT_EQ(odd[0].end, 150u);
}

TEST(TimelineNudge, SeveralSubsKeepTheirEntries) {
    // Two selected subs close together with an unselected one between them.
    Sub_List subs = subs_of({{1000, 1100}, {1050, 1150}, {1120, 1200}});
    subs[0].text = u"a";
    subs[1].text = u"b";
    subs[2].text = u"c";
    std::vector<std::size_t> set{0, 2};
    nudge_subs(subs, set, true, false, 100, [](std::size_t, std::size_t) {});
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(subs[set[0]].text, u"a");
    EXPECT_EQ(subs[set[1]].text, u"c");
    EXPECT_EQ(subs[0].text, u"b");  // a (1100) and c (1220) passed b (1050)
}

TEST(TimelineNudge, FollowMove) {
    const struct { std::vector<std::size_t> set; std::size_t from, to; std::vector<std::size_t> want; } cases[] = {
        {{0, 2, 5}, 2, 4, {0, 4, 5}},   // forward past nothing of the set; 5 is outside the range
        {{1, 3}, 1, 3, {3, 2}},         // forward: the entry passed shifts down
        {{1, 3}, 3, 0, {2, 0}},         // backward: entries passed shift up
        {{7}, 2, 4, {7}},               // untouched
    };
    for (const auto& c : cases) {
        std::vector<std::size_t> set = c.set;
        follow_move(set, c.from, c.to);
        EXPECT_EQ(set, c.want);
    }
}

}  // namespace
