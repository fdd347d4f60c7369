#include "app/merge_dialog.h"

#include "core/srt_reader.h"
#include "gui/message_box.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

Merge_Dialog::Merge_Dialog(const std::u16string& doc_path, Sub_List& subs) : doc_path(&doc_path), subs(&subs) {
    dialog_id = IDD_MERGE;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDC_MERGE_BROWSE, [this](params&) { return on_browse(); });
}

LRESULT Merge_Dialog::on_init() {
    file_edit.assign(hwnd, IDC_MERGE_FILE);
    count_edit.assign(hwnd, IDC_MERGE_COUNT);
    center_on_parent(*this);
    return 1;
}

LRESULT Merge_Dialog::on_browse() {
    std::u16string path;
    if (open_file_dialog(*this, u"SubRip subtitle (*.srt)|*.srt", path)) load(path);
    return 1;
}

void Merge_Dialog::load(const std::u16string& path) {
    if (lstrcmpiW(as_wcstr(path), as_wcstr(*doc_path)) == 0) {
        message_box(*this, u"Same sub", u"You cannot merge a sub with itself.", MB_ICONEXCLAMATION);
        return;
    }
    // Read into a scratch list: a failed read must not leave half a file behind
    // the fields that still show the earlier one.
    Sub_List read;
    std::u16string error;
    if (!read_srt_file(read, path, &error)) {
        message_box(*this, u"Subtitle error", format(u"Subtitle loading failed:\n%s\n%s", shorten_discarded_lines(error), path), MB_ICONERROR);
        return;
    }
    loaded = std::move(read);
    if (!error.empty()) message_box(*this, u"Malformed sub", shorten_discarded_lines(error), MB_ICONEXCLAMATION);
    set_window_text(file_edit.hwnd, path);
    set_window_text(count_edit.hwnd, format(u"%u", static_cast<unsigned long long>(loaded.size())));
    SetFocus(GetDlgItem(hwnd, IDOK));
}

LRESULT Merge_Dialog::on_ok() {
    if (loaded.empty()) {
        message_box(*this, u"No subs", u"There are no subs to merge.", MB_ICONEXCLAMATION);
        return 1;
    }
    EnableWindow(GetDlgItem(hwnd, IDC_MERGE_BROWSE), FALSE);
    EnableWindow(GetDlgItem(hwnd, IDOK), FALSE);
    EnableWindow(GetDlgItem(hwnd, IDCANCEL), FALSE);
    merge_into(*subs, loaded);
    EndDialog(hwnd, 1);
    return 1;
}
