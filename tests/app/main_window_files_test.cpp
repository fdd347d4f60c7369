// The subtitle file flows of a real main window: open, save, close, title, settings.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "app/main_window.h"
#include "io/strings.h"
#include "test_app_support.h"

namespace {

const char three_subs[] =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nFirst\r\n\r\n"
    "2\r\n01:02:03,456 --> 01:02:05,006\r\nSecond line one\r\nline two\r\n\r\n"
    "3\r\n01:10:00,000 --> 01:10:01,000\r\n<i>Third</i>\r\n\r\n";

TEST(Open_Sub, GoodFileFillsListTitleAndStatus) {
    App_Folder folder;
    folder.write("Part 1 - Intro.srt", three_subs);
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        EXPECT_EQ(utf8(text_of(main)), "untitled.srt - Cuemill");
        EXPECT_EQ(utf8(status_part(main, 1)), "Saved: never");
        EXPECT_EQ(utf8(status_part(main, 2)), "0/0 subs");
        EXPECT_EQ(utf8(status_part(main, 3)), "0:00:00");
        drop_files(main, {folder.path("Part 1 - Intro.srt")});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 3; }));
        const auto rows = list_rows(list_of(main));
        EXPECT_EQ(utf8(rows[1][0]), "0002");
        EXPECT_EQ(utf8(rows[1][1]), "1:02:03.456");
        EXPECT_EQ(utf8(rows[1][2]), "1:02:05.006");
        EXPECT_EQ(utf8(rows[1][3]), "01.550");
        EXPECT_EQ(utf8(rows[1][4]), "Second line one|line two");
        EXPECT_EQ(utf8(text_of(main)), "Part 1 - Intro.srt - Cuemill");
        EXPECT_EQ(status_part(main, 0), folder.path("Part 1 - Intro.srt"));
        EXPECT_EQ(utf8(status_part(main, 1)).rfind("Saved: ", 0), 0u);
        // row 0 is selected after the refill; the count follows 200 ms later
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 2)) == "1/3 subs"; }));
        EXPECT_EQ(selected_rows(list_of(main)), std::vector<int>{0});
        // an edit marks every " - " of the title
        post_command(main, cmd_remove);
        answer(wait_for_dialog(u"Remove sub"), IDYES);
        EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == "Part 1 * - Intro.srt * - Cuemill"; }))
            << utf8(text_of(main));
        close_without_saving(main, true);
    });
    // the recent list and the settings file keep the path
    EXPECT_NE(folder.read("Cuemill.ini").find("file1="), std::string::npos) << folder.read("Cuemill.ini");
}

TEST(Open_Sub, MalformedFileWarnsAndOpens) {
    App_Folder folder;
    folder.write("bad.srt", std::string(three_subs) + "4\r\nnot a timecode\r\nLost\r\n\r\n");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("bad.srt")});
        const HWND box = wait_for_dialog(u"Malformed sub");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Some subs discarded due to faulty timecodes at line(s): 15.");
        answer(box, IDOK);
        EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == "bad.srt - Cuemill"; }));
        close_without_saving(main, false);
    });
}

TEST(Open_Sub, ReaderFailureKeepsPreviousDocument) {
    App_Folder folder;
    folder.write("good.srt", three_subs);
    folder.write("empty.srt", "");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("good.srt")});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 3; }));
        drop_files(main, {folder.path("empty.srt")});
        const HWND box = wait_for_dialog(u"Subs loading failed");
        ASSERT_NE(box, nullptr);
        const std::u16string start = std::u16string(u"\"") + folder.path("empty.srt") + u"\"\n\n Subtitle loading failed:\n";
        EXPECT_EQ(box_text(box).find(start), 0u);
        answer(box, IDOK);
        // the list, the title and the document all still show the first file
        EXPECT_EQ(list_rows(list_of(main)).size(), 3u);
        EXPECT_EQ(utf8(text_of(main)), "good.srt - Cuemill");
        EXPECT_EQ(read_on_window(main, [&] { return window.document().size(); }), 3u);
        close_without_saving(main, false);
    });
}

TEST(Open_Sub, LoadVideoOfferNamesFirstExistingExtension) {
    App_Folder folder;
    folder.write("Film.srt", three_subs);
    folder.write("Film.mkv", "x");
    folder.write("Film.avi", "x");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("Film.srt")});
        const HWND box = wait_for_dialog(u"Load video");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Video found:\n\"Film.avi\"\n\nDo you want to load it too?");
        answer(box, IDNO);
        EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == "Film.srt - Cuemill"; }));
        EXPECT_EQ(list_rows(list_of(main)).size(), 3u);
        close_without_saving(main, false);
    });
}

TEST(Open_Sub, CancelAtLoadVideoKeepsPreviousDocument) {
    App_Folder folder;
    folder.write("first.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nOnly\r\n\r\n");
    folder.write("Film.srt", three_subs);
    folder.write("Film.mp4", "x");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("first.srt")});
        ASSERT_TRUE(wait_until([&] { return utf8(text_of(main)) == "first.srt - Cuemill"; }));
        drop_files(main, {folder.path("Film.srt")});
        const HWND box = wait_for_dialog(u"Load video");
        ASSERT_NE(box, nullptr);
        answer(box, IDCANCEL);
        // document, list, title and path agree: still the first file
        EXPECT_EQ(read_on_window(main, [&] { return window.document().size(); }), 1u);
        EXPECT_EQ(list_rows(list_of(main)).size(), 1u);
        EXPECT_EQ(utf8(text_of(main)), "first.srt - Cuemill");
        EXPECT_EQ(status_part(main, 0), folder.path("first.srt"));
        close_without_saving(main, false);
    });
}

TEST(Open_Sub, ModifiedDocumentIsOfferedForSavingFirst) {
    const std::string two_left = "\xEF\xBB\xBF" "1\r\n01:02:03,456 --> 01:02:05,006\r\nSecond line one\r\nline two\r\n\r\n"
                                 "2\r\n01:10:00,000 --> 01:10:01,000\r\n<i>Third</i>\r\n\r\n";
    const struct { int answer; const char* title; std::string first_on_disk; } cases[] = {
        {IDCANCEL, "first.srt * - Cuemill", three_subs},  // nothing opened, the edit kept
        {IDNO, "other.srt - Cuemill", three_subs},        // opened, the edit dropped as asked
        {IDYES, "other.srt - Cuemill", two_left},         // saved, then opened
    };
    for (const auto& c : cases) {
        App_Folder folder;
        folder.write("first.srt", three_subs);
        folder.write("other.srt", "1\r\n00:00:05,000 --> 00:00:06,000\r\nOther\r\n\r\n");
        Main_Window window;
        run_with_script(window, folder, [&](HWND main) {
            open_file(main, folder, "first.srt", 3);
            remove_first_row(main, "first.srt");
            drop_files(main, {folder.path("other.srt")});
            const HWND box = wait_for_dialog(u"Save sub");
            ASSERT_NE(box, nullptr) << c.answer;
            EXPECT_EQ(utf8(box_text(box)), "The sub has been modified, do you wish to save it?");
            EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);
            answer(box, c.answer);
            if (c.answer == IDYES) answer(wait_for_dialog(u"Subtitle saved"), IDOK);
            EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == c.title; })) << utf8(text_of(main));
            EXPECT_EQ(list_rows(list_of(main)).size(), c.answer == IDCANCEL ? 2u : 1u);
            EXPECT_EQ(folder.read("first.srt"), c.first_on_disk);
            close_without_saving(main, c.answer == IDCANCEL);
        });
    }
}

TEST(Drop_Files, WrongDropsAreRefused) {
    const struct {
        std::vector<const char*> names;
        const char* comment;
    } cases[] = {
        {{"a.txt"}, "neither a subtitle nor a video"},
        {{"a.srt", "b.srt"}, "two subtitles"},
        {{"m.mp4", "notes.txt"}, "a second non-subtitle after a video"},
        {{"a.srt", "b.srt", "c.srt"}, "three files"},
    };
    for (const auto& c : cases) {
        App_Folder folder;
        std::vector<std::u16string> paths;
        for (const char* name : c.names) {
            folder.write(name, three_subs);
            paths.push_back(folder.path(name));
        }
        Main_Window window;
        run_with_script(window, folder, [&](HWND main) {
            drop_files(main, paths);
            const HWND box = wait_for_dialog(u"Oops...");
            EXPECT_NE(box, nullptr) << c.comment;
            if (box) {
                EXPECT_EQ(utf8(box_text(box)),
                          "You can drag & drop only 1 subtitle file,\n1 video file, or 1 of each.");
                answer(box, IDOK);
            }
            EXPECT_EQ(utf8(text_of(main)), "untitled.srt - Cuemill") << c.comment;
            close_without_saving(main, false);
        });
    }
}

TEST(Recent_Entries, ThatCannotBeOpenedAreOfferedForRemoval) {
    App_Folder folder;
    folder.write("notes.srt.bak", three_subs);
    folder.write("notes.txt", "not a video");
    const std::u16string gone_sub = folder.path("gone.srt"), backup = folder.path("notes.srt.bak");
    const std::u16string gone_video = folder.path("gone.mkv"), notes = folder.path("notes.txt");
    const auto two = [](const std::u16string& a, const std::u16string& b) {
        return "file1=" + utf8(a) + "\r\nfile2=" + utf8(b) + "\r\n";
    };
    folder.write("Cuemill.ini", settings_text("[RecentSubs]\r\n\r\n[RecentVids]\r\n",
                                              "[RecentSubs]\r\n" + two(gone_sub, backup) + "\r\n[RecentVids]\r\n" +
                                                  two(gone_video, notes)));
    const std::u16string remove = u"\n\nRemove it from the recent menu?";
    const std::u16string missing =
        u"The recent subtitle file: \n\n\"" + gone_sub + u"\"\n\ndoesn't exist anymore.\nRemove it from the recent menu?";
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const struct {
            std::u16string path;
            int index;
            const char16_t* title;
            std::u16string text;
            int button;
        } cases[] = {
            // it exists, but only ".srt" opens
            {backup, 1, u"Unsupported subtitle", u"The chosen subtitle format is not suported:\nnotes.srt.bak", IDOK},
            {gone_sub, 0, u"Missing file", missing, IDNO},   // kept on No
            {gone_sub, 0, u"Missing file", missing, IDYES},  // removed on Yes
            {notes, 1, u"Video file error", u"The video format is not suported:\n" + notes + remove, IDNO},
            {gone_video, 0, u"Video file error", u"The video file doesn't exist:\n" + gone_video + remove, IDYES},
        };
        for (const auto& c : cases) {
            const UINT id = recent_entry_id(main, c.path, c.index);
            ASSERT_NE(id, 0u) << utf8(c.path);
            post_command(main, id);
            const HWND box = wait_for_dialog(c.title);
            ASSERT_NE(box, nullptr) << utf8(c.title);
            EXPECT_EQ(box_text(box), c.text);
            answer(box, c.button);
        }
        const std::string ini = settings_now(main, folder);
        EXPECT_NE(ini.find("[RecentSubs]\r\nfile1=" + utf8(backup) + "\r\n"), std::string::npos) << ini;
        EXPECT_NE(ini.find("[RecentVids]\r\nfile1=" + utf8(notes) + "\r\n"), std::string::npos) << ini;
        EXPECT_EQ(ini.find("gone."), std::string::npos) << ini;
        EXPECT_NE(recent_entry_id(main, backup, 0), 0u) << "the menus follow the lists";
        EXPECT_NE(recent_entry_id(main, notes, 0), 0u);
        EXPECT_FALSE(read_on_window(main, [&] { return window.video_control().player.loaded(); }));
        EXPECT_EQ(utf8(text_of(main)), "untitled.srt - Cuemill");
        close_without_saving(main, false);
    });
}

TEST(Save_Sub, WritesFileAndReports) {
    App_Folder folder;
    folder.write("doc.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n"
                            "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("doc.srt")});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 2; }));
        // remove the second sub, marking the title
        ListView_SetItemState(list_of(main), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list_of(main), 1, LVIS_SELECTED, LVIS_SELECTED);
        post_command(main, cmd_remove);
        HWND box = wait_for_dialog(u"Remove sub");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Do you want to remove the sub #2?");
        answer(box, IDYES);
        ASSERT_TRUE(wait_until([&] { return utf8(text_of(main)) == "doc.srt * - Cuemill"; }));
        post_command(main, cmd_save_sub);
        box = wait_for_dialog(u"Subtitle saved");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box_text(box), u"Subtitle file successfully saved as:\n\n\"" + folder.path("doc.srt") +
                                     u"\"\n\nTotal subtitles: 1\nFile size: 42 bytes");
        answer(box, IDOK);
        EXPECT_EQ(folder.read("doc.srt"), "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n");
        EXPECT_EQ(utf8(text_of(main)), "doc.srt - Cuemill");
        const std::string saved = utf8(status_part(main, 1));
        EXPECT_EQ(saved.rfind("Saved: ", 0), 0u) << saved;
        // Saved, but the file cannot be measured afterwards: saved all the same.
        on_window_thread(main, [&] {
            window.measure_file = [](const std::u16string&, std::uint64_t&, std::u16string* error) {
                *error = u"Gone.";
                return false;
            };
        });
        ASSERT_NO_FATAL_FAILURE(remove_first_row(main, "doc.srt"));
        post_command(main, cmd_save_sub);
        box = wait_for_dialog(u"Reading error");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Subtitle file was saved, but file size could not be calculated:\nGone.");
        answer(box, IDOK);
        EXPECT_EQ(utf8(text_of(main)), "doc.srt - Cuemill");
        EXPECT_FALSE(read_on_window(main, [&] { return window.is_modified(); }));
        // the document equals its file now: closing asks nothing
        close_without_saving(main, false);
    });
}

TEST(Close_Sub, AsksOnlyWhenContentDiffersFromFile) {
    App_Folder folder;
    folder.write("doc.srt", three_subs);
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("doc.srt")});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 3; }));
        // unchanged: no question, straight to untitled
        post_command(main, cmd_close_sub);
        ASSERT_TRUE(wait_until([&] { return utf8(text_of(main)) == "untitled.srt - Cuemill"; }));
        EXPECT_EQ(list_rows(list_of(main)).size(), 0u);
        EXPECT_EQ(status_part(main, 0), u"");
        EXPECT_EQ(utf8(status_part(main, 1)), "Saved: never");
        // the file changes on disk behind the program: the document now differs
        drop_files(main, {folder.path("doc.srt")});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 3; }));
        folder.write("doc.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nOther\r\n\r\n");
        post_command(main, cmd_close_sub);
        const HWND box = wait_for_dialog(u"Save sub");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "The sub has been modified, do you wish to save it?");
        answer(box, IDNO);
        EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == "untitled.srt - Cuemill"; }));
        close_without_saving(main, false);
    });
}

TEST(Settings, OldVersionIsRaisedAndWindowPositionKept) {
    App_Folder folder;
    folder.write("Cuemill.ini", settings_text("version=1.3.0", "version=1.1.0"));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        EXPECT_NE(folder.read("Cuemill.ini").find("version=1.3.0"), std::string::npos);
        SetWindowPos(main, nullptr, 40, 30, 900, 640, SWP_NOZORDER);
        close_without_saving(main, false);
    });
    const std::string ini = folder.read("Cuemill.ini");
    EXPECT_NE(ini.find("left=40\r\ntop=30\r\nwidth=900\r\nheight=640"), std::string::npos) << ini;
}

TEST(Settings, MaximisedWindowKeepsStoredPosition) {
    App_Folder folder;
    const std::string before = settings_text("left=0\r\ntop=0\r\nwidth=0\r\nheight=0", "left=10\r\ntop=20\r\nwidth=800\r\nheight=600");
    folder.write("Cuemill.ini", before);
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        RECT r{};
        GetWindowRect(main, &r);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.right - r.left, 800);
        ShowWindow(main, SW_MAXIMIZE);
        wait_until([&] { return IsZoomed(main) != FALSE; });
        close_without_saving(main, false);
    });
    EXPECT_EQ(folder.read("Cuemill.ini"), before);
}

TEST(Settings, DamagedFileStopsWithBadConfig) {
    const struct {
        const char* from;
        const char* to;
        const char* detail;
    } cases[] = {
        {"version=1.3.0", "version=1.4.0", ""},                                                // newer: the plain text
        {"newSubLength=2000\r\n", "", "The key \"newSubLength\" is missing from [Params]."},  // key gone
        {"[Window]", "[Win]", "The section [Window] is missing."},                             // section gone
        {"playbackSeek=5000", "playbackSeek=five", "The value \"five\" of \"playbackSeek\" in [Params] is not a valid number."},
    };
    for (const auto& c : cases) {
        App_Folder folder;
        folder.write("Cuemill.ini", settings_text(c.from, c.to));
        const std::string before = folder.read("Cuemill.ini");
        Main_Window window;
        window.settings_directory = folder.dir.u16string();
        std::u16string text;
        std::thread driver([&] {
            const HWND box = wait_for_dialog(u"Bad config");
            if (box) {
                text = box_text(box);
                answer(box, IDOK);
            }
        });
        const int result = window.run(GetModuleHandleW(nullptr), SW_SHOW);
        driver.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(utf8(text), std::string("The configuration file \"Cuemill.ini\" has a bad format.\n"
                                          "Cuemill cannot run.") + (*c.detail ? "\n\n" : "") + c.detail);
        EXPECT_EQ(folder.read("Cuemill.ini"), before);  // nothing written
    }
}

TEST(Settings, MissingFileStopsWithConfigLoadingFailed) {
    App_Folder folder;
    std::filesystem::remove(folder.dir / "Cuemill.ini");
    Main_Window window;
    window.settings_directory = folder.dir.u16string();
    std::u16string text;
    std::thread driver([&] {
        const HWND box = wait_for_dialog(u"Config loading failed");
        if (box) {
            text = box_text(box);
            answer(box, IDOK);
        }
    });
    window.run(GetModuleHandleW(nullptr), SW_SHOW);
    driver.join();
    EXPECT_EQ(text.find(u"Cuemill cannot run.\n\n\"" + folder.path("Cuemill.ini") + u"\"\n"), 0u) << utf8(text);
}

}  // namespace

namespace {

// File > Reopen with encoding: every readable encoding by name, the one in use checked, and
// the status bar naming it; greyed without a file.
TEST(Reopen_With_Encoding, MenuChecksTheEncodingInUse) {
    App_Folder folder;
    folder.write("ru.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0?\r\n");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HMENU file_menu = GetSubMenu(GetMenu(main), 0);
        HMENU encodings = nullptr;
        int position = -1;
        for (int k = 0; k < GetMenuItemCount(file_menu); ++k) {
            wchar_t text[64] = {};
            GetMenuStringW(file_menu, k, text, 63, MF_BYPOSITION);
            if (std::wstring(text) == L"Reopen with &encoding") {
                encodings = GetSubMenu(file_menu, k);
                position = k;
            }
        }
        ASSERT_NE(encodings, nullptr);
        ASSERT_EQ(GetMenuItemCount(encodings), 17);
        const auto name = [&](UINT id) {
            wchar_t text[64] = {};
            GetMenuStringW(encodings, id, text, 63, MF_BYCOMMAND);
            return utf8(std::u16string(reinterpret_cast<const char16_t*>(text)));
        };
        const auto checked = [&](UINT id) {
            SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file_menu), 0);
            return (GetMenuState(encodings, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
        };
        EXPECT_EQ(name(40081), "Unicode (UTF-8)");
        EXPECT_EQ(name(40088), "Cyrillic (Windows-1251)");
        EXPECT_EQ(name(40095), "Chinese Simplified (GBK, 936)");
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file_menu), 0);
        EXPECT_TRUE(GetMenuState(file_menu, position, MF_BYPOSITION) & MF_GRAYED);  // untitled

        drop_files(main, {folder.path("ru.srt")});
        ASSERT_TRUE(wait_until([&] { return list_rows(list_of(main)).size() == 1; }));
        EXPECT_EQ(utf8(list_rows(list_of(main))[0][4]), "Привет, как дела?");
        EXPECT_EQ(utf8(status_part(main, encoding_status_part)), "Cyrillic (Windows-1251)");
        EXPECT_TRUE(checked(40088));
        EXPECT_FALSE(checked(40084));
        EXPECT_FALSE(GetMenuState(file_menu, position, MF_BYPOSITION) & MF_GRAYED);

        post_command(main, 40084);  // Western European (Windows-1252)
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, encoding_status_part)) == "Western European (Windows-1252)"; }));
        EXPECT_EQ(utf8(list_rows(list_of(main))[0][4]), "Ïðèâåò, êàê äåëà?");
        EXPECT_TRUE(checked(40084));
        EXPECT_FALSE(checked(40088));
        EXPECT_EQ(window.document_encoding(), 1252u);
        close_without_saving(main, false);
    });
}

}  // namespace
