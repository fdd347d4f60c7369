#include "core/sub_list.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

namespace {

Sub_List make(std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> times) {
    Sub_List list;
    for (const auto& [s, e] : times)
        list.push_back({s, e, std::u16string{u't', static_cast<char16_t>(u'a' + list.size())}});
    return list;
}

std::vector<std::uint64_t> starts(const Sub_List& list) {
    std::vector<std::uint64_t> out;
    for (const Sub_Item& s : list)
        out.push_back(s.start);
    return out;
}

constexpr std::size_t none = no_position;

TEST(SubList, NoneIsAllBits) { EXPECT_EQ(no_position, ~std::size_t{0}); }

TEST(SubList, LowerBoundStart) {
    const Sub_List list = make({{1000, 1500}, {2000, 2500}, {2000, 2600}, {3000, 3500}});
    const struct { std::uint64_t t; std::size_t p; } cases[] = {
        {0, 0},        // before everything
        {1000, 0},     // equal start
        {1001, 1},     // just after the first start
        {2000, 1},     // first of two equal starts
        {3000, 3},     // last start
        {3001, none},  // every start below t
    };
    for (const auto& c : cases)
        EXPECT_EQ(lower_bound_start(list, c.t), c.p) << c.t;
    EXPECT_EQ(lower_bound_start(Sub_List{}, 0), none);  // empty list
}

TEST(SubList, FindAt) {
    const Sub_List one = make({{1000, 2000}});
    const Sub_List nested = make({{1000, 5000}, {2000, 3000}});
    const Sub_List same = make({{1000, 2000}, {1000, 3000}, {4000, 4000}});
    const struct { const Sub_List* list; std::uint64_t t; std::size_t p; } cases[] = {
        {&one, 999, none},     // before the start
        {&one, 1000, 0},       // start included
        {&one, 1500, 0},       // inside
        {&one, 2000, 0},       // end included
        {&one, 2001, none},    // after the end
        {&nested, 4000, none}, // only the latest start counts, and B ended
        {&nested, 2500, 1},    // inside B
        {&nested, 1500, 0},    // before B starts
        {&same, 1000, 0},      // first of equal starts
        {&same, 2500, 1},      // the later of equal starts is the latest start
        {&same, 4000, 2},      // zero-length sub at its start
        {&same, 3500, none},   // gap
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_at(*c.list, c.t), c.p) << c.t;
    EXPECT_EQ(find_at(Sub_List{}, 0), none);  // empty list
}

// Reference: a sub starting exactly at t (the first one), else the latest start before t.
std::size_t find_at_reference(const Sub_List& list, std::uint64_t t) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].start == t)
            return i;
    std::size_t best = none;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].start < t)
            best = i;
    return best != none && list[best].end >= t ? best : none;
}

TEST(SubList, FindAtMatchesScanOnRandomSortedLists) {
    std::mt19937_64 rng(1234);
    for (int round = 0; round < 300; ++round) {
        Sub_List list;
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            const std::uint64_t s = rng() % 200;
            list.push_back({s, s + rng() % 50, u""});
        }
        std::sort(list.begin(), list.end(), [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; });
        for (std::uint64_t t = 0; t < 260; ++t) {
            ASSERT_EQ(find_at(list, t), find_at_reference(list, t)) << "round " << round << " t " << t;
            const std::size_t from = static_cast<std::size_t>(
                std::count_if(list.begin(), list.end(), [t](const Sub_Item& s) { return s.start >= t; }));
            ASSERT_EQ(count_from(list, t), from) << "round " << round << " t " << t;
        }
    }
}

TEST(SubList, SearchesOnUnsortedListsStayInRange) {
    std::mt19937_64 rng(99);
    for (int round = 0; round < 200; ++round) {
        Sub_List list;
        const int n = 1 + static_cast<int>(rng() % 20);
        for (int i = 0; i < n; ++i) {
            const std::uint64_t s = rng() % 100;
            list.push_back({s, rng() % 150, u""});  // unsorted, some ends before starts
        }
        for (std::uint64_t t = 0; t < 160; ++t) {
            const std::size_t p = lower_bound_start(list, t);
            ASSERT_TRUE(p == none || p < list.size());
            const std::size_t q = find_at(list, t);
            ASSERT_TRUE(q == none || q < list.size());
            ASSERT_LE(count_from(list, t), list.size());
        }
    }
}

TEST(SubList, CountFrom) {
    const Sub_List list = make({{1000, 1}, {2000, 1}, {3000, 1}});
    const struct { std::uint64_t t; std::size_t n; } cases[] = {
        {0, 3},     // all
        {2000, 2},  // equal start counts
        {2001, 1},  // one after
        {9000, 0},  // beyond every start
    };
    for (const auto& c : cases)
        EXPECT_EQ(count_from(list, c.t), c.n) << c.t;
    EXPECT_EQ(count_from(Sub_List{}, 0), 0u);  // empty list
}

TEST(SubList, InsertSorted) {
    const struct { std::uint64_t start; std::size_t p; } cases[] = {
        {2000, 1},  // ahead of the equal start
        {500, 0},   // front
        {2500, 2},  // between
        {9000, 3},  // end
    };
    for (const auto& c : cases) {
        Sub_List list = make({{1000, 1100}, {2000, 2100}, {3000, 3100}});
        EXPECT_EQ(insert_sorted(list, {c.start, c.start + 1, u"new"}), c.p) << c.start;
        ASSERT_EQ(list.size(), 4u);
        EXPECT_EQ(list[c.p].text, u"new");
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end(),
                                   [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; }));
    }
    Sub_List empty;
    EXPECT_EQ(insert_sorted(empty, {5, 6, u"x"}), 0u);  // into an empty list
    EXPECT_EQ(empty.size(), 1u);
}

TEST(SubList, NewSubStaysWithinWhatAFileHolds) {
    constexpr std::uint64_t last = max_srt_time;
    const struct { std::uint64_t t; std::int64_t length; std::uint64_t start, end; } cases[] = {
        {10000, 2000, 10000, 12000},
        {10000, 0, 10000, 10000},
        {10000, -1, 10000, 10000},                    // a negative setting counts as 0
        {last - 500, 2000, last - 500, last},          // cut at 99:59:59.999
        {1000, 2147483647, 1000, last},               // the largest setting
        {last + 5000, 2000, last, last},              // a playhead past it (a long video)
    };
    for (const auto& c : cases) {
        const Sub_Item sub = new_sub_at(c.t, c.length);
        EXPECT_EQ(sub.start, c.start) << c.t << " " << c.length;
        EXPECT_EQ(sub.end, c.end) << c.t << " " << c.length;
    }
}

TEST(SubList, Reposition) {
    const struct { std::size_t i; std::uint64_t new_start; std::size_t p; std::vector<std::uint64_t> order; } cases[] = {
        {0, 2500, 1, {2000, 2500, 3000}},  // forward past a smaller start
        {0, 3000, 1, {2000, 3000, 3000}},  // forward: stays ahead of an equal start
        {0, 9000, 2, {2000, 3000, 9000}},  // forward to the end
        {2, 500, 0, {500, 1000, 2000}},    // back to the front
        {2, 2000, 2, {1000, 2000, 2000}},  // back: stays behind an equal start
        {1, 2100, 1, {1000, 2100, 3000}},  // still in place
    };
    for (const auto& c : cases) {
        Sub_List list = make({{1000, 1}, {2000, 1}, {3000, 1}});
        const std::u16string moved = list[c.i].text;
        // Told before the change, as a command that puts the changed sub in at once asks.
        EXPECT_EQ(reposition_target(list, c.i, c.new_start), c.p) << c.i << " -> " << c.new_start;
        list[c.i].start = c.new_start;
        EXPECT_EQ(reposition(list, c.i), c.p) << c.i << " -> " << c.new_start;
        EXPECT_EQ(starts(list), c.order) << c.i << " -> " << c.new_start;
        EXPECT_EQ(list[c.p].text, moved);
    }
    Sub_List list = make({{1000, 1}});
    EXPECT_EQ(reposition(list, 5), none);  // out of range
    EXPECT_EQ(reposition_target(list, 5, 0), none);
}

TEST(SubList, RepositionKeepsOthersInOrder) {
    std::mt19937_64 rng(7);
    for (int round = 0; round < 300; ++round) {
        Sub_List list;
        const int n = 1 + static_cast<int>(rng() % 15);
        std::uint64_t t = 0;
        for (int i = 0; i < n; ++i) {
            t += rng() % 3;  // equal starts happen
            list.push_back({t, t, std::u16string(1, static_cast<char16_t>(u'A' + i))});
        }
        const std::size_t i = rng() % list.size();
        const std::u16string moved = list[i].text;
        list[i].start = rng() % (t + 3);
        Sub_List others = list;
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
        const std::size_t p = reposition(list, i);
        ASSERT_LT(p, list.size());
        EXPECT_EQ(list[p].text, moved);
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end(),
                                   [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; }));
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(p));
        EXPECT_TRUE(lists_equal(list, others)) << "round " << round;
    }
}

TEST(SubList, RemovePositions) {
    const struct { std::vector<std::size_t> positions; std::vector<std::uint64_t> left; } cases[] = {
        {{}, {1, 2, 3, 4}},            // nothing
        {{0}, {2, 3, 4}},              // first
        {{1, 3}, {1, 3}},              // several
        {{0, 1, 2, 3}, {}},            // all
        {{3, 9}, {1, 2, 3}},           // out of range ignored
        {{2, 2}, {1, 2, 4}},           // repeat removes one sub only
    };
    for (const auto& c : cases) {
        Sub_List list = make({{1, 1}, {2, 2}, {3, 3}, {4, 4}});
        remove_positions(list, c.positions);
        EXPECT_EQ(starts(list), c.left);
    }
}

TEST(SubList, FindOverlaps) {
    const struct { Sub_List list; std::vector<std::size_t> found; } cases[] = {
        {make({}), {}},                                                      // empty
        {make({{0, 10000}}), {}},                                            // single sub
        {make({{0, 5000}, {4000, 6000}, {5500, 7000}}), {0, 1}},             // chain
        {make({{0, 10000}, {1000, 2000}, {3000, 4000}}), {0, 0}},            // one sub over two
        {make({{0, 1000}, {1000, 2000}}), {0}},                              // touching counts
        {make({{0, 999}, {1000, 2000}}), {}},                                // one ms apart
        {make({{0, 5000}, {1000, 6000}, {2000, 3000}}), {0, 0, 1}},          // once per later sub overlapped
        {make({{0, 5000}, {9000, 9500}, {1000, 2000}}), {1}},                // file order: the scan stops at 9000
        {make({{0, 5000}, {3000, 4000}, {1000, 2000}}), {0, 0, 1}},          // file order, all within
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_overlaps(c.list).entries(), c.found) << c.list.size();

    // Against the pairwise definition, sorted and in file order.
    std::mt19937_64 rng(7);
    for (int round = 0; round < 200; ++round) {
        Sub_List list;
        for (int i = 0, n = static_cast<int>(rng() % 30); i < n; ++i) {
            const std::uint64_t start = rng() % 5000;
            list.push_back({start, start + rng() % 2000, u""});
        }
        if (round % 2) std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.start < b.start; });
        std::vector<std::size_t> pairs;
        for (std::size_t i = 0; i + 1 < list.size(); ++i)
            for (std::size_t j = i + 1; j < list.size() && list[i].end >= list[j].start; ++j) pairs.push_back(i);
        const Overlap_List found = find_overlaps(list);
        ASSERT_EQ(found.entries(), pairs) << "round " << round;
        for (std::uint64_t k = 0; k < found.size(); ++k) ASSERT_EQ(found.position_at(k), pairs[k]);
    }
}

TEST(SubList, OverlapsOfSubsThatAllOverlapAreCountedNotListed) {
    // n(n-1)/2 entries, past 32 bits, held as n - 1 runs.
    const std::size_t n = 100000;
    Sub_List list(n, Sub_Item{0, 1000, u""});
    for (std::size_t i = 0; i < n; ++i) list[i] = {i, 10000000, u""};
    const Overlap_List found = find_overlaps(list);
    EXPECT_EQ(found.size(), std::uint64_t{n} * (n - 1) / 2);
    EXPECT_GT(found.size(), std::uint64_t{0xFFFFFFFF});
    EXPECT_EQ(found.runs().size(), n - 1);
    EXPECT_EQ(found.position_at(0), 0u);
    EXPECT_EQ(found.position_at(n - 2), 0u);
    EXPECT_EQ(found.position_at(n - 1), 1u);
    EXPECT_EQ(found.position_at(found.size() - 1), n - 2);
    EXPECT_EQ(found.positions().size(), n - 1);
    EXPECT_EQ(Overlap_List::of_positions({3, 3, 1, 3}).runs().size(), 3u);
}

TEST(SubList, FixOverlaps) {
    const struct { Sub_List list; std::vector<std::uint64_t> ends; } cases[] = {
        {make({{0, 5000}, {4000, 6000}}), {3900, 6000}},                    // example
        {make({{0, 5000}, {4000, 6000}, {5500, 7000}}), {3900, 5400, 7000}},// chain
        {make({{0, 10000}, {1000, 2000}, {3000, 4000}}), {900, 2000, 4000}},// only the nearest matters
        {make({{0, 1000}, {1000, 2000}}), {900, 2000}},                     // touching
        {make({{0, 999}, {1000, 2000}}), {999, 2000}},                      // no overlap: unchanged
        {make({{1000, 3000}, {1050, 2000}}), {1000, 2000}},                 // next too close: zero length, not below start
        {make({{0, 3000}, {50, 2000}}), {0, 2000}},                         // next before 100 ms: no wrap below zero
        {make({{500, 3000}, {500, 2000}}), {500, 2000}},                    // equal starts
    };
    for (const auto& c : cases) {
        Sub_List list = c.list;
        fix_overlaps(list);
        std::vector<std::uint64_t> ends;
        for (std::size_t i = 0; i < list.size(); ++i) {
            ends.push_back(list[i].end);
            EXPECT_EQ(list[i].start, c.list[i].start);  // starts never change
            EXPECT_GE(list[i].end, list[i].start);
        }
        EXPECT_EQ(ends, c.ends);
    }
}

TEST(SubList, FixOverlapsLeavesOnlyTooCloseStarts) {
    std::mt19937_64 rng(42);
    for (int round = 0; round < 300; ++round) {
        Sub_List list;
        std::uint64_t t = 0;
        const int n = static_cast<int>(rng() % 20);
        for (int i = 0; i < n; ++i) {
            t += rng() % 400;
            list.push_back({t, t + rng() % 3000, u""});
        }
        fix_overlaps(list);
        for (std::size_t p : find_overlaps(list).entries()) {
            // Whatever still overlaps could not be fixed without ending before the start.
            ASSERT_EQ(list[p].end, list[p].start) << "round " << round;
            ASSERT_LT(list[p + 1].start, list[p].start + 100) << "round " << round;
        }
        for (const Sub_Item& s : list)
            ASSERT_GE(s.end, s.start);
    }
}

TEST(SubList, FindText) {
    const Sub_List list = {{0, 1, u"ABC"}, {1, 2, u"Abc"}, {2, 3, u"xabcx"}, {3, 4, u"ab c"},
                           {4, 5, u"line\r\nabc"}, {5, 6, u"\u00e9t\u00e9"}, {6, 7, u""}};
    const struct { const char16_t* needle; std::vector<std::size_t> found; } cases[] = {
        {u"abc", {0, 1, 2, 4}},                   // any letter case, inside a line, second line
        {u"ABC", {0, 1, 2, 4}},                   // upper-case needle
        {u"", {0, 1, 2, 3, 4, 5, 6}},             // empty needle is everywhere
        {u"\u00c9T\u00c9", {5}},                  // Latin-1 letters fold too
        {u"\r\n", {4}},                           // line break is a plain character
        {u"zzz", {}},                             // nowhere
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_text(list, c.needle), c.found);
}

TEST(SubList, MergeInto) {
    Sub_List list = make({{1000, 1}, {3000, 1}});
    const Sub_List other = {{2000, 1, u"o1"}, {0, 1, u"o2"}, {3000, 1, u"o3"}};
    merge_into(list, other);
    EXPECT_EQ(starts(list), (std::vector<std::uint64_t>{0, 1000, 2000, 3000, 3000}));
    EXPECT_EQ(other.size(), 3u);  // the other list is not changed
    EXPECT_EQ(other[0].text, u"o1");

    Sub_List self = make({{2, 1}, {1, 1}});
    merge_into(self, self);  // merging a list with itself doubles it
    EXPECT_EQ(starts(self), (std::vector<std::uint64_t>{1, 1, 2, 2}));
}

TEST(SubList, ListsEqual) {
    const Sub_List base = {{1, 2, u"Hello"}, {3, 4, u"World"}};
    const struct { Sub_List other; bool equal; } cases[] = {
        {{{1, 2, u"Hello"}, {3, 4, u"World"}}, true},   // same
        {{{1, 2, u"Hello"}, {3, 4, u"world"}}, false},  // letter case differs
        {{{1, 2, u"Hello"}}, false},                    // shorter
        {{{1, 2, u"Hello"}, {3, 5, u"World"}}, false},  // end differs
        {{{0, 2, u"Hello"}, {3, 4, u"World"}}, false},  // start differs
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lists_equal(base, c.other), c.equal);
        EXPECT_EQ(lists_equal(c.other, base), c.equal);
    }
    EXPECT_TRUE(lists_equal(Sub_List{}, Sub_List{}));
}

TEST(SubList, RowTexts) {
    const Sub_List list = {{61000, 65250, u"Two\r\nlines"}, {3723004, 3722000, u"Ends | early"}};
    const struct { std::size_t position; Sub_Column column; const char16_t* text; } cases[] = {
        {0, Sub_Column::number, u"0001"},            // numbered from 1
        {0, Sub_Column::start, u"0:01:01.000"},
        {0, Sub_Column::end, u"0:01:05.250"},
        {0, Sub_Column::length, u"04.250"},
        {0, Sub_Column::text, u"Two|lines"},         // a line break shows as "|"
        {1, Sub_Column::start, u"1:02:03.004"},
        {1, Sub_Column::text, u"Ends | early"},      // a typed "|" stays
        {2, Sub_Column::number, u""},                // past the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(sub_row_text(list, c.position, c.column), c.text) << c.position << " " << static_cast<int>(c.column);
}

}  // namespace
