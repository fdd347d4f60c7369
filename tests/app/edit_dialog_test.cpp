#include "app/edit_dialog.h"

#include <gtest/gtest.h>

#include "res/dialog_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"Edit subtitle";

Edit_Sub_Data record(std::uint64_t number, std::uint64_t start, std::uint64_t end, const char16_t* text) {
    Edit_Sub_Data data;
    data.number = number;
    data.sub.start = start;
    data.sub.end = end;
    data.sub.text = text;
    return data;
}


INT_PTR show(Edit_Dialog& dialog, const Owner& owner, const std::function<void(HWND)>& script) {
    return run_dialog(title, [&] { return dialog.show(owner.hwnd); }, script);
}

}  // namespace

TEST(EditDialog, ShowsNumberAndTimes) {
    const struct {
        std::uint64_t number, start, end;
        const wchar_t *number_text, *start_text, *end_text, *duration_text;
    } cases[] = {
        {7, 1000, 62250, L"7", L"0:00:01.000", L"0:01:02.250", L"0:01:01.250"},          // plain sub
        {1, 0, 0, L"1", L"0:00:00.000", L"0:00:00.000", L"0:00:00.000"},                 // zero times
        {1234, 3599999, 3600000, L"1234", L"0:59:59.999", L"1:00:00.000", L"0:00:00.001"},  // hour boundary
        {2, 2000, 1000, L"2", L"0:00:02.000", L"0:00:01.000", L"34782:25:50.616"},       // end before start: unsigned difference
    };
    Owner owner;
    for (const auto& c : cases) {
        Edit_Sub_Data data = record(c.number, c.start, c.end, u"text");
        Edit_Dialog dialog(data);
        std::wstring number, start, end, duration;
        const INT_PTR result = show(dialog, owner, [&](HWND d) {
            number = item_text(d, IDC_EDIT_NUMBER);
            start = item_text(d, IDC_EDIT_START);
            end = item_text(d, IDC_EDIT_END);
            duration = item_text(d, IDC_EDIT_DURATION);
            click(d, IDCANCEL);
        });
        EXPECT_EQ(result, 2);
        EXPECT_EQ(number, c.number_text);
        EXPECT_EQ(start, c.start_text);
        EXPECT_EQ(end, c.end_text);
        EXPECT_EQ(duration, c.duration_text) << "start " << c.start << " end " << c.end;
    }
}

TEST(EditDialog, FieldsAreReadOnlyAndTextIsCentredMultiLine) {
    Owner owner;
    Edit_Sub_Data data = record(1, 0, 1000, u"a");
    Edit_Dialog dialog(data);
    LONG_PTR styles[5] = {};
    show(dialog, owner, [&](HWND d) {
        const int ids[] = {IDC_EDIT_NUMBER, IDC_EDIT_START, IDC_EDIT_END, IDC_EDIT_DURATION, IDC_EDIT_TEXT};
        for (int i = 0; i < 5; ++i) styles[i] = GetWindowLongPtrW(GetDlgItem(d, ids[i]), GWL_STYLE);
        click(d, IDCANCEL);
    });
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(styles[i] & ES_READONLY) << "field " << i;
    EXPECT_FALSE(styles[4] & ES_READONLY);
    EXPECT_TRUE(styles[4] & ES_MULTILINE);
    EXPECT_TRUE(styles[4] & ES_CENTER);
    EXPECT_TRUE(styles[4] & ES_WANTRETURN);
    EXPECT_TRUE(styles[4] & WS_VSCROLL);
}

TEST(EditDialog, ResultsAndText) {
    const struct {
        const wchar_t* typed;  // null: leave the text as given
        const char* how;       // "ok", "cancel", "close", "escape"
        INT_PTR result;
        const char16_t* text_after;
    } cases[] = {
        {L"New text", "ok", 1, u"New text"},            // confirmed text is stored
        {L"  \r\n ", "ok", 1, u"  \r\n "},              // blanks and breaks are not empty
        {nullptr, "ok", 1, u"Old\r\ntext"},             // unchanged text confirmed
        {L"New text", "cancel", 2, u"Old\r\ntext"},     // cancel keeps the record
        {L"New text", "escape", 2, u"Old\r\ntext"},     // Escape is Cancel
        {L"New text", "close", 1, u"Old\r\ntext"},      // close box gives 1 without storing
    };
    Owner owner;
    for (const auto& c : cases) {
        Edit_Sub_Data data = record(3, 1000, 2000, u"Old\r\ntext");
        Edit_Dialog dialog(data);
        const std::string how = c.how;
        const INT_PTR result = show(dialog, owner, [&](HWND d) {
            if (c.typed) set_item_text(d, IDC_EDIT_TEXT, c.typed);
            if (how == "ok") click(d, IDOK);
            if (how == "cancel") click(d, IDCANCEL);
            if (how == "close") PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (how == "escape") {
                HWND text = GetDlgItem(d, IDC_EDIT_TEXT);
                PostMessageW(text, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
                PostMessageW(text, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            }
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, c.result) << c.how;
        EXPECT_EQ(data.sub.text, c.text_after) << c.how;
        EXPECT_EQ(data.sub.start, 1000u);
        EXPECT_EQ(data.sub.end, 2000u);
    }
}

TEST(EditDialog, EmptyTextIsRefusedAndFocusGoesToTheText) {
    Owner owner;
    Edit_Sub_Data data = record(3, 1000, 2000, u"Old");
    Edit_Dialog dialog(data);
    const DWORD gui_thread = GetCurrentThreadId();
    std::wstring box_text;
    bool open_after_box = false;
    HWND focus = nullptr, text_edit = nullptr;
    const INT_PTR result = show(dialog, owner, [&](HWND d) {
        text_edit = GetDlgItem(d, IDC_EDIT_TEXT);
        set_item_text(d, IDC_EDIT_TEXT, L"");
        click(d, IDOK);
        box_text = answer_box(L"Sub text");
        wait_for([&] { return focus_of_thread(gui_thread) == text_edit; }, 3000);
        focus = focus_of_thread(gui_thread);
        open_after_box = IsWindow(d) && IsWindowVisible(d);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(box_text, L"Sub text can't be blank.");
    EXPECT_TRUE(open_after_box);
    EXPECT_EQ(focus, text_edit);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(data.sub.text, u"");  // the rejected OK already stored the empty text
}

TEST(EditDialog, AddItalics) {
    const struct {
        const wchar_t* text;
        int sel_start, sel_end;
        const wchar_t* expected;
        DWORD new_start, new_end;
    } cases[] = {
        {L"abc", 0, 0, L"<i>abc</i>", 3, 3},         // no selection wraps everything
        {L"abc", 2, 2, L"<i>abc</i>", 5, 5},         // caret moves three to the right
        {L"abc", 1, 2, L"a<i>b</i>c", 4, 5},         // middle letter wrapped and still selected
        {L"abc", 0, 3, L"<i>abc</i>", 3, 6},         // whole text selected
        {L"", 0, 0, L"<i></i>", 3, 3},               // empty text: caret between the tags
        {L"ab\r\ncd", 4, 6, L"ab\r\n<i>cd</i>", 7, 9},  // second line only
    };
    Owner owner;
    for (const auto& c : cases) {
        Edit_Sub_Data data = record(1, 0, 1000, u"");
        Edit_Dialog dialog(data);
        std::wstring text, count, undone;
        DWORD s = 0, e = 0;
        show(dialog, owner, [&](HWND d) {
            HWND edit = GetDlgItem(d, IDC_EDIT_TEXT);
            set_item_text(d, IDC_EDIT_TEXT, c.text);
            SendMessageW(edit, EM_SETSEL, c.sel_start, c.sel_end);
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_EDIT_ITALICS, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_EDIT_ITALICS)));
            text = text_of(edit);
            count = item_text(d, IDC_EDIT_COUNT);
            SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
            SendMessageW(edit, EM_UNDO, 0, 0);
            undone = text_of(edit);
            click(d, IDCANCEL);
        });
        EXPECT_EQ(text, c.expected) << "text " << c.sel_start << ".." << c.sel_end;
        EXPECT_EQ(s, c.new_start);
        EXPECT_EQ(e, c.new_end);
        EXPECT_EQ(count, std::to_wstring(wcslen(c.expected)) + L" chars");
        EXPECT_EQ(undone, c.text) << "one undo step restores the text";
    }
}

TEST(EditDialog, LiveCharacterCount) {
    const struct {
        const wchar_t* typed;
        const wchar_t* label;
    } cases[] = {
        {L"ab\r\ncd", L"6 chars"},  // a line break counts two
        {L"", L"0 chars"},          // empty
        {L"x", L"1 chars"},         // no singular form
        {L"\x00e9t\x00e9", L"3 chars"},  // UTF-16 units
    };
    Owner owner;
    Edit_Sub_Data data = record(1, 0, 1000, u"Hello");
    Edit_Dialog dialog(data);
    std::wstring initial;
    std::vector<std::wstring> labels;
    show(dialog, owner, [&](HWND d) {
        initial = item_text(d, IDC_EDIT_COUNT);
        for (const auto& c : cases) {
            HWND edit = GetDlgItem(d, IDC_EDIT_TEXT);
            // Replace the content as typing would, through the edit's own change path.
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.typed));
            labels.push_back(item_text(d, IDC_EDIT_COUNT));
        }
        click(d, IDCANCEL);
    });
    EXPECT_EQ(initial, L"5 chars");
    ASSERT_EQ(labels.size(), std::size(cases));
    for (std::size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(labels[i], cases[i].label) << i;
}

TEST(EditDialog, TextFontAndCentring) {
    Owner owner;
    LOGFONTW first = {}, second = {};
    HFONT font1 = nullptr, font2 = nullptr;
    POINT centre = {}, owner_centre = centre_of(owner.hwnd);
    for (int round = 0; round < 2; ++round) {
        Edit_Sub_Data data = record(1, 0, 1000, u"x");
        Edit_Dialog dialog(data);
        show(dialog, owner, [&](HWND d) {
            HFONT font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(d, IDC_EDIT_TEXT), WM_GETFONT, 0, 0));
            (round == 0 ? font1 : font2) = font;
            GetObjectW(font, sizeof(LOGFONTW), round == 0 ? &first : &second);
            if (round == 0) centre = centre_of(d);
            click(d, IDCANCEL);
        });
    }
    EXPECT_EQ(first.lfHeight, -13);
    const std::wstring face = first.lfFaceName;
    EXPECT_TRUE(face == L"Segoe UI" || face == L"Arial") << "face " << std::string(face.begin(), face.end());
    EXPECT_NE(font1, nullptr);
    EXPECT_EQ(font1, font2) << "one font per process";
    EXPECT_LE(std::abs(centre.x - owner_centre.x), 1);
    EXPECT_LE(std::abs(centre.y - owner_centre.y), 1);
}

TEST(EditDialog, TypingStartsInTheText) {
    Owner owner;
    Edit_Sub_Data data = record(1, 0, 1000, u"abc");
    Edit_Dialog dialog(data);
    const DWORD gui_thread = GetCurrentThreadId();
    HWND focus = nullptr, text = nullptr;
    show(dialog, owner, [&](HWND d) {
        text = GetDlgItem(d, IDC_EDIT_TEXT);
        wait_for([&] { return focus_of_thread(gui_thread) == text; }, 3000);
        focus = focus_of_thread(gui_thread);
        click(d, IDCANCEL);
    });
    EXPECT_EQ(focus, text) << "the read-only fields are not tab stops";
}
