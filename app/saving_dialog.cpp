#include "app/saving_dialog.h"

#include "core/srt_writer.h"
#include "gui/win_str.h"
#include "io/file.h"
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
    const bool started = start_worker([this] {
        std::unique_lock turn(document_write_lock());  // a recovery copy being written ends first
        const std::u16string text = write_srt(*subs);
        const bool ok = write_text_file_safely(path, text, &error_text);
        turn.unlock();  // before the report, which waits for the GUI thread
        run_on_ui_thread(*this, [this, ok] { EndDialog(hwnd, ok ? result_saved : result_failed); });
    });
    // Without a worker nothing would ever end the dialog.
    if (!started) {
        const unsigned code = static_cast<unsigned>(GetLastError());
        error_text = u"The file could not be saved: no thread could be started to write it.";
        if (code) error_text += u"\n" + system_error_text(code);
        if (path_exists(path)) error_text += u"\nThe file on disk was not changed.";
        EndDialog(hwnd, result_failed);
    }
    center_on_parent(*this);
    return 1;
}
