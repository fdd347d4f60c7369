// Mouse and keyboard of the timeline: the playhead, selection in the list view, the context
// menu, and re-timing the selected subs by the snap step.

#include "timeline/timeline_control.h"

#include <algorithm>

#include <mmsystem.h>
#include <windowsx.h>


namespace {

constexpr UINT row_state_mask = LVIS_SELECTED | LVIS_FOCUSED;

bool key_down(int key) { return GetKeyState(key) < 0; }

// Runs a deferred row refresh in every timeline of the window the timer fired on.
void CALLBACK refresh_timer_fired(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            if (lstrcmpW(name, L"CTL_TIMELINE") == 0) SendMessageW(child, timeline_refresh_message, 0, 0);
            return TRUE;
        },
        0);
}

}  // namespace

void Timeline_Control::register_input() {
    on_message(WM_LBUTTONDOWN, [this](params& p) { return on_left_down(p); });
    on_message(WM_LBUTTONDBLCLK, [this](params& p) { return on_left_double(p); });
    on_message(WM_RBUTTONDOWN, [this](params& p) { return on_right_down(p); });
    on_message(WM_KEYDOWN, [this](params& p) { return on_key_down(p); });
    on_message(WM_KEYUP, [this](params& p) { return on_key_up(p); });
    on_message(timeline_refresh_message, [this](params& p) { return on_refresh_due(p); });
    register_mouse();

    bind_key(VK_LEFT, DLGC_WANTARROWS, &Timeline_Control::key_nudge);
    bind_key(VK_RIGHT, DLGC_WANTARROWS, &Timeline_Control::key_nudge);
    bind_key(VK_UP, DLGC_WANTARROWS, &Timeline_Control::key_zoom);
    bind_key(VK_DOWN, DLGC_WANTARROWS, &Timeline_Control::key_zoom);
    bind_key(VK_HOME, DLGC_WANTALLKEYS, &Timeline_Control::key_home_end);
    bind_key(VK_END, DLGC_WANTALLKEYS, &Timeline_Control::key_home_end);
    bind_key(VK_PRIOR, DLGC_WANTALLKEYS, &Timeline_Control::key_page);
    bind_key(VK_NEXT, DLGC_WANTALLKEYS, &Timeline_Control::key_page);
    bind_key(VK_APPS, DLGC_WANTALLKEYS, &Timeline_Control::key_apps);
    bind_key(VK_INSERT, DLGC_WANTALLKEYS, &Timeline_Control::key_insert);
    bind_key(VK_ESCAPE, DLGC_WANTALLKEYS, &Timeline_Control::key_escape);
}

void Timeline_Control::bind_key(std::uint8_t key, LRESULT code, void (Timeline_Control::*operation)(WPARAM)) {
    on_dlg_code(key, [this, key, code, operation](params& p) -> LRESULT {
        // The table matches character messages with the same code ('%' is VK_LEFT) and bare
        // queries: only a key press runs the operation and claims the key.
        const MSG* msg = reinterpret_cast<const MSG*>(p.lParam);
        if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) || (msg->wParam & 0xFF) != key)
            return default_handler(p);
        key_repeated = (msg->lParam & (1 << 30)) != 0;
        (this->*operation)(key);
        return code;
    });
}

bool Timeline_Control::row_selected(std::size_t row) const {
    if (!list_view.hwnd) return false;
    return (list_view.send_direct(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

void Timeline_Control::set_row_state(std::size_t row, UINT state, UINT mask) {
    if (!list_view.hwnd) return;
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    list_view.send_direct(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Timeline_Control::select_only(std::size_t row) {
    list_view.deselect_all();
    set_row_state(row, LVIS_SELECTED, LVIS_SELECTED);
}

void Timeline_Control::seek() {
    if (on_seek) on_seek(playhead);
}

LRESULT Timeline_Control::on_left_down(params& p) {
    nudge_set.clear();  // the selection may change under a held arrow
    const int x = GET_X_LPARAM(p.lParam), y = GET_Y_LPARAM(p.lParam);
    // On a block it may be a drag: the click waits for the button to come up unmoved.
    if (!press(x, y, p.wParam)) click(x, y, p.wParam);
    return 0;
}

void Timeline_Control::click(int x, int y, WPARAM keys) {
    const bool ctrl = (keys & MK_CONTROL) != 0;
    const std::size_t hit = hit_test(x, y);
    if (hit != no_position && !row_selected(hit)) {
        if (!ctrl) list_view.deselect_all();
        set_row_state(hit, LVIS_SELECTED, LVIS_SELECTED);
        list_view.scroll_to(static_cast<int>(hit));
        set_row_state(hit, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (ctrl) {
        if (hit == no_position)
            list_view.deselect_all();
        else
            set_row_state(hit, 0, LVIS_SELECTED);
    }
    playhead = playhead_from_x(x, client_width(), view());
    if (GetFocus() == hwnd)
        repaint();
    else
        SetFocus(hwnd);
    seek();
}

LRESULT Timeline_Control::on_left_double(params& p) {
    if (p.wParam & (MK_CONTROL | MK_SHIFT)) return 0;
    if (hit_test(GET_X_LPARAM(p.lParam), GET_Y_LPARAM(p.lParam)) != no_position && on_edit) on_edit();
    return 0;
}

LRESULT Timeline_Control::on_right_down(params& p) {
    if (mouse_held()) {  // the other button gives a drag up
        cancel_drag();
        return 0;
    }
    nudge_set.clear();
    const POINT point{GET_X_LPARAM(p.lParam), GET_Y_LPARAM(p.lParam)};
    SetFocus(hwnd);
    const std::size_t hit = hit_test(point.x, point.y);
    if (hit != no_position) {
        if (!row_selected(hit)) select_only(hit);
        set_row_state(hit, LVIS_FOCUSED, LVIS_FOCUSED);
        list_view.scroll_to(static_cast<int>(hit));
    } else {
        list_view.deselect_all();
    }
    playhead = playhead_from_x(point.x, client_width(), view());
    repaint();
    show_menu(point);
    return 0;
}

void Timeline_Control::show_menu(POINT client_point) {
    if (!context_menu) return;
    popup_menu(context_menu, GetParent(hwnd), client_point, hwnd);
}

LRESULT Timeline_Control::on_key_down(params& p) {
    switch (p.wParam) {
    case VK_SPACE:
        if (on_play_pause) on_play_pause();
        return 0;
    case VK_DELETE:
        if (on_remove) on_remove();
        return 0;
    default:
        return DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam);
    }
}

LRESULT Timeline_Control::on_key_up(params& p) {
    if (p.wParam == VK_LEFT || p.wParam == VK_RIGHT) {
        nudge_set.clear();  // the series ends with the release
        return 0;
    }
    return DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam);
}

void Timeline_Control::key_zoom(WPARAM key) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    const WORD delta = key == VK_UP ? 1 : static_cast<WORD>(-1);
    SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(window.left, window.top));
}

void Timeline_Control::key_home_end(WPARAM key) {
    const bool ctrl = key_down(VK_CONTROL);
    Timeline_View v = view();
    home_end(v, playhead, key == VK_END, ctrl);
    if (ctrl) apply_view(v.view_start, v.view_span, v.range_end, true);
    repaint();
    seek();
}

void Timeline_Control::key_page(WPARAM key) {
    Timeline_View v = view();
    if (page_move(v, playhead, key == VK_NEXT)) apply_view(v.view_start, v.view_span, v.range_end, true);
    repaint();
    seek();
}

void Timeline_Control::key_apps(WPARAM) {
    Timeline_View v = view();
    int x = 0;
    if (menu_at_playhead(v, playhead, client_width(), x)) {
        apply_view(v.view_start, v.view_span, v.range_end, true);
        repaint();
    }
    show_menu(POINT{x, 20});
}

void Timeline_Control::key_insert(WPARAM) {
    if (on_insert) on_insert();
}

void Timeline_Control::key_escape(WPARAM) {
    if (mouse_held()) {
        cancel_drag();
        return;
    }
    nudge_set.clear();
    list_view.deselect_all();
}

void Timeline_Control::key_nudge(WPARAM key) {
    if (mouse_held()) return;  // the drag holds the subs
    // A fresh press starts a new series: the previous one ended with a release seen elsewhere.
    if (!key_repeated) nudge_set.clear();
    if (nudge_set.empty()) {
        for (int row : list_view.selected_indices())
            if (row >= 0 && static_cast<std::size_t>(row) < subs.size()) nudge_set.push_back(static_cast<std::size_t>(row));
        ++series_number;
        series_at = nudge_set;
        series_before.clear();
        for (std::size_t row : series_at) series_before.push_back(subs[row]);
    }
    if (nudge_set.empty()) return;

    const auto move_rows = [this](std::size_t from, std::size_t to) { move_row_states(from, to); };

    const Nudge_Outcome outcome =
        nudge_subs(subs, nudge_set, key == VK_RIGHT, key_down(VK_SHIFT), effective_snap(snap), move_rows);
    if (outcome == Nudge_Outcome::refused) {
        ++refusals;
        PlaySoundW(L"ding.wav", nullptr, SND_ASYNC | SND_FILENAME);
        return;
    }
    if (outcome == Nudge_Outcome::unchanged) return;
    dirty_rows.insert(dirty_rows.end(), nudge_set.begin(), nudge_set.end());
    report_series();
    after_nudge();
}

void Timeline_Control::move_row_states(std::size_t from, std::size_t to) {
    // The rows between shift by one with their subs, so their states rotate with them:
    // selection and focus stay on the same subs, moved or not.
    const std::size_t lo = std::min(from, to), hi = std::max(from, to);
    std::vector<UINT> states;
    states.reserve(hi - lo + 1);
    for (std::size_t row = lo; row <= hi; ++row) {
        states.push_back(list_view.hwnd ? static_cast<UINT>(list_view.send_direct(LVM_GETITEMSTATE, row, row_state_mask))
                                        : 0);
        dirty_rows.push_back(row);
    }
    std::vector<UINT> moved = states;
    if (from < to)
        std::rotate(moved.begin(), moved.begin() + 1, moved.end());
    else
        std::rotate(moved.begin(), moved.end() - 1, moved.end());
    for (std::size_t k = 0; k < moved.size(); ++k)
        if ((moved[k] & row_state_mask) != (states[k] & row_state_mask))
            set_row_state(lo + k, moved[k] & row_state_mask, row_state_mask);
}

void Timeline_Control::report_series() {
    if (!on_nudged) return;
    History_Step step;
    step.name = u"nudge";
    step.series = series_number;
    step.removed_at = series_at;
    step.removed = series_before;
    step.inserted_at = nudge_set;
    std::sort(step.inserted_at.begin(), step.inserted_at.end());
    for (std::size_t row : step.inserted_at) step.inserted.push_back(subs[row]);
    on_nudged(std::move(step));
}

void Timeline_Control::after_nudge() {
    if (nudge_set.size() < deferred_refresh_count) {
        refresh_rows();
    } else if (!refresh_pending) {
        HWND parent = GetParent(hwnd);
        if (parent && SetTimer(parent, refresh_timer_id, refresh_timer_ms, refresh_timer_fired))
            refresh_pending = true;
        else
            refresh_rows();
    }
    repaint();
    if (on_modified) on_modified();
}

LRESULT Timeline_Control::on_refresh_due(params&) {
    if (refresh_pending) {
        refresh_pending = false;
        refresh_rows();
    }
    return 0;
}

void Timeline_Control::refresh_rows(bool with_selection) {
    // The list is virtual: it formats its rows from the subs when it paints them.
    if (list_view.hwnd) {
        if (with_selection)
            for (int row : list_view.selected_indices())
                if (row >= 0) dirty_rows.push_back(static_cast<std::size_t>(row));
        std::sort(dirty_rows.begin(), dirty_rows.end());
        dirty_rows.erase(std::unique(dirty_rows.begin(), dirty_rows.end()), dirty_rows.end());
        const std::size_t rows = static_cast<std::size_t>(list_view.send_direct(LVM_GETITEMCOUNT, 0, 0));
        for (std::size_t row : dirty_rows)
            if (row < rows) list_view.send_direct(LVM_REDRAWITEMS, row, row);
    }
    dirty_rows.clear();
}
