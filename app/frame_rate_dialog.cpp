#include "app/frame_rate_dialog.h"

#include "gui/message_box.h"
#include "gui/win_str.h"
#include "res/dialog_ids.h"

namespace {

constexpr const wchar_t* offered_rates[] = {L"23.976", L"24", L"25", L"29.97", L"30", L"50", L"59.94", L"60"};

}  // namespace

Frame_Rate_Dialog::Frame_Rate_Dialog() {
    dialog_id = IDD_FRAME_RATE;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
}

LRESULT Frame_Rate_Dialog::on_init() {
    for (int id : {IDC_RATE_FROM, IDC_RATE_TO}) {
        const HWND combo = GetDlgItem(hwnd, id);
        for (const wchar_t* rate : offered_rates) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
        set_window_text(combo, id == IDC_RATE_FROM ? from_text : to_text);
    }
    center_on_parent(*this);
    return 1;
}

LRESULT Frame_Rate_Dialog::on_ok() {
    const std::u16string typed_from = window_text(GetDlgItem(hwnd, IDC_RATE_FROM));
    const std::u16string typed_to = window_text(GetDlgItem(hwnd, IDC_RATE_TO));
    Frame_Rate a, b;
    if (!parse_frame_rate(typed_from, a) || !parse_frame_rate(typed_to, b)) {
        message_box(*this, u"Invalid frame rate",
                    u"A frame rate is a number of frames a second above 0 and at most 1000, such as 23.976 or 25.",
                    MB_ICONERROR);
        return 1;
    }
    if (same_rate(a, b)) {
        message_box(*this, u"Invalid frame rate", u"The two frame rates are the same: no time would change.",
                    MB_ICONERROR);
        return 1;
    }
    from_text = typed_from;
    to_text = typed_to;
    from = a;
    to = b;
    accepted = true;
    EndDialog(hwnd, 1);
    return 1;
}
