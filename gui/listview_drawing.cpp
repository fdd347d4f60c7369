// How the list view draws changes of many rows, tuned for Wine.
//
// Wine's list view repaints each row whose state changes on its own (about 0.07 ms a row),
// and under its default theme every update of the scroll bar and every paint of the header
// costs several milliseconds. Measured at 100,000 subs: Ctrl+A took 6.6 s, Shift+End 7.6 s,
// an Insert 30 ms of drawing. So changes of many rows are made with the drawing held
// (`hold_drawing`), which repaints the rows once and the scroll bar and header only when they
// changed; clearing a virtual list's selection of thousands of rows empties the list instead
// of visiting every row. On Windows the same calls are merely cheap.
#include "gui/native_controls.h"

#include <array>

namespace {

// Changing more rows than this one by one, the list is kept from repainting until the end.
constexpr std::size_t quiet_rows = 128;

// Range, page and position of both scroll bars; -1 for a bar the window lacks.
std::array<int, 8> scroll_state(HWND window) {
    std::array<int, 8> state{};
    for (int bar : {SB_VERT, SB_HORZ}) {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        const bool has = GetScrollInfo(window, bar, &info) != FALSE;
        const int at = bar == SB_VERT ? 0 : 4;
        state[at] = has ? info.nMin : -1;
        state[at + 1] = has ? info.nMax : -1;
        state[at + 2] = has ? static_cast<int>(info.nPage) : -1;
        state[at + 3] = has ? info.nPos : -1;
    }
    return state;
}

}  // namespace

LRESULT listview::pass_selecting(params& p, bool range) {
    if (!range && send_direct(LVM_GETSELECTEDCOUNT, 0, 0) <= static_cast<LRESULT>(quiet_rows))
        return DefSubclassProc(hwnd, p.msg, p.wParam, p.lParam);
    hold_drawing();
    const LRESULT result = DefSubclassProc(hwnd, p.msg, p.wParam, p.lParam);
    resume_drawing();
    return result;
}

void listview::set_selected(const std::vector<int>& rows, bool selected) {
    LVITEMW lv{};
    lv.stateMask = LVIS_SELECTED;
    lv.state = selected ? LVIS_SELECTED : 0;
    // Many rows: one repaint at the end instead of one per row.
    const bool quiet = rows.size() > quiet_rows;
    if (quiet) hold_drawing();
    for (int i : rows) send_direct(LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&lv));
    if (quiet) resume_drawing();
}

void listview::select(const std::vector<int>& indices) { set_selected(indices, true); }

void listview::deselect_all() {
    if (is_virtual()) {
        // Some list views visit every row of a virtual list for a change of all rows (-1);
        // when a few thousand rows at most are selected, those are all there is to change.
        const auto selected = send_direct(LVM_GETSELECTEDCOUNT, 0, 0);
        if (selected == 0) return;
        if (selected <= many_selected) {
            set_selected(selected_indices(), false);
            return;
        }
    }
    set_all_selected(false);
}

void listview::set_all_selected(bool selected) {
    hold_drawing();
    LVITEMW lv{};
    lv.stateMask = LVIS_SELECTED;
    lv.state = selected ? LVIS_SELECTED : 0;
    send_direct(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&lv));
    resume_drawing();
}

void listview::set_rows_unselected(std::size_t rows) {
    if (!hwnd) return;
    hold_drawing();
    if (send_direct(LVM_GETSELECTEDCOUNT, 0, 0) > many_selected) {
        // A virtual list forgets the selection and focus of rows past its count.
        send_direct(LVM_SETITEMCOUNT, 0, LVSICF_NOSCROLL);
        set_row_count(rows);
    } else {
        set_row_count(rows);
        deselect_all();
    }
    resume_drawing();
}

void listview::hold_drawing() {
    if (!hwnd || drawing_held++ > 0) return;
    const HWND header = reinterpret_cast<HWND>(send_direct(LVM_GETHEADER, 0, 0));
    header_was_invalid = header && GetUpdateRect(header, nullptr, FALSE);
    if (header) GetWindowRect(header, &header_before);
    // A part of the list waiting for a paint may include its frame, which cannot be asked.
    frame_may_wait = GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
    scroll_before = scroll_state(hwnd);
    send_direct(WM_SETREDRAW, FALSE, 0);
    // The window's own flag too, which not every list view sets: a list that is not drawn
    // scrolls and updates its scroll bar without touching the screen. Setting it drops the
    // pending paint of the list and its header: the list is repainted at the end, the header
    // when it was waiting or has moved.
    DefWindowProcW(hwnd, WM_SETREDRAW, FALSE, 0);
}

void listview::resume_drawing() {
    if (!hwnd || drawing_held == 0 || --drawing_held > 0) return;
    // The list updates its scroll bar here, before the window shows again: drawn once below.
    send_direct(WM_SETREDRAW, TRUE, 0);
    DefWindowProcW(hwnd, WM_SETREDRAW, TRUE, 0);
    // Under Wine's theme the scroll bar and the header each take milliseconds to draw: they
    // are repainted when they changed or were waiting for a paint. The header, one that
    // was resized while hidden too (the scroll bar came or went), was not marked for it.
    const HWND header = reinterpret_cast<HWND>(send_direct(LVM_GETHEADER, 0, 0));
    RECT header_now{};
    if (header) GetWindowRect(header, &header_now);
    const bool header_changed = header && (header_was_invalid || !EqualRect(&header_now, &header_before));
    const bool frame = frame_may_wait || scroll_state(hwnd) != scroll_before;
    // Showing the window again marks its frame for painting under Wine.
    if (!frame) RedrawWindow(hwnd, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
    // In client coordinates; the list would paint over an unchanged header's place too.
    RECT area_rect{};
    if (frame) {
        GetWindowRect(hwnd, &area_rect);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&area_rect), 2);
    } else {
        GetClientRect(hwnd, &area_rect);
    }
    const HRGN area = CreateRectRgnIndirect(&area_rect);
    if (header && !header_changed) {
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&header_now), 2);
        const HRGN header_area = CreateRectRgnIndirect(&header_now);
        CombineRgn(area, area, header_area, RGN_DIFF);
        DeleteObject(header_area);
    }
    RedrawWindow(hwnd, nullptr, area, RDW_INVALIDATE | RDW_NOCHILDREN | (frame ? RDW_FRAME : 0));
    DeleteObject(area);
    if (header_changed) InvalidateRect(header, nullptr, TRUE);
}
