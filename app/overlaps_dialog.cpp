#include "app/overlaps_dialog.h"

#include <algorithm>

#include "gui/layout_metrics.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

std::u16string short_row_text(const Sub_List& subs, std::size_t position, int column) {
    constexpr Sub_Column columns[] = {Sub_Column::number, Sub_Column::start, Sub_Column::text};
    return sub_row_text(subs, position, columns[std::clamp(column, 0, 2)]);
}

Overlaps_Dialog::Overlaps_Dialog(const Sub_List& subs, const Overlap_List& overlaps)
    : subs(&subs), overlaps(&overlaps) {
    dialog_id = IDD_OVERLAPS;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
    on_command(IDOK, [this](params&) { return on_ok(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_notify(IDC_OVERLAPS_LIST, LVN_GETDISPINFOW, [this](params& p) {
        const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW*>(p.lParam)->item;
        const auto entry = static_cast<std::uint64_t>(item.iItem);
        if (item.iItem >= 0 && entry < this->overlaps->size())
            set_dispinfo_text(p.lParam, short_row_text(*this->subs, this->overlaps->position_at(entry), item.iSubItem));
        return LRESULT{0};
    });
    // Typing a number finds its sub among the first rows only: the list may be far too long.
    on_notify(IDC_OVERLAPS_LIST, LVN_ODFINDITEMW, [this](params& p) {
        const std::size_t rows = static_cast<std::size_t>(std::min<std::uint64_t>(this->overlaps->size(), 100000));
        return find_typed_row(p.lParam, rows, [this](std::size_t row) {
            return format_sub_number(this->overlaps->position_at(row) + 1);
        });
    });
}

LRESULT Overlaps_Dialog::on_init() {
    list.assign(hwnd, IDC_OVERLAPS_LIST);
    SendMessageW(list.hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const Main_Window_Metrics metrics = main_window_metrics(window_dpi(hwnd));
    list.add_column(u"#", metrics.number_column);
    list.add_column(u"Start", metrics.time_column);
    list.add_column(u"Text", 1);
    list.fill_column(2);

    set_window_text(hwnd, format(u"Overlapping subs (%d)", static_cast<long long>(overlaps->size())));
    // A list view places its rows at row * height in an int: past about 126 million rows
    // it paints none at all. The title keeps the whole count.
    list.set_row_count(std::min<std::uint64_t>(overlaps->size(), max_rows));
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
