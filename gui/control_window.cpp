#include "gui/control_window.h"

#include <uxtheme.h>

#include "gui/win_str.h"

control_window::control_window() {
    window_class.style = CS_DBLCLKS;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    default_handler = [this](params& p) { return DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam); };
    handled_result = 0;
    on_message(WM_NCPAINT, [this](params& p) { return paint_themed_border(p); });
}

control_window::~control_window() {
    if (hwnd && IsWindow(hwnd)) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

bool control_window::create(HWND parent) {
    if (hwnd) {
        debug_output(u"ERROR: tried to create window twice.\n");
        return false;
    }
    if (class_name.empty()) {
        debug_output(u"ERROR: window not created, no class name given.\n");
        return false;
    }
    if (!parent) return false;

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    window_class.cbSize = sizeof(WNDCLASSEXW);
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = as_wcstr(class_name);
    if (!RegisterClassExW(&window_class)) {
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            debug_output(u"ERROR: window not created, failed to register class ATOM.\n");
            return false;
        }
        // Another object of this class registered it first; reuse it.
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof(existing);
        if (!GetClassInfoExW(instance, as_wcstr(class_name), &existing)) return false;
    }
    if (!CreateWindowExW(ex_style, as_wcstr(class_name), title.empty() ? nullptr : as_wcstr(title), style, x, y, width,
                         height, parent, reinterpret_cast<HMENU>(child_id), instance,
                         static_cast<msg_table*>(this))) {
        debug_output(u"ERROR: CreateWindowEx failed.\n");
        return false;
    }
    return true;
}

LRESULT CALLBACK control_window::procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    msg_table* object;
    if (msg == WM_NCCREATE) {
        object = static_cast<msg_table*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        if (object) object->hwnd = window;
    } else {
        object = reinterpret_cast<msg_table*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (object) {
        if (handler* h = object->find_handler(msg)) {
            params p{msg, wParam, lParam};
            const LRESULT result = (*h)(p);
            if (msg == WM_NCDESTROY) {
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                object->hwnd = nullptr;
            }
            return result;
        }
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (object) object->hwnd = nullptr;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT control_window::paint_themed_border(params& p) {
    const LRESULT result = DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam);
    if (!(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) || !IsThemeActive() || !IsAppThemed()) return result;

    // The window rectangle in client coordinates, shifted by the 2-pixel edge, is the
    // rectangle in window-DC coordinates.
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
    OffsetRect(&rect, 2, 2);
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return result;
    HTHEME theme = OpenThemeData(hwnd, L"LISTVIEW");
    if (theme) {
        const RECT strips[4] = {
            {rect.left, rect.top, rect.left + 2, rect.bottom},
            {rect.left, rect.top, rect.right, rect.top + 2},
            {rect.right - 2, rect.top, rect.right, rect.bottom},
            {rect.left, rect.bottom - 2, rect.right, rect.bottom},
        };
        for (const RECT& clip : strips) DrawThemeBackground(theme, dc, 2, 0, &rect, &clip);
        CloseThemeData(theme);
    }
    ReleaseDC(hwnd, dc);
    return 0;
}
