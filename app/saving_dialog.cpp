#include "app/saving_dialog.h"

#include "app/main_window.h"
#include "app/recovery.h"
#include "core/srt_writer.h"
#include "gui/win_str.h"
#include "res/dialog_ids.h"

Saving_Dialog::Saving_Dialog(const std::u16string& target, const Sub_List& document)
    : modal_dialog(IDD_SAVING), path(target), subs(&document) {
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    // Only the worker's report ends the dialog.
    on_message(WM_CLOSE, [](params&) { return LRESULT{1}; });
    on_command(IDCANCEL, [](params&) { return LRESULT{1}; });
    on_command(IDOK, [](params&) { return LRESULT{1}; });
}

LRESULT Saving_Dialog::on_init() {
    SetDlgItemTextW(hwnd, IDC_SAVING_PATH, as_wcstr(path));
    const HWND progress = GetDlgItem(hwnd, IDC_SAVING_PROGRESS);
    SetWindowLongPtrW(progress, GWL_STYLE, GetWindowLongPtrW(progress, GWL_STYLE) | PBS_MARQUEE);
    SendMessageW(progress, PBM_SETMARQUEE, TRUE, 0);
    start_thread([this] {
        std::unique_lock turn(document_write_lock());  // a recovery copy being written ends first
        const std::u16string text = write_srt(*subs);
        const bool ok = save_text_safely(path, text, &error_text);
        turn.unlock();  // before the report, which waits for the GUI thread
        run_on_ui_thread(*this, [this, ok] { EndDialog(hwnd, ok ? result_saved : result_failed); });
    });
    center_on_parent(*this);
    return 1;
}
