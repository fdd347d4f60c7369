#include "core/split_join.h"

#include <gtest/gtest.h>

#include "io/strings.h"

namespace {

std::string utf8(std::u16string_view s) { return utf16_to_utf8(s); }

constexpr std::uint64_t none = ~std::uint64_t{0};

}  // namespace

TEST(SplitJoin, SplitsTextAndTime) {
    const struct {
        const char16_t* text;
        std::uint64_t start, end, at;  // at: the playhead, or none
        const char16_t* first;
        std::uint64_t first_end;
        const char16_t* second;
        std::uint64_t second_start;
    } cases[] = {
        {u"Hello there\r\nGeneral Kenobi", 1000, 5000, none, u"Hello there", 2759, u"General Kenobi", 2760},  // two lines: at the break, 11:14
        {u"one two three four", 0, 1800, none, u"one two", 740, u"three four", 741},        // the space nearest the middle, 7:10
        {u"ab cd ef", 0, 1000, none, u"ab", 285, u"cd ef", 286},                            // two alike: the earlier
        {u"a b\r\ncc dd\r\ne", 0, 1000, none, u"a b\r\ncc", 599, u"dd\r\ne", 600},          // three lines: breaks are gaps too
        {u"  one  two  ", 0, 1000, none, u"one", 499, u"two", 500},                         // white space at the cut and ends goes
        {u"Hi \r\n there", 0, 1000, none, u"Hi", 285, u"there", 286},                       // around the break as well
        {u"Hello", 0, 1000, none, u"Hel", 599, u"lo", 600},                                 // one word: after its middle
        {u"\U0001F600\U0001F600\U0001F600", 0, 900, none, u"\U0001F600\U0001F600", 599, u"\U0001F600", 600},  // never inside a pair
        {u"one two", 1000, 3000, 2500, u"one", 2499, u"two", 2500},                         // at the playhead inside the sub
        {u"one two", 1000, 3000, 1000, u"one", 1999, u"two", 2000},                         // the playhead at the start is not inside
        {u"one two", 1000, 3000, 3000, u"one", 1999, u"two", 2000},                         // nor at the end
        {u"one two", 5000, 5001, none, u"one", 5000, u"two", 5001},                         // one millisecond
        {u"one two", 5000, 5000, none, u"one", 5000, u"two", 5000},                         // no length: both keep the times
    };
    for (const auto& c : cases) {
        Sub_Item first, second;
        const std::optional<std::uint64_t> at = c.at == none ? std::nullopt : std::optional<std::uint64_t>(c.at);
        ASSERT_TRUE(split_sub({c.start, c.end, c.text}, at, first, second)) << utf8(c.text);
        EXPECT_EQ(utf8(first.text), utf8(c.first)) << utf8(c.text);
        EXPECT_EQ(utf8(second.text), utf8(c.second)) << utf8(c.text);
        EXPECT_EQ(first.start, c.start) << utf8(c.text);
        EXPECT_EQ(first.end, c.first_end) << utf8(c.text);
        EXPECT_EQ(second.start, c.second_start) << utf8(c.text);
        EXPECT_EQ(second.end, c.end) << utf8(c.text);
    }
}

TEST(SplitJoin, RefusesTextsThatGiveNoTwoParts) {
    for (const char16_t* text : {u"", u"A", u"   ", u"\U0001F600", u" \r\n "}) {  // nothing, one character, blanks
        Sub_Item first, second;
        EXPECT_FALSE(split_sub({0, 1000, text}, std::nullopt, first, second)) << utf8(text);
    }
}

TEST(SplitJoin, SplitStepPutsBothInThePlaceOfOne) {
    const Sub_List subs = {{0, 900, u"zero"}, {1000, 2000, u"one\r\ntwo"}, {3000, 4000, u"three"}};
    History_Step step;
    ASSERT_TRUE(split_step(subs, 1, std::nullopt, step));
    EXPECT_EQ(utf8(step.name), "split");
    EXPECT_EQ(step.removed_at, (std::vector<std::size_t>{1}));
    EXPECT_EQ(step.inserted_at, (std::vector<std::size_t>{1, 2}));
    Sub_List doc = subs;
    ASSERT_TRUE(apply_change(doc, step.removed_at, step.inserted_at, step.inserted));
    ASSERT_EQ(doc.size(), 4u);
    EXPECT_EQ(utf8(doc[1].text), "one");
    EXPECT_EQ(utf8(doc[2].text), "two");
    EXPECT_EQ(doc[1].end, 1499u);
    EXPECT_EQ(doc[2].start, 1500u);
    EXPECT_EQ(utf8(doc[3].text), "three");
    EXPECT_FALSE(split_step(subs, 3, std::nullopt, step));  // past the end
}

TEST(SplitJoin, JoinsTextsLineByLine) {
    const struct {
        std::vector<Sub_Item> subs;
        const char16_t* text;
        std::uint64_t start, end;
    } cases[] = {
        {{{1000, 2000, u"One"}, {2100, 3000, u"Two\r\nlines"}, {3100, 4000, u"Three"}}, u"One\r\nTwo\r\nlines\r\nThree", 1000, 4000},  // in order
        {{{1000, 2000, u""}, {2100, 3000, u"Two"}, {3100, 4000, u" "}}, u"Two", 1000, 4000},   // empty and blank texts left out
        {{{1000, 9000, u"Long"}, {2000, 3000, u"Short"}}, u"Long\r\nShort", 1000, 9000},        // the latest end, not the last
        {{{5000, 6000, u"Late"}, {1000, 2000, u"Early"}}, u"Late\r\nEarly", 1000, 6000},        // out of order: the earliest start
        {{{1000, 2000, u""}, {3000, 4000, u""}}, u"", 1000, 4000},                              // nothing to say
    };
    for (const auto& c : cases) {
        const Sub_Item joined = join_subs(c.subs, 0, c.subs.size());
        EXPECT_EQ(utf8(joined.text), utf8(c.text));
        EXPECT_EQ(joined.start, c.start) << utf8(c.text);
        EXPECT_EQ(joined.end, c.end) << utf8(c.text);
    }
}

TEST(SplitJoin, JoinStepNeedsRowsThatFollowEachOther) {
    const Sub_List subs = {{0, 900, u"a"}, {1000, 1900, u"b"}, {2000, 2900, u"c"}, {3000, 3900, u"d"}, {4000, 4900, u"e"}};
    const struct {
        std::vector<std::size_t> rows;
        bool ok;
    } cases[] = {
        {{1, 2, 3}, true},    // three in a row
        {{3, 4}, true},       // the last two
        {{1, 3}, false},      // a gap
        {{2}, false},         // one alone
        {{}, false},          // none
        {{4, 5}, false},      // past the end
    };
    for (const auto& c : cases) {
        History_Step step;
        EXPECT_EQ(join_step(subs, c.rows, step), c.ok) << c.rows.size();
    }
    History_Step step;
    ASSERT_TRUE(join_step(subs, {1, 2, 3}, step));
    EXPECT_EQ(utf8(step.name), "join 3 subs");
    Sub_List doc = subs;
    ASSERT_TRUE(apply_change(doc, step.removed_at, step.inserted_at, step.inserted));
    ASSERT_EQ(doc.size(), 3u);
    EXPECT_EQ(utf8(doc[1].text), "b\r\nc\r\nd");
    EXPECT_EQ(doc[1].start, 1000u);
    EXPECT_EQ(doc[1].end, 3900u);
    EXPECT_EQ(utf8(doc[2].text), "e");
    History history;
    history.record(step);
    ASSERT_TRUE(history.undo(doc));
    EXPECT_TRUE(lists_equal(doc, subs));
}
