#include "app/merge_dialog.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "res/dialog_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"Merge subs";

// count blocks starting at first_ms, one every step_ms, 500 ms long.
std::string srt_blocks(int count, int first_ms, int step_ms, const char* text) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        const int start = first_ms + i * step_ms, end = start + 500;
        char line[128];
        snprintf(line, sizeof line, "%d\r\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\r\n%s %d\r\n\r\n", i + 1,
                 start / 3600000, start / 60000 % 60, start / 1000 % 60, start % 1000, end / 3600000, end / 60000 % 60,
                 end / 1000 % 60, end % 1000, text, i + 1);
        out += line;
    }
    return out;
}

Sub_List document() {
    Sub_List subs;
    subs.push_back({1100, 1400, u"doc one"});
    subs.push_back({5100, 5400, u"doc two"});
    subs.push_back({90000, 91000, u"doc three"});
    return subs;
}

bool sorted_by_start(const Sub_List& subs) {
    return std::is_sorted(subs.begin(), subs.end(), [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; });
}

// Presses "..." and answers the open dialog with the path.
void choose_file(HWND dialog, const std::wstring& path) {
    click(dialog, IDC_MERGE_BROWSE);
    HWND open = find_dialog(L"Open");
    ASSERT_NE(open, nullptr) << "no file dialog";
    HWND name = GetDlgItem(open, 0x47C);  // the file name combo box
    if (!name) name = GetDlgItem(open, 0x480);  // the plain file name edit
    ASSERT_NE(name, nullptr);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    wait_for([&] { return !IsWindow(open); });
}

}  // namespace

TEST(MergeDialog, MergesAChosenFileInStartOrder) {
    Temp_Folder folder;
    const std::wstring doc_path = folder.write(L"doc.srt", srt_blocks(3, 1000, 1000, "x"));
    const std::wstring other = folder.write(L"other.srt", srt_blocks(120, 1000, 750, "Other"));
    const std::u16string doc = u16(doc_path);
    Sub_List subs = document();
    Owner owner;
    Merge_Dialog dialog(doc, subs);
    std::wstring file_field, count_field;
    HWND focus = nullptr, ok_button = nullptr;
    const DWORD gui_thread = GetCurrentThreadId();
    const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        ok_button = GetDlgItem(d, IDOK);
        choose_file(d, other);
        wait_for([&] { return item_text(d, IDC_MERGE_COUNT) == L"120"; });
        file_field = item_text(d, IDC_MERGE_FILE);
        count_field = item_text(d, IDC_MERGE_COUNT);
        focus = focus_of_thread(gui_thread);
        click(d, IDOK);
        wait_for([&] { return !IsWindow(d); });
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(file_field, other);
    EXPECT_EQ(count_field, L"120");
    EXPECT_EQ(focus, ok_button) << "the focus moves to OK after loading";
    ASSERT_EQ(subs.size(), 123u);
    EXPECT_TRUE(sorted_by_start(subs));
    EXPECT_EQ(std::count_if(subs.begin(), subs.end(), [](const Sub_Item& s) { return s.text.starts_with(u"doc"); }), 3);
    EXPECT_EQ(subs.back().text, u"Other 120");  // 1000 + 119 * 750 = 90250 ms, after doc three
}

TEST(MergeDialog, RefusesTheDocumentItself) {
    const struct {
        bool upper_case;
    } cases[] = {
        {false},  // the path exactly as the document's
        {true},   // the document's path in other letter case
    };
    Temp_Folder folder;
    const std::wstring doc_path = folder.write(L"Doc.srt", srt_blocks(3, 1000, 1000, "x"));
    Owner owner;
    for (const auto& c : cases) {
        std::u16string doc = u16(doc_path);
        if (c.upper_case) std::transform(doc.begin(), doc.end(), doc.begin(), [](char16_t ch) {
            return ch >= u'a' && ch <= u'z' ? static_cast<char16_t>(ch - 32) : ch;
        });
        Sub_List subs = document();
        Merge_Dialog dialog(doc, subs);
        std::wstring box, file_field, count_field, no_subs;
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            choose_file(d, doc_path);
            box = answer_box(L"Same sub");
            file_field = item_text(d, IDC_MERGE_FILE);
            count_field = item_text(d, IDC_MERGE_COUNT);
            click(d, IDOK);
            no_subs = answer_box(L"No subs");
            click(d, IDCANCEL);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(box, L"You cannot merge a sub with itself.") << c.upper_case;
        EXPECT_EQ(file_field, L"");
        EXPECT_EQ(count_field, L"");
        EXPECT_EQ(no_subs, L"There are no subs to merge.") << "nothing was loaded";
        EXPECT_EQ(result, 2);
        EXPECT_TRUE(lists_equal(subs, document()));
    }
}

TEST(MergeDialog, OkWithoutAFileKeepsTheDialogOpen) {
    const std::u16string doc = u"C:\\nowhere\\doc.srt";
    Sub_List subs = document();
    Owner owner;
    Merge_Dialog dialog(doc, subs);
    std::wstring box;
    bool open_after = false;
    const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        click(d, IDOK);
        box = answer_box(L"No subs");
        open_after = IsWindow(d) && IsWindowEnabled(GetDlgItem(d, IDOK));
        click(d, IDCANCEL);
        wait_for([&] { return !IsWindow(d); });
    });
    EXPECT_EQ(box, L"There are no subs to merge.");
    EXPECT_TRUE(open_after);
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(lists_equal(subs, document()));
}

TEST(MergeDialog, AFailedLoadKeepsTheEarlierFile) {
    const struct {
        const wchar_t* name;
        std::string bytes;
    } bad_files[] = {
        {L"empty.srt", ""},                                          // fails before parsing
        {L"garbled.srt", "1\r\nnot a timecode\r\nText\r\n\r\n"},  // fails while parsing
    };
    Owner owner;
    for (const auto& bad : bad_files) {
        Temp_Folder folder;
        const std::wstring good = folder.write(L"good.srt", srt_blocks(4, 2000, 1000, "Good"));
        const std::wstring broken = folder.write(bad.name, bad.bytes);
        const std::u16string doc = u"C:\\nowhere\\doc.srt";
        Sub_List subs = document();
        Merge_Dialog dialog(doc, subs);
        std::wstring box, file_field, count_field;
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            choose_file(d, good);
            wait_for([&] { return item_text(d, IDC_MERGE_COUNT) == L"4"; });
            choose_file(d, broken);
            box = answer_box(L"Subtitle error");
            file_field = item_text(d, IDC_MERGE_FILE);
            count_field = item_text(d, IDC_MERGE_COUNT);
            click(d, IDOK);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_TRUE(box.starts_with(L"Subtitle loading failed:\n")) << std::string(box.begin(), box.end());
        EXPECT_TRUE(box.ends_with(L"\n" + broken));
        EXPECT_EQ(file_field, good);
        EXPECT_EQ(count_field, L"4");
        EXPECT_EQ(result, 1);
        // What is merged is what the fields show: the good file.
        ASSERT_EQ(subs.size(), 7u);
        EXPECT_EQ(std::count_if(subs.begin(), subs.end(), [](const Sub_Item& s) { return s.text.starts_with(u"Good"); }), 4);
        EXPECT_TRUE(sorted_by_start(subs));
    }
}

TEST(MergeDialog, AWarningIsShownAndTheFileAccepted) {
    Temp_Folder folder;
    const std::wstring path =
        folder.write(L"warn.srt", srt_blocks(2, 1000, 1000, "Fine") + "3\r\nbroken --> line\r\nLost\r\n\r\n");
    const std::u16string doc = u"";
    Sub_List subs;
    Owner owner;
    Merge_Dialog dialog(doc, subs);
    std::wstring box, count_field;
    const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        choose_file(d, path);
        box = answer_box(L"Malformed sub");
        wait_for([&] { return item_text(d, IDC_MERGE_COUNT) == L"2"; });
        count_field = item_text(d, IDC_MERGE_COUNT);
        click(d, IDOK);
        wait_for([&] { return !IsWindow(d); });
    });
    EXPECT_NE(box, L"<no box>");
    EXPECT_FALSE(box.empty());
    EXPECT_EQ(count_field, L"2");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(subs.size(), 2u);
}

TEST(MergeDialog, CancelAndCloseMergeNothing) {
    const struct {
        bool close_box;
        INT_PTR result;
    } cases[] = {
        {false, 2},  // Cancel
        {true, 1},   // close box: 1, but nothing merged
    };
    Temp_Folder folder;
    const std::wstring other = folder.write(L"other.srt", srt_blocks(5, 1000, 1000, "Other"));
    Owner owner;
    for (const auto& c : cases) {
        const std::u16string doc = u"";
        Sub_List subs = document();
        Merge_Dialog dialog(doc, subs);
        POINT centre = {};
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            centre = centre_of(d);
            choose_file(d, other);
            wait_for([&] { return item_text(d, IDC_MERGE_COUNT) == L"5"; });
            if (c.close_box) {
                PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            } else {
                click(d, IDCANCEL);
            }
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, c.result);
        EXPECT_TRUE(lists_equal(subs, document()));
        const POINT expected = centre_of(owner.hwnd);
        EXPECT_LE(std::abs(centre.x - expected.x), 1);
        EXPECT_LE(std::abs(centre.y - expected.y), 1);
    }
}
