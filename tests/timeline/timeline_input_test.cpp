// Clicks, keys and re-timing on the timeline, with a real list view holding the selection.

#include "timeline/timeline_control.h"

#include <gtest/gtest.h>

#include "tests/timeline/timeline_host.h"

namespace {

using timeline_test::Held_Keys;
using timeline_test::Host;
using timeline_test::make_subs;
using timeline_test::pump_until;

// View 0 ... 10000 ms over 800 px (0.08 px/ms). Blocks: sub 1 at x 80-160, sub 2 at 200-240,
// sub 3 at 400-480.
struct Input : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(host.created);
        host.load(make_subs({{1000, 2000}, {2500, 3000}, {5000, 6000}}));
        host.timeline.set_range(40000);
    }
    Host host;
};

TEST_F(Input, LeftClickSelection) {
    const struct { std::initializer_list<int> before; int x; WPARAM keys; std::vector<int> after; int focus;
                   const char* what; } cases[] = {
        {{1}, 100, 0, {0}, 0, "unselected block: selects only it and focuses it"},
        {{1}, 100, MK_CONTROL, {0, 1}, 0, "Ctrl on an unselected block adds it"},
        {{0, 1}, 100, 0, {0, 1}, -1, "plain click on a selected block changes nothing"},
        {{0, 1}, 100, MK_CONTROL, {1}, -1, "Ctrl on a selected block deselects only it"},
        {{0, 2}, 600, 0, {0, 2}, -1, "empty place keeps the selection"},
        {{0, 2}, 600, MK_CONTROL, {}, -1, "Ctrl on an empty place deselects all"},
    };
    for (const auto& c : cases) {
        host.select(c.before);
        host.seeks.clear();
        host.click(WM_LBUTTONDOWN, c.x, 60, MK_LBUTTON | c.keys);
        EXPECT_EQ(host.selection(), c.after) << c.what;
        if (c.focus >= 0) {
            EXPECT_TRUE(host.focused(c.focus)) << c.what;
        }
        // The playhead follows the click and the video is asked to seek there.
        const std::uint64_t want = static_cast<std::uint64_t>(c.x) * 10000 / 800;
        EXPECT_EQ(host.timeline.playhead, want) << c.what;
        ASSERT_EQ(host.seeks.size(), 1u) << c.what;
        EXPECT_EQ(host.seeks[0], want) << c.what;
        EXPECT_EQ(GetFocus(), host.timeline.hwnd) << c.what;
    }
}

TEST_F(Input, RightClickSelectsAndOpensTheMenuWithoutSeeking) {
    const struct { std::initializer_list<int> before; int x; std::vector<int> after; int focus; const char* what; } cases[] = {
        {{1, 2}, 100, {0}, 0, "unselected block: only it"},
        {{0, 2}, 420, {0, 2}, 2, "selected block: selection kept, focus moves to it"},
        {{0, 2}, 600, {}, -1, "empty place: all deselected"},
    };
    for (const auto& c : cases) {
        host.select(c.before);
        host.menus_opened.clear();
        host.seeks.clear();
        SetFocus(host.list_window);
        host.click(WM_RBUTTONDOWN, c.x, 60, MK_RBUTTON);
        EXPECT_EQ(host.selection(), c.after) << c.what;
        if (c.focus >= 0) {
            EXPECT_TRUE(host.focused(c.focus)) << c.what;
        }
        EXPECT_EQ(host.timeline.playhead, static_cast<std::uint64_t>(c.x) * 10000 / 800) << c.what;
        EXPECT_TRUE(host.seeks.empty()) << c.what;
        ASSERT_EQ(host.menus_opened.size(), 1u) << c.what;
        EXPECT_EQ(host.menus_opened[0], 40020u) << c.what;
        EXPECT_EQ(GetFocus(), host.timeline.hwnd) << c.what;
    }
}

TEST_F(Input, DoubleClickEdits) {
    const struct { int x; WPARAM keys; int edits; const char* what; } cases[] = {
        {100, 0, 1, "on a block"},
        {100, MK_SHIFT, 0, "with Shift"},
        {100, MK_CONTROL, 0, "with Ctrl"},
        {600, 0, 0, "on empty time"},
    };
    for (const auto& c : cases) {
        host.edits = 0;
        host.click(WM_LBUTTONDBLCLK, c.x, 60, MK_LBUTTON | c.keys);
        EXPECT_EQ(host.edits, c.edits) << c.what;
    }
}

TEST_F(Input, HomeAndEnd) {
    for (int i = 0; i < 2; ++i) SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
    ASSERT_EQ(host.timeline.view_start, 20000);
    const struct { UINT key; bool ctrl; std::uint64_t playhead; std::int32_t view_start; LRESULT code; } cases[] = {
        {VK_HOME, false, 20000, 20000, DLGC_WANTALLKEYS},   // the view's left edge
        {VK_END, false, 29999, 20000, DLGC_WANTALLKEYS},    // its right edge
        {VK_HOME, true, 0, 0, DLGC_WANTALLKEYS},            // the range's start
        {VK_END, true, 39999, 29999, DLGC_WANTALLKEYS},     // the range's end, the view at its end
    };
    for (const auto& c : cases) {
        host.seeks.clear();
        LRESULT code;
        if (c.ctrl) {
            Held_Keys ctrl{VK_CONTROL};
            code = host.press(c.key);
        } else {
            code = host.press(c.key);
        }
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(host.timeline.playhead, c.playhead) << c.key << c.ctrl;
        EXPECT_EQ(host.timeline.view_start, c.view_start) << c.key << c.ctrl;
        ASSERT_EQ(host.seeks.size(), 1u);
        EXPECT_EQ(host.seeks[0], c.playhead);
    }
}

TEST_F(Input, PageDownFromTheRightEdgeShowsThePlayheadAtTenPercent) {
    host.press(VK_END);  // right edge: 9999
    ASSERT_EQ(host.timeline.playhead, 9999u);
    EXPECT_EQ(host.press(VK_NEXT), DLGC_WANTALLKEYS);
    EXPECT_EQ(host.timeline.playhead, 10499u);
    EXPECT_EQ(host.timeline.view_start, 10499 - 1000);
    EXPECT_EQ(host.seeks.back(), 10499u);
    // Back from the left edge: at 90 %.
    SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
    ASSERT_EQ(host.timeline.view_start, 19499);
    host.press(VK_HOME);
    EXPECT_EQ(host.press(VK_PRIOR), DLGC_WANTALLKEYS);
    EXPECT_EQ(host.timeline.playhead, 18999u);
    EXPECT_EQ(host.timeline.view_start, 18999 - 9000);
}

TEST_F(Input, ArrowsUpAndDownZoom) {
    host.timeline.playhead = 20000;
    host.hscrolls.clear();
    EXPECT_EQ(host.press(VK_UP), DLGC_WANTARROWS);
    EXPECT_EQ(host.timeline.view_span, 8000u);
    EXPECT_EQ(host.timeline.view_start, 16000);
    EXPECT_EQ(host.press(VK_DOWN), DLGC_WANTARROWS);
    EXPECT_EQ(host.timeline.view_span, 9600u);
    ASSERT_EQ(host.hscrolls.size(), 2u);
    EXPECT_EQ(host.hscrolls[0].first, SB_LINELEFT);
    EXPECT_EQ(host.hscrolls[1].first, SB_LINERIGHT);
}

TEST_F(Input, OtherKeys) {
    host.select({0, 2});
    const struct { UINT key; LRESULT code; int inserts, removes, play_pauses; bool deselects; } cases[] = {
        {VK_INSERT, DLGC_WANTALLKEYS, 1, 0, 0, false},
        {VK_DELETE, 0, 0, 1, 0, false},
        {VK_SPACE, 0, 0, 0, 1, false},
        {VK_ESCAPE, DLGC_WANTALLKEYS, 0, 0, 0, true},
    };
    for (const auto& c : cases) {
        host.inserts = host.removes = host.play_pauses = 0;
        EXPECT_EQ(host.press(c.key), c.code) << c.key;
        EXPECT_EQ(host.inserts, c.inserts) << c.key;
        EXPECT_EQ(host.removes, c.removes) << c.key;
        EXPECT_EQ(host.play_pauses, c.play_pauses) << c.key;
        EXPECT_EQ(host.selection().empty(), c.deselects) << c.key;
    }
}

TEST_F(Input, CharactersWithKeyCodesDoNothing) {
    // '%' is VK_LEFT's code and '-' is VK_INSERT's: as characters they must not act.
    host.select({1});
    for (UINT ch : {u'%', u'\'', u'-', u'$'}) {
        MSG msg{host.timeline.hwnd, WM_CHAR, ch, 1, 0, {0, 0}};
        SendMessageW(host.timeline.hwnd, WM_GETDLGCODE, ch, reinterpret_cast<LPARAM>(&msg));
    }
    SendMessageW(host.timeline.hwnd, WM_GETDLGCODE, VK_LEFT, 0);  // a bare query
    EXPECT_EQ(host.subs[1].start, 2500u);
    EXPECT_EQ(host.inserts, 0);
    EXPECT_EQ(host.timeline.playhead, 0u);
}

TEST_F(Input, AppsKeyOpensTheMenuAtThePlayhead) {
    host.timeline.playhead = 5000;  // x 400
    host.press(VK_APPS);
    ASSERT_EQ(host.menus_opened.size(), 1u);
    POINT at{400, 20};
    ClientToScreen(host.timeline.hwnd, &at);
    EXPECT_EQ(host.menu_rect.left, at.x);
    EXPECT_EQ(host.menu_rect.top, at.y);
    // Outside the view: scrolled to show it first.
    host.timeline.playhead = 25000;
    host.press(VK_APPS);
    EXPECT_EQ(host.timeline.view_start, 25000 - 10000 + 500);
    EXPECT_EQ(host.menus_opened.size(), 2u);
}

TEST_F(Input, NudgeAcrossANeighbourKeepsTheSameSubSelected) {
    host.subs[0].text = u"moving";
    host.select({0});
    host.focus_row(0);
    const Sub_List before = host.subs;
    std::vector<History_Step> reported;
    host.timeline.on_nudged = [&](History_Step step) { reported.push_back(std::move(step)); };
    // 16 presses move 1000-2000 to 2600-3600, past sub 2 at 2500.
    for (int i = 0; i < 16; ++i) EXPECT_EQ(host.press(VK_RIGHT, i > 0), DLGC_WANTARROWS);
    // Each press reports the whole series, which taken back gives the subs as they were.
    ASSERT_EQ(reported.size(), 16u);
    EXPECT_EQ(reported.front().series, reported.back().series);
    Sub_List undone = host.subs;
    const History_Step& series = reported.back();
    ASSERT_TRUE(apply_change(undone, series.inserted_at, series.removed_at, series.removed));
    EXPECT_TRUE(lists_equal(undone, before));
    EXPECT_EQ(series.inserted_at, std::vector<std::size_t>{1});
    host.release(VK_RIGHT);
    EXPECT_EQ(host.subs[1].text, u"moving");
    EXPECT_EQ(host.subs[1].start, 2600u);
    EXPECT_EQ(host.subs[1].end, 3600u);
    EXPECT_EQ(host.subs[0].start, 2500u);
    EXPECT_EQ(host.selection(), std::vector<int>{1});
    EXPECT_TRUE(host.focused(1));
    EXPECT_TRUE(host.timeline.nudge_set.empty());
    EXPECT_EQ(host.modified, 16);
    // Both rows show their new subs, the passed one included.
    EXPECT_EQ(host.cell(1, 1), u"0:00:02.600");
    EXPECT_EQ(host.cell(1, 2), u"0:00:03.600");
    EXPECT_EQ(host.cell(1, 3), u"01.000");
    EXPECT_EQ(host.cell(1, 4), u"moving");
    EXPECT_EQ(host.cell(0, 1), u"0:00:02.500");
    EXPECT_EQ(host.cell(0, 4), u"sub 1");
    // A new press starts a new series.
    host.press(VK_RIGHT);
    EXPECT_NE(reported.back().series, series.series);
}

TEST_F(Input, InterruptedSeriesStartsFromTheCurrentSelection) {
    host.load(make_subs({{1000, 2000}, {3000, 4000}, {5000, 6000}}));
    SetFocus(host.timeline.hwnd);
    host.select({2});
    host.press(VK_RIGHT);
    // While the arrow is held the focus goes elsewhere (a question, a click on the list) and
    // another sub gets selected; the release never reaches the timeline.
    SetFocus(host.list.hwnd);
    host.select({0});
    SetFocus(host.timeline.hwnd);
    host.press(VK_RIGHT, true);
    EXPECT_EQ(host.subs[0].start, 1100u);
    EXPECT_EQ(host.subs[2].start, 5100u);
    // The same without the focus moving: a fresh press starts a new series.
    host.select({1});
    host.press(VK_RIGHT);
    EXPECT_EQ(host.subs[1].start, 3100u);
    EXPECT_EQ(host.subs[0].start, 1100u);
}

TEST_F(Input, NudgeOfTwoSelectedSubsPassingEachOther) {
    // Two selected subs with an unselected one between them that both pass.
    host.load(make_subs({{1000, 1100}, {1050, 1150}, {1120, 1200}}));
    host.select({0, 2});
    host.press(VK_RIGHT);
    host.release(VK_RIGHT);
    EXPECT_EQ(host.subs[0].start, 1050u);  // the unselected sub now leads
    EXPECT_EQ(host.selection(), (std::vector<int>{1, 2}));
    EXPECT_FALSE(host.selected(0));
}

TEST_F(Input, ShiftChangesOnlyTheEnd) {
    host.select({0});
    {
        Held_Keys shift{VK_SHIFT};
        host.press(VK_LEFT);
    }
    EXPECT_EQ(host.subs[0].start, 1000u);
    EXPECT_EQ(host.subs[0].end, 1900u);
    {
        Held_Keys shift{VK_SHIFT};
        for (int i = 0; i < 20; ++i) host.press(VK_LEFT);  // stops once 200 ms long
    }
    EXPECT_EQ(host.subs[0].end, 1200u);
    {
        Held_Keys shift{VK_SHIFT};
        host.press(VK_RIGHT);
    }
    EXPECT_EQ(host.subs[0].start, 1000u);
    EXPECT_EQ(host.subs[0].end, 1300u);
    EXPECT_EQ(host.cell(0, 3), u"00.300");
}

TEST_F(Input, RefusedNudgeChangesNothing) {
    host.load(make_subs({{50, 900}, {2500, 3000}}));
    host.select({0, 1});
    host.focus_row(1);
    const Sub_List before = host.subs;
    EXPECT_EQ(host.press(VK_LEFT), DLGC_WANTARROWS);
    EXPECT_EQ(host.timeline.refusals, 1u);
    EXPECT_TRUE(lists_equal(host.subs, before));
    EXPECT_EQ(host.selection(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(host.focused(1));
    EXPECT_EQ(host.modified, 0);
    EXPECT_EQ(host.cell(0, 1), u"old");
}

TEST_F(Input, RefusedWhenAnyTimeWouldWrapInFileOrder) {
    // As read from a file: not sorted. The second row starts earliest.
    host.load(make_subs({{5000, 6000}, {40, 800}}));
    host.select({0, 1});
    host.press(VK_LEFT);
    EXPECT_EQ(host.timeline.refusals, 1u);
    EXPECT_EQ(host.subs[0].start, 5000u);
    EXPECT_EQ(host.subs[1].start, 40u);
}

TEST_F(Input, SnapFromTheSettings) {
    const struct { std::int64_t snap; std::uint64_t start; } cases[] = {
        {250, 1250},   // the setting's step
        {0, 1100},     // zero: the default step
        {-30, 1100},   // negative: the default step, not a wrapped huge one
    };
    for (const auto& c : cases) {
        host.load(make_subs({{1000, 2000}, {5000, 6000}}));
        host.select({0});
        host.timeline.snap = c.snap;
        host.press(VK_RIGHT);
        host.release(VK_RIGHT);
        EXPECT_EQ(host.subs[0].start, c.start) << c.snap;
        host.press(VK_LEFT);
        host.release(VK_LEFT);
        EXPECT_EQ(host.subs[0].start, 1000u) << c.snap;
        EXPECT_EQ(host.timeline.refusals, 0u) << c.snap;
    }
}

TEST_F(Input, NoSelectionNoNudge) {
    host.list.deselect_all();
    host.press(VK_RIGHT);
    EXPECT_EQ(host.subs[0].start, 1000u);
    EXPECT_EQ(host.modified, 0);
}

TEST_F(Input, NudgeOfSixOrMoreRefreshesOnceLater) {
    Sub_List subs;
    for (int i = 0; i < 8; ++i) subs.push_back(Sub_Item{1000u + i * 1000u, 1500u + i * 1000u, u"t"});
    host.load(subs);
    host.select({0, 1, 2, 3, 4, 5, 6, 7});
    const DWORD start = GetTickCount();
    for (int i = 0; i < 3; ++i) host.press(VK_RIGHT);  // auto-repeat within the 200 ms
    EXPECT_TRUE(host.timeline.refresh_pending);
    EXPECT_EQ(host.cell(7, 1), u"old");  // not yet
    EXPECT_EQ(host.subs[7].start, 8300u);
    ASSERT_TRUE(pump_until([&] { return !host.timeline.refresh_pending; }, 3000));
    EXPECT_GE(GetTickCount() - start, 150u);
    for (int row = 0; row < 8; ++row) EXPECT_EQ(host.cell(row, 4), u"t") << row;
    EXPECT_EQ(host.cell(7, 1), u"0:00:08.300");
    EXPECT_EQ(host.cell(0, 2), u"0:00:01.800");
    EXPECT_EQ(host.modified, 3);
}

TEST_F(Input, KeysThroughTheDialogManager) {
    // Posted key presses pass IsDialogMessage as in the main window's loop.
    host.select({0});
    SetFocus(host.timeline.hwnd);
    PostMessageW(host.timeline.hwnd, WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageW(host.timeline.hwnd, WM_KEYUP, VK_RIGHT, static_cast<LPARAM>(0xC0000001u));
    const DWORD deadline = GetTickCount() + 2000;
    while (host.subs[0].start == 1000 && GetTickCount() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(host.window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    EXPECT_EQ(host.subs[0].start, 1100u);
    EXPECT_EQ(GetFocus(), host.timeline.hwnd);  // the arrow did not move the focus
}

}  // namespace

namespace {

using Times = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

Times times_of(const Sub_List& subs) {
    Times times;
    for (const Sub_Item& sub : subs) times.push_back({sub.start, sub.end});
    return times;
}

// Blocks at x 80-160 (1000-2000), 200-240 (2500-3000) and 400-480 (5000-6000); 12.5 ms a
// pixel, so the 5 px reach is 63 ms; the snap step is 100 ms.
TEST_F(Input, Drags) {
    const Sub_List opened = host.subs;
    const struct {
        std::initializer_list<int> selected;
        int x0;
        std::initializer_list<int> xs;
        bool alt;
        std::uint64_t playhead;
        Times after;
        std::vector<int> selection;
        const char* what;
    } cases[] = {
        {{}, 158, {166}, false, 0, {{1000, 2100}, {2500, 3000}, {5000, 6000}}, {0}, "end edge, on the step"},
        {{}, 402, {380, 370}, false, 0, {{1000, 2000}, {2500, 3000}, {4600, 6000}}, {2}, "start edge, left"},
        {{0}, 220, {300}, false, 0, {{1000, 2000}, {3500, 4000}, {5000, 6000}}, {1}, "body of an unselected sub: it alone"},
        {{0, 1}, 220, {240, 260}, false, 0, {{1500, 2500}, {3000, 3500}, {5000, 6000}}, {0, 1}, "body of two selected"},
        {{}, 158, {185}, false, 2345, {{1000, 2345}, {2500, 3000}, {5000, 6000}}, {0}, "end drawn to the playhead"},
        {{}, 158, {185}, true, 2345, {{1000, 2338}, {2500, 3000}, {5000, 6000}}, {0}, "Alt: no snapping"},
        {{}, 120, {200, 280}, false, 0, {{2500, 3000}, {3000, 4000}, {5000, 6000}}, {1}, "past a neighbour, followed"},
        {{}, 82, {40, -300}, false, 0, {{0, 2000}, {2500, 3000}, {5000, 6000}}, {0}, "a start stops at 0"},
    };
    for (const auto& c : cases) {
        host.load(opened);
        host.select(c.selected);
        host.timeline.playhead = c.playhead;
        History history;
        int moved = 0;
        host.timeline.on_dragged = [&](History_Step step) {
            EXPECT_EQ(step.name, u"drag") << c.what;
            history.record(std::move(step));
        };
        host.timeline.on_drag_moved = [&] { ++moved; };
        if (c.alt) {
            Held_Keys alt{VK_MENU};
            host.drag(c.x0, c.xs);
        } else {
            host.drag(c.x0, c.xs);
        }
        EXPECT_EQ(times_of(host.subs), c.after) << c.what;
        EXPECT_EQ(host.selection(), c.selection) << c.what;
        EXPECT_GT(moved, 0) << c.what;
        EXPECT_EQ(GetCapture(), nullptr) << c.what;
        // The rows that changed were redrawn with the new times.
        for (std::size_t row = 0; row < host.subs.size(); ++row)
            if (times_of(host.subs)[row] != times_of(opened)[row]) {
                EXPECT_EQ(host.shown[row][1], sub_row_text(host.subs, row, Sub_Column::start)) << c.what << row;
                EXPECT_EQ(host.shown[row][2], sub_row_text(host.subs, row, Sub_Column::end)) << c.what << row;
            }
        // One step, and it undoes to the document as it was opened.
        ASSERT_EQ(history.size(), 1u) << c.what;
        const Sub_List dragged = host.subs;
        ASSERT_TRUE(history.undo(host.subs)) << c.what;
        EXPECT_EQ(times_of(host.subs), times_of(opened)) << c.what;
        ASSERT_TRUE(history.redo(host.subs)) << c.what;
        EXPECT_EQ(times_of(host.subs), times_of(dragged)) << c.what;
    }
}

TEST_F(Input, TheRowFollowsWhileTheButtonIsDown) {
    host.select({0});
    const HWND t = host.timeline.hwnd;
    SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(158, 60));
    EXPECT_EQ(GetCapture(), t);
    SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(174, 60));  // +200 ms
    EXPECT_EQ(host.subs[0].end, 2200u);
    EXPECT_EQ(host.shown[0][2], u"0:00:02.200");
    EXPECT_EQ(host.shown[0][3], u"01.200");
    SendMessageW(t, WM_LBUTTONUP, 0, MAKELPARAM(174, 60));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, ACancelledDragPutsEverythingBack) {
    const Sub_List opened = host.subs;
    const HWND t = host.timeline.hwnd;
    const struct { std::function<void()> give_up; const char* what; } cases[] = {
        {[&] { host.press(VK_ESCAPE); }, "Escape"},
        {[&] { SetCapture(host.list_window); }, "another window takes the mouse"},
        {[&] { host.click(WM_RBUTTONDOWN, 300, 60, MK_LBUTTON | MK_RBUTTON); }, "the other button"},
    };
    for (const auto& c : cases) {
        host.load(opened);
        host.select({0, 2});
        host.focus_row(2);
        int recorded = 0;
        host.timeline.on_dragged = [&](History_Step) { ++recorded; };
        host.menus_opened.clear();
        SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 60));
        SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 60));  // both, 2250 ms on (2300 on the step): past sub 2
        ASSERT_EQ(times_of(host.subs), (Times{{2500, 3000}, {3300, 4300}, {7300, 8300}})) << c.what;
        EXPECT_EQ(host.selection(), (std::vector<int>{1, 2})) << c.what;
        c.give_up();
        EXPECT_EQ(times_of(host.subs), times_of(opened)) << c.what;
        EXPECT_EQ(host.selection(), (std::vector<int>{0, 2})) << c.what;
        EXPECT_TRUE(host.focused(2)) << c.what;
        EXPECT_EQ(host.shown[1][1], u"0:00:02.500") << c.what;
        SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 60));  // nothing follows now
        SendMessageW(t, WM_LBUTTONUP, 0, MAKELPARAM(400, 60));
        EXPECT_EQ(times_of(host.subs), times_of(opened)) << c.what;
        EXPECT_EQ(recorded, 0) << c.what;
        EXPECT_TRUE(host.menus_opened.empty()) << c.what;
        ReleaseCapture();
    }
}

TEST_F(Input, CtrlDragOnAnEmptyPlaceMakesASub) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> made;
    host.timeline.on_make_sub = [&](std::uint64_t s, std::uint64_t e) { made.push_back({s, e}); };
    const HWND t = host.timeline.hwnd;
    SendMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(600, 60));  // 7500
    SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(680, 60));    // 8500
    EXPECT_EQ(host.timeline.new_span(), (Drag_Times{7500, 8500}));
    SendMessageW(t, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(560, 60));    // 7000, backwards
    EXPECT_EQ(host.timeline.new_span(), (Drag_Times{7000, 7500}));
    SendMessageW(t, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(560, 60));
    EXPECT_EQ(made, (Times{{7000, 7500}}));
    EXPECT_EQ(host.timeline.new_span(), (Drag_Times{}));
    EXPECT_EQ(host.subs.size(), 3u) << "the window makes the sub, not the timeline";
    // Unmoved it is a Ctrl+click on an empty place: every row deselected, the playhead there.
    host.select({0, 1});
    host.click(WM_LBUTTONDOWN, 600, 60, MK_LBUTTON | MK_CONTROL);
    EXPECT_TRUE(host.selection().empty());
    EXPECT_EQ(host.timeline.playhead, 7500u);
    EXPECT_EQ(made.size(), 1u);
    // Without Ctrl an empty place is a plain click at once; a drag from there does nothing.
    host.drag(600, {680});
    EXPECT_EQ(made.size(), 1u);
    EXPECT_EQ(host.timeline.playhead, 7500u);
}

TEST_F(Input, TheCursorTellsWhatAPressWouldGrab) {
    const HWND t = host.timeline.hwnd;
    const struct { int x, y; LPCWSTR cursor; const char* what; } cases[] = {
        {82, 60, IDC_SIZEWE, "a start"},
        {158, 60, IDC_SIZEWE, "an end"},
        {120, 60, IDC_SIZEALL, "a body"},
        {300, 60, IDC_ARROW, "an empty place"},
        {120, 10, IDC_ARROW, "the ruler above a block"},
    };
    for (const auto& c : cases) {
        POINT at{c.x, c.y};
        ClientToScreen(t, &at);
        SetCursorPos(at.x, at.y);
        SetCursor(nullptr);
        SendMessageW(t, WM_SETCURSOR, reinterpret_cast<WPARAM>(t), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.what;
    }
}

}  // namespace
