#include "app/about_dialog.h"

#include <gtest/gtest.h>

#include "res/dialog_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"About Cuemill";

// Expected texts are kept narrow here so that this test's own binary holds no
// UTF-16 copy of them; the search below looks for the UTF-16 form.
const char* const line1 = "Written in C++ for Windows, with Win32 and DirectShow.";
const char* const line2 = "Report problems and ideas to the Cuemill developers.";

// Widened through volatile reads, so that the optimiser cannot fold a UTF-16 copy into this binary.
std::wstring widen(const char* s) {
    std::wstring out;
    for (const volatile char* p = s; *p; ++p) out += static_cast<wchar_t>(*p);
    return out;
}

std::string own_binary() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string bytes;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size = {};
    GetFileSizeEx(h, &size);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(h);
    bytes.resize(read);
    return bytes;
}

std::string utf16le(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

std::vector<std::wstring> static_texts(HWND dialog) {
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (lstrcmpiW(cls, L"Static") == 0) texts.push_back(text_of(child));
    }
    return texts;
}

}  // namespace

TEST(AboutDialog, ShowsTheTemplateTextsAndTheUnscrambledLines) {
    Owner owner;
    About_Dialog dialog;
    std::wstring first, second;
    std::vector<std::wstring> texts;
    HANDLE icon = nullptr;
    POINT centre = {};
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        first = item_text(d, IDC_ABOUT_LINE1);
        second = item_text(d, IDC_ABOUT_LINE2);
        texts = static_texts(d);
        for (HWND child = GetWindow(d, GW_CHILD); child && !icon; child = GetWindow(child, GW_HWNDNEXT)) {
            icon = reinterpret_cast<HANDLE>(SendMessageW(child, STM_GETICON, 0, 0));
        }
        centre = centre_of(d);
        click(d, IDOK);
    });
    EXPECT_EQ(first, widen(line1));
    EXPECT_EQ(second, widen(line2));
    for (const wchar_t* fixed : {L"Cuemill v1.3.0 (2017-03-24)", L"SRT subtitles editor.", L"This program is freeware."}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), fixed), texts.end()) << std::string(fixed, fixed + wcslen(fixed));
    }
    EXPECT_NE(icon, nullptr) << "the program icon is shown";
    const POINT expected = centre_of(owner.hwnd);
    EXPECT_LE(std::abs(centre.x - expected.x), 1);
    EXPECT_LE(std::abs(centre.y - expected.y), 1);
}

TEST(AboutDialog, TheLinesAreNotStoredInPlainText) {
    const std::string binary = own_binary();
    ASSERT_GT(binary.size(), 10000u);
    const char* const pieces[] = {
        "Written in C++ for Windows, ",     // first piece of line 1
        "with Win32 and DirectShow.",       // second piece of line 1
        "Report problems and ideas to ",    // first piece of line 2
        "the Cuemill developers.",          // second piece of line 2
    };
    for (const char* piece : pieces) {
        EXPECT_EQ(binary.find(utf16le(piece)), std::string::npos) << piece;
    }
    // The search itself works: a template text is in the resources as UTF-16.
    EXPECT_NE(binary.find(utf16le("This program is freeware.")), std::string::npos);
}

TEST(AboutDialog, EveryWayOfClosingGivesOne) {
    const struct {
        const char* how;
    } cases[] = {
        {"ok"},      // the OK button
        {"escape"},  // Escape
        {"enter"},   // Enter presses the default button
        {"close"},   // the close box
    };
    Owner owner;
    for (const auto& c : cases) {
        About_Dialog dialog;
        const std::string how = c.how;
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            HWND ok = GetDlgItem(d, IDOK);
            if (how == "ok") click(d, IDOK);
            if (how == "escape") PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            if (how == "enter") PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 0x001C0001);
            if (how == "close") PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, 1) << c.how;
    }
}

TEST(Scrambling, RoundTrip) {
    constexpr auto empty = scramble(u"");
    constexpr auto text = scramble(u"Caf\u00e9 \u2014 \xD83D\xDE00 ok");
    EXPECT_EQ(empty.text(), u"");
    EXPECT_EQ(text.text(), u"Caf\u00e9 \u2014 \xD83D\xDE00 ok");
    // Every unit is changed by the scrambling.
    const char16_t plain[] = u"Caf\u00e9 \u2014 \xD83D\xDE00 ok";
    for (std::size_t i = 0; i + 1 < std::size(plain); ++i) EXPECT_NE(text.units[i], plain[i]) << i;
}
