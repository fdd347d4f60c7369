#include "app/preferences_dialog.h"

#include <gtest/gtest.h>

#include "res/dialog_ids.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"Preferences";
const wchar_t* const bad_step = L"F3/F4 step must be an integer positive number.";
const wchar_t* const bad_duration = L"Default duration must be an integer positive number.";

}  // namespace

TEST(PreferenceValue, IntegerTest) {
    const struct {
        const char16_t* text;
        bool valid;
        std::uint32_t value;
    } cases[] = {
        {u"250", true, 250},                 // plain number
        {u"0", true, 0},                     // zero is accepted
        {u"1 2", true, 1},                   // reading stops at the space
        {u" \t42", true, 42},                // leading blanks skipped
        {u"42  ", true, 42},                 // trailing blanks allowed
        {u"2147483647", true, 2147483647},   // largest signed 32-bit value
        {u"", false, 0},                     // empty
        {u"   ", false, 0},                  // blanks only hold no number
        {u"\t", false, 0},                   // a tab only
        {u"2147483648", false, 0},           // one past the signed range
        {u"99999999999999999999", false, 0}, // far past it
        {u"12a", false, 0},                  // a letter
        {u"-5", false, 0},                   // a sign is not a digit
        {u"1.5", false, 0},                  // nor is a dot
    };
    for (const auto& c : cases) {
        std::uint32_t value = 777;
        EXPECT_EQ(parse_preference_value(c.text, value), c.valid) << wide(c.text).size();
        EXPECT_EQ(value, c.valid ? c.value : 777u) << "a refused text leaves the value alone";
    }
}

TEST(PreferencesDialog, ShowsTheGivenValues) {
    const struct {
        std::uint32_t seek, duration, renderer;
        const wchar_t *seek_text, *duration_text;
        bool vmr7, vmr9;
    } cases[] = {
        {250, 1000, 2, L"250", L"1000", false, true},  // VMR-9
        {0, 5, 1, L"0", L"5", true, false},            // VMR-7
        {100, 100, 0, L"100", L"100", false, false},   // unknown renderer: neither
        {0x80000000u, 1, 2, L"-2147483648", L"1", false, true},  // shown as signed "%d"
    };
    Owner owner;
    for (const auto& c : cases) {
        Preferences_Dialog dialog(c.seek, c.duration, c.renderer);
        std::wstring seek, duration;
        bool vmr7 = false, vmr9 = false;
        LONG_PTR seek_style = 0, duration_style = 0;
        run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            seek = item_text(d, IDC_PREFS_SEEK);
            duration = item_text(d, IDC_PREFS_NEW_SUB);
            vmr7 = is_checked(d, IDC_PREFS_VMR7);
            vmr9 = is_checked(d, IDC_PREFS_VMR9);
            seek_style = GetWindowLongPtrW(GetDlgItem(d, IDC_PREFS_SEEK), GWL_STYLE);
            duration_style = GetWindowLongPtrW(GetDlgItem(d, IDC_PREFS_NEW_SUB), GWL_STYLE);
            click(d, IDCANCEL);
        });
        EXPECT_EQ(seek, c.seek_text);
        EXPECT_EQ(duration, c.duration_text);
        EXPECT_EQ(vmr7, c.vmr7) << c.renderer;
        EXPECT_EQ(vmr9, c.vmr9) << c.renderer;
        EXPECT_TRUE(seek_style & ES_NUMBER);
        EXPECT_TRUE(duration_style & ES_NUMBER);
    }
}

TEST(PreferencesDialog, OkStoresValidValues) {
    const struct {
        const wchar_t *seek, *duration;
        int radio;  // 0: leave as opened
        std::uint32_t renderer_in;
        std::uint32_t seek_out, duration_out, renderer_out;
    } cases[] = {
        {L"250", L"250", IDC_PREFS_VMR9, 1, 250, 250, 2},    // both fields and VMR-9
        {L"0", L"0", 0, 2, 0, 0, 2},                         // zeros accepted, renderer kept
        {L"5000", L"1500", IDC_PREFS_VMR7, 2, 5000, 1500, 1},  // switch to VMR-7
        {L"1 2", L" 30", 0, 0, 1, 30, 0},                    // renderer 0 stays 0
        {L"2147483647", L"1", 0, 1, 2147483647u, 1, 1},      // upper limit
    };
    Owner owner;
    for (const auto& c : cases) {
        Preferences_Dialog dialog(9, 9, c.renderer_in);
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            set_item_text(d, IDC_PREFS_SEEK, c.seek);
            set_item_text(d, IDC_PREFS_NEW_SUB, c.duration);
            if (c.radio) SendMessageW(GetDlgItem(d, c.radio), BM_CLICK, 0, 0);
            click(d, IDOK);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(dialog.seek_step, c.seek_out);
        EXPECT_EQ(dialog.new_sub_duration, c.duration_out);
        EXPECT_EQ(dialog.renderer, c.renderer_out);
    }
}

TEST(PreferencesDialog, InvalidTextsAreReported) {
    const struct {
        const wchar_t *seek, *duration;
        const wchar_t* message;
    } cases[] = {
        {L"", L"", bad_step},                  // the step is checked first
        {L"", L"100", bad_step},               // empty step
        {L"100", L"", bad_duration},           // empty duration
        {L"   ", L"100", bad_step},            // blanks only
        {L"100", L"\t \t", bad_duration},      // blanks only
        {L"2147483648", L"100", bad_step},     // past the signed range
        {L"100", L"4294967296", bad_duration}, // past the unsigned range too
        {L"12a", L"100", bad_step},            // pasted letters
        {L"100", L"-1", bad_duration},         // a sign
    };
    Owner owner;
    for (const auto& c : cases) {
        Preferences_Dialog dialog(9, 9, 2);
        std::wstring box;
        bool still_open = false;
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            set_item_text(d, IDC_PREFS_SEEK, c.seek);
            set_item_text(d, IDC_PREFS_NEW_SUB, c.duration);
            click(d, IDOK);
            box = answer_box(L"Invalid value");
            still_open = IsWindow(d) && IsWindowVisible(d);
            click(d, IDCANCEL);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(box, c.message) << "seek '" << std::string(c.seek, c.seek + wcslen(c.seek)) << "'";
        EXPECT_TRUE(still_open);
        EXPECT_EQ(result, 2);
    }
}

TEST(PreferencesDialog, CancelEscapeAndCloseBox) {
    const struct {
        const char* how;
        INT_PTR result;
    } cases[] = {
        {"cancel", 2},  // Cancel button
        {"escape", 2},  // Escape in a field
        {"close", 1},   // close box: 1, values as given
    };
    Owner owner;
    for (const auto& c : cases) {
        Preferences_Dialog dialog(300, 2000, 1);
        const std::string how = c.how;
        POINT centre = {};
        const INT_PTR result = run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            centre = centre_of(d);
            set_item_text(d, IDC_PREFS_SEEK, L"5");
            set_item_text(d, IDC_PREFS_NEW_SUB, L"6");
            SendMessageW(GetDlgItem(d, IDC_PREFS_VMR9), BM_CLICK, 0, 0);
            if (how == "cancel") click(d, IDCANCEL);
            if (how == "close") PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (how == "escape") PostMessageW(GetDlgItem(d, IDC_PREFS_SEEK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, c.result) << c.how;
        EXPECT_EQ(dialog.seek_step, 300u);
        EXPECT_EQ(dialog.new_sub_duration, 2000u);
        EXPECT_EQ(dialog.renderer, 1u);
        const POINT expected = centre_of(owner.hwnd);
        EXPECT_LE(std::abs(centre.x - expected.x), 1);
        EXPECT_LE(std::abs(centre.y - expected.y), 1);
    }
}
