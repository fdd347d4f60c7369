#include "app/tutorial_dialog.h"

#include "app/about_dialog.h"
#include "gui/win_str.h"
#include "res/dialog_ids.h"

namespace {

constexpr auto site = scramble(u"https://www.youtube.com/results?search_query=");
constexpr auto query = scramble(u"Cuemill+subtitle+editor+tutorial");

}  // namespace

std::u16string Tutorial_Dialog::text() { return site.text() + query.text(); }

Tutorial_Dialog::Tutorial_Dialog() {
    dialog_id = IDD_TUTORIAL;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command({IDOK, IDCANCEL}, [this](params&) -> LRESULT { EndDialog(hwnd, 1); return 1; });
}

LRESULT Tutorial_Dialog::on_init() {
    link_edit.assign(hwnd, IDC_TUTORIAL_LINK);
    set_window_text(link_edit.hwnd, text());
    SendMessageW(link_edit.hwnd, EM_SETSEL, 0, -1);
    SetFocus(link_edit.hwnd);
    center_on_parent(*this);
    return 1;
}
