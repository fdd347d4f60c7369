#include "app/overlaps_dialog.h"

#include <gtest/gtest.h>

#include "res/dialog_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

Sub_List sample_subs() {
    Sub_List subs;
    subs.push_back({1000, 3000, u"First"});
    subs.push_back({2000, 2500, u"Two\r\nlines"});
    subs.push_back({2400, 4000, u"Third"});
    subs.push_back({3900, 5000, u"Fourth"});
    subs.push_back({62250, 63000, u"Far"});
    return subs;
}

int column_width(HWND list, int column) {
    return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
}

RECT rect_in_parent(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(OverlapsDialog, ListsTheSubsInTheGivenOrder) {
    const Sub_List subs = sample_subs();
    const Overlap_List indices = Overlap_List::of_positions({0, 1, 1, 2, 4});  // a repeat counts twice
    Owner owner;
    Overlaps_Dialog dialog(subs, indices);
    std::wstring caption;
    std::vector<std::vector<std::wstring>> rows;
    DWORD ex_style = 0;
    int columns[3] = {};
    run_dialog(L"Overlapping subs (5)", [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        caption = text_of(d);
        HWND list = GetDlgItem(d, IDC_OVERLAPS_LIST);
        ex_style = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int r = 0; r < count; ++r) rows.push_back({cell(list, r, 0), cell(list, r, 1), cell(list, r, 2)});
        for (int c = 0; c < 3; ++c) columns[c] = column_width(list, c);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(caption, L"Overlapping subs (5)");
    EXPECT_TRUE(ex_style & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(columns[0], 36);
    EXPECT_EQ(columns[1], 74);
    EXPECT_GT(columns[2], 100) << "the text column fills the rest";
    const std::vector<std::vector<std::wstring>> expected = {
        {L"0001", L"0:00:01.000", L"First"},      // position 0 is sub 1
        {L"0002", L"0:00:02.000", L"Two|lines"},  // line break shown as "|"
        {L"0002", L"0:00:02.000", L"Two|lines"},  // repeated position, repeated row
        {L"0003", L"0:00:02.400", L"Third"},
        {L"0005", L"0:01:02.250", L"Far"},        // minutes in the start
    };
    EXPECT_EQ(rows, expected);
}

TEST(OverlapsDialog, Results) {
    const struct {
        const char* how;
        INT_PTR result;
    } cases[] = {
        {"ok", 3},             // fix is checked at the start
        {"select+ok", 4},      // the other choice
        {"fix+ok", 3},         // back to fix
        {"cancel", 2},         // Cancel button
        {"escape", 2},         // Escape key
        {"close", 1},          // close box
        {"none+ok", 2},        // OK with neither checked does nothing; then Cancel
    };
    const Sub_List subs = sample_subs();
    const Overlap_List indices = Overlap_List::of_positions({0, 1, 2, 3});
    Owner owner;
    for (const auto& c : cases) {
        const Sub_List before = subs;
        Overlaps_Dialog dialog(subs, indices);
        const std::string how = c.how;
        bool fix_checked_at_start = false, open_after_ok = false;
        const INT_PTR result = run_dialog(L"Overlapping subs (4)", [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            fix_checked_at_start = is_checked(d, IDC_OVERLAPS_FIX) && !is_checked(d, IDC_OVERLAPS_SELECT);
            if (how == "select+ok") SendMessageW(GetDlgItem(d, IDC_OVERLAPS_SELECT), BM_CLICK, 0, 0);
            if (how == "fix+ok") {
                SendMessageW(GetDlgItem(d, IDC_OVERLAPS_SELECT), BM_CLICK, 0, 0);
                SendMessageW(GetDlgItem(d, IDC_OVERLAPS_FIX), BM_CLICK, 0, 0);
            }
            if (how == "none+ok") {
                SendMessageW(GetDlgItem(d, IDC_OVERLAPS_FIX), BM_SETCHECK, BST_UNCHECKED, 0);
                SendMessageW(d, WM_COMMAND, IDOK, 0);
                open_after_ok = IsWindow(d) != FALSE;
                click(d, IDCANCEL);
            } else if (how.ends_with("ok")) {
                click(d, IDOK);
            }
            if (how == "cancel") click(d, IDCANCEL);
            if (how == "close") PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (how == "escape") {
                HWND list = GetDlgItem(d, IDC_OVERLAPS_LIST);
                PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            }
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, c.result) << c.how;
        EXPECT_TRUE(fix_checked_at_start) << c.how;
        if (how == "none+ok") {
            EXPECT_TRUE(open_after_ok);
        }
        EXPECT_TRUE(lists_equal(subs, before)) << "the dialog changes nothing";
    }
}

TEST(OverlapsDialog, ResizingKeepsControlsAnchored) {
    const Sub_List subs = sample_subs();
    const Overlap_List indices = Overlap_List::of_positions({0, 1});
    Owner owner;
    Overlaps_Dialog dialog(subs, indices);
    const int ids[] = {IDC_OVERLAPS_LIST, IDC_OVERLAPS_QUESTION, IDC_OVERLAPS_FIX, IDC_OVERLAPS_SELECT, IDOK, IDCANCEL};
    RECT before[6] = {}, after[6] = {};
    int text_before = 0, text_after = 0;
    run_dialog(L"Overlapping subs (2)", [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        for (int i = 0; i < 6; ++i) before[i] = rect_in_parent(GetDlgItem(d, ids[i]));
        HWND list = GetDlgItem(d, IDC_OVERLAPS_LIST);
        text_before = column_width(list, 2);
        RECT w = {};
        GetWindowRect(d, &w);
        SetWindowPos(d, nullptr, 0, 0, w.right - w.left + 120, w.bottom - w.top + 60, SWP_NOMOVE | SWP_NOZORDER);
        for (int i = 0; i < 6; ++i) after[i] = rect_in_parent(GetDlgItem(d, ids[i]));
        text_after = column_width(list, 2);
        click(d, IDCANCEL);
    });
    // The list stretches both ways.
    EXPECT_EQ(after[0].left, before[0].left);
    EXPECT_EQ(after[0].top, before[0].top);
    EXPECT_EQ(after[0].right - before[0].right, 120);
    EXPECT_EQ(after[0].bottom - before[0].bottom, 60);
    EXPECT_EQ(text_after - text_before, 120) << "the Text column takes the new width";
    // The caption and the radios stay at the left and follow the bottom edge.
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(after[i].left, before[i].left) << ids[i];
        EXPECT_EQ(after[i].right, before[i].right) << ids[i];
        EXPECT_EQ(after[i].top - before[i].top, 60) << ids[i];
    }
    // The buttons follow the bottom-right corner.
    for (int i = 4; i <= 5; ++i) {
        EXPECT_EQ(after[i].left - before[i].left, 120) << ids[i];
        EXPECT_EQ(after[i].top - before[i].top, 60) << ids[i];
        EXPECT_EQ(after[i].right - after[i].left, before[i].right - before[i].left) << ids[i];
    }
}

TEST(OverlapsDialog, CentresOverTheOwner) {
    const Sub_List subs = sample_subs();
    const Overlap_List indices = Overlap_List::of_positions({0});
    Owner owner;
    Overlaps_Dialog dialog(subs, indices);
    POINT centre = {};
    run_dialog(L"Overlapping subs (1)", [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        centre = centre_of(d);
        click(d, IDCANCEL);
    });
    const POINT expected = centre_of(owner.hwnd);
    EXPECT_LE(std::abs(centre.x - expected.x), 1);
    EXPECT_LE(std::abs(centre.y - expected.y), 1);
}
