#include "app/edit_dialog.h"

#include <map>

#include "gui/layout_metrics.h"
#include "gui/message_box.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

namespace {

int CALLBACK note_family(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) noexcept {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // the first family is enough
}

// One font per DPI for the text box, kept until the process ends.
HFONT text_font(unsigned dpi) {
    static std::map<unsigned, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (!font) {
        bool found = false;
        HDC screen = GetDC(nullptr);
        EnumFontFamiliesW(screen, L"Segoe UI", note_family, reinterpret_cast<LPARAM>(&found));
        ReleaseDC(nullptr, screen);
        LOGFONTW lf = {};
        lf.lfHeight = -scale_px(13, dpi);
        lstrcpynW(lf.lfFaceName, found ? L"Segoe UI" : L"Arial", LF_FACESIZE);
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

std::u16string clock_text(std::uint64_t ms) {
    return format_clock_time(ms_to_timecode(ms));
}

}  // namespace

Edit_Dialog::Edit_Dialog(Edit_Sub_Data& data) : data(&data) {
    dialog_id = IDD_EDIT_SUB;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_message(WM_SHOWWINDOW, [this](params&) { return on_show(); });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_command(IDC_EDIT_ITALICS, [this](params&) { return on_add_italics(); });
    on_command(IDC_EDIT_TEXT, [this](params& p) { return on_text_command(p); });
    text_hook.on_message(WM_GETDLGCODE, [this](params& p) { return text_dialog_code(p); });
}

LRESULT Edit_Dialog::text_dialog_code(params& p) {
    LRESULT code = DefSubclassProc(text_hook.hwnd, p.msg, p.wParam, p.lParam);
    const MSG* key = reinterpret_cast<const MSG*>(p.lParam);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_ESCAPE) code &= ~(DLGC_WANTMESSAGE | DLGC_WANTALLKEYS);
    return code;
}

LRESULT Edit_Dialog::on_init() {
    number_edit.assign(hwnd, IDC_EDIT_NUMBER);
    start_edit.assign(hwnd, IDC_EDIT_START);
    end_edit.assign(hwnd, IDC_EDIT_END);
    duration_edit.assign(hwnd, IDC_EDIT_DURATION);
    text_edit.assign(hwnd, IDC_EDIT_TEXT);
    text_hook.attach(text_edit.hwnd);
    count_label.assign(hwnd, IDC_EDIT_COUNT);

    const Sub_Item& sub = data->sub;
    update_count(sub.text.size());
    set_window_text(number_edit.hwnd, format(u"%u", data->number));
    set_window_text(start_edit.hwnd, clock_text(sub.start));
    set_window_text(end_edit.hwnd, clock_text(sub.end));
    set_window_text(duration_edit.hwnd, clock_text(sub.end - sub.start));  // unsigned, wraps when end < start
    set_window_text(text_edit.hwnd, sub.text);
    center_on_parent(*this);
    return 1;
}

LRESULT Edit_Dialog::on_show() {
    SendMessageW(text_edit.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(text_font(window_dpi(hwnd))), FALSE);
    return 1;
}

LRESULT Edit_Dialog::on_ok() {
    data->sub.text = window_text(text_edit.hwnd);
    if (data->sub.text.empty()) {
        message_box(*this, u"Sub text", u"Sub text can't be blank.", MB_ICONEXCLAMATION);
        SetFocus(text_edit.hwnd);
        return 1;
    }
    EndDialog(hwnd, 1);
    return 1;
}

LRESULT Edit_Dialog::on_add_italics() {
    DWORD s = 0, e = 0;
    SendMessageW(text_edit.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    std::u16string text = window_text(text_edit.hwnd);
    if (s > text.size()) s = static_cast<DWORD>(text.size());
    if (e > text.size()) e = static_cast<DWORD>(text.size());
    if (s != e) {
        text.insert(s, u"<i>");
        text.insert(e + 3, u"</i>");
    } else {
        // No selection wraps the whole text.
        text.insert(0, u"<i>");
        text.append(u"</i>");
    }
    // One replacement keeps the change a single undo step.
    SendMessageW(text_edit.hwnd, EM_SETSEL, 0, -1);
    SendMessageW(text_edit.hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(as_wcstr(text)));
    SendMessageW(text_edit.hwnd, EM_SETSEL, s + 3, e + 3);
    SetFocus(text_edit.hwnd);
    update_count(text.size());
    return 1;
}

LRESULT Edit_Dialog::on_text_command(params& p) {
    if (HIWORD(p.wParam) != EN_CHANGE) return 0;
    update_count(window_text(text_edit.hwnd).size());
    return 1;
}

void Edit_Dialog::update_count(std::size_t length) {
    set_window_text(count_label.hwnd, format(u"%u chars", static_cast<unsigned long long>(length)));
}
