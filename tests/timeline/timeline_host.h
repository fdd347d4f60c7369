#pragma once
// A top-level window in the main window's place: it holds a real report list view (id 1001)
// as the selection and the timeline under test (id 667), and records what reaches it.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/native_controls.h"
#include "gui/win32.h"
#include "gui/win_str.h"
#include "timeline/timeline_control.h"

namespace timeline_test {

/// Pumps messages until `done` holds or the deadline passes; returns `done()`.
inline bool pump_until(const std::function<bool()>& done, DWORD timeout_ms = 3000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > timeout_ms) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

/// Holds keys down in this thread's keyboard state (what GetKeyState reads) for its lifetime.
class Held_Keys {
public:
    Held_Keys(std::initializer_list<int> keys) : keys_(keys) { set(0x80); }
    ~Held_Keys() { set(0); }

private:
    void set(BYTE bit) {
        BYTE state[256];
        GetKeyboardState(state);
        for (int k : keys_) state[k] = bit;
        SetKeyboardState(state);
    }
    std::vector<int> keys_;
};

/// The control's paint code run into a 32-bit memory bitmap.
class Canvas {
public:
    Canvas(Timeline_Control& timeline, int width, int height, bool focused) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        timeline.paint_content(dc_, width, height, focused);
        GdiFlush();
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF at(int x, int y) const {
        const std::uint32_t v = bits_[static_cast<std::size_t>(y) * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    /// How many pixels of column x, rows y0..y1 inclusive, have the colour.
    int count_in_column(int x, int y0, int y1, COLORREF colour) const {
        int n = 0;
        for (int y = y0; y <= y1; ++y) n += at(x, y) == colour;
        return n;
    }
    int height() const { return height_; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

struct Host {
    static constexpr int list_id = 1001;
    static constexpr int width = 800;   // the timeline's client width
    static constexpr int height = 120;  // and height

    Host() : timeline(subs, list) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"TIMELINE_TEST_HOST";
        RegisterClassExW(&wc);
        window = CreateWindowExW(0, L"TIMELINE_TEST_HOST", L"timeline test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 40, 40, 900, 560, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        list_window = CreateWindowExW(0, recording_list_class(), L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT |
                                      LVS_SHOWSELALWAYS | LVS_OWNERDATA, 10, 10, 600, 180, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(list_id)),
                                      GetModuleHandleW(nullptr), nullptr);
        list.assign(window, list_id);
        for (const char16_t* title : {u"#", u"Start", u"End", u"Length", u"Text"}) list.add_column(title, 100);

        timeline.x = 10;
        timeline.y = 200;
        timeline.width = width + 4;
        timeline.height = height + 30;
        timeline.on_seek = [this](std::uint64_t t) { seeks.push_back(t); };
        timeline.on_insert = [this] { ++inserts; };
        timeline.on_remove = [this] { ++removes; };
        timeline.on_edit = [this] { ++edits; };
        timeline.on_modified = [this] { ++modified; };
        timeline.on_play_pause = [this] { ++play_pauses; };
        created = timeline.create(window);
        // Make the client exactly width x height, whatever the borders and the scroll bar take.
        RECT outer{}, inner{};
        GetWindowRect(timeline.hwnd, &outer);
        GetClientRect(timeline.hwnd, &inner);
        SetWindowPos(timeline.hwnd, nullptr, 0, 0, outer.right - outer.left - inner.right + width,
                     outer.bottom - outer.top - inner.bottom + height, SWP_NOMOVE | SWP_NOZORDER);
        timeline.set_range(3600000);
        SetForegroundWindow(window);
        pump_until([] { return false; }, 50);
    }

    ~Host() {
        if (window) DestroyWindow(window);
        pump_until([] { return false; }, 10);
    }

    /// Puts subs into the document and one row per sub into the list view, each showing "old"
    /// until the list is asked to redraw it.
    void load(const Sub_List& items) {
        subs = items;
        shown.assign(subs.size(), {});
        for (std::size_t i = 0; i < subs.size(); ++i) {
            shown[i][0] = as_u16(std::to_wstring(i + 1).c_str());
            for (int column = 1; column <= 4; ++column) shown[i][column] = u"old";
        }
        SendMessageW(list_window, LVM_SETITEMCOUNT, 0, 0);
        SendMessageW(list_window, LVM_SETITEMCOUNT, subs.size(), 0);
    }

    void set_cell(std::size_t row, int column, const std::u16string& text) { shown[row][column] = text; }

    std::u16string cell(std::size_t row, int column) const {
        wchar_t buffer[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 256;
        SendMessageW(list_window, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return as_u16(buffer);
    }

    UINT state(std::size_t row) const {
        return static_cast<UINT>(SendMessageW(list_window, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_FOCUSED));
    }
    bool selected(std::size_t row) const { return (state(row) & LVIS_SELECTED) != 0; }
    bool focused(std::size_t row) const { return (state(row) & LVIS_FOCUSED) != 0; }
    std::vector<int> selection() const { return list.selected_indices(); }
    void select(std::initializer_list<int> rows) {
        list.deselect_all();
        for (int r : rows) {
            LVITEMW item{};
            item.state = item.stateMask = LVIS_SELECTED;
            SendMessageW(list_window, LVM_SETITEMSTATE, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    void focus_row(int row) {
        LVITEMW item{};
        item.state = item.stateMask = LVIS_FOCUSED;
        SendMessageW(list_window, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }

    /// A key press as the dialog manager hands it over: WM_GETDLGCODE with the WM_KEYDOWN.
    /// `held` marks it as the key's auto-repeat.
    LRESULT press(UINT vk, bool held = false) {
        const LPARAM flags = held ? (1 | (1 << 30)) : 1;
        MSG msg{timeline.hwnd, WM_KEYDOWN, vk, flags, GetTickCount(), {0, 0}};
        const LRESULT code = SendMessageW(timeline.hwnd, WM_GETDLGCODE, vk, reinterpret_cast<LPARAM>(&msg));
        SendMessageW(timeline.hwnd, WM_KEYDOWN, vk, flags);
        return code;
    }
    void release(UINT vk) { SendMessageW(timeline.hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u)); }
    /// A press of the button; a left one comes up again unmoved, as a click does.
    void click(UINT msg, int x, int y, WPARAM keys = 0) {
        SendMessageW(timeline.hwnd, msg, keys, MAKELPARAM(x, y));
        if (msg == WM_LBUTTONDOWN) SendMessageW(timeline.hwnd, WM_LBUTTONUP, keys & ~MK_LBUTTON, MAKELPARAM(x, y));
    }
    /// The left button down at x0, moved through each x in turn, and up at the last: a drag
    /// as the mouse gives it. `keys` are held throughout (MK_CONTROL as the message says it).
    void drag(int x0, std::initializer_list<int> xs, WPARAM keys = 0, int y = 60) {
        SendMessageW(timeline.hwnd, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x0, y));
        int last = x0;
        for (int x : xs) {
            SendMessageW(timeline.hwnd, WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(x, y));
            last = x;
        }
        SendMessageW(timeline.hwnd, WM_LBUTTONUP, keys, MAKELPARAM(last, y));
    }
    /// Sets the view directly through the scroll bar messages a user would cause.
    void zoom_to(std::uint32_t span_at_most) {
        for (int i = 0; i < 200 && timeline.view_span > span_at_most; ++i)
            SendMessageW(timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    }

    Sub_List subs;
    /// What the list shows of each row: what its texts were when it was last asked to redraw it.
    std::vector<std::array<std::u16string, 5>> shown;
    listview list;
    Timeline_Control timeline;
    HWND window = nullptr;
    HWND list_window = nullptr;
    bool created = false;

    std::vector<std::uint64_t> seeks;
    int inserts = 0, removes = 0, edits = 0, modified = 0, play_pauses = 0;
    std::vector<unsigned> commands;
    std::vector<std::pair<WORD, HWND>> hscrolls;
    std::vector<UINT> menus_opened;  // first item id of each popup that opened
    RECT menu_rect{};

private:
    // A list view whose own procedure (the one messages sent past every subclass reach) marks
    // the rows it is asked to redraw as showing the document's texts.
    static WNDPROC& list_procedure() {
        static WNDPROC original = nullptr;
        return original;
    }
    static const wchar_t* recording_list_class() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        if (!list_procedure()) {
            GetClassInfoExW(nullptr, WC_LISTVIEWW, &wc);
            list_procedure() = wc.lpfnWndProc;
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = recording_list;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TIMELINE_TEST_LIST";
            RegisterClassExW(&wc);
        }
        return L"TIMELINE_TEST_LIST";
    }
    static LRESULT CALLBACK recording_list(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == LVM_REDRAWITEMS) {
            Host* host = reinterpret_cast<Host*>(GetWindowLongPtrW(GetParent(list), GWLP_USERDATA));
            const std::size_t last = static_cast<std::size_t>(lParam);
            for (std::size_t row = wParam; host && row <= last && row < host->subs.size(); ++row)
                for (int column = 1; column <= 4; ++column)
                    host->shown[row][column] = sub_row_text(host->subs, row, static_cast<Sub_Column>(column));
        }
        return CallWindowProcW(list_procedure(), list, msg, wParam, lParam);
    }

    static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        Host* host = reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (host) {
            switch (msg) {
            case WM_COMMAND: host->commands.push_back(LOWORD(wParam)); return 0;
            case WM_NOTIFY: {
                const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
                const std::size_t row = static_cast<std::size_t>(info->item.iItem);
                if (info->hdr.code == LVN_GETDISPINFOW && row < host->shown.size() && info->item.iSubItem >= 0 &&
                    info->item.iSubItem < 5)
                    set_dispinfo_text(lParam, host->shown[row][static_cast<std::size_t>(info->item.iSubItem)]);
                return 0;
            }
            case WM_HSCROLL: host->hscrolls.emplace_back(LOWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
            case WM_INITMENUPOPUP:
                host->menus_opened.push_back(GetMenuItemID(reinterpret_cast<HMENU>(wParam), 0));
                SetTimer(hwnd, 77, 100, [](HWND w, UINT, UINT_PTR id, DWORD) {
                    KillTimer(w, id);
                    EndMenu();
                });
                return 0;
            case WM_ENTERIDLE:
                if (wParam == MSGF_MENU && lParam) {
                    GetWindowRect(reinterpret_cast<HWND>(lParam), &host->menu_rect);
                    EndMenu();
                }
                return 0;
            case WM_NCDESTROY: SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); break;
            default: break;
            }
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

/// Subs of the given times, each with the text "sub N".
inline Sub_List make_subs(std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> times) {
    Sub_List list;
    for (auto [s, e] : times) {
        std::u16string text = u"sub ";
        text += static_cast<char16_t>(u'0' + list.size() % 10);
        list.push_back(Sub_Item{s, e, text});
    }
    return list;
}

}  // namespace timeline_test
