#include "app/find_dialog.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"Find in subs";

// Sixty subs; the ones that matter for the searches below have texts of their own.
Sub_List document() {
    Sub_List subs;
    for (int i = 0; i < 60; ++i) {
        const std::uint64_t start = 1000u + 2000u * static_cast<unsigned>(i);
        subs.push_back({start, start + 1500, u"filler"});
    }
    subs[0].text = u"Hello world";
    subs[1].text = u"HELLO again";
    subs[2].text = u"say hello\r\nworld";
    subs[4].text = u"   three spaces";
    subs[9].text = u"hello ten";
    subs[49].text = u"hello fifty";
    return subs;
}

std::vector<std::wstring> first_column(HWND list) {
    std::vector<std::wstring> out;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) out.push_back(cell(list, r, 0));
    return out;
}

int row_of(HWND list, const wchar_t* number) {
    const std::vector<std::wstring> numbers = first_column(list);
    for (std::size_t r = 0; r < numbers.size(); ++r) {
        if (numbers[r] == number) return static_cast<int>(r);
    }
    return -1;
}

}  // namespace

TEST(FindDialog, SearchesAsTheUserTypes) {
    const struct {
        const wchar_t* query;
        std::vector<std::wstring> rows;
        const wchar_t* label;
    } steps[] = {
        {L"h", {}, L""},                                                    // one character: nothing
        {L"he", {}, L""},                                                   // two characters: still nothing
        {L"hel", {L"0001", L"0002", L"0003", L"0010", L"0050"}, L"5 found"},  // the third starts the search
        {L"HELLO W", {L"0001"}, L"1 found"},                                // letter case ignored
        {L"xyz", {}, L"0 found"},                                           // no match shows a count of 0
        {L"   ", {L"0005"}, L"1 found"},                                    // three spaces are searched too
        {L"he", {}, L""},                                                   // back to two clears the list
        {L"filler", {}, L"54 found"},                                       // many matches (rows counted below)
    };
    const Sub_List subs = document();
    Owner owner;
    Main_List main(owner, subs.size());
    Find_Dialog dialog(subs, main.list);
    std::wstring initial_label;
    std::vector<std::vector<std::wstring>> rows;
    std::vector<std::wstring> labels;
    std::vector<std::wstring> third_row;
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        initial_label = item_text(d, IDC_FIND_COUNT);
        HWND list = GetDlgItem(d, IDC_FIND_LIST);
        for (const auto& step : steps) {
            set_item_text(d, IDC_FIND_QUERY, step.query);
            rows.push_back(first_column(list));
            labels.push_back(item_text(d, IDC_FIND_COUNT));
            if (std::wstring(step.query) == L"hel") third_row = {cell(list, 2, 0), cell(list, 2, 1), cell(list, 2, 2)};
        }
        click(d, IDCANCEL);
    });
    EXPECT_EQ(initial_label, L"");
    ASSERT_EQ(rows.size(), std::size(steps));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (std::wstring(steps[i].query) == L"filler") {
            EXPECT_EQ(rows[i].size(), 54u);
            EXPECT_EQ(rows[i].front(), L"0004");
            EXPECT_EQ(rows[i].back(), L"0060");
        } else {
            EXPECT_EQ(rows[i], steps[i].rows) << "query " << i;
        }
        EXPECT_EQ(labels[i], steps[i].label) << "query " << i;
    }
    const std::vector<std::wstring> expected_row = {L"0003", L"0:00:05.000", L"say hello|world"};
    EXPECT_EQ(third_row, expected_row);
}

TEST(FindDialog, SelectingResultsSelectsTheSubsInTheMainList) {
    const Sub_List subs = document();
    Owner owner;
    Main_List main(owner, subs.size());
    set_state(main.hwnd, 0, LVIS_SELECTED, LVIS_SELECTED);   // earlier selection, to be replaced
    set_state(main.hwnd, 30, LVIS_SELECTED, LVIS_SELECTED);
    Find_Dialog dialog(subs, main.list);
    std::vector<int> after_two, after_focus;
    int focused = -2;
    bool fifty_visible_before = true, fifty_visible_after = false;
    int top_after = -1;
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        HWND list = GetDlgItem(d, IDC_FIND_LIST);
        set_item_text(d, IDC_FIND_QUERY, L"hello");
        set_state(list, row_of(list, L"0003"), LVIS_SELECTED, LVIS_SELECTED);
        set_state(list, row_of(list, L"0010"), LVIS_SELECTED, LVIS_SELECTED);
        after_two = main.selected();
        fifty_visible_before = main.visible(49);
        set_state(list, -1, 0, LVIS_SELECTED);
        set_state(list, row_of(list, L"0050"), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        after_focus = main.selected();
        focused = main.focused();
        fifty_visible_after = main.visible(49);
        top_after = static_cast<int>(SendMessageW(main.hwnd, LVM_GETTOPINDEX, 0, 0));
        click(d, IDCANCEL);
    });
    EXPECT_EQ(after_two, (std::vector<int>{2, 9})) << "subs 3 and 10 and nothing else";
    EXPECT_EQ(after_focus, (std::vector<int>{49}));
    EXPECT_EQ(focused, 49);
    EXPECT_FALSE(fifty_visible_before) << "the fixture must need a scroll";
    // The scrolling itself is the list wrapper's; here it must have moved towards row 49.
    EXPECT_GT(top_after, 0) << "the main list scrolls to the focused sub";
    if (!fifty_visible_after) std::printf("note: row 49 not in view after scroll_to, top row %d\n", top_after);
}

TEST(FindDialog, CtrlASelectsAllResults) {
    const Sub_List subs = document();
    Owner owner;
    Main_List main(owner, subs.size());
    Find_Dialog dialog(subs, main.list);
    std::vector<int> selected;
    int result_selected = -1;
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        HWND list = GetDlgItem(d, IDC_FIND_LIST);
        set_item_text(d, IDC_FIND_QUERY, L"hello");
        PostMessageW(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
        // Ctrl must really be down: the list reads it with GetAsyncKeyState.
        for (int attempt = 0; attempt < 3 && SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) != 5; ++attempt) {
            keybd_event(VK_CONTROL, 0, 0, 0);
            wait_for([] { return GetAsyncKeyState(VK_CONTROL) < 0; }, 2000);
            // A thread may keep its last reading of the keys for some milliseconds.
            Sleep(100);
            PostMessageW(list, WM_KEYDOWN, 'A', 0x001E0001);
            wait_for([&] { return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 5; }, 3000);
            keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        }
        result_selected = static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
        selected = main.selected();
        click(d, IDCANCEL);
    });
    EXPECT_EQ(result_selected, 5);
    EXPECT_EQ(selected, (std::vector<int>{0, 1, 2, 9, 49}));
}

TEST(FindDialog, EnterDoesNothingAndEscapeCloses) {
    const Sub_List subs = document();
    Owner owner;
    Main_List main(owner, subs.size());
    Find_Dialog dialog(subs, main.list);
    bool open_after_enter = false;
    POINT centre = {};
    const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        centre = centre_of(d);
        HWND query = GetDlgItem(d, IDC_FIND_QUERY);
        set_item_text(d, IDC_FIND_QUERY, L"hello");
        PostMessageW(query, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        // Posted messages run in order: once this selection shows, Enter has been handled.
        PostMessageW(query, EM_SETSEL, 1, 2);
        wait_for([&] {
            DWORD s = 0, e = 0;
            SendMessageW(query, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
            return s == 1 && e == 2;
        });
        open_after_enter = IsWindow(d) && item_text(d, IDC_FIND_COUNT) == L"5 found";
        PostMessageW(query, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        wait_for([&] { return !IsWindow(d); });
    });
    EXPECT_TRUE(open_after_enter);
    EXPECT_EQ(result, 2);
    const POINT expected = centre_of(owner.hwnd);
    EXPECT_LE(std::abs(centre.x - expected.x), 1);
    EXPECT_LE(std::abs(centre.y - expected.y), 1);
}

TEST(FindDialog, ResizingWidensTheFieldAndTheList) {
    const Sub_List subs = document();
    Owner owner;
    Main_List main(owner, subs.size());
    Find_Dialog dialog(subs, main.list);
    RECT query_before = {}, query_after = {}, list_before = {}, list_after = {};
    int text_before = 0, text_after = 0;
    auto rect_of = [](HWND control) {
        RECT r = {};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        HWND query = GetDlgItem(d, IDC_FIND_QUERY), list = GetDlgItem(d, IDC_FIND_LIST);
        query_before = rect_of(query);
        list_before = rect_of(list);
        text_before = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
        RECT w = {};
        GetWindowRect(d, &w);
        SetWindowPos(d, nullptr, 0, 0, w.right - w.left + 80, w.bottom - w.top + 50, SWP_NOMOVE | SWP_NOZORDER);
        query_after = rect_of(query);
        list_after = rect_of(list);
        text_after = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
        click(d, IDCANCEL);
    });
    EXPECT_EQ(query_after.left, query_before.left);
    EXPECT_EQ(query_after.right - query_before.right, 80);
    EXPECT_EQ(query_after.top, query_before.top);
    EXPECT_EQ(query_after.bottom, query_before.bottom);
    EXPECT_EQ(list_after.top, list_before.top);
    EXPECT_EQ(list_after.right - list_before.right, 80);
    EXPECT_EQ(list_after.bottom - list_before.bottom, 50);
    EXPECT_EQ(text_after - text_before, 80);
}
