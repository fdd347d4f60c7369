// The timeline's view, painting and scrolling, in real windows.

#include "timeline/timeline_control.h"

#include <gtest/gtest.h>

#include "io/strings.h"
#include "tests/timeline/timeline_host.h"

namespace {

using timeline_test::Canvas;
using timeline_test::Host;
using timeline_test::make_subs;
using timeline_test::pump_until;

std::string hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof(text), "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF selected_fill = RGB(182, 197, 220);
constexpr COLORREF blue_outline = RGB(93, 124, 177);
constexpr COLORREF red_outline = RGB(255, 16, 16);
constexpr COLORREF playhead_red = RGB(255, 45, 45);
constexpr COLORREF ruler = RGB(124, 99, 124);
constexpr COLORREF unfocused_grey = RGB(171, 171, 171);

TEST(TimelineControl, CreatesWithItsClassStylesAndMenu) {
    Host host;
    ASSERT_TRUE(host.created);
    wchar_t name[32] = {};
    GetClassNameW(host.timeline.hwnd, name, 32);
    EXPECT_STREQ(name, L"CTL_TIMELINE");
    const LONG_PTR style = GetWindowLongPtrW(host.timeline.hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_GROUP);
    EXPECT_TRUE(GetWindowLongPtrW(host.timeline.hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(GetClassLongPtrW(host.timeline.hwnd, GCLP_HBRBACKGROUND), 16);
    EXPECT_EQ(GetDlgCtrlID(host.timeline.hwnd), 667);
    EXPECT_NE(host.timeline.font, nullptr);
    // Menu 103's first popup, items in order.
    ASSERT_NE(host.timeline.context_menu, nullptr);
    const UINT ids[] = {40020, 40021, 40022, 40023, 0, 40024, 40025};
    ASSERT_EQ(GetMenuItemCount(host.timeline.context_menu), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(GetMenuItemID(host.timeline.context_menu, i), ids[i]) << i;
}

TEST(TimelineControl, SetRangeGoesToTheScrollBar) {
    Host host;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(host.timeline.hwnd, SB_HORZ, &info));
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 3599999);
    EXPECT_EQ(info.nPage, 900000u);
    EXPECT_EQ(host.timeline.range_end, 3599999);
    EXPECT_EQ(host.timeline.view_span, 900000u);

    // A shorter range clamps the position the scroll bar's way.
    SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
    SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
    EXPECT_EQ(host.timeline.view_start, 1800000);
    host.timeline.set_range(90100);
    EXPECT_EQ(host.timeline.range_end, 90099);
    EXPECT_EQ(host.timeline.view_span, 22525u);
    EXPECT_EQ(host.timeline.view_start, 90099 - 22525 + 1);
}

TEST(TimelineControl, CenterOnPlayhead) {
    Host host;
    const struct { std::uint64_t playhead; std::int32_t want; } cases[] = {
        {1000000, 550000},     // playhead minus half the span
        {899999, 0},           // before one span: the start
        {3599999, 2700000},    // held at the scroll bar's end
    };
    for (const auto& c : cases) {
        host.timeline.playhead = c.playhead;
        host.timeline.center_on_playhead();
        EXPECT_EQ(host.timeline.view_start, c.want) << c.playhead;
    }
}

TEST(TimelineControl, ScrollBarRequestsAndNotifications) {
    Host host;
    host.timeline.set_range(40000);  // span 10000, line 500
    const struct { WORD code; std::int32_t want; } cases[] = {
        {SB_LINERIGHT, 500},
        {SB_PAGERIGHT, 10500},
        {SB_LINELEFT, 10000},
        {SB_PAGELEFT, 0},
        {SB_LINELEFT, 0},          // held at 0
        {SB_ENDSCROLL, 0},         // other codes leave it
    };
    for (const auto& c : cases) {
        host.hscrolls.clear();
        SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(c.code, 0), 0);
        EXPECT_EQ(host.timeline.view_start, c.want) << c.code;
        ASSERT_EQ(host.hscrolls.size(), 1u) << c.code;
        EXPECT_EQ(host.hscrolls[0].first, c.code);
        EXPECT_EQ(host.hscrolls[0].second, host.timeline.hwnd);
    }
    for (int i = 0; i < 5; ++i) SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
    EXPECT_EQ(host.timeline.view_start, 30000);  // range_end - span + 1

    // A real drag of the thumb 200 px to the right over an hour goes past 65,535 ms, where the
    // message's 16-bit position would wrap.
    host.timeline.set_range(3600000);
    const std::int32_t start = host.timeline.view_start;
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetScrollBarInfo(host.timeline.hwnd, OBJID_HSCROLL, &bar));
    const int x = bar.rcScrollBar.left + (bar.xyThumbTop + bar.xyThumbBottom) / 2, y = bar.rcScrollBar.top + 5;
    const auto mouse = [y](DWORD button, int at) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi = {MulDiv(at, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1, MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1,
                 0, button | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 0, 0};
        return in;
    };
    INPUT drag[] = {mouse(0, x), mouse(MOUSEEVENTF_LEFTDOWN, x), mouse(0, x + 100), mouse(MOUSEEVENTF_LEFTUP, x + 200)};
    host.hscrolls.clear();
    SendInput(4, drag, sizeof(INPUT));
    EXPECT_TRUE(pump_until([&] { return !host.hscrolls.empty() && host.hscrolls.back().first == SB_ENDSCROLL; }));
    const int track = bar.rcScrollBar.right - bar.rcScrollBar.left - 2 * GetSystemMetrics(SM_CXHSCROLL);
    const double want = start + 200.0 / (track - (bar.xyThumbBottom - bar.xyThumbTop)) * (3600000 - 900000);
    EXPECT_GT(host.timeline.view_start, 65535);
    EXPECT_NEAR(host.timeline.view_start, want, want / 20);
}

TEST(TimelineControl, WheelZoomsAroundThePlayheadWithinItsLimits) {
    Host host;
    host.timeline.playhead = 1000000;
    host.hscrolls.clear();
    SendMessageW(host.timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(host.timeline.view_span, 720000u);
    EXPECT_EQ(host.timeline.view_start, 640000);
    ASSERT_EQ(host.hscrolls.size(), 1u);
    EXPECT_EQ(host.hscrolls[0].first, SB_LINELEFT);

    for (int i = 0; i < 100; ++i) SendMessageW(host.timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(host.timeline.view_span, 20u);  // the narrowest view
    EXPECT_EQ(host.timeline.view_start, 1000000 - 10);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_PAGE | SIF_POS;
    GetScrollInfo(host.timeline.hwnd, SB_HORZ, &info);
    EXPECT_EQ(info.nPage, 20u);

    host.hscrolls.clear();
    for (int i = 0; i < 100; ++i) SendMessageW(host.timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(host.timeline.view_span, 3600000u);  // the whole range
    EXPECT_EQ(host.timeline.view_start, 0);
    EXPECT_EQ(host.hscrolls.back().first, SB_LINERIGHT);
    // The scroll bar stays (disabled) when the page covers the range: the client keeps its size.
    RECT client{};
    GetClientRect(host.timeline.hwnd, &client);
    EXPECT_EQ(client.bottom, Host::height);
}

TEST(TimelineControl, WheelWithShiftOrCtrlScrolls) {
    Host host;
    host.timeline.set_range(40000);
    host.timeline.playhead = 20000;
    const struct { WORD keys; short delta; std::int32_t want; } cases[] = {
        {MK_SHIFT, -WHEEL_DELTA, 500},     // down: right by one line (5 % of 10000)
        {MK_CONTROL, -WHEEL_DELTA, 1000},
        {MK_SHIFT, WHEEL_DELTA, 500},      // up: left
    };
    for (const auto& c : cases) {
        SendMessageW(host.timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(c.keys, c.delta), 0);
        EXPECT_EQ(host.timeline.view_start, c.want);
        EXPECT_EQ(host.timeline.view_span, 10000u);  // no zoom
    }
}

// Subs every second, half a second long; the view zoomed to about 10 s around the middle.
std::size_t visits_for(std::size_t count) {
    Host host;
    // An owner-data list holds the selection of any number of rows without inserting them.
    HWND big = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT | LVS_OWNERDATA, 0, 0, 10, 10,
                               host.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1002)),
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(big, LVM_SETITEMCOUNT, count, 0);
    listview big_list;
    big_list.assign(host.window, 1002);
    Sub_List subs;
    subs.reserve(count);
    for (std::size_t i = 0; i < count; ++i) subs.push_back(Sub_Item{i * 1000, i * 1000 + 500, u"x"});
    Timeline_Control timeline(subs, big_list);
    timeline.width = Host::width;
    timeline.height = Host::height;
    EXPECT_TRUE(timeline.create(host.window));
    timeline.set_range(static_cast<std::int32_t>(subs.back().end + 100));
    timeline.playhead = count / 2 * 1000 + 250;
    for (int i = 0; i < 200 && timeline.view_span > 10000; ++i)
        SendMessageW(timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    InvalidateRect(timeline.hwnd, nullptr, FALSE);
    UpdateWindow(timeline.hwnd);
    const std::size_t visited = timeline.painted_subs_visited;
    DestroyWindow(timeline.hwnd);
    return visited;
}

TEST(TimelineControl, PaintingCostDoesNotGrowWithTheDocument) {
    const std::size_t small = visits_for(1000);
    const std::size_t large = visits_for(100000);
    // About ten subs are visible: blocks and overlap markers each look at that many plus one.
    EXPECT_GT(small, 10u);
    EXPECT_LE(small, 30u);
    EXPECT_LE(large, small + 2);
    EXPECT_GE(large + 2, small);
}

// 800 px over 0 ... 10000 ms: 0.08 px/ms.
struct Painted : ::testing::Test {
    void SetUp() override {
        host.load(make_subs({{1000, 2000}, {2500, 4000}, {3500, 5000}, {6500, 6537}}));
        host.timeline.set_range(40000);
        host.select({0});
        host.timeline.playhead = 6000;
        for (Sub_Item& sub : host.subs) sub.text.clear();
    }
    Host host;
};

TEST_F(Painted, BlockFillsAndOutlines) {
    const Canvas c(host.timeline, Host::width, Host::height, true);
    const struct { int x, y; COLORREF want; const char* what; } cases[] = {
        {120, 88, selected_fill, "selected sub 1 fill"},
        {80, 60, blue_outline, "sub 1 left edge: a gap before sub 2"},
        {120, 30, blue_outline, "sub 1 top edge"},
        {159, 60, blue_outline, "sub 1 right edge (x2 - 1)"},
        {240, 88, white, "sub 2 fill"},
        {200, 60, red_outline, "sub 2 overlaps sub 3: red"},
        {240, 93, red_outline, "sub 2 bottom edge"},
        {300, 88, white, "sub 3 fill covers the end of sub 2"},
        {280, 60, blue_outline, "sub 3 is the last of its run: blue"},
        {520, 60, blue_outline, "the last sub is blue"},
        {20, 60, GetSysColor(COLOR_BTNFACE), "focused background"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(hex(c.at(row.x, row.y)), hex(row.want)) << row.what << " at " << row.x << "," << row.y;
}

TEST_F(Painted, OverlapMarkerIsDottedRed) {
    const Canvas c(host.timeline, Host::width, Host::height, true);
    // Sub 2 ends at x 320, inside sub 3: its hidden right edge is drawn dotted.
    const int red = c.count_in_column(320, 31, 92, red_outline);
    EXPECT_GT(red, 10);
    EXPECT_LT(red, 62);  // dotted, not solid
    // The marker's top line runs along y 30 over sub 3's fill.
    int top = 0;
    for (int x = 290; x < 320; ++x) top += c.at(x, 30) == red_outline;
    EXPECT_GT(top, 5);
}

TEST_F(Painted, PlayheadLineAndTriangle) {
    const Canvas c(host.timeline, Host::width, Host::height, true);
    const struct { int x, y; bool red; const char* what; } cases[] = {
        {480, 110, true, "the line below the blocks"},
        {480, 60, true, "the line over the band"},
        {480, 2, true, "the triangle's middle"},
        {477, 1, true, "the triangle's left half"},
        {483, 1, true, "the triangle's right half"},
        {474, 4, false, "outside the triangle"},
        {481, 110, false, "the line is one pixel wide"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(c.at(row.x, row.y) == playhead_red, row.red) << row.what << " " << hex(c.at(row.x, row.y));

    // A playhead left of the view is not drawn.
    host.timeline.playhead = 0;
    SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), 0);
    const Canvas left(host.timeline, Host::width, Host::height, true);
    int red = 0;
    for (int x = 0; x < Host::width; ++x) red += left.at(x, 110) == playhead_red;
    EXPECT_EQ(red, 0);
}

TEST_F(Painted, UnfocusedBackgroundAndRuler) {
    const Canvas c(host.timeline, Host::width, Host::height, false);
    EXPECT_EQ(hex(c.at(700, 110)), hex(unfocused_grey));
    EXPECT_EQ(hex(c.at(120, 88)), hex(selected_fill));  // blocks look the same
    // Step 1000 ms = 80 px: dotted ruler lines at 640 and 720, none between.
    EXPECT_GT(c.count_in_column(640, 96, 119, ruler), 4);
    EXPECT_LT(c.count_in_column(640, 96, 119, ruler), 24);
    EXPECT_EQ(c.count_in_column(700, 96, 119, ruler), 0);
}

TEST_F(Painted, NarrowBlocksShowNoText) {
    host.subs[3].text = u"WWWWWWWW";
    host.subs[0].text = u"WWWWWWWW";
    const Canvas c(host.timeline, Host::width, Host::height, true);
    // Sub 4 is 3 px wide (x 520 ... 523): its 1 px text column stays free of text.
    const auto black = [](COLORREF v) { return GetRValue(v) < 60 && GetGValue(v) < 60 && GetBValue(v) < 60; };
    int stray = 0;
    for (int x = 518; x < 530; ++x)
        for (int y = 31; y < 93; ++y) stray += black(c.at(x, y));
    EXPECT_EQ(stray, 0);
    // Sub 1 (80 px) shows its text: dark pixels in the text rectangle.
    int dark = 0;
    for (int x = 82; x < 159; ++x)
        for (int y = 50; y < 93; ++y) dark += black(c.at(x, y));
    EXPECT_GT(dark, 20);
}

TEST_F(Painted, BlocksCoveredByTheNextAreLeftOutPixelForPixel) {
    // Wide blocks that start 2 ms (0.16 px) apart and mostly end together: most are wholly
    // covered by the next. Some end later than the next; some texts reach below their block.
    Sub_List subs;
    for (std::uint64_t i = 0; i < 300; ++i) {
        const std::uint64_t end = i % 11 == 0 ? 9500 : i % 5 == 0 ? 8000 : 9000;
        std::u16string text = i % 7 == 0 ? u"Ag\r\nBg\r\nCg\r\nDg" : i % 13 == 0 ? u"Tall\nqg\rpj\nyg" : u"Sub " + to_decimal(static_cast<std::int64_t>(i));
        subs.push_back(Sub_Item{1000 + i * 2, end, text});
    }
    subs.push_back(Sub_Item{2600, 2602, u"narrow"});
    subs.push_back(Sub_Item{2600, 2700, u"wide"});
    host.load(subs);
    host.select({3, 4, 150, 299});
    const Canvas drawn(host.timeline, Host::width, Host::height, true);
    const std::size_t blocks = host.timeline.painted_blocks;
    host.timeline.paint_covered_blocks = true;
    const Canvas every(host.timeline, Host::width, Host::height, true);
    EXPECT_EQ(host.timeline.painted_blocks, subs.size());
    EXPECT_LT(blocks, subs.size() / 2);
    int differing = 0;
    for (int y = 0; y < Host::height; ++y)
        for (int x = 0; x < Host::width; ++x) differing += drawn.at(x, y) != every.at(x, y);
    EXPECT_EQ(differing, 0);
}

TEST_F(Painted, WindowShowsTheFocus) {
    // The real window read back from the screen: grey without focus, button face with it.
    const auto sample = [&] {
        InvalidateRect(host.timeline.hwnd, nullptr, FALSE);
        UpdateWindow(host.timeline.hwnd);
        HDC window_dc = GetDC(host.timeline.hwnd);
        const COLORREF c = GetPixel(window_dc, 700, 110);
        ReleaseDC(host.timeline.hwnd, window_dc);
        return c;
    };
    SetFocus(host.list_window);
    pump_until([] { return false; }, 50);
    EXPECT_EQ(hex(sample()), hex(unfocused_grey));
    SetFocus(host.timeline.hwnd);
    pump_until([] { return false; }, 50);
    EXPECT_EQ(hex(sample()), hex(GetSysColor(COLOR_BTNFACE)));
}

TEST(TimelineControl, HitTest) {
    Host host;
    host.load(make_subs({{1000, 2000}, {1500, 3000}, {3000, 3010}}));
    host.timeline.set_range(40000);  // 0.08 px/ms
    const struct { int x, y; std::size_t want; } cases[] = {
        {100, 60, 0},                // inside sub 1
        {130, 60, 0},                // where subs 1 and 2 overlap: the lower index
        {200, 60, 1},                // sub 2 only
        {80, 30, 0},                 // the band's top-left corner
        {160, 94, 0},                // the band's bottom, the block's right end
        {100, 29, no_position},      // above the band
        {100, 95, no_position},      // below
        {500, 60, no_position},      // empty time
    };
    for (const auto& c : cases) EXPECT_EQ(host.timeline.hit_test(c.x, c.y), c.want) << c.x << "," << c.y;
    // Every sub starts before the view: the last one still shows and hits where it reaches in.
    host.load(make_subs({{0, 500}, {1000, 25000}}));
    for (int i = 0; i < 4; ++i) SendMessageW(host.timeline.hwnd, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), 0);
    EXPECT_EQ(host.timeline.view_start, 2000);
    EXPECT_EQ(host.timeline.hit_test(10, 60), 1u);
    Sub_List none;
    host.subs = none;
    EXPECT_EQ(host.timeline.hit_test(10, 60), no_position);
}

}  // namespace
