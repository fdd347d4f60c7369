#include "app/find_dialog.h"

#include "app/overlaps_dialog.h"
#include "gui/layout_metrics.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

namespace {

constexpr std::size_t min_query_length = 3;

}  // namespace

Find_Dialog::Find_Dialog(const Sub_List& subs, listview& main_list) : subs(&subs), main_list(&main_list) {
    dialog_id = IDD_FIND;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_command(IDC_FIND_QUERY, [this](params& p) { return on_query_command(p); });
    on_notify(IDC_FIND_LIST, LVN_ITEMCHANGED, [this](params&) { return on_results_changed(); });
    // Shift+click and Shift+End change a range of rows at once.
    on_notify(IDC_FIND_LIST, LVN_ODSTATECHANGED, [this](params&) { return on_results_changed(); });
    on_notify(IDC_FIND_LIST, LVN_GETDISPINFOW, [this](params& p) {
        const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW*>(p.lParam)->item;
        if (item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < found.size())
            set_dispinfo_text(p.lParam,
                              short_row_text(*this->subs, found[static_cast<std::size_t>(item.iItem)], item.iSubItem));
        return LRESULT{0};
    });
    on_notify(IDC_FIND_LIST, LVN_ODFINDITEMW, [this](params& p) {
        return find_typed_row(p.lParam, found.size(), [this](std::size_t row) { return format_sub_number(found[row] + 1); });
    });
}

LRESULT Find_Dialog::on_init() {
    count_label.assign(hwnd, IDC_FIND_COUNT);
    set_window_text(count_label.hwnd, u"");
    query_edit.assign(hwnd, IDC_FIND_QUERY);
    list.assign(hwnd, IDC_FIND_LIST);
    SendMessageW(list.hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const Main_Window_Metrics metrics = main_window_metrics(window_dpi(hwnd));
    list.add_column(u"#", metrics.number_column);
    list.add_column(u"Start", metrics.time_column);
    list.add_column(u"Text", 1);
    list.fill_column(2);
    resizer.add(query_edit.hwnd, 1, 2).add(list.hwnd, 1, 1);
    center_on_parent(*this);
    return 1;
}

LRESULT Find_Dialog::on_query_command(params& p) {
    if (HIWORD(p.wParam) != EN_CHANGE) return 0;
    // Emptied first, so that no row of the old results is asked for by the new count.
    found.clear();
    SendMessageW(list.hwnd, LVM_DELETEALLITEMS, 0, 0);
    const std::u16string query = window_text(query_edit.hwnd);
    if (query.size() < min_query_length) {
        set_window_text(count_label.hwnd, u"");
    } else {
        found = find_text(*subs, query);
        set_window_text(count_label.hwnd, format(u"%u found", static_cast<unsigned long long>(found.size())));
    }
    list.set_row_count(found.size());
    list.fill_column(2);
    return 1;
}

LRESULT Find_Dialog::on_results_changed() {
    main_list->deselect_all();
    std::vector<int> rows;
    for (int row : list.selected_indices())
        if (static_cast<std::size_t>(row) < found.size()) rows.push_back(static_cast<int>(found[static_cast<std::size_t>(row)]));
    main_list->select(rows);
    const int focused = static_cast<int>(list.send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0 && static_cast<std::size_t>(focused) < found.size()) {
        const std::size_t position = found[static_cast<std::size_t>(focused)];
        LVITEMW state = {};
        state.stateMask = LVIS_FOCUSED;
        state.state = LVIS_FOCUSED;
        SendMessageW(main_list->hwnd, LVM_SETITEMSTATE, position, reinterpret_cast<LPARAM>(&state));
        main_list->scroll_to(static_cast<int>(position));
    }
    return 1;
}

LRESULT Find_Dialog::on_size(params& p) {
    resizer.on_parent_size(p);
    list.fill_column(2);
    return 1;
}
