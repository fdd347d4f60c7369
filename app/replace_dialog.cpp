#include "app/replace_dialog.h"

#include <utility>

#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

namespace {

constexpr int buttons[] = {IDC_REPLACE_FIND_NEXT, IDC_REPLACE_ONE, IDC_REPLACE_ALL};
constexpr int options[] = {IDC_REPLACE_MATCH_CASE, IDC_REPLACE_WHOLE_WORDS, IDC_REPLACE_EXPRESSION, IDC_REPLACE_SELECTED};

unsigned long long count_of(std::size_t n) { return static_cast<unsigned long long>(n); }

}  // namespace

Replace_Dialog::Replace_Dialog(const Sub_List& subs, listview& main_list, Apply apply)
    : subs(&subs), main_list(&main_list), apply(std::move(apply)) {
    dialog_id = IDD_REPLACE;
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_command(IDCANCEL, [this](params&) -> LRESULT { EndDialog(hwnd, 2); return 1; });
    on_command(IDC_REPLACE_FIND, [this](params& p) { return on_find_text(p); });
    for (int id : options) on_command(id, [this](params&) { return on_option(); });
    on_command(IDC_REPLACE_FIND_NEXT, [this](params&) { find_next(); return LRESULT{1}; });
    on_command(IDC_REPLACE_ONE, [this](params&) { replace_one(); return LRESULT{1}; });
    on_command(IDC_REPLACE_ALL, [this](params&) { replace_all(); return LRESULT{1}; });
}

LRESULT Replace_Dialog::on_init() {
    find_edit.assign(hwnd, IDC_REPLACE_FIND);
    with_edit.assign(hwnd, IDC_REPLACE_WITH);
    count_label.assign(hwnd, IDC_REPLACE_COUNT);
    for (int row : main_list->selected_indices()) selected.push_back(static_cast<std::size_t>(row));
    // A block of subs selected is what a user means to change; one row is only where they are.
    EnableWindow(GetDlgItem(hwnd, IDC_REPLACE_SELECTED), !selected.empty());
    CheckDlgButton(hwnd, IDC_REPLACE_SELECTED, selected.size() > 1 ? BST_CHECKED : BST_UNCHECKED);
    for (int id : buttons) EnableWindow(GetDlgItem(hwnd, id), FALSE);
    center_on_parent(*this);
    return 1;
}

LRESULT Replace_Dialog::on_find_text(params& p) {
    if (HIWORD(p.wParam) != EN_CHANGE) return 0;
    const BOOL any = GetWindowTextLengthW(find_edit.hwnd) > 0;
    for (int id : buttons) EnableWindow(GetDlgItem(hwnd, id), any);
    return on_option();
}

LRESULT Replace_Dialog::on_option() {
    // Another search: it starts afresh from where the user is.
    current.sub = no_position;
    replaced = 0;
    show_count(u"");
    return 1;
}

bool Replace_Dialog::prepare() {
    const Replace_Options chosen{IsDlgButtonChecked(hwnd, IDC_REPLACE_MATCH_CASE) == BST_CHECKED,
                                 IsDlgButtonChecked(hwnd, IDC_REPLACE_WHOLE_WORDS) == BST_CHECKED,
                                 IsDlgButtonChecked(hwnd, IDC_REPLACE_EXPRESSION) == BST_CHECKED};
    std::u16string error;
    if (search.prepare(window_text(find_edit.hwnd), chosen, &error)) return true;
    current.sub = no_position;
    show_count(error);
    return false;
}

const std::vector<std::size_t>* Replace_Dialog::scope() const {
    return IsDlgButtonChecked(hwnd, IDC_REPLACE_SELECTED) == BST_CHECKED ? &selected : nullptr;
}

void Replace_Dialog::find_next() {
    if (!prepare()) return;
    if (current.sub < subs->size()) {
        go_to_next(current.sub, after_match((*subs)[current.sub].text, current.match));
        return;
    }
    const LRESULT focused = main_list->send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    go_to_next(focused > 0 ? static_cast<std::size_t>(focused) : 0, 0);
}

void Replace_Dialog::replace_one() {
    if (!prepare()) return;
    // The first press, or one after the search changed, only finds.
    Regex_Match again;
    if (current.sub >= subs->size() ||
        search.find((*subs)[current.sub].text, current.match.start(), again) != Regex_Result::match ||
        again.bounds != current.match.bounds) {
        find_next();
        return;
    }
    std::size_t resume = 0;
    const std::size_t row = current.sub;
    apply(replace_one_step(*subs, search, window_text(with_edit.hwnd), current, resume), {row});
    ++replaced;
    go_to_next(row, resume);
}

void Replace_Dialog::replace_all() {
    if (!prepare()) return;
    History_Step step;
    std::size_t count = 0;
    std::u16string error;
    const Regex_Result result = replace_all_step(*subs, search, window_text(with_edit.hwnd), scope(), step, count, &error);
    if (result == Regex_Result::gave_up) {
        show_count(error);
        return;
    }
    current.sub = no_position;
    replaced = 0;
    // The list shows the first sub changed: selecting thousands of rows one by one would cost
    // more than the replacing.
    if (result == Regex_Result::match) {
        const std::size_t first = step.inserted_at.front();
        apply(std::move(step), {first});
    }
    show_count(format(u"%u replaced", count_of(count)));
}

void Replace_Dialog::go_to_next(std::size_t sub, std::size_t from) {
    std::u16string error;
    const Regex_Result result = find_next_match(*subs, search, scope(), sub, from, current, &error);
    std::size_t left = 0;
    if (result == Regex_Result::match) {
        follow(current.sub);
        count_matches(*subs, search, scope(), left);
    } else {
        current.sub = no_position;
    }
    if (result == Regex_Result::gave_up)
        show_count(error);
    else if (replaced > 0)
        show_count(format(u"%u replaced, %u left", count_of(replaced), count_of(left)));
    else
        show_count(format(u"%u found", count_of(left)));
}

void Replace_Dialog::follow(std::size_t row) {
    main_list->deselect_all();
    main_list->select({static_cast<int>(row)});
    LVITEMW state = {};
    state.stateMask = LVIS_FOCUSED;
    state.state = LVIS_FOCUSED;
    main_list->send_direct(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    main_list->scroll_to(static_cast<int>(row));
}

void Replace_Dialog::show_count(const std::u16string& text) { set_window_text(count_label.hwnd, text); }
