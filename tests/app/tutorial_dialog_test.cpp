#include "app/tutorial_dialog.h"

#include <gtest/gtest.h>

#include "res/dialog_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"Quick tutorial";
// Narrow on purpose: the binary must hold no UTF-16 copy of the line.
const char* const expected_line = "https://www.youtube.com/results?search_query=Cuemill+subtitle+editor+tutorial";

// Widened through volatile reads, so that the optimiser cannot fold a UTF-16 copy into this binary.
std::wstring widen(const char* s) {
    std::wstring out;
    for (const volatile char* p = s; *p; ++p) out += static_cast<wchar_t>(*p);
    return out;
}

}  // namespace

TEST(TutorialDialog, ShowsTheLineSelectedAndFocused) {
    Owner owner;
    Tutorial_Dialog dialog;
    const DWORD gui_thread = GetCurrentThreadId();
    std::wstring text, caption;
    DWORD s = 1, e = 0;
    HWND focus = nullptr, edit = nullptr;
    LONG_PTR style = 0;
    POINT centre = {};
    const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        edit = GetDlgItem(d, IDC_TUTORIAL_LINK);
        text = text_of(edit);
        style = GetWindowLongPtrW(edit, GWL_STYLE);
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        focus = focus_of_thread(gui_thread);
        for (HWND child = GetWindow(d, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (child != edit && GetDlgCtrlID(child) != IDOK) caption = text_of(child);
        }
        centre = centre_of(d);
        click(d, IDOK);
        wait_for([&] { return !IsWindow(d); });
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text, widen(expected_line));
    EXPECT_EQ(s, 0u);
    EXPECT_EQ(e, text.size()) << "all of it is selected";
    EXPECT_EQ(focus, edit);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_EQ(caption, L"A quick tutorial can be found on YouTube video below:");
    const POINT expected = centre_of(owner.hwnd);
    EXPECT_LE(std::abs(centre.x - expected.x), 1);
    EXPECT_LE(std::abs(centre.y - expected.y), 1);
}

TEST(TutorialDialog, EveryWayOfClosingGivesOne) {
    const struct {
        const char* how;
    } cases[] = {
        {"ok"},      // the OK button
        {"escape"},  // Escape in the field
        {"enter"},   // Enter in the field presses OK
        {"close"},   // the close box
    };
    Owner owner;
    for (const auto& c : cases) {
        Tutorial_Dialog dialog;
        const std::string how = c.how;
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            HWND edit = GetDlgItem(d, IDC_TUTORIAL_LINK);
            if (how == "ok") click(d, IDOK);
            if (how == "escape") PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            if (how == "enter") PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
            if (how == "close") PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, 1) << c.how;
    }
}

TEST(TutorialDialog, TheLineIsNotStoredInPlainText) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string binary;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size = {};
    GetFileSizeEx(h, &size);
    binary.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(h, binary.data(), static_cast<DWORD>(binary.size()), &read, nullptr);
    CloseHandle(h);
    auto utf16le = [](const char* ascii) {
        std::string out;
        for (; *ascii; ++ascii) {
            out += *ascii;
            out += '\0';
        }
        return out;
    };
    EXPECT_EQ(binary.find(utf16le("youtube.com")), std::string::npos);
    EXPECT_EQ(binary.find(utf16le("Cuemill+subtitle")), std::string::npos);
    EXPECT_NE(binary.find(utf16le("A quick tutorial can be found")), std::string::npos) << "the search works";
}
