#include "app/shift_times_dialog.h"

#include "core/time_map.h"
#include "gui/message_box.h"
#include "gui/win_str.h"
#include "res/dialog_ids.h"

Shift_Times_Dialog::Shift_Times_Dialog() {
    dialog_id = IDD_SHIFT_TIMES;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_command(IDC_SHIFT_FROM_VIDEO, [this](params&) -> LRESULT {
        if (from_video) set_window_text(GetDlgItem(hwnd, IDC_SHIFT_AMOUNT), format_signed_time(from_video()));
        return 1;
    });
}

LRESULT Shift_Times_Dialog::on_init() {
    set_window_text(GetDlgItem(hwnd, IDC_SHIFT_AMOUNT), amount_text);
    EnableWindow(GetDlgItem(hwnd, IDC_SHIFT_SELECTED), any_selected);
    EnableWindow(GetDlgItem(hwnd, IDC_SHIFT_LATER), any_selected);
    EnableWindow(GetDlgItem(hwnd, IDC_SHIFT_FROM_VIDEO), from_video != nullptr);
    CheckRadioButton(hwnd, IDC_SHIFT_ALL, IDC_SHIFT_LATER, IDC_SHIFT_ALL);
    center_on_parent(*this);
    const HWND amount_edit = GetDlgItem(hwnd, IDC_SHIFT_AMOUNT);
    SetFocus(amount_edit);
    SendMessageW(amount_edit, EM_SETSEL, 0, -1);
    return 0;  // the focus is set
}

Shift_Times_Dialog::Scope Shift_Times_Dialog::chosen_scope() const {
    if (IsDlgButtonChecked(hwnd, IDC_SHIFT_SELECTED) == BST_CHECKED) return Scope::selected;
    if (IsDlgButtonChecked(hwnd, IDC_SHIFT_LATER) == BST_CHECKED) return Scope::selected_and_later;
    return Scope::all;
}

LRESULT Shift_Times_Dialog::on_ok() {
    const std::u16string text = window_text(GetDlgItem(hwnd, IDC_SHIFT_AMOUNT));
    std::int64_t ms = 0;
    if (!parse_signed_time(text, ms)) {
        message_box(*this, u"Invalid amount",
                    u"The amount must be a time such as 2.5, -1.200 or +0:01:02.345 (at most 99:59:59.999).",
                    MB_ICONERROR);
        SetFocus(GetDlgItem(hwnd, IDC_SHIFT_AMOUNT));
        return 1;
    }
    const Scope chosen = chosen_scope();
    if (refusal) {
        const std::u16string why = refusal(ms, chosen);
        if (!why.empty()) {
            message_box(*this, u"Shift times", why, MB_ICONERROR);
            return 1;
        }
    }
    amount_text = text;
    amount = ms;
    scope = chosen;
    accepted = true;
    EndDialog(hwnd, 1);
    return 1;
}
