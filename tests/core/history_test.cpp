#include "core/history.h"

#include <gtest/gtest.h>

#include <random>

#include "io/strings.h"

namespace {

Sub_List numbered(std::size_t n) {
    Sub_List list;
    for (std::size_t i = 0; i < n; ++i) list.push_back({i * 1000, i * 1000 + 500, u"sub " + to_decimal(std::int64_t(i))});
    return list;
}

std::u16string name_of(const History_Step* step) { return step ? step->name : u""; }

// A change as the commands make one: some subs out, some (new or changed) in.
History_Step random_step(const Sub_List& list, std::mt19937& rng, Sub_List& after) {
    History_Step step;
    step.name = u"step";
    for (std::size_t i = 0; i < list.size(); ++i)
        if (rng() % 5 == 0) {
            step.removed_at.push_back(i);
            step.removed.push_back(list[i]);
        }
    const std::size_t kept = list.size() - step.removed.size();
    const std::size_t count = rng() % 4;
    for (std::size_t i = 0; i < kept + count && step.inserted.size() < count; ++i)
        if (rng() % 2 == 0 || kept + count - i == count - step.inserted.size()) {
            step.inserted_at.push_back(i);
            step.inserted.push_back({rng() % 100000, rng() % 100000, u"new " + to_decimal(std::int64_t(rng() % 1000))});
        }
    after = list;
    EXPECT_TRUE(apply_change(after, step.removed_at, step.inserted_at, step.inserted));
    return step;
}

TEST(History, ApplyChangeTakesOutAndPutsIn) {
    const Sub_Item x{1, 2, u"x"}, y{3, 4, u"y"};
    const struct {
        std::vector<std::size_t> take;
        std::vector<std::size_t> put_at;
        Sub_List put;
        std::vector<std::u16string> texts;
        bool ok;
    } cases[] = {
        {{}, {0}, {x}, {u"x", u"sub 0", u"sub 1", u"sub 2"}, true},          // insert at the front
        {{}, {3}, {x}, {u"sub 0", u"sub 1", u"sub 2", u"x"}, true},          // at the end
        {{0, 2}, {}, {}, {u"sub 1"}, true},                                  // remove two
        {{1}, {1}, {x}, {u"sub 0", u"x", u"sub 2"}, true},                   // replace in place
        {{0}, {1, 2}, {x, y}, {u"sub 1", u"x", u"y", u"sub 2"}, true},       // a move and one more
        {{0, 1, 2}, {}, {}, {}, true},                                       // everything
        {{3}, {}, {}, {u"sub 0", u"sub 1", u"sub 2"}, false},                // out of range
        {{1, 1}, {}, {}, {u"sub 0", u"sub 1", u"sub 2"}, false},             // not ascending
        {{}, {4}, {x}, {u"sub 0", u"sub 1", u"sub 2"}, false},               // past the result's end
        {{}, {0}, {}, {u"sub 0", u"sub 1", u"sub 2"}, false},                // places without subs
    };
    for (const auto& c : cases) {
        Sub_List list = numbered(3);
        EXPECT_EQ(apply_change(list, c.take, c.put_at, c.put), c.ok);
        std::vector<std::u16string> texts;
        for (const Sub_Item& sub : list) texts.push_back(sub.text);
        EXPECT_EQ(texts, c.texts);
    }
}

TEST(History, UndoAndRedoGiveBackEveryEarlierDocument) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 50; ++round) {
        History history;
        Sub_List doc = numbered(rng() % 12);
        std::vector<Sub_List> versions{doc};
        for (int k = 0; k < 8; ++k) {
            Sub_List after;
            history.record(random_step(doc, rng, after));
            doc = after;
            versions.push_back(doc);
        }
        for (std::size_t v = versions.size() - 1; v > 0; --v) {
            ASSERT_TRUE(history.undo(doc));
            ASSERT_TRUE(lists_equal(doc, versions[v - 1])) << round << " " << v;
        }
        EXPECT_FALSE(history.undo(doc));
        for (std::size_t v = 1; v < versions.size(); ++v) {
            ASSERT_TRUE(history.redo(doc));
            ASSERT_TRUE(lists_equal(doc, versions[v])) << round << " " << v;
        }
        EXPECT_FALSE(history.redo(doc));
    }
}

TEST(History, TouchedSubsNamesAndSavedState) {
    History history;
    Sub_List doc = numbered(5);
    EXPECT_TRUE(history.at_saved());
    EXPECT_EQ(name_of(history.undo_step()), u"");
    // Remove two subs.
    History_Step remove{u"remove 2 subs", {1, 3}, {doc[1], doc[3]}, {}, {}, 0};
    ASSERT_TRUE(apply_change(doc, remove.removed_at, remove.inserted_at, remove.inserted));
    history.record(remove);
    EXPECT_FALSE(history.at_saved());
    EXPECT_EQ(name_of(history.undo_step()), u"remove 2 subs");
    std::vector<std::size_t> touched;
    ASSERT_TRUE(history.undo(doc, &touched));
    EXPECT_EQ(touched, (std::vector<std::size_t>{1, 3}));  // the subs put back
    EXPECT_TRUE(history.at_saved());                       // back where it was opened
    EXPECT_EQ(name_of(history.redo_step()), u"remove 2 subs");
    ASSERT_TRUE(history.redo(doc, &touched));
    EXPECT_TRUE(touched.empty());
    history.mark_saved();
    EXPECT_TRUE(history.at_saved());
    ASSERT_TRUE(history.undo(doc));
    EXPECT_FALSE(history.at_saved());
    // A new step drops the undone one, and with it the saved state.
    History_Step insert{u"insert", {}, {}, {0}, {{7, 8, u"x"}}, 0};
    ASSERT_TRUE(apply_change(doc, {}, insert.inserted_at, insert.inserted));
    history.record(insert);
    EXPECT_FALSE(history.can_redo());
    EXPECT_EQ(name_of(history.undo_step()), u"insert");
    ASSERT_TRUE(history.undo(doc));
    EXPECT_FALSE(history.at_saved());
    EXPECT_FALSE(history.undo(doc));
    history.clear();
    EXPECT_TRUE(history.at_saved());
    EXPECT_FALSE(history.can_redo());
    history.clear(false);  // a document that differs from its file
    EXPECT_FALSE(history.at_saved());
}

TEST(History, StepsOfOneSeriesAreOneStep) {
    History history;
    Sub_List doc = numbered(3);
    const Sub_List opened = doc;
    // Two presses of one series: each records the whole series so far, from its start.
    for (std::uint64_t end : {600u, 700u}) {
        Sub_List after = opened;
        after[0].end = end;
        history.record({u"nudge", {0}, {opened[0]}, {0}, {after[0]}, 7});
        doc = after;
    }
    EXPECT_EQ(history.size(), 1u);
    ASSERT_TRUE(history.undo(doc));
    EXPECT_TRUE(lists_equal(doc, opened));
    // Once undone, the same series starts a step of its own.
    ASSERT_TRUE(history.redo(doc));
    ASSERT_TRUE(history.undo(doc));
    history.record({u"nudge", {1}, {opened[1]}, {1}, {{1000, 1600, u"sub 1"}}, 7});
    EXPECT_EQ(history.size(), 1u);
    EXPECT_FALSE(history.can_redo());
}

TEST(History, BoundsDropTheOldest) {
    const auto step_of = [](std::size_t k) {
        return History_Step{u"insert", {}, {}, {k}, {{k, k, std::u16string(400, u'x')}}, 0};
    };
    History one;
    one.record(step_of(0));
    const std::size_t step_bytes = one.bytes();
    ASSERT_GT(step_bytes, 800u);  // the text at least
    const struct { std::size_t max_steps, max_bytes, steps, kept; } cases[] = {
        {3, History::default_max_bytes, 5, 3},   // by count
        {1000, step_bytes * 5 / 2, 5, 2},        // by memory
        {1000, 10, 5, 1},                        // the newest step stays whatever its size
    };
    for (const auto& c : cases) {
        History history(c.max_steps, c.max_bytes);
        Sub_List doc;
        for (std::size_t k = 0; k < c.steps; ++k) {
            const History_Step step = step_of(k);
            ASSERT_TRUE(apply_change(doc, {}, step.inserted_at, step.inserted));
            history.record(step);
        }
        EXPECT_EQ(history.size(), c.kept) << c.max_steps << " " << c.max_bytes;
        EXPECT_EQ(history.bytes(), step_bytes * c.kept);
        for (std::size_t k = 0; k < c.kept; ++k) ASSERT_TRUE(history.undo(doc));
        EXPECT_FALSE(history.undo(doc));
        EXPECT_EQ(doc.size(), c.steps - c.kept);  // the oldest steps can no longer be taken back
        EXPECT_FALSE(history.at_saved());         // and the opened document is out of reach
    }
}

}  // namespace
