// The Merge and Preferences commands of a real main window, with their real dialogs and the
// real file dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "core/srt_reader.h"
#include "io/strings.h"
#include "res/dialog_ids.h"
#include "test_app_support.h"

namespace {

// count subs from first_ms, one every step_ms, each length_ms long, texts "<text> <n>".
std::string srt_blocks(int count, std::uint64_t first_ms, std::uint64_t step_ms, std::uint64_t length_ms, const char* text) {
    std::vector<Srt_Sub> subs;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t start = first_ms + i * step_ms;
        subs.push_back({start, start + length_ms, std::string(text).append(" ").append(std::to_string(i + 1))});
    }
    return srt_of(subs);
}

// Three subs that fall between the blocks of srt_blocks(120, 2000, 1000, 300, ...).
const char doc_srt[] =
    "1\r\n00:00:00,500 --> 00:00:00,800\r\nDoc one\r\n\r\n"
    "2\r\n00:00:05,500 --> 00:00:05,800\r\nDoc two\r\n\r\n"
    "3\r\n00:01:00,500 --> 00:01:00,800\r\nDoc three\r\n\r\n";

std::u16string upper(std::u16string s) {
    for (char16_t& c : s) c = static_cast<char16_t>(std::towupper(c));
    return s;
}

std::u16string item(HWND dialog, int id) { return text_of(GetDlgItem(dialog, id)); }

void set_item(HWND dialog, int id, const wchar_t* text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Opens the Merge dialog from the main window.
HWND open_merge(HWND main) {
    post_command(main, cmd_merge_sub);
    const HWND dialog = wait_for_dialog(u"Merge subs");
    EXPECT_NE(dialog, nullptr);
    return dialog;
}

// Presses "..." and answers the file dialog with the path.
void choose_file(HWND merge, const std::u16string& path) {
    PostMessageW(GetDlgItem(merge, IDC_MERGE_BROWSE), BM_CLICK, 0, 0);
    const HWND open = wait_for_dialog(u"Open");
    ASSERT_NE(open, nullptr) << "no file dialog";
    HWND name = GetDlgItem(open, 0x47C);        // the file name combo box
    if (!name) name = GetDlgItem(open, 0x480);  // the plain file name edit
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(open); }));
}

TEST(Merge_Command, EmptyDocumentAndNoFileHaveNothingToMerge) {
    App_Folder folder;
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HWND merge = open_merge(main);
        ASSERT_NE(merge, nullptr);
        PostMessageW(GetDlgItem(merge, IDOK), BM_CLICK, 0, 0);
        const HWND box = wait_for_dialog(u"No subs");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "There are no subs to merge.");
        answer(box, IDOK);
        EXPECT_TRUE(IsWindow(merge)) << "the dialog stays open";
        answer(merge, IDCANCEL);
        EXPECT_TRUE(list_rows(list_of(main)).empty());
        EXPECT_EQ(utf8(text_of(main)), "untitled.srt - Cuemill");
        EXPECT_EQ(utf8(status_part(main, 2)), "0/0 subs");
        close_without_saving(main, false);
    });
}

TEST(Merge_Command, DocumentInOtherLetterCaseIsRefused) {
    App_Folder folder;
    folder.write("Doc.srt", doc_srt);
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        // The document is known by its path in capitals; the dialog is given its real spelling.
        const std::u16string capitals = upper(folder.path("Doc.srt"));
        ASSERT_NE(capitals, folder.path("Doc.srt"));
        drop_files(main, {capitals});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 3; }));
        ASSERT_EQ(status_part(main, 0), capitals);
        const HWND merge = open_merge(main);
        ASSERT_NE(merge, nullptr);
        choose_file(merge, folder.path("Doc.srt"));
        const HWND box = wait_for_dialog(u"Same sub");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "You cannot merge a sub with itself.");
        answer(box, IDOK);
        EXPECT_EQ(item(merge, IDC_MERGE_FILE), u"");
        EXPECT_EQ(item(merge, IDC_MERGE_COUNT), u"");
        answer(merge, IDCANCEL);
        EXPECT_EQ(list_rows(list_of(main)).size(), 3u);
        close_without_saving(main, false);
    });
}

TEST(Merge_Command, AddsAllSubsInStartOrder) {
    App_Folder folder;
    folder.write("doc.srt", doc_srt);
    folder.write("other.srt", srt_blocks(120, 2000, 1000, 300, "Other"));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        ASSERT_NO_FATAL_FAILURE(open_file(main, folder, "doc.srt", 3));
        const HWND merge = open_merge(main);
        ASSERT_NE(merge, nullptr);
        choose_file(merge, folder.path("other.srt"));
        ASSERT_TRUE(wait_until([&] { return item(merge, IDC_MERGE_COUNT) == u"120"; })) << utf8(item(merge, IDC_MERGE_COUNT));
        EXPECT_EQ(item(merge, IDC_MERGE_FILE), folder.path("other.srt"));
        answer(merge, IDOK);
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 123; }));
        const auto rows = list_rows(list_of(main));
        const struct {
            std::size_t row;
            const char* number;
            const char* start;
            const char* text;
        } expected[] = {
            {0, "0001", "0:00:00.500", "Doc one"},    // before every merged sub
            {1, "0002", "0:00:02.000", "Other 1"},    // the first merged sub
            {4, "0005", "0:00:05.000", "Other 4"},    //
            {5, "0006", "0:00:05.500", "Doc two"},    // between Other 4 and Other 5
            {6, "0007", "0:00:06.000", "Other 5"},    //
            {60, "0061", "0:01:00.000", "Other 59"},  //
            {61, "0062", "0:01:00.500", "Doc three"}, // between Other 59 and Other 60
            {122, "0123", "0:02:01.000", "Other 120"},  // the last
        };
        for (const auto& e : expected) {
            EXPECT_EQ(utf8(rows[e.row][0]), e.number) << e.row;
            EXPECT_EQ(utf8(rows[e.row][1]), e.start) << e.row;
            EXPECT_EQ(utf8(rows[e.row][4]), e.text) << e.row;
        }
        const auto starts_sorted = read_on_window(main, [&] {
            const Sub_List& subs = window.document();
            return subs.size() == 123 && std::is_sorted(subs.begin(), subs.end(), [](const Sub_Item& a, const Sub_Item& b) {
                       return a.start < b.start;
                   });
        });
        EXPECT_TRUE(starts_sorted);
        // Without a video the timeline spans the subs: the last end + 100 ms.
        EXPECT_EQ(read_on_window(main, [&] { return window.timeline_control().range_end; }), 121300 + 99);
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "1/123 subs"; }));
        // No overlaps: nothing is offered. The merged document differs from its file: marked.
        EXPECT_EQ(wait_for_dialog(u"Overlapping subs (1)", std::chrono::milliseconds(200)), nullptr);
        EXPECT_EQ(utf8(text_of(main)), "doc.srt * - Cuemill");
        close_without_saving(main, true);  // the document now differs from its file
    });
}

// True when the folder's recovery copy holds exactly `subs`. The copy is read with every
// sharing right, so that the window can replace it meanwhile, as it may at any time.
bool recovery_copy_is(const App_Folder& folder, const Sub_List& subs) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder.dir / "Recovery", ec)) {
        if (entry.path().extension() != ".srt") continue;
        const HANDLE file = CreateFileW(entry.path().c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        std::vector<std::uint8_t> bytes(GetFileSize(file, nullptr));
        DWORD read = 0;
        const bool ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                        read == bytes.size();
        CloseHandle(file);
        Sub_List copy;
        return ok && parse_srt_bytes(bytes.data(), bytes.size(), copy) && lists_equal(copy, subs);
    }
    return false;
}

TEST(Merge_Command, OverlapsAreOfferedAfterTheRefillAndBothChangesAreKept) {
    App_Folder folder;
    folder.write("Cuemill.ini", settings_text("vmr=VMR9", "vmr=VMR9\r\nautosaveSeconds=1"));
    folder.write("doc.srt", doc_srt);
    // Starts inside "Doc two" (5,500 to 5,800 ms).
    folder.write("over.srt", "1\r\n00:00:05,700 --> 00:00:06,000\r\nInto two\r\n\r\n");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        ASSERT_NO_FATAL_FAILURE(open_file(main, folder, "doc.srt", 3));
        const HWND merge = open_merge(main);
        ASSERT_NE(merge, nullptr);
        choose_file(merge, folder.path("over.srt"));
        ASSERT_TRUE(wait_until([&] { return item(merge, IDC_MERGE_COUNT) == u"1"; }));
        answer(merge, IDOK);
        const HWND overlaps = wait_for_dialog(u"Overlapping subs (1)");
        ASSERT_NE(overlaps, nullptr);
        // The list already shows the merged document behind the dialog.
        const auto rows = list_rows(list_of(main));
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(utf8(rows[2][4]), "Into two");
        answer(overlaps, IDCANCEL);
        EXPECT_EQ(list_rows(list_of(main)).size(), 4u);
        EXPECT_EQ(utf8(list_rows(list_of(main))[1][2]), "0:00:05.800") << "Cancel fixes nothing";

        // Both are work to keep: the title is marked and a copy is written.
        const Sub_List merged = read_on_window(main, [&] { return window.document(); });
        EXPECT_EQ(utf8(text_of(main)), "doc.srt * - Cuemill");
        EXPECT_TRUE(wait_until([&] { return recovery_copy_is(folder, merged); })) << "no copy after the merge";
        post_command(main, cmd_check_overlaps);
        const HWND again = wait_for_dialog(u"Overlapping subs (1)");
        ASSERT_NE(again, nullptr);
        answer(again, IDOK);  // fixing is the default
        const HWND fixed_box = wait_for_dialog(u"Subs fixed");
        ASSERT_NE(fixed_box, nullptr);
        answer(fixed_box, IDOK);
        const Sub_List fixed = read_on_window(main, [&] { return window.document(); });
        ASSERT_FALSE(lists_equal(fixed, merged));
        EXPECT_TRUE(wait_until([&] { return recovery_copy_is(folder, fixed); })) << "no copy after the fix";
        EXPECT_TRUE(read_on_window(main, [&] { return window.is_modified(); }));
        close_without_saving(main, true);
    });
    EXPECT_TRUE(std::filesystem::is_empty(folder.dir / "Recovery")) << "a normal end removes the copy";
}

// Inserts a sub at the playhead and returns its row.
std::vector<std::u16string> insert_at(Main_Window& window, HWND main, std::uint64_t playhead) {
    on_window_thread(main, [&] { window.timeline_control().playhead = playhead; });
    post_command(main, cmd_insert);
    const HWND dialog = wait_for_dialog(u"Edit subtitle");
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return {};
    set_item(dialog, IDC_EDIT_TEXT, L"Inserted");
    const std::size_t before = list_rows(list_of(main)).size();
    answer(dialog, IDOK);
    EXPECT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == before + 1; }));
    for (const auto& row : list_rows(list_of(main)))
        if (row[4] == u"Inserted") return row;
    return {};
}

TEST(Preferences_Command, ValuesAreStoredAndApplied) {
    App_Folder folder;  // playbackSeek=5000, newSubLength=2000, vmr=VMR9
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        post_command(main, cmd_preferences);
        const HWND dialog = wait_for_dialog(u"Preferences");
        ASSERT_NE(dialog, nullptr);
        // The dialog shows the stored values.
        EXPECT_EQ(utf8(item(dialog, IDC_PREFS_SEEK)), "5000");
        EXPECT_EQ(utf8(item(dialog, IDC_PREFS_NEW_SUB)), "2000");
        EXPECT_FALSE(checked(dialog, IDC_PREFS_VMR7));
        EXPECT_TRUE(checked(dialog, IDC_PREFS_VMR9));
        set_item(dialog, IDC_PREFS_SEEK, L"750");
        set_item(dialog, IDC_PREFS_NEW_SUB, L"3000");
        SendMessageW(GetDlgItem(dialog, IDC_PREFS_VMR7), BM_CLICK, 0, 0);
        answer(dialog, IDOK);
        const std::string ini = settings_now(main, folder);
        EXPECT_NE(ini.find("[Params]\r\nplaybackSeek=750\r\ntimelineSnap=100\r\nnewSubLength=3000\r\nvmr=VMR7\r\n"),
                  std::string::npos)
            << ini;
        EXPECT_EQ(read_on_window(main, [&] { return window.video_control().seek_step; }), 750u);
        // Insert gives the new length.
        const auto row = insert_at(window, main, 4000);
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(utf8(row[1]), "0:00:04.000");
        EXPECT_EQ(utf8(row[2]), "0:00:07.000");
        EXPECT_EQ(utf8(row[3]), "03.000");
        // The next opening shows what was stored.
        post_command(main, cmd_preferences);
        const HWND again = wait_for_dialog(u"Preferences");
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(utf8(item(again, IDC_PREFS_SEEK)), "750");
        EXPECT_EQ(utf8(item(again, IDC_PREFS_NEW_SUB)), "3000");
        EXPECT_TRUE(checked(again, IDC_PREFS_VMR7));
        EXPECT_FALSE(checked(again, IDC_PREFS_VMR9));
        answer(again, IDCANCEL);
        close_without_saving(main, true);
    });
}

TEST(Preferences_Command, CancelChangesNothing) {
    App_Folder folder;
    const std::string before = folder.read("Cuemill.ini");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        post_command(main, cmd_preferences);
        const HWND dialog = wait_for_dialog(u"Preferences");
        ASSERT_NE(dialog, nullptr);
        set_item(dialog, IDC_PREFS_SEEK, L"999");
        set_item(dialog, IDC_PREFS_NEW_SUB, L"999");
        SendMessageW(GetDlgItem(dialog, IDC_PREFS_VMR7), BM_CLICK, 0, 0);
        answer(dialog, IDCANCEL);
        // Read after the command has ended on the window's thread.
        EXPECT_EQ(read_on_window(main, [&] { return window.video_control().seek_step; }), 5000u);
        EXPECT_EQ(read_on_window(main, [&] { return window.new_sub_duration(); }), 2000u);
        EXPECT_EQ(settings_now(main, folder), before);
        const auto row = insert_at(window, main, 1000);
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(utf8(row[2]), "0:00:03.000");
        EXPECT_EQ(utf8(row[3]), "02.000");
        close_without_saving(main, true);
    });
    // Closing writes only the window's place, not the preferences.
    const std::string after = folder.read("Cuemill.ini");
    EXPECT_NE(after.find("[Params]\r\nplaybackSeek=5000\r\ntimelineSnap=100\r\nnewSubLength=2000\r\nvmr=VMR9\r\n"),
              std::string::npos)
        << after;
}

}  // namespace
