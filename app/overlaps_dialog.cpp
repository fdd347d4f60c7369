#include "app/overlaps_dialog.h"

#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

void append_sub_row(HWND list, const Sub_List& subs, std::size_t position) {
    const Sub_Item& sub = subs[position];
    std::u16string number = format_sub_number(position + 1);
    std::u16string start = format_clock_time(ms_to_timecode(sub.start));
    std::u16string text = sub.text;
    replace_all(text, u"\r\n", u"|");

    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = 0x0FFFFFFF;  // past the end: append
    item.pszText = const_cast<wchar_t*>(as_wcstr(number));
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return;
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(as_wcstr(start));
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 2;
    item.pszText = const_cast<wchar_t*>(as_wcstr(text));
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

Overlaps_Dialog::Overlaps_Dialog(const Sub_List& subs, const std::vector<std::size_t>& indices)
    : subs(&subs), indices(&indices) {
    dialog_id = IDD_OVERLAPS;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
}

LRESULT Overlaps_Dialog::on_init() {
    list.assign(hwnd, IDC_OVERLAPS_LIST);
    SendMessageW(list.hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    list.add_column(u"#", 36);
    list.add_column(u"Start", 74);
    list.add_column(u"Text", 1);
    list.fill_column(2);

    set_window_text(hwnd, format(u"Overlapping subs (%d)", static_cast<long long>(indices->size())));

    SendMessageW(list.hwnd, WM_SETREDRAW, FALSE, 0);
    for (std::size_t position : *indices) {
        if (position < subs->size()) append_sub_row(list.hwnd, *subs, position);
    }
    SendMessageW(list.hwnd, WM_SETREDRAW, TRUE, 0);
    list.fill_column(2);

    fix_radio.assign(hwnd, IDC_OVERLAPS_FIX);
    select_radio.assign(hwnd, IDC_OVERLAPS_SELECT);
    SendMessageW(fix_radio.hwnd, BM_SETCHECK, BST_CHECKED, 0);

    resizer.add(list.hwnd, 1, 1)
        .add(GetDlgItem(hwnd, IDC_OVERLAPS_QUESTION), 2, 0)
        .add(fix_radio.hwnd, 2, 0)
        .add(select_radio.hwnd, 2, 0)
        .add(GetDlgItem(hwnd, IDOK), 0, 0)
        .add(GetDlgItem(hwnd, IDCANCEL), 0, 0);
    center_on_parent(*this);
    return 1;
}

LRESULT Overlaps_Dialog::on_size(params& p) {
    resizer.on_parent_size(p);
    list.fill_column(2);
    return 1;
}

LRESULT Overlaps_Dialog::on_ok() {
    if (SendMessageW(fix_radio.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        EndDialog(hwnd, result_fix);
    } else if (SendMessageW(select_radio.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        EndDialog(hwnd, result_select);
    }
    return 1;
}
