// Editing on a real main window with real input: Insert, the Edit dialog from Enter and a
// double click, the selection count after mouse selections, the context menu, Locate.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "io/strings.h"
#include "res/dialog_ids.h"
#include "test_app_support.h"

namespace {

// Keyboard focus of the window's thread (GetFocus only answers for the caller's thread).
HWND focus_of(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Characters as the keyboard would type them; "\n" is the Enter key.
void type_text(const std::u16string& text) {
    std::vector<INPUT> inputs;
    for (char16_t c : text) {
        if (c == u'\n') {
            inputs.push_back(key_input(VK_RETURN, false));
            inputs.push_back(key_input(VK_RETURN, true));
            continue;
        }
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(in);
        in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    send_input(inputs);
}

int focused_row(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED)); }

// The Edit dialog's typed text box, once it has the focus.
HWND wait_for_text_box(HWND dialog) {
    const HWND text = GetDlgItem(dialog, IDC_EDIT_TEXT);
    EXPECT_TRUE(wait_until([&] { return focus_of(dialog) == text; })) << "the text box never got the focus";
    return text;
}

std::string item(HWND dialog, int id) { return utf8(text_of(GetDlgItem(dialog, id))); }

const std::vector<Srt_Sub> two_subs = {{5000, 6000, "Five"}, {14000, 15000, "Fourteen"}};

TEST(Insert, NewSubAtPlayheadWithLengthFromSettings) {
    App_Folder folder;
    folder.write("Cuemill.ini", settings_text("newSubLength=2000", "newSubLength=2500"));
    folder.write("two.srt", srt_of(two_subs));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "two.srt", 2);
        const HWND list = list_of(main);
        bring_to_front(main);
        on_window_thread(main, [&] { window.timeline_control().playhead = 10000; });
        post_command(main, cmd_insert);
        HWND dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        // second in start order, the length from Cuemill.ini
        EXPECT_EQ(item(dialog, IDC_EDIT_NUMBER), "2");
        EXPECT_EQ(item(dialog, IDC_EDIT_START), "0:00:10.000");
        EXPECT_EQ(item(dialog, IDC_EDIT_END), "0:00:12.500");
        EXPECT_EQ(item(dialog, IDC_EDIT_DURATION), "0:00:02.500");
        EXPECT_EQ(item(dialog, IDC_EDIT_TEXT), "");
        const HWND text = wait_for_text_box(dialog);
        type_text(u"Ten\nand a half");
        ASSERT_TRUE(wait_until([&] { return utf8(text_of(text)) == "Ten\r\nand a half"; })) << utf8(text_of(text));
        EXPECT_EQ(item(dialog, IDC_EDIT_COUNT), "15 chars");
        answer(dialog, IDOK);
        ASSERT_TRUE(wait_until([&] { return list_rows(list).size() == 3; }));
        const auto rows = list_rows(list);
        EXPECT_EQ(rows[1], (std::vector<std::u16string>{u"0002", u"0:00:10.000", u"0:00:12.500", u"02.500",
                                                          u"Ten|and a half"}));
        EXPECT_EQ(utf8(rows[0][4]), "Five");
        EXPECT_EQ(utf8(rows[2][0]), "0003");  // renumbered
        EXPECT_EQ(utf8(rows[2][4]), "Fourteen");
        EXPECT_EQ(selected_rows(list), std::vector<int>{1});
        EXPECT_EQ(focused_row(list), 1);
        EXPECT_EQ(focus_of(main), timeline_of(main));
        EXPECT_EQ(utf8(text_of(main)), "two.srt * - Cuemill");
        Sub_Item inserted;
        std::size_t count = 0;
        on_window_thread(main, [&] {
            count = window.document().size();
            inserted = window.document()[1];
        });
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(inserted.start, 10000u);
        EXPECT_EQ(inserted.end, 12500u);
        EXPECT_EQ(utf8(inserted.text), "Ten\r\nand a half");

        // past the last start: appended, nothing renumbered; Cancel first changes nothing
        on_window_thread(main, [&] { window.timeline_control().playhead = 20000; });
        post_command(main, cmd_insert);
        dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(item(dialog, IDC_EDIT_NUMBER), "4");
        answer(dialog, IDCANCEL);
        on_window_thread(main, [] {});  // the command has returned
        EXPECT_EQ(list_rows(list).size(), 3u);
        EXPECT_EQ(selected_rows(list), std::vector<int>{1});
        post_command(main, cmd_insert);
        dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        wait_for_text_box(dialog);
        type_text(u"Last");
        ASSERT_TRUE(wait_until([&] { return item(dialog, IDC_EDIT_TEXT) == "Last"; }));
        answer(dialog, IDOK);
        ASSERT_TRUE(wait_until([&] { return list_rows(list).size() == 4; }));
        EXPECT_EQ(list_rows(list)[3], (std::vector<std::u16string>{u"0004", u"0:00:20.000", u"0:00:22.500", u"02.500",
                                                                     u"Last"}));
        EXPECT_EQ(utf8(list_rows(list)[2][0]), "0003");
        EXPECT_EQ(selected_rows(list), std::vector<int>{3});
        close_without_saving(main, true);
    });
}

TEST(Insert, IntoAnUntitledDocumentMarksTheTitle) {
    App_Folder folder;
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        bring_to_front(main);
        // the Ins key on the focused timeline asks for the insert
        on_window_thread(main, [&] {
            window.timeline_control().playhead = 61234;
            SetFocus(timeline_of(main));
        });
        press({VK_INSERT});
        const HWND dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(item(dialog, IDC_EDIT_NUMBER), "1");
        EXPECT_EQ(item(dialog, IDC_EDIT_END), "0:01:03.234");  // newSubLength=2000
        wait_for_text_box(dialog);
        type_text(u"First");
        ASSERT_TRUE(wait_until([&] { return item(dialog, IDC_EDIT_TEXT) == "First"; }));
        answer(dialog, IDOK);
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 1; }));
        EXPECT_EQ(list_rows(list_of(main))[0],
                  (std::vector<std::u16string>{u"0001", u"0:01:01.234", u"0:01:03.234", u"02.000", u"First"}));
        EXPECT_EQ(utf8(text_of(main)), "untitled.srt * - Cuemill");
        close_without_saving(main, true);
    });
}

TEST(Edit, EnterDoubleClickAndF2OpenTheDialogOnTheRow) {
    App_Folder folder;
    folder.write("three.srt", srt_of({{1000, 2000, "One"}, {3000, 4500, "Two"}, {6000, 7000, "Three"}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "three.srt", 3);
        const HWND list = list_of(main);
        bring_to_front(main);

        // a double click on row 2, typed text, Cancel: nothing changes
        click_at(row_point(list, 2), 0, false, 2);
        HWND dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(item(dialog, IDC_EDIT_NUMBER), "3");
        EXPECT_EQ(item(dialog, IDC_EDIT_START), "0:00:06.000");
        EXPECT_EQ(item(dialog, IDC_EDIT_TEXT), "Three");
        HWND text = wait_for_text_box(dialog);
        SendMessageW(text, EM_SETSEL, 0, -1);
        type_text(u"Drei");
        ASSERT_TRUE(wait_until([&] { return item(dialog, IDC_EDIT_TEXT) == "Drei"; }));
        answer(dialog, IDCANCEL);
        on_window_thread(main, [] {});  // the command has returned
        EXPECT_EQ(utf8(list_rows(list)[2][4]), "Three");
        EXPECT_EQ(utf8(text_of(main)), "three.srt - Cuemill");
        // the click located the row in the timeline
        EXPECT_EQ(read_on_window(main, [&] { return window.timeline_control().playhead; }), 6000u);

        // Enter on row 1 and OK with the text unchanged: nothing changes either
        bring_to_front(main);
        click_at(row_point(list, 1));
        ASSERT_TRUE(wait_until([&] { return selected_rows(list) == std::vector<int>{1}; }));
        press({VK_RETURN});
        dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(item(dialog, IDC_EDIT_NUMBER), "2");
        EXPECT_EQ(item(dialog, IDC_EDIT_DURATION), "0:00:01.500");
        answer(dialog, IDOK);
        on_window_thread(main, [] {});
        EXPECT_EQ(utf8(text_of(main)), "three.srt - Cuemill");

        // Enter again, two typed lines, OK: the row shows them joined by "|"
        bring_to_front(main);
        press({VK_RETURN});
        dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        text = wait_for_text_box(dialog);
        SendMessageW(text, EM_SETSEL, 0, -1);
        type_text(u"Zwei\nDeux");
        ASSERT_TRUE(wait_until([&] { return item(dialog, IDC_EDIT_TEXT) == "Zwei\r\nDeux"; }));
        answer(dialog, IDOK);
        ASSERT_TRUE(wait_until([&] { return utf8(list_rows(list)[1][4]) == "Zwei|Deux"; }));
        EXPECT_EQ(utf8(text_of(main)), "three.srt * - Cuemill");
        // only the text changed
        EXPECT_EQ(list_rows(list)[1], (std::vector<std::u16string>{u"0002", u"0:00:03.000", u"0:00:04.500", u"01.500",
                                                                     u"Zwei|Deux"}));
        std::u16string stored;
        on_window_thread(main, [&] { stored = window.document()[1].text; });
        EXPECT_EQ(utf8(stored), "Zwei\r\nDeux");
        EXPECT_EQ(utf8(list_rows(list)[0][4]), "One");
        EXPECT_EQ(utf8(list_rows(list)[2][4]), "Three");

        // F2 opens it too
        select_only(list, {0});
        bring_to_front(main);
        press({VK_F2});
        dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(item(dialog, IDC_EDIT_NUMBER), "1");
        EXPECT_EQ(item(dialog, IDC_EDIT_TEXT), "One");
        answer(dialog, IDCANCEL);

        // with two rows selected Edit does nothing
        select_only(list, {0, 2});
        post_command(main, cmd_edit);
        EXPECT_EQ(wait_for_dialog(u"Edit subtitle", std::chrono::milliseconds(500)), nullptr);
        close_without_saving(main, true);
    });
}

TEST(Selection_Count, FollowsMouseSelectionAfterTheTimer) {
    App_Folder folder;
    std::vector<Srt_Sub> subs;
    for (unsigned i = 0; i < 6; ++i) subs.push_back({1000 + i * 2000, 2000 + i * 2000, "Line"});
    folder.write("six.srt", srt_of(subs));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "six.srt", 6);
        const HWND list = list_of(main);
        ASSERT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "1/6 subs"; }));
        bring_to_front(main);
        click_at(row_point(list, 1));
        ASSERT_TRUE(wait_until([&] { return selected_rows(list) == std::vector<int>{1}; }));
        // let this click's count go out before timing the next selection
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(utf8(status_part(main, 2)), "1/6 subs");

        // shift-click: rows 1 to 3; the count follows 200 ms after the first change
        auto start = std::chrono::steady_clock::now();
        click_at(row_point(list, 3), VK_SHIFT);
        ASSERT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "3/6 subs"; })) << utf8(status_part(main, 2));
        auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(selected_rows(list), (std::vector<int>{1, 2, 3}));
        EXPECT_GE(waited, std::chrono::milliseconds(190));

        // ctrl-click adds row 5
        start = std::chrono::steady_clock::now();
        click_at(row_point(list, 5), VK_CONTROL);
        ASSERT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "4/6 subs"; })) << utf8(status_part(main, 2));
        waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(selected_rows(list), (std::vector<int>{1, 2, 3, 5}));
        EXPECT_GE(waited, std::chrono::milliseconds(190));
        // with several rows selected the click locates nothing: the playhead stays at row 1
        EXPECT_EQ(read_on_window(main, [&] { return window.timeline_control().playhead; }), 3000u);

        // Ctrl+A in the list selects all; Ctrl is held until the key has been handled
        send_input({key_input(VK_CONTROL, false), key_input('A', false), key_input('A', true)});
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "6/6 subs"; })) << utf8(status_part(main, 2));
        send_input({key_input(VK_CONTROL, true)});
        close_without_saving(main, false);
    });
}

TEST(Context_Menu, StatesFollowFocusSelectionAndRows) {
    App_Folder folder;
    folder.write("doc.srt", srt_of({{1000, 2000, "A"}, {3000, 4000, "B"}, {5000, 6000, "C"}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HWND list = list_of(main);
        const HMENU context = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(103));
        const HMENU popup = GetSubMenu(context, 0);
        const auto enabled = [&](UINT id) { return (GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) == 0; };
        struct Expect {
            bool insert, edit, remove, locate, overlaps, find;
            UINT default_item;
        };
        const auto check = [&](const Expect& e, const char* what) {
            SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
            EXPECT_EQ(enabled(cmd_insert), e.insert) << what;
            EXPECT_EQ(enabled(cmd_edit), e.edit) << what;
            EXPECT_EQ(enabled(cmd_remove), e.remove) << what;
            EXPECT_EQ(enabled(cmd_locate), e.locate) << what;
            EXPECT_EQ(enabled(cmd_check_overlaps), e.overlaps) << what;
            EXPECT_EQ(enabled(cmd_find), e.find) << what;
            EXPECT_EQ(GetMenuDefaultItem(popup, FALSE, 0), e.default_item) << what;
        };
        const UINT none = static_cast<UINT>(-1);
        on_window_thread(main, [&] { SetFocus(list); });
        check({false, false, false, false, false, false, none}, "empty list");
        open_file(main, folder, "doc.srt", 3);
        on_window_thread(main, [&] { SetFocus(list); });
        select_only(list, {});
        check({false, false, false, false, true, true, none}, "nothing selected");
        select_only(list, {0, 2});
        check({false, false, true, false, true, true, none}, "two selected");
        on_window_thread(main, [&] { SetFocus(timeline_of(main)); });
        select_only(list, {1});
        check({true, true, true, false, true, true, static_cast<UINT>(cmd_edit)}, "timeline focused, one selected");
        DestroyMenu(context);

        // a real right click on an unselected row selects it and opens the menu in that state
        bring_to_front(main);
        on_window_thread(main, [&] { SetFocus(list); });
        select_only(list, {0, 2});
        click_at(row_point(list, 1), 0, true);
        HWND menu_window = nullptr;
        ASSERT_TRUE(wait_until([&] {
            menu_window = FindWindowW(L"#32768", nullptr);
            return menu_window && IsWindowVisible(menu_window);
        })) << "no popup menu";
        EXPECT_EQ(selected_rows(list), std::vector<int>{1});
        const HMENU shown = read_on_window(main, [&] { return window.list_view().context_menu; });
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(GetMenuState(shown, cmd_insert, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
        EXPECT_EQ(GetMenuState(shown, cmd_edit, MF_BYCOMMAND) & MF_GRAYED, 0u);
        EXPECT_EQ(GetMenuState(shown, cmd_locate, MF_BYCOMMAND) & MF_GRAYED, 0u);
        EXPECT_EQ(GetMenuDefaultItem(shown, FALSE, 0), static_cast<UINT>(cmd_edit));
        press({VK_ESCAPE});
        EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(menu_window); }));
        close_without_saving(main, false);
    });
}

TEST(Locate, CentresThePlayheadInTheTimeline) {
    App_Folder folder;
    // the last end + 100 gives a range of 1,000,000 ms and a view of 250,000 ms
    folder.write("long.srt", srt_of({{100000, 101000, "Early"},
                                     {600000, 601000, "Middle"},
                                     {950000, 951000, "Late"},
                                     {998000, 999900, "End"}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "long.srt", 4);
        const HWND list = list_of(main);
        const HWND timeline = timeline_of(main);
        const auto scroll_position = [&] {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_POS | SIF_PAGE | SIF_RANGE;
            GetScrollInfo(timeline, SB_HORZ, &info);
            return info;
        };
        EXPECT_EQ(scroll_position().nMax, 999999);
        EXPECT_EQ(scroll_position().nPage, 250000u);
        const struct {
            int row;
            std::uint64_t playhead;
            int view_start;
            const char* what;
        } cases[] = {
            {1, 600000, 475000, "centred"},
            {0, 100000, 0, "within the first view: from 0"},
            {2, 950000, 750000, "near the end: the scroll bar's last position"},
        };
        // Read after the command, which the window runs before the read it was posted before.
        const auto playhead = [&] { return read_on_window(main, [&] { return window.timeline_control().playhead; }); };
        for (const auto& c : cases) {
            select_only(list, {c.row});
            post_command(main, cmd_locate);
            EXPECT_EQ(playhead(), c.playhead) << c.what;
            EXPECT_EQ(read_on_window(main, [&] { return window.timeline_control().view_start; }), c.view_start) << c.what;
            EXPECT_EQ(scroll_position().nPos, c.view_start) << c.what;
        }
        // with two rows selected nothing moves
        select_only(list, {0, 1});
        post_command(main, cmd_locate);
        EXPECT_EQ(playhead(), 950000u);
        EXPECT_EQ(scroll_position().nPos, 750000);

        // a real click on one row locates it (no video, so nothing plays)
        select_only(list, {0});
        bring_to_front(main);
        click_at(row_point(list, 1));
        EXPECT_TRUE(wait_until([&] { return playhead() == 600000u; }));
        EXPECT_TRUE(wait_until([&] { return scroll_position().nPos == 475000; })) << scroll_position().nPos;
        close_without_saving(main, false);
    });
}

// F7, F8 and F9 from the list with real keys, without a video: the playhead is the time.
TEST(Timing_Keys, StartEndAndNextFromThePlayhead) {
    App_Folder folder;
    folder.write("doc.srt", srt_of({{1000, 2000, "One"}, {3000, 4000, "Two"}, {5000, 6500, "Three"}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "doc.srt", 3);
        const HWND list = list_of(main);
        const auto times = [&] {
            std::vector<std::string> out;
            for (const auto& row : list_rows(list)) out.push_back(utf8(row[1] + u"-" + row[2] + u" " + row[4]));
            return out;
        };
        const auto undo_text = [&] {
            const HMENU edit = GetSubMenu(GetMenu(main), 1);
            SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
            wchar_t text[64] = {};
            GetMenuStringW(edit, cmd_undo, text, 64, MF_BYCOMMAND);
            return utf8(std::u16string(text, text + lstrlenW(text)));
        };
        const std::vector<std::string> opened = times();
        const struct {
            int row;
            std::uint64_t playhead;
            WORD key;
            std::vector<std::string> after;
            int selected;
            const char* undo;
            const char* what;
        } cases[] = {
            {1, 1000, VK_F8, opened, 1, "&Undo", "F8 before the start: refused, nothing recorded"},
            {1, 3000, VK_F8, opened, 1, "&Undo", "F8 at the start: refused"},
            {1, 2500, VK_F7, {"0:00:01.000-0:00:02.000 One", "0:00:02.500-0:00:04.000 Two", "0:00:05.000-0:00:06.500 Three"},
             1, "&Undo set start\tCtrl+Z", "F7 before the end: the end stays"},
            {1, 5500, VK_F7, {"0:00:01.000-0:00:02.000 One", "0:00:05.000-0:00:06.500 Three", "0:00:05.500-0:00:06.500 Two"},
             2, "&Undo set start\tCtrl+Z", "F7 past the end: the length stays, the sub moves past Three"},
            {1, 4500, VK_F9, {"0:00:01.000-0:00:02.000 One", "0:00:03.000-0:00:04.500 Two", "0:00:05.000-0:00:06.500 Three"},
             2, "&Undo set end\tCtrl+Z", "F9: the end, then the next sub"},
            {2, 7000, VK_F9, {"0:00:01.000-0:00:02.000 One", "0:00:03.000-0:00:04.000 Two", "0:00:05.000-0:00:07.000 Three"},
             2, "&Undo set end\tCtrl+Z", "F9 on the last: it stays selected"},
        };
        for (const auto& c : cases) {
            select_only(list, {c.row});
            on_window_thread(main, [&] {
                LVITEMW lv{};
                lv.stateMask = lv.state = LVIS_FOCUSED;
                SendMessageW(list, LVM_SETITEMSTATE, c.row, reinterpret_cast<LPARAM>(&lv));  // as a click on it
                window.timeline_control().playhead = c.playhead;
            });
            bring_to_front(main);
            on_window_thread(main, [list] { SetFocus(list); });
            press({c.key});
            EXPECT_TRUE(wait_until([&] { return times() == c.after && selected_rows(list) == std::vector<int>{c.selected}; }))
                << c.what << ": " << (times().size() > 1 ? times()[1] : "");
            EXPECT_EQ(undo_text(), c.undo) << c.what;
            if (c.after != opened) {
                // The selection moved with the focus.
                EXPECT_EQ(focused_row(list), c.selected) << c.what;
                post_command(main, cmd_undo);
                EXPECT_TRUE(wait_until([&] { return times() == opened; })) << c.what;
            }
        }
        close_without_saving(main, false);
    });
}

}  // namespace
