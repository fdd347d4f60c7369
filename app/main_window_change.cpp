// The one path of every change to the document, and the one way the list shows it.
#include "app/main_window.h"

#include <algorithm>

#include "io/strings.h"

namespace {

int focused_row(const listview& list) {
    return static_cast<int>(list.send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void set_row_state(const listview& list, std::size_t row, UINT state) {
    LVITEMW lv{};
    lv.stateMask = state;
    lv.state = state;
    list.send_direct(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&lv));
}

}  // namespace

bool Main_Window::apply_change(History_Step step, Row_Choice rows, Change_Source source) {
    // A drag under way holds places in the document: it is given up first. (A drag that
    // ended has reported itself already, and the commands that change the document before
    // they get here open a dialog first, which takes the mouse away from a drag.)
    timeline.cancel_drag();
    const bool undoing = source == Change_Source::undo || source == Change_Source::redo;
    if (undoing) {
        const bool redo = source == Change_Source::redo;
        const History_Step* last = redo ? history.redo_step() : history.undo_step();
        if (!last) return false;
        // Where the step took subs out: the row to select when none of it is left to show.
        const std::vector<std::size_t>& out = redo ? last->removed_at : last->inserted_at;
        rows.at = out.empty() ? 0 : out.front();
        if (last->keeps_selection) rows.mode = Row_Choice::keep;
        std::vector<std::size_t> touched;
        if (!(redo ? history.redo(subs, &touched) : history.undo(subs, &touched))) return false;
        step.inserted_at = std::move(touched);
    } else if (source == Change_Source::to_apply && !apply_step(subs, step, true)) {
        return false;
    }
    // A nudge series records itself step by step; anything else ends it, since its start no
    // longer describes the document.
    if (undoing || step.series == 0) timeline.end_nudge_series();

    // The changed rows: from the first place touched to the last, before or after.
    std::size_t from = no_position, to = 0;
    for (const auto* places : {&step.removed_at, &step.inserted_at})
        if (!places->empty()) {
            from = std::min(from, places->front());
            to = std::max(to, places->back());
        }
    if (!step.retimed.empty()) {
        from = std::min(from, step.retimed.front().at);
        to = std::max(to, step.retimed.back().at);
    }
    if (rows.mode == Row_Choice::put_in) {
        rows.rows = step.inserted_at;
        if (!undoing) rows.at = step.removed_at.empty() ? 0 : step.removed_at.front();
        // Rows are selected one by one, each change told to the window (about 4 ms a thousand
        // under Wine): a change of thousands of rows shows where it begins instead.
        if (rows.rows.size() > static_cast<std::size_t>(listview::many_selected))
            rows.rows.erase(rows.rows.begin() + 1, rows.rows.end());
    }
    if (!undoing && !step.empty()) history.record(std::move(step));

    show_modified_by_history();
    document_changed();
    show_list(rows, from, to);
    repaint_timeline();
    video.refresh_text();
    return true;
}

void Main_Window::show_list(const Row_Choice& choice, std::size_t from, std::size_t to) {
    const std::size_t count = subs.size();
    const bool recount = static_cast<std::size_t>(list.send_direct(LVM_GETITEMCOUNT, 0, 0)) != count;
    if (choice.mode == Row_Choice::keep && !recount) {
        // Rows changed in place, the selection moved with them: those in view are redrawn (a
        // list view may invalidate the rows asked for one by one, in view or not).
        const std::size_t top = static_cast<std::size_t>(list.send_direct(LVM_GETTOPINDEX, 0, 0));
        const std::size_t bottom = top + static_cast<std::size_t>(list.send_direct(LVM_GETCOUNTPERPAGE, 0, 0));
        from = std::max(from, top);
        to = std::min({to, bottom, count - 1});
        if (count > 0 && from <= to) list.send_direct(LVM_REDRAWITEMS, from, to);
        return;
    }
    std::vector<std::size_t> rows = choice.rows;
    if (rows.empty() && count > 0 && choice.mode != Row_Choice::keep) rows.push_back(std::min(choice.at, count - 1));
    rows.erase(std::remove_if(rows.begin(), rows.end(), [count](std::size_t row) { return row >= count; }), rows.end());

    // One repaint and one scroll-bar update for all of it.
    list.hold_drawing();
    if (choice.mode == Row_Choice::keep)
        list.set_row_count(count);
    else
        list.set_rows_unselected(count);
    list.select(std::vector<int>(rows.begin(), rows.end()));
    if (!rows.empty()) set_row_state(list, rows.back(), LVIS_FOCUSED);
    list.resume_drawing();
    // The scroll bar may have come or gone, and the list scrolls right only once its range
    // describes the new rows.
    fit_text_column();
    const int focused = focused_row(list);
    if (focused >= 0) list.scroll_to(focused);
    update_count_text(static_cast<std::size_t>(list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0)));
}

void Main_Window::refresh_list(const std::vector<std::size_t>& rows, std::size_t at) {
    show_list({Row_Choice::given, rows, at});
    SetFocus(list.hwnd);
}

void Main_Window::show_modified_by_history() {
    if (history.at_saved())
        set_document_title(document_path());
    else
        mark_modified();
}
