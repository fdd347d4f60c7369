// List commands, menu states and the boxes of the other commands, on a real main window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "io/strings.h"
#include "res/dialog_ids.h"
#include "test_app_support.h"

namespace {

std::string srt_of(int count, int overlap_after = -1) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int start = 1 + i * 2;
        const int end = i == overlap_after ? start + 3 : start + 1;  // runs into the next one
        text += std::to_string(i + 1) + "\r\n00:00:" + (start < 10 ? "0" : "") + std::to_string(start) +
                ",000 --> 00:00:" + (end < 10 ? "0" : "") + std::to_string(end) + ",000\r\nSub " +
                std::to_string(i + 1) + "\r\n\r\n";
    }
    return text;
}

TEST(Remove, QuestionsRenumberingAndSelection) {
    App_Folder folder;
    folder.write("five.srt", srt_of(5));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "five.srt", 5);
        const HWND list = list_of(main);
        // the last of five: the new last row is selected
        select_only(list, {4});
        post_command(main, cmd_remove);
        HWND box = wait_for_dialog(u"Remove sub");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Do you want to remove the sub #5?");
        answer(box, IDYES);
        ASSERT_TRUE(wait_until([&] { return list_rows(list).size() == 4; }));
        EXPECT_EQ(selected_rows(list), std::vector<int>{3});
        EXPECT_EQ(utf8(text_of(main)), "five.srt * - Cuemill");
        // the first: later rows are renumbered
        select_only(list, {0});
        post_command(main, cmd_remove);
        box = wait_for_dialog(u"Remove sub");
        ASSERT_NE(box, nullptr);
        answer(box, IDYES);
        ASSERT_TRUE(wait_until([&] { return list_rows(list).size() == 3; }));
        auto rows = list_rows(list);
        EXPECT_EQ(utf8(rows[0][0]), "0001");
        EXPECT_EQ(utf8(rows[0][4]), "Sub 2");
        EXPECT_EQ(utf8(rows[2][0]), "0003");
        // two of three; No keeps them
        select_only(list, {0, 2});
        post_command(main, cmd_remove);
        box = wait_for_dialog(u"Remove subs");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Do you want to remove these 2 selected subs?");
        answer(box, IDNO);
        EXPECT_EQ(list_rows(list).size(), 3u);
        // all of them
        select_only(list, {0, 1, 2});
        post_command(main, cmd_remove);
        box = wait_for_dialog(u"Remove subs");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "You're attempting to remove all 3 subs.\nAre you sure you want to do this?");
        answer(box, IDYES);
        ASSERT_TRUE(wait_until([&] { return list_rows(list).empty(); }));
        EXPECT_TRUE(selected_rows(list).empty());
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "0/0 subs"; }));
        close_without_saving(main, true);
    });
}

// One row more or less: the scroll bar comes and goes with the Text column refitted, the new
// last row is scrolled into view, and the count text follows down to an empty document.
TEST(List_Display, OneRowChangesKeepTheColumnTheViewAndTheCount) {
    App_Folder folder;
    folder.write("one.srt", srt_of(1));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HWND list = list_of(main);
        const int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
        std::vector<Srt_Sub> subs;
        for (int i = 0; i < page; ++i) subs.push_back({1000u * i, 1000u * i + 500});
        folder.write("page.srt", srt_of(subs));
        const auto column_fits = [&] {
            RECT client{};
            GetClientRect(list, &client);
            int widths = 0;
            for (int c = 0; c < 5; ++c) widths += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
            return widths == client.right;
        };
        const auto scroll_bar = [&] { return (GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) != 0; };
        const auto insert_at = [&](std::uint64_t ms) {
            on_window_thread(main, [&] { window.timeline_control().playhead = ms; });
            post_command(main, cmd_insert);
            const HWND dialog = wait_for_dialog(u"Edit subtitle");
            ASSERT_NE(dialog, nullptr);
            SetDlgItemTextW(dialog, IDC_EDIT_TEXT, L"New");
            answer(dialog, IDOK);
        };
        const auto count_is = [&](const char* text) {
            return wait_until([&] { return utf8(status_part(main, 2)) == text; }, std::chrono::seconds(2));
        };

        open_file(main, folder, "page.srt", static_cast<std::size_t>(page));
        ASSERT_FALSE(scroll_bar());
        ASSERT_NO_FATAL_FAILURE(insert_at(1000u * page));  // after the last: a row below the view
        ASSERT_TRUE(wait_until([&] { return list_rows(list).size() == static_cast<std::size_t>(page) + 1; }));
        RECT row{LVIR_BOUNDS, 0, 0, 0}, client{};
        SendMessageW(list, LVM_GETITEMRECT, page, reinterpret_cast<LPARAM>(&row));
        GetClientRect(list, &client);
        EXPECT_TRUE(row.top > 0 && row.bottom <= client.bottom) << "the new last row is wholly in view";
        EXPECT_TRUE(scroll_bar());
        EXPECT_TRUE(column_fits()) << "the Text column leaves room for the scroll bar";
        post_command(main, cmd_undo);
        ASSERT_TRUE(wait_until([&] { return list_rows(list).size() == static_cast<std::size_t>(page); }));
        EXPECT_FALSE(scroll_bar());
        EXPECT_TRUE(column_fits()) << "the Text column takes the scroll bar's room back";

        const struct { unsigned command; const char* count; } steps[] = {
            {cmd_remove, "0/0 subs"},  // the only sub removed
            {cmd_undo, "1/1 subs"},
            {cmd_redo, "0/0 subs"},
            {cmd_insert, "1/1 subs"},  // into the empty document
            {cmd_undo, "0/0 subs"},
        };
        open_file(main, folder, "one.srt", 1);
        select_only(list, {0});
        for (const auto& step : steps) {
            if (step.command == cmd_remove) {
                post_command(main, cmd_remove);
                const HWND box = wait_for_dialog(u"Remove sub");
                ASSERT_NE(box, nullptr);
                answer(box, IDYES);
            } else if (step.command == cmd_insert) {
                ASSERT_NO_FATAL_FAILURE(insert_at(0));
            } else {
                post_command(main, step.command);
            }
            EXPECT_TRUE(count_is(step.count)) << step.count << ": " << utf8(status_part(main, 2));
        }
        close_without_saving(main, true);  // empty, where the file holds a sub
    });
}

// A move to a screen of another DPI: the window takes the suggested rectangle and every size the
// program sets follows that DPI, and back again.
TEST(List_Display, AChangeOfDpiRelaysAtTheSuggestedRectangle) {
    App_Folder folder;
    folder.write("three.srt", srt_of(3));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HWND list = list_of(main);
        const HWND bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
        open_file(main, folder, "three.srt", 3);
        for (const unsigned dpi : {144u, 192u, 96u}) {
            RECT suggested{20, 30, 20 + 700, 30 + 500};
            SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            RECT placed{};
            GetWindowRect(main, &placed);
            EXPECT_TRUE(EqualRect(&placed, &suggested)) << dpi;
            const Main_Window_Metrics m = main_window_metrics(dpi);
            const int widths[] = {m.number_column, m.time_column, m.time_column, m.length_column};
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0), widths[c]) << dpi << " column " << c;
            int edges[8] = {};
            const int parts = static_cast<int>(SendMessageW(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)));
            ASSERT_GE(parts, 4);
            EXPECT_EQ(edges[2] - edges[1], m.count_part) << dpi;  // the message's part takes the rest
            EXPECT_EQ(edges[3] - edges[2], m.length_part) << dpi;
            RECT clock{};
            GetWindowRect(window.video_control().clock.hwnd, &clock);
            EXPECT_EQ(clock.right - clock.left, clock_metrics(dpi).width) << dpi;
        }
        close_without_saving(main, false);
    });
}

TEST(Check_Overlaps, NoneIsReportedOnlyWhenAsked) {
    App_Folder folder;
    folder.write("clean.srt", srt_of(4));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "clean.srt", 4);  // opening is silent
        EXPECT_EQ(wait_for_dialog(u"No overlaps", std::chrono::milliseconds(300)), nullptr);
        post_command(main, cmd_check_overlaps);
        const HWND box = wait_for_dialog(u"No overlaps");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "There are no overlaps among the 4 subs.");
        answer(box, IDOK);
        close_without_saving(main, false);
    });
}

TEST(Check_Overlaps, OpeningOffersTheFixAndSelectsFixedRows) {
    App_Folder folder;
    folder.write("overlap.srt", srt_of(4, 1));  // sub 2 runs into sub 3
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("overlap.srt")});
        const HWND dialog = wait_for_dialog(u"Overlapping subs (1)");
        ASSERT_NE(dialog, nullptr);
        SendMessageW(GetDlgItem(dialog, 1009), BM_CLICK, 0, 0);  // fix all
        answer(dialog, IDOK);
        const HWND box = wait_for_dialog(u"Subs fixed");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "All overlapped subs have been fixed (1).");
        answer(box, IDOK);
        const auto rows = list_rows(list_of(main));
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(utf8(rows[1][2]), "0:00:04.900");  // ends 100 ms before the next start
        EXPECT_EQ(selected_rows(list_of(main)), std::vector<int>{1});
        EXPECT_EQ(utf8(text_of(main)), "overlap.srt * - Cuemill");  // the fix differs from the file
        close_without_saving(main, true);
    });
}

// "H:MM:SS,mmm" of an SRT time line.
std::string srt_time(std::uint64_t ms) {
    char text[32];
    snprintf(text, sizeof text, "%02u:%02u:%02u,%03u", unsigned(ms / 3600000), unsigned(ms / 60000 % 60),
             unsigned(ms / 1000 % 60), unsigned(ms % 1000));
    return text;
}

// Sub i starts at i s and ends at `end` (or 500 ms later when end is 0).
std::string numbered_srt(std::size_t count, std::uint64_t end = 0) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += std::to_string(i + 1) + "\r\n" + srt_time(i * 1000) + " --> " + srt_time(end ? end : i * 1000 + 500) +
                "\r\nSub " + std::to_string(i + 1) + "\r\n\r\n";
    return text;
}

TEST(Check_Overlaps, SubsThatAllOverlapEachOtherAreListedFixedAndSelected) {
    // 20,000 subs that all overlap: 199,990,000 pairs, shown without being listed one by one.
    App_Folder folder;
    folder.write("all.srt", numbered_srt(20000, 99 * 3600000));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const auto offered = [&] {
            const HWND dialog = wait_for_dialog(u"Overlapping subs (199990000)", std::chrono::seconds(60));
            EXPECT_NE(dialog, nullptr);
            if (!dialog) return dialog;
            const HWND rows = GetDlgItem(dialog, 1001);
            // The list shows the first 100,000,000 entries: a list view paints no row past
            // about 126 million.
            EXPECT_EQ(SendMessageW(rows, LVM_GETITEMCOUNT, 0, 0), 100000000);
            EXPECT_EQ(utf8(list_cell(rows, 0, 0)), "0001");  // sub 1 overlaps the 19,999 after it
            EXPECT_EQ(utf8(list_cell(rows, 19998, 0)), "0001");
            EXPECT_EQ(utf8(list_cell(rows, 19999, 0)), "0002");
            // Entry 99,999,999 is one of sub 5,859's 14,141: the subs before it hold 99,998,989.
            EXPECT_EQ(utf8(list_cell(rows, 99999999, 0)), "5859");
            EXPECT_EQ(utf8(list_cell(rows, 99999999, 1)), "1:37:38.000");
            EXPECT_EQ(utf8(list_cell(rows, 99999999, 2)), "Sub 5859");
            return dialog;
        };
        drop_files(main, {folder.path("all.srt")});
        HWND dialog = offered();
        ASSERT_NE(dialog, nullptr);
        SendMessageW(GetDlgItem(dialog, 1010), BM_CLICK, 0, 0);  // only select them
        answer(dialog, IDOK);
        const HWND list = list_of(main);
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "19999/20000 subs"; }))
            << utf8(status_part(main, 2));
        EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), 19998);
        EXPECT_FALSE(SendMessageW(list, LVM_GETITEMSTATE, 19999, LVIS_SELECTED) & LVIS_SELECTED);

        post_command(main, cmd_check_overlaps);
        dialog = offered();
        ASSERT_NE(dialog, nullptr);
        answer(dialog, IDOK);  // fix is checked
        const HWND box = wait_for_dialog(u"Subs fixed", std::chrono::seconds(60));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "All overlapped subs have been fixed (199990000).");
        answer(box, IDOK);
        EXPECT_EQ(utf8(list_cell(list, 0, 2)), "0:00:00.900");
        EXPECT_EQ(utf8(list_cell(list, 19998, 2)), "5:33:18.900");
        EXPECT_EQ(utf8(list_cell(list, 19999, 2)), "99:00:00.000");
        EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 19999);
        close_without_saving(main, true);
    });
}

TEST(Large_Document, RowsSelectionAndFocusFollowInsertRemoveAndRangesAt100k) {
    App_Folder folder;
    folder.write("big.srt", numbered_srt(100000));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "big.srt", 100000);
        const HWND list = list_of(main);
        const auto focused = [&] { return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED)); };
        const auto wholly_visible = [&](int row) {
            RECT rect{LVIR_BOUNDS, 0, 0, 0}, client{};
            SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
            GetClientRect(list, &client);
            return rect.top > 0 && rect.bottom <= client.bottom;
        };
        EXPECT_EQ(utf8(list_cell(list, 99999, 0)), "100000");
        EXPECT_EQ(utf8(list_cell(list, 99999, 1)), "27:46:39.000");

        // inserted in the middle: the rows after it are numbered one up, it alone is selected
        select_only(list, {3, 70000});
        on_window_thread(main, [&] { window.timeline_control().playhead = 50000 * 1000 + 700; });
        post_command(main, cmd_insert);
        const HWND dialog = wait_for_dialog(u"Edit subtitle");
        ASSERT_NE(dialog, nullptr);
        SetDlgItemTextW(dialog, IDC_EDIT_TEXT, L"New");
        answer(dialog, IDOK);
        ASSERT_TRUE(wait_until([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 100001; }));
        EXPECT_EQ(utf8(list_cell(list, 50000, 4)), "Sub 50001");
        EXPECT_EQ(utf8(list_cell(list, 50001, 0)), "50002");
        EXPECT_EQ(utf8(list_cell(list, 50001, 4)), "New");
        EXPECT_EQ(utf8(list_cell(list, 50002, 0)), "50003");
        EXPECT_EQ(utf8(list_cell(list, 50002, 4)), "Sub 50002");
        EXPECT_EQ(utf8(list_cell(list, 100000, 0)), "100001");
        EXPECT_EQ(selected_rows(list), std::vector<int>{50001});
        EXPECT_EQ(focused(), 50001);
        EXPECT_TRUE(wholly_visible(50001));

        // the first removed: every row moves up one, the new first row is selected and focused
        select_only(list, {0});
        post_command(main, cmd_remove);
        const HWND box = wait_for_dialog(u"Remove sub");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Do you want to remove the sub #1?");
        answer(box, IDYES);
        ASSERT_TRUE(wait_until([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 100000; }));
        EXPECT_EQ(utf8(list_cell(list, 0, 0)), "0001");
        EXPECT_EQ(utf8(list_cell(list, 0, 4)), "Sub 2");
        EXPECT_EQ(utf8(list_cell(list, 50000, 4)), "New");
        EXPECT_EQ(utf8(list_cell(list, 99999, 0)), "100000");
        EXPECT_EQ(selected_rows(list), std::vector<int>{0});
        EXPECT_EQ(focused(), 0);
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "1/100000 subs"; }));

        // Shift+End from the first row and Shift+click back to row 2: one range change each
        bring_to_front(main);
        click_at(row_point(list, 0));
        send_input({key_input(VK_SHIFT, false), key_input(VK_END, false), key_input(VK_END, true),
                    key_input(VK_SHIFT, true)});
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "100000/100000 subs"; }))
            << utf8(status_part(main, 2));
        EXPECT_EQ(focused(), 99999);
        EXPECT_TRUE(wholly_visible(99999));
        send_input({key_input(VK_HOME, false), key_input(VK_HOME, true)});
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "1/100000 subs"; }))
            << utf8(status_part(main, 2));
        click_at(row_point(list, 2), VK_SHIFT);
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "3/100000 subs"; }))
            << utf8(status_part(main, 2));
        EXPECT_EQ(selected_rows(list), (std::vector<int>{0, 1, 2}));
        close_without_saving(main, true);
    });
}

TEST(Menu_States, FollowTheDocumentAndVideo) {
    App_Folder folder;
    folder.write("doc.srt", srt_of(2));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HMENU bar = GetMenu(main);
        const HMENU file = GetSubMenu(bar, 0);
        const HMENU edit = GetSubMenu(bar, 1);
        const HMENU timing = GetSubMenu(bar, 2);
        const HMENU playback = GetSubMenu(bar, 3);
        const HMENU speed = GetSubMenu(playback, 4);
        const auto greyed = [](HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(timing), 2);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(playback), 3);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(speed), 4);
        const struct {
            HMENU menu;
            UINT id;
            bool greyed;
        } untitled[] = {
            {file, cmd_save_sub, true},       // nothing to save
            {file, cmd_save_sub_as, true},    // no path yet
            {file, cmd_merge_sub, true},      // nothing to merge into
            {file, cmd_close_sub, true},      // nothing to close
            {file, cmd_close_video, true},    // no video
            {file, cmd_open_sub, false},      // always
            {edit, cmd_undo, true},           // nothing done yet
            {edit, cmd_redo, true},
            {timing, cmd_shift_times, true},        // no subs
            {timing, cmd_set_sync_point, true},     // no video, no sub selected
            {timing, cmd_apply_sync_points, true},  // no points
            {timing, cmd_clear_sync_points, true},
            {timing, cmd_change_frame_rate, true},  // no subs
            {timing, cmd_sync_speech, true},        // no video, no subs
            {timing, cmd_set_start, true},          // no sub selected
            {timing, cmd_set_end_next, true},
            {timing, cmd_next_frame, true},         // no video
            {playback, cmd_seek_back, true},  // no video
            {playback, cmd_play_pause, true},
            {playback, cmd_toggle_text, true},
            {playback, cmd_preferences, false},  // always
            {playback, cmd_show_waveform, false},  // always, with or without a video
            {speed, cmd_speed_first, false},     // a speed is kept for the next video
        };
        for (const auto& c : untitled) EXPECT_EQ(greyed(c.menu, c.id), c.greyed) << c.id;
        // The normal speed has the radio mark.
        EXPECT_TRUE(GetMenuState(speed, cmd_speed_first + 2, MF_BYCOMMAND) & MF_CHECKED);
        EXPECT_FALSE(GetMenuState(speed, cmd_speed_first, MF_BYCOMMAND) & MF_CHECKED);
        open_file(main, folder, "doc.srt", 2);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        EXPECT_FALSE(greyed(file, cmd_save_sub));
        EXPECT_FALSE(greyed(file, cmd_save_sub_as));
        EXPECT_FALSE(greyed(file, cmd_close_sub));
        EXPECT_TRUE(greyed(file, cmd_close_video));
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(timing), 2);
        EXPECT_FALSE(greyed(timing, cmd_shift_times));
        EXPECT_FALSE(greyed(timing, cmd_change_frame_rate));
        EXPECT_TRUE(greyed(timing, cmd_set_sync_point)) << "no video";
        EXPECT_TRUE(greyed(timing, cmd_sync_speech)) << "no video";
        EXPECT_FALSE(greyed(timing, cmd_set_start)) << "one sub selected by the opening";
        EXPECT_FALSE(greyed(timing, cmd_set_end));
        EXPECT_TRUE(greyed(timing, cmd_previous_frame)) << "no video";

        // The Edit menu names the step it would take back or do again.
        const auto item = [&](UINT id) {
            SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
            wchar_t text[128] = {};
            GetMenuStringW(edit, id, text, 128, MF_BYCOMMAND);
            return utf8(std::u16string(text, text + lstrlenW(text))) + (greyed(edit, id) ? " (grey)" : "");
        };
        EXPECT_EQ(item(cmd_undo), "&Undo (grey)");  // opening starts afresh
        select_only(list_of(main), {1});
        post_command(main, cmd_remove);
        answer(wait_for_dialog(u"Remove sub"), IDYES);
        ASSERT_TRUE(wait_until([&] { return utf8(text_of(main)) == "doc.srt * - Cuemill"; }));
        EXPECT_EQ(item(cmd_undo), "&Undo remove 1 sub\tCtrl+Z");
        EXPECT_EQ(item(cmd_redo), "&Redo (grey)");
        post_command(main, cmd_undo);
        EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == "doc.srt - Cuemill"; })) << "back to the file";
        EXPECT_EQ(item(cmd_undo), "&Undo (grey)");
        EXPECT_EQ(item(cmd_redo), "&Redo remove 1 sub\tCtrl+Y");
        close_without_saving(main, false);
    });
}

TEST(Other_Commands, RefusalsAndMissingFiles) {
    App_Folder folder;
    folder.write("notes.avi", "not a video");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        // find on an empty document
        post_command(main, cmd_find);
        HWND box = wait_for_dialog(u"Can't search");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "No subtitles to be searched.");
        answer(box, IDOK);
        // a video path that does not exist
        drop_files(main, {folder.path("missing.mkv")});
        box = wait_for_dialog(u"Video file error");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box_text(box), u"The video file doesn't exist:\n" + folder.path("missing.mkv"));
        answer(box, IDOK);
        EXPECT_EQ(utf8(status_part(main, 3)), "0:00:00");
        close_without_saving(main, false);
    });
}

TEST(Other_Commands, BadRendererOpensNothing) {
    App_Folder folder;
    folder.write("Cuemill.ini", settings_text("vmr=VMR9", "vmr=VMR-9"));
    folder.write("film.avi", "x");
    folder.write("film.srt", srt_of(2));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("film.avi")});
        const HWND box = wait_for_dialog(u"Bad VMR");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Bad VMR filter on INI file, seems like it's messed up.");
        answer(box, IDOK);
        // the subtitle was not offered and nothing opened
        EXPECT_EQ(wait_for_dialog(u"Load subtitle", std::chrono::milliseconds(300)), nullptr);
        EXPECT_EQ(utf8(text_of(main)), "untitled.srt - Cuemill");
        post_command(main, cmd_preferences);
        const HWND again = wait_for_dialog(u"Bad VMR");
        ASSERT_NE(again, nullptr);
        answer(again, IDOK);
        close_without_saving(main, false);
    });
}

}  // namespace
