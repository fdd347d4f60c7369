#include "app/about_dialog.h"

#include "gui/win_str.h"
#include "res/dialog_ids.h"

namespace {

// Each line is put together from two stored pieces.
constexpr auto first_a = scramble(u"Written in C++ for Windows, ");
constexpr auto first_b = scramble(u"with Win32 and DirectShow.");
constexpr auto second_a = scramble(u"Report problems and ideas to ");
constexpr auto second_b = scramble(u"the Cuemill developers.");

}  // namespace

std::u16string unscramble(const char16_t* units, std::size_t count) {
    std::u16string out(count, u'\0');
    const volatile char16_t* source = units;
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<char16_t>(source[i] ^ scramble_key(i));
    return out;
}

std::u16string About_Dialog::first_line() { return first_a.text() + first_b.text(); }

std::u16string About_Dialog::second_line() { return second_a.text() + second_b.text(); }

About_Dialog::About_Dialog() {
    dialog_id = IDD_ABOUT;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command({IDOK, IDCANCEL}, [this](params&) -> LRESULT { EndDialog(hwnd, 1); return 1; });
}

LRESULT About_Dialog::on_init() {
    set_window_text(GetDlgItem(hwnd, IDC_ABOUT_LINE1), first_line());
    set_window_text(GetDlgItem(hwnd, IDC_ABOUT_LINE2), second_line());
    center_on_parent(*this);
    return 1;
}
