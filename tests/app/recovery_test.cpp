// Recovery copies without a window: names, texts, owners, the writer and finding copies.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window_support.h"
#include "app/recovery.h"
#include "core/srt_writer.h"
#include "io/file.h"
#include "io/strings.h"
#include "test_app_support.h"

namespace {

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

TEST(Recovery_Names, StemsRoundTripAndOtherNamesAreNotStems) {
    const Recovery_Owner owners[] = {
        {1234, 0x01DA0B1C2D3E4F50ull},  // an ordinary process
        {0, 0},                          // the smallest values
        {4294967295u, ~0ull},            // the largest values
    };
    for (const Recovery_Owner& owner : owners) {
        const std::u16string stem = recovery_stem(owner);
        EXPECT_EQ(parse_recovery_stem(stem), owner) << utf16_to_utf8(stem);
    }
    EXPECT_EQ(utf16_to_utf8(recovery_stem({1234, 0x01DA0B1C2D3E4F50ull})), "1234-01DA0B1C2D3E4F50");
    const char16_t* strangers[] = {
        u"notes",                   // no dash
        u"-01DA0B1C2D3E4F50",       // no process id
        u"12x4-01DA0B1C2D3E4F50",   // a letter in the id
        u"1234-01DA0B1C2D3E4F5",    // 15 hex digits
        u"1234-01DA0B1C2D3E4F500",  // 17 hex digits
        u"1234-01DA0B1C2D3E4G50",   // not hex
        u"4294967296-01DA0B1C2D3E4F50",  // id beyond 32 bits
    };
    for (const char16_t* name : strangers) EXPECT_FALSE(parse_recovery_stem(name)) << utf16_to_utf8(name);
}

TEST(Recovery_Texts, QuestionNamesDocumentTimeAndCount) {
    SYSTEMTIME t{};
    t.wYear = 2026; t.wMonth = 12; t.wDayOfWeek = 3; t.wDay = 9;
    t.wHour = 7; t.wMinute = 5; t.wSecond = 9;
    Recovery_Copy copy;
    copy.folder = u"C:\\Cuemill\\Recovery";
    copy.stem = u"1234-01DA0B1C2D3E4F50";
    copy.document = u"D:\\films\\film.srt";
    EXPECT_EQ(utf16_to_utf8(recovery_question(copy, t, 12345)),
              "Cuemill did not end normally. A copy of work that was not saved is kept:\n\n"
              "\"D:\\films\\film.srt\"\n\nCopied: Wed, 9 Dec 2026, 7:05:09\nTotal subtitles: 12,345\n\n"
              "Do you want to recover it? No deletes the copy.");
    copy.document.clear();  // untitled
    EXPECT_NE(recovery_question(copy, t, 1).find(u"\n\n\"untitled.srt\"\n\n"), std::u16string::npos);
    EXPECT_EQ(utf16_to_utf8(recovery_unreadable_text(copy, u"File doesn't exist.")),
              "A copy of work that was not saved could not be read:\n\n"
              "\"C:\\Cuemill\\Recovery\\1234-01DA0B1C2D3E4F50.srt\"\nFile doesn't exist.\n\nThe copy is kept.");
}

TEST(Recovery_Owners, AReusedProcessIdIsNotTheOwner) {
    const Recovery_Owner me = current_recovery_owner();
    EXPECT_EQ(me.pid, GetCurrentProcessId());
    EXPECT_NE(me.started, 0u);
    EXPECT_TRUE(recovery_owner_running(me));
    // The same id with another start time is a later process that got the id again.
    EXPECT_FALSE(recovery_owner_running({me.pid, me.started - 1}));
    EXPECT_FALSE(recovery_owner_running({me.pid, me.started + 1}));
    EXPECT_FALSE(recovery_owner_running({0xFFFFFFF0u, me.started}));  // no such process
}

class Recovery_Files : public ::testing::Test {
protected:
    std::u16string path(const char* name) const { return folder.path(name); }
    static std::string bytes(const std::u16string& file) {
        std::ifstream in(std::filesystem::path(file), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool exists(const std::u16string& file) { return GetFileAttributesW(wide(file)) != INVALID_FILE_ATTRIBUTES; }
    static std::string srt_bytes(const Sub_List& subs) {
        return subs.empty() ? std::string() : "\xEF\xBB\xBF" + utf16_to_utf8(write_srt(subs));
    }
    // A copy as a process that has ended left it, last written at `time`.
    static void leave_copy(const std::u16string& where, const std::u16string& stem, const std::u16string& record,
                           const Sub_List& subs, std::uint64_t time) {
        std::filesystem::create_directories(std::filesystem::path(where));
        ASSERT_TRUE(write_text_file_safely(where + u"\\" + stem + u".ini", record));
        ASSERT_TRUE(write_text_file_safely(where + u"\\" + stem + u".srt", write_srt(subs)));
        const HANDLE file = CreateFileW(wide(where + u"\\" + stem + u".srt"), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const FILETIME t{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
        SetFileTime(file, nullptr, nullptr, &t);
        CloseHandle(file);
    }
    App_Folder folder;
    const std::filesystem::path& dir = folder.dir;
};

const Sub_List two = {{1000, 2000, u"One"}, {3000, 4000, u"Two\r\nlines"}};

TEST_F(Recovery_Files, TheCopyIsWrittenFromASnapshot) {
    Recovery_Writer writer({path("Recovery")}, u"1-0000000000000001");
    const std::u16string copy = path("Recovery") + u"\\1-0000000000000001.srt";
    Sub_List subs = two;
    {
        // Hold the worker back, as a running save would, while the document changes.
        std::unique_lock save(document_write_lock());
        writer.write(subs, u"");
        subs.push_back({5000, 6000, u"Three"});
        subs[0].text = u"Changed";
    }
    writer.wait_idle();
    EXPECT_EQ(bytes(copy), srt_bytes(two));
    writer.write(subs, u"");
    writer.wait_idle();
    EXPECT_EQ(bytes(copy), srt_bytes(subs));
}

TEST_F(Recovery_Files, CopyAndRecordUntilDiscarded) {
    const std::u16string recovery = path("Recovery");
    Recovery_Writer writer({recovery}, u"2-0000000000000002");
    writer.write(two, u"D:\\films\\film.srt");
    writer.wait_idle();
    EXPECT_EQ(writer.folder(), recovery);
    EXPECT_EQ(writer.last_error(), u"");
    EXPECT_EQ(bytes(recovery + u"\\2-0000000000000002.srt"), srt_bytes(two));
    Ini_File record;
    ASSERT_TRUE(load_ini(record, recovery + u"\\2-0000000000000002.ini"));
    std::u16string document;
    ASSERT_TRUE(recovery_record_document(record, document));
    EXPECT_EQ(utf16_to_utf8(document), "D:\\films\\film.srt");

    writer.discard();
    EXPECT_TRUE(std::filesystem::is_empty(dir / "Recovery"));
    EXPECT_EQ(writer.folder(), u"");
}

TEST_F(Recovery_Files, NoCopyWhileTheDocumentEqualsItsFile) {
    const std::u16string recovery = path("Recovery");
    const std::u16string film = path("film.srt");
    ASSERT_TRUE(write_text_file_safely(film, write_srt(two)));
    Recovery_Writer writer({recovery}, u"3-0000000000000003");
    const std::u16string copy = recovery + u"\\3-0000000000000003.srt";
    const struct {
        Sub_List subs;
        const std::u16string* document;
        bool kept;
    } steps[] = {
        {{two[0]}, &film, true},   // a sub removed: differs from its file
        {two, &film, false},       // edited back to the file's content
        {{}, &film, true},         // every sub removed: still differs
        {{two[0]}, nullptr, true}, // untitled with a sub
        {{}, nullptr, false},      // untitled and empty
    };
    for (const auto& step : steps) {
        writer.write(step.subs, step.document ? *step.document : std::u16string());
        writer.wait_idle();
        EXPECT_EQ(exists(copy), step.kept) << step.subs.size() << " subs";
        EXPECT_EQ(exists(recovery + u"\\3-0000000000000003.ini"), step.kept);
        if (step.kept) {
            EXPECT_EQ(bytes(copy), srt_bytes(step.subs));
        }
    }
}

TEST_F(Recovery_Files, AnUnwritableFolderFallsBackToTheNext) {
    // A file where the first recovery should be: nothing can be written under it.
    { std::ofstream(dir / "blocked", std::ios::binary) << "x"; }
    const std::u16string first = path("blocked") + u"\\Recovery";
    const std::u16string second = path("local") + u"\\Cuemill\\Recovery";  // parents made as needed
    Recovery_Writer writer({first, second}, u"4-0000000000000004");
    writer.write(two, u"");
    writer.wait_idle();
    EXPECT_EQ(writer.folder(), second);
    EXPECT_EQ(bytes(second + u"\\4-0000000000000004.srt"), srt_bytes(two));

    // Once the first recovery can be written again, the copy moves there and leaves no twin.
    std::filesystem::remove(dir / "blocked");
    writer.write(two, u"");
    writer.wait_idle();
    EXPECT_EQ(writer.folder(), first);
    EXPECT_TRUE(exists(first + u"\\4-0000000000000004.srt"));
    EXPECT_FALSE(exists(second + u"\\4-0000000000000004.srt"));
    EXPECT_FALSE(exists(second + u"\\4-0000000000000004.ini"));

    // Nowhere to write: the reason is kept, and said once until it works again.
    Recovery_Writer stuck({path("blocked2") + u"\\Recovery"}, u"5-0000000000000005");
    std::vector<bool> reports;  // written by the worker, read once it is idle
    stuck.report_failures([&](bool failing) { reports.push_back(failing); });
    { std::ofstream(dir / "blocked2", std::ios::binary) << "x"; }
    for (int k = 0; k < 2; ++k) {
        stuck.write(two, u"");
        stuck.wait_idle();
    }
    EXPECT_EQ(stuck.folder(), u"");
    EXPECT_NE(stuck.last_error(), u"");
    EXPECT_EQ(reports, std::vector<bool>{true});
    std::filesystem::remove(dir / "blocked2");
    for (int k = 0; k < 2; ++k) {
        stuck.write(two, u"");
        stuck.wait_idle();
    }
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
}

TEST_F(Recovery_Files, DiscardNeverWaitsForAWriteInProgress) {
    const std::u16string copy = path("Recovery") + u"\\6-0000000000000006.srt";
    Recovery_Writer writer({path("Recovery")}, u"6-0000000000000006");
    std::unique_lock save(document_write_lock());  // the worker's write waits here
    writer.write(two, u"");
    std::atomic<bool> returned = false;
    std::thread caller([&] {
        writer.discard();
        returned = true;
    });
    const bool in_time = wait_until([&] { return returned.load(); }, std::chrono::milliseconds(500));
    save.unlock();
    caller.join();
    EXPECT_TRUE(in_time) << "discard waited for the worker";
    writer.wait_idle();
    EXPECT_FALSE(exists(copy)) << "the copy written meanwhile is removed once the write ends";
}

TEST_F(Recovery_Files, OrphansNewestFirstAndEachClaimedOnce) {
    const std::u16string a = path("a"), b = path("b");
    const Recovery_Owner me = current_recovery_owner();
    const std::u16string older = recovery_stem({me.pid, me.started - 1});  // ended, its id now ours
    const std::u16string newer = recovery_stem({0xFFFFFFF0u, 7});
    const std::u16string damaged = recovery_stem({0xFFFFFFF0u, 8});
    const std::u16string no_copy = recovery_stem({0xFFFFFFF0u, 9});
    const std::uint64_t hour = 36000000000ull;
    const std::uint64_t t0 = 133500000000000000ull;  // in 2024: the Unix side keeps it exactly
    leave_copy(a, older, recovery_record_text(u"D:\\old.srt"), two, t0 + 0 * hour);
    leave_copy(b, newer, recovery_record_text(u""), {}, t0 + 2 * hour);
    leave_copy(a, damaged, u"[Recovery]\r\n", two, t0 + 1 * hour);
    leave_copy(b, recovery_stem(me), recovery_record_text(u"D:\\mine.srt"), two, t0 + 3 * hour);  // still running
    leave_copy(a, u"notes", recovery_record_text(u""), two, t0 + 4 * hour);                     // not a stem
    ASSERT_TRUE(write_text_file_safely(a + u"\\" + no_copy + u".ini", recovery_record_text(u"")));     // record alone

    std::vector<Recovery_Copy> copies = find_orphan_copies({a, b});
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies[0].stem, newer);
    EXPECT_EQ(copies[0].folder, b);
    EXPECT_EQ(copies[0].document, u"");
    EXPECT_EQ(copies[0].time, t0 + 2 * hour);
    EXPECT_EQ(copies[1].stem, damaged);
    EXPECT_EQ(utf16_to_utf8(copies[1].record_error), "The copy's record names no document.");
    EXPECT_EQ(copies[2].stem, older);
    EXPECT_EQ(copies[2].document, u"D:\\old.srt");

    Sub_List subs{{1, 2, u"stale"}};
    std::u16string error;
    EXPECT_TRUE(read_recovery_copy(copies[0], subs, &error));  // an empty document
    EXPECT_TRUE(subs.empty());
    EXPECT_FALSE(read_recovery_copy(copies[1], subs, &error));
    EXPECT_EQ(error, copies[1].record_error);
    ASSERT_TRUE(read_recovery_copy(copies[2], subs, &error));
    EXPECT_TRUE(lists_equal(subs, two));

    // The first to claim a copy takes it; a second claim of the same copy fails.
    Recovery_Copy again = copies[2];
    const std::u16string mine = recovery_stem(me);
    ASSERT_TRUE(claim_recovery_copy(copies[2], mine));
    EXPECT_EQ(copies[2].stem, mine);
    EXPECT_FALSE(claim_recovery_copy(again, u"2-0000000000000002"));
    EXPECT_EQ(bytes(a + u"\\" + mine + u".srt"), srt_bytes(two));
    EXPECT_FALSE(exists(a + u"\\" + older + u".srt"));
    EXPECT_FALSE(exists(a + u"\\2-0000000000000002.ini"));
    // A claimed copy belongs to a running process now, so it is no longer offered.
    EXPECT_EQ(find_orphan_copies({a, b}).size(), 2u);

    remove_recovery_files(copies[2].folder, copies[2].stem);
    EXPECT_FALSE(exists(a + u"\\" + mine + u".srt"));
    EXPECT_FALSE(exists(a + u"\\" + mine + u".ini"));
}

TEST_F(Recovery_Files, TakingClaimsFirstAndGivesBackWhatItCannotUse) {
    const std::u16string a = path("a");
    const std::u16string stems[] = {recovery_stem({0xFFFFFFF0u, 21}), recovery_stem({0xFFFFFFF0u, 22}),
                                    recovery_stem({0xFFFFFFF0u, 23})};
    leave_copy(a, stems[0], recovery_record_text(u""), two, 133500000000000000ull);
    leave_copy(a, stems[1], u"[Recovery]\r\n", two, 133500000000000001ull);  // names no document
    leave_copy(a, stems[2], recovery_record_text(u""), two, 133500000000000002ull);
    std::vector<Recovery_Copy> copies = find_orphan_copies({a});
    ASSERT_EQ(copies.size(), 3u);
    const std::u16string mine = u"7-0000000000000007";
    Sub_List subs;
    std::u16string error;

    // Another process took the newest between finding and taking: gone, not unreadable.
    Recovery_Copy other = copies[0];
    ASSERT_EQ(other.stem, stems[2]);
    ASSERT_TRUE(claim_recovery_copy(other, recovery_stem(current_recovery_owner())));
    EXPECT_EQ(take_recovery_copy(copies[0], mine, subs, &error), Take_Result::gone);

    // Unreadable: given back under its own name, so it is offered again.
    ASSERT_EQ(copies[1].stem, stems[1]);
    EXPECT_EQ(take_recovery_copy(copies[1], mine, subs, &error), Take_Result::unreadable);
    EXPECT_EQ(utf16_to_utf8(error), "The copy's record names no document.");
    EXPECT_EQ(copies[1].stem, stems[1]);
    EXPECT_TRUE(exists(a + u"\\" + stems[1] + u".ini"));

    // A copy held open without sharing cannot be renamed: its record is put back.
    const HANDLE held = CreateFileW(wide(copies[2].copy_path()), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(claim_recovery_copy(copies[2], mine));
    CloseHandle(held);
    EXPECT_TRUE(exists(a + u"\\" + stems[0] + u".ini"));
    EXPECT_FALSE(exists(a + u"\\" + mine + u".ini"));
    EXPECT_EQ(find_orphan_copies({a}).size(), 2u);  // the one taken by the other process is not
    EXPECT_EQ(take_recovery_copy(copies[2], mine, subs, &error), Take_Result::taken);
    EXPECT_TRUE(lists_equal(subs, two));
    EXPECT_TRUE(exists(a + u"\\" + mine + u".srt"));
}

}  // namespace
