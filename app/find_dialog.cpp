#include "app/find_dialog.h"

#include "app/overlaps_dialog.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

namespace {

constexpr std::size_t min_query_length = 3;

// The sub number in the first column of a result row, 0 when unreadable.
std::uint32_t row_number(HWND list, int row) {
    wchar_t buffer[32] = {};
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = 32;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    std::uint32_t n = 0;
    if (!parse_uint(std::u16string_view(reinterpret_cast<const char16_t*>(buffer)), n)) return 0;
    return n;
}

}  // namespace

Find_Dialog::Find_Dialog(const Sub_List& subs, listview& main_list) : subs(&subs), main_list(&main_list) {
    dialog_id = IDD_FIND;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_command(IDC_FIND_QUERY, [this](params& p) { return on_query_command(p); });
    on_notify(IDC_FIND_LIST, LVN_ITEMCHANGED, [this](params&) { return on_results_changed(); });
}

LRESULT Find_Dialog::on_init() {
    count_label.assign(hwnd, IDC_FIND_COUNT);
    set_window_text(count_label.hwnd, u"");
    query_edit.assign(hwnd, IDC_FIND_QUERY);
    list.assign(hwnd, IDC_FIND_LIST);
    SendMessageW(list.hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    list.add_column(u"#", 36);
    list.add_column(u"Start", 74);
    list.add_column(u"Text", 1);
    list.fill_column(2);
    resizer.add(query_edit.hwnd, 1, 2).add(list.hwnd, 1, 1);
    center_on_parent(*this);
    return 1;
}

LRESULT Find_Dialog::on_query_command(params& p) {
    if (HIWORD(p.wParam) != EN_CHANGE) return 0;
    SendMessageW(list.hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list.hwnd, LVM_DELETEALLITEMS, 0, 0);
    const std::u16string query = window_text(query_edit.hwnd);
    if (query.size() < min_query_length) {
        set_window_text(count_label.hwnd, u"");
    } else {
        const std::vector<std::size_t> found = find_text(*subs, query);
        for (std::size_t position : found) append_sub_row(list.hwnd, *subs, position);
        set_window_text(count_label.hwnd, format(u"%u found", static_cast<unsigned long long>(found.size())));
    }
    SendMessageW(list.hwnd, WM_SETREDRAW, TRUE, 0);
    list.fill_column(2);
    return 1;
}

LRESULT Find_Dialog::on_results_changed() {
    main_list->deselect_all();
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageW(list.hwnd, LVM_GETNEXTITEM, row, LVNI_SELECTED))) != -1;) {
        const std::uint32_t n = row_number(list.hwnd, row);
        if (n > 0) rows.push_back(static_cast<int>(n - 1));
    }
    main_list->select(rows);
    const int focused = static_cast<int>(SendMessageW(list.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused != -1) {
        const std::uint32_t n = row_number(list.hwnd, focused);
        if (n > 0) {
            LVITEMW state = {};
            state.stateMask = LVIS_FOCUSED;
            state.state = LVIS_FOCUSED;
            SendMessageW(main_list->hwnd, LVM_SETITEMSTATE, n - 1, reinterpret_cast<LPARAM>(&state));
            main_list->scroll_to(static_cast<int>(n - 1));
        }
    }
    return 1;
}

LRESULT Find_Dialog::on_size(params& p) {
    resizer.on_parent_size(p);
    list.fill_column(2);
    return 1;
}
