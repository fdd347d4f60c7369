#include "app/preferences_dialog.h"

#include "gui/message_box.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

bool parse_preference_value(const std::u16string& text, std::uint32_t& value) {
    bool digit = false;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            digit = true;
        } else if (c != u' ' && c != u'\t') {
            return false;
        }
    }
    // Blanks alone hold no number, and one past the signed range cannot be stored
    // as the settings' "%d": both are refused like any other bad text.
    if (!digit) return false;
    std::size_t i = 0;
    while (text[i] == u' ' || text[i] == u'\t') ++i;
    std::uint64_t number = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        number = number * 10 + (text[i] - u'0');
        if (number > 0x7FFFFFFF) return false;
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

Preferences_Dialog::Preferences_Dialog(std::uint32_t seek_step, std::uint32_t new_sub_duration, std::uint32_t renderer)
    : seek_step(seek_step), new_sub_duration(new_sub_duration), renderer(renderer) {
    dialog_id = IDD_PREFERENCES;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
}

LRESULT Preferences_Dialog::on_init() {
    seek_edit.assign(hwnd, IDC_PREFS_SEEK);
    duration_edit.assign(hwnd, IDC_PREFS_NEW_SUB);
    vmr7_radio.assign(hwnd, IDC_PREFS_VMR7);
    vmr9_radio.assign(hwnd, IDC_PREFS_VMR9);
    set_window_text(seek_edit.hwnd, format(u"%d", static_cast<std::int32_t>(seek_step)));
    set_window_text(duration_edit.hwnd, format(u"%d", static_cast<std::int32_t>(new_sub_duration)));
    if (renderer == renderer_vmr7) click(vmr7_radio, IDC_PREFS_VMR7);
    if (renderer == renderer_vmr9) click(vmr9_radio, IDC_PREFS_VMR9);
    center_on_parent(*this);
    return 1;
}

void Preferences_Dialog::click(native_control& radio, int id) {
    SendMessageW(radio.hwnd, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(radio.hwnd));
}

LRESULT Preferences_Dialog::on_ok() {
    std::uint32_t step = 0, duration = 0;
    if (!parse_preference_value(window_text(seek_edit.hwnd), step)) {
        message_box(*this, u"Invalid value", u"F3/F4 step must be an integer positive number.", MB_ICONERROR);
        return 1;
    }
    seek_step = step;
    if (!parse_preference_value(window_text(duration_edit.hwnd), duration)) {
        message_box(*this, u"Invalid value", u"Default duration must be an integer positive number.", MB_ICONERROR);
        return 1;
    }
    new_sub_duration = duration;
    if (SendMessageW(vmr7_radio.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        renderer = renderer_vmr7;
    } else if (SendMessageW(vmr9_radio.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        renderer = renderer_vmr9;
    }
    EndDialog(hwnd, 1);
    return 1;
}
