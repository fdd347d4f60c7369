// Re-timing with the mouse: a block's edge or body dragged, a new sub's span drawn with Ctrl,
// the cursor that tells which, and Escape or a lost capture putting everything back.

#include "timeline/timeline_control.h"

#include <algorithm>
#include <cstdlib>

#include <windowsx.h>

namespace {

bool key_down(int key) { return GetKeyState(key) < 0; }

LPCWSTR cursor_of(Drag_Zone zone) {
    switch (zone) {
    case Drag_Zone::start_edge:
    case Drag_Zone::end_edge: return IDC_SIZEWE;
    case Drag_Zone::body: return IDC_SIZEALL;
    case Drag_Zone::none: break;
    }
    return IDC_ARROW;
}

Drag_Kind kind_of(Drag_Zone zone) {
    switch (zone) {
    case Drag_Zone::start_edge: return Drag_Kind::start_edge;
    case Drag_Zone::end_edge: return Drag_Kind::end_edge;
    case Drag_Zone::body: return Drag_Kind::body;
    case Drag_Zone::none: break;
    }
    return Drag_Kind::create;
}

}  // namespace

void Timeline_Control::register_mouse() {
    on_message(WM_MOUSEMOVE, [this](params& p) { return on_mouse_move(p); });
    on_message(WM_LBUTTONUP, [this](params& p) { return on_left_up(p); });
    on_message(WM_CAPTURECHANGED, [this](params&) {
        cancel_drag();  // another window took the mouse: the drag is given up
        return LRESULT{0};
    });
    on_message(WM_SETCURSOR, [this](params& p) { return on_set_cursor(p); });
    on_message(WM_SYSKEYDOWN, [this](params& p) { return on_alt(p); });
    on_message(WM_SYSKEYUP, [this](params& p) { return on_alt(p); });
}

Drag_Times Timeline_Control::new_span() const {
    if (drag.mode != Mouse_Mode::dragging || drag.origin.kind != Drag_Kind::create) return {};
    return drag.span;
}

bool Timeline_Control::press(int x, int y, WPARAM keys) {
    if (!in_band(y)) return false;
    const Drag_Hit hit = find_drag_hit(subs, x, client_width(), view(), metrics().edge_grip);
    if (hit.zone == Drag_Zone::none && !(keys & MK_CONTROL)) return false;
    drag = Drag_State{};
    drag.mode = Mouse_Mode::pressed;
    drag.press_x = drag.last_x = x;
    drag.press_y = y;
    drag.press_keys = keys;
    drag.hit = hit;
    // Escape comes here, and the capture brings the button's release wherever it happens.
    SetFocus(hwnd);
    SetCapture(hwnd);
    return true;
}

LRESULT Timeline_Control::on_mouse_move(params& p) {
    if (drag.mode == Mouse_Mode::idle) return 0;
    const int x = GET_X_LPARAM(p.lParam), y = GET_Y_LPARAM(p.lParam);
    drag.last_x = x;
    if (drag.mode == Mouse_Mode::pressed) {
        // Less than the system's drag distance is still a click.
        if (std::abs(x - drag.press_x) < GetSystemMetrics(SM_CXDRAG) &&
            std::abs(y - drag.press_y) < GetSystemMetrics(SM_CYDRAG))
            return 0;
        begin_drag();
        if (drag.mode != Mouse_Mode::dragging) return 0;
    }
    drag_to(x);
    return 0;
}

void Timeline_Control::begin_drag() {
    drag.mode = Mouse_Mode::dragging;
    drag.origin.kind = kind_of(drag.hit.zone);
    SetCursor(LoadCursorW(nullptr, drag.origin.kind == Drag_Kind::create ? IDC_SIZEWE : cursor_of(drag.hit.zone)));
    if (drag.origin.kind == Drag_Kind::create) {
        const std::uint64_t t = playhead_from_x(drag.press_x, client_width(), view());
        drag.origin = {Drag_Kind::create, t, t, t, t};
        drag.span = {t, t};
        return;
    }
    const std::size_t i = drag.hit.index;
    if (i >= subs.size()) {  // the document changed under the button
        cancel_drag();
        return;
    }
    if (list_view.hwnd) {
        drag.selection = list_view.selected_indices();
        drag.focused = static_cast<int>(list_view.send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    }
    const bool selected = row_selected(i);
    if (drag.origin.kind == Drag_Kind::body && selected) {
        for (int row : drag.selection)
            if (row >= 0 && static_cast<std::size_t>(row) < subs.size()) drag.set.push_back(static_cast<std::size_t>(row));
    } else {
        drag.set = {i};
    }
    // The grabbed sub is the one whose row follows the drag.
    if (!selected) select_only(i);
    set_row_state(i, LVIS_FOCUSED, LVIS_FOCUSED);
    list_view.scroll_to(static_cast<int>(i));
    drag.grabbed = static_cast<std::size_t>(std::find(drag.set.begin(), drag.set.end(), i) - drag.set.begin());
    drag.before_at = drag.set;
    drag.origin.start = subs[i].start;
    drag.origin.end = subs[i].end;
    drag.origin.earliest_start = subs[i].start;
    drag.origin.latest_end = subs[i].end;
    for (std::size_t row : drag.set) {
        drag.before.push_back(subs[row]);
        drag.origin.earliest_start = std::min(drag.origin.earliest_start, subs[row].start);
        drag.origin.latest_end = std::max(drag.origin.latest_end, subs[row].end);
    }
}

void Timeline_Control::drag_to(int x) {
    const int width = client_width();
    if (key_down(VK_MENU)) drag.alt_seen = true;
    const Snap_Rules rules{!key_down(VK_MENU), effective_snap(snap), snap_reach_ms(width, view_span, metrics().snap_reach), playhead};
    const Drag_Times times =
        drag_times(drag.origin, pointer_moved_ms(drag.press_x, x, width, view_span), rules, subs, drag.set);
    if (drag.origin.kind == Drag_Kind::create) {
        if (times != drag.span) {
            drag.span = times;
            repaint();
        }
        return;
    }
    const std::size_t row = drag.set[drag.grabbed];
    const auto moved = [this](std::size_t from, std::size_t to) {
        move_row_states(from, to);
        drag.low = std::min({drag.low, from, to});
        drag.high = std::max({drag.high, from, to});
    };
    if (!place_dragged(subs, drag.set, drag.before, drag.grabbed, drag.origin.kind, times, moved)) return;
    for (std::size_t k : drag.set) {
        dirty_rows.push_back(k);
        drag.low = std::min(drag.low, k);
        drag.high = std::max(drag.high, k);
    }
    refresh_rows(false);
    if (drag.set[drag.grabbed] != row) list_view.scroll_to(static_cast<int>(drag.set[drag.grabbed]));
    repaint();
    if (on_drag_moved) on_drag_moved();
}

LRESULT Timeline_Control::on_left_up(params&) {
    if (drag.mode == Mouse_Mode::idle) return 0;
    Drag_State done = std::move(drag);
    drag = Drag_State{};
    swallow_alt_up = done.alt_seen && key_down(VK_MENU);
    ReleaseCapture();  // the drag is over: losing the capture now gives nothing up
    if (done.mode == Mouse_Mode::pressed) {
        click(done.press_x, done.press_y, done.press_keys);
    } else if (done.origin.kind == Drag_Kind::create) {
        repaint();
        if (done.span.end > done.span.start && on_make_sub) on_make_sub(done.span.start, done.span.end);
    } else {
        report_drag(std::move(done.set), std::move(done.before_at), std::move(done.before));
    }
    return 0;
}

void Timeline_Control::report_drag(std::vector<std::size_t> set, std::vector<std::size_t> before_at, Sub_List before) {
    History_Step step;
    step.name = u"drag";
    step.inserted_at = std::move(set);
    std::sort(step.inserted_at.begin(), step.inserted_at.end());
    bool changed = step.inserted_at != before_at;
    for (std::size_t k = 0; k < step.inserted_at.size(); ++k) {
        const Sub_Item& now = subs[step.inserted_at[k]];
        step.inserted.push_back(now);
        changed = changed || now.start != before[k].start || now.end != before[k].end;
    }
    if (!changed || !on_dragged) return;  // back where it began: nothing to record
    step.removed_at = std::move(before_at);
    step.removed = std::move(before);
    on_dragged(std::move(step));
}

void Timeline_Control::cancel_drag() {
    if (drag.mode == Mouse_Mode::idle) return;
    Drag_State done = std::move(drag);
    drag = Drag_State{};
    if (GetCapture() == hwnd) ReleaseCapture();
    if (done.mode == Mouse_Mode::dragging && done.origin.kind != Drag_Kind::create && done.low <= done.high) {
        std::vector<std::size_t> now = done.set;
        std::sort(now.begin(), now.end());
        apply_change(subs, now, done.before_at, done.before);
        if (list_view.hwnd) {
            list_view.deselect_all();
            list_view.select(done.selection);
            if (done.focused >= 0) set_row_state(static_cast<std::size_t>(done.focused), LVIS_FOCUSED, LVIS_FOCUSED);
            list_view.send_direct(LVM_REDRAWITEMS, done.low, done.high);
        }
        if (on_drag_moved) on_drag_moved();
    }
    repaint();
}

LRESULT Timeline_Control::on_set_cursor(params& p) {
    if (LOWORD(p.lParam) != HTCLIENT || drag.mode != Mouse_Mode::idle) return DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam);
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(hwnd, &at);
    const Drag_Zone zone = in_band(at.y) ? find_drag_hit(subs, at.x, client_width(), view(), metrics().edge_grip).zone : Drag_Zone::none;
    SetCursor(LoadCursorW(nullptr, cursor_of(zone)));
    return TRUE;
}

LRESULT Timeline_Control::on_alt(params& p) {
    // Alt turns snapping off while it is held; its release must not open the menu bar then.
    if (p.wParam == VK_MENU && drag.mode == Mouse_Mode::dragging) {
        drag_to(drag.last_x);
        return 0;
    }
    if (p.wParam == VK_MENU && p.msg == WM_SYSKEYUP && swallow_alt_up) {
        swallow_alt_up = false;
        return 0;
    }
    return DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam);
}
