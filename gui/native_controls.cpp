#include "gui/native_controls.h"

#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <array>

#include "gui/win_str.h"
#include "io/strings.h"

namespace {

bool key_down(int key) { return GetAsyncKeyState(key) < 0; }

HINSTANCE module_of(HWND window) {
    HINSTANCE instance = window ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) : nullptr;
    return instance ? instance : GetModuleHandleW(nullptr);
}

void set_item_state(HWND list, int item, UINT state, UINT mask) {
    LVITEMW lv{};
    lv.stateMask = mask;
    lv.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
}

// Shared by all status bars: measured once, when the first part is added.
int cached_parent_width = -1;

}  // namespace

void native_control::assign(HWND dialog, int control_id) { hwnd = GetDlgItem(dialog, control_id); }

bool native_control::create(HWND parent, const wchar_t* window_class, DWORD style, DWORD ex_style) {
    if (hwnd) {
        debug_output(u"ERROR: native control already created.\n");
        return false;
    }
    hwnd = CreateWindowExW(ex_style, window_class, nullptr, style, 0, 0, 0, 0, parent, nullptr, module_of(parent),
                           nullptr);
    return hwnd != nullptr;
}

listview::listview() {
    on_message(WM_GETDLGCODE, [this](params& p) { return dialog_code(p); });
    on_message(WM_RBUTTONDOWN, [this](params&) {
        show_context_menu(true);
        return LRESULT{0};
    });
    // Enter was reported from WM_GETDLGCODE already; the control's own LVN_KEYDOWN for it
    // would report it a second time.
    on_message(WM_KEYDOWN, [this](params& p) {
        if (p.wParam == VK_RETURN && enter_reported) {
            enter_reported = false;
            return LRESULT{0};
        }
        switch (p.wParam) {
        case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
            return pass_selecting(p, GetKeyState(VK_SHIFT) < 0);
        default: return DefSubclassProc(hwnd, p.msg, p.wParam, p.lParam);
        }
    });
    on_message(WM_LBUTTONDOWN, [this](params& p) { return pass_selecting(p, (p.wParam & MK_SHIFT) != 0); });
    // A click on one of many selected rows may select it alone only when the button is up.
    on_message(WM_LBUTTONUP, [this](params& p) { return pass_selecting(p, false); });
}

listview::~listview() {
    if (context_menu) DestroyMenu(context_menu);
    detach();
}

void listview::assign(HWND dialog, int control_id) { attach(GetDlgItem(dialog, control_id)); }

void listview::set_context_menu(unsigned menu_id) {
    if (context_menu) {
        debug_output(u"ERROR: listview context menu already assigned.\n");
        return;
    }
    HMENU bar = LoadMenuW(module_of(hwnd ? GetParent(hwnd) : nullptr), MAKEINTRESOURCEW(menu_id));
    if (!bar) return;
    context_menu = GetSubMenu(bar, 0);
    // Keep the popup alive on its own, then let go of the bar that held it.
    RemoveMenu(bar, 0, MF_BYPOSITION);
    DestroyMenu(bar);
}

void listview::add_column(const std::u16string& title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(as_wcstr(title));
    SendMessageW(hwnd, LVM_INSERTCOLUMNW, 0xFFFF, reinterpret_cast<LPARAM>(&column));
}

void listview::fill_column(int index) {
    if (!hwnd) return;
    HWND header = reinterpret_cast<HWND>(send_direct(LVM_GETHEADER, 0, 0));
    const int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    int others = 0;
    for (int i = 0; i < count; ++i) {
        if (i == index) continue;
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        if (send_direct(LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column))) others += column.cx;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    // A negative width would wrap to tens of thousands of pixels in the 16-bit word.
    const int width = std::clamp(static_cast<int>(client.right) - others, 0, 0x7FFF);
    // Setting even the same width repaints the header, which is slow to draw under Wine.
    if (send_direct(LVM_GETCOLUMNWIDTH, index, 0) != width) send_direct(LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0));
}

std::vector<int> listview::selected_indices() const {
    std::vector<int> indices;
    if (!hwnd) return indices;
    const auto count = send_direct(LVM_GETSELECTEDCOUNT, 0, 0);
    if (count <= 0) return indices;
    // One selected row is nearly always the focused one: no walk over the rows before it.
    if (count == 1) {
        const int focused = static_cast<int>(send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        if (focused >= 0 && (send_direct(LVM_GETITEMSTATE, static_cast<WPARAM>(focused), LVIS_SELECTED) & LVIS_SELECTED))
            return {focused};
    }
    indices.reserve(static_cast<std::size_t>(count));
    int i = -1;
    while ((i = static_cast<int>(send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1)
        indices.push_back(i);
    return indices;
}

bool listview::is_virtual() const { return hwnd && (GetWindowLongPtrW(hwnd, GWL_STYLE) & LVS_OWNERDATA); }

void listview::set_row_count(std::size_t rows) {
    if (!hwnd) return;
    // A list view counts its rows in an int.
    const auto count = static_cast<WPARAM>(std::min<std::size_t>(rows, 0x7FFFFFFF));
    // Setting the count updates the scroll bar, which costs some milliseconds under Wine.
    if (send_direct(LVM_GETITEMCOUNT, 0, 0) != static_cast<LRESULT>(count))
        send_direct(LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
    InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT listview::send_direct(UINT msg, WPARAM wParam, LPARAM lParam) const {
    if (!hwnd) return 0;
    const auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
    return own ? CallWindowProcW(own, hwnd, msg, wParam, lParam) : SendMessageW(hwnd, msg, wParam, lParam);
}

void listview::scroll_to(int index) {
    if (!hwnd) return;
    if (send_direct(LVM_GETVIEW, 0, 0) != LV_VIEW_DETAILS) {
        send_direct(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
        return;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    const int height = client.bottom;
    const int top_index = static_cast<int>(send_direct(LVM_GETTOPINDEX, 0, 0));
    RECT top{LVIR_BOUNDS, 0, 0, 0};
    send_direct(LVM_GETITEMRECT, static_cast<WPARAM>(top_index), reinterpret_cast<LPARAM>(&top));
    LVITEMINDEX target{index, 0};
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    if (!send_direct(LVM_GETITEMINDEXRECT, reinterpret_cast<WPARAM>(&target), reinterpret_cast<LPARAM>(&rect))) {
        // Older list views know only the item rectangle, which is the same without groups.
        rect = {LVIR_BOUNDS, 0, 0, 0};
        send_direct(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    }
    // The row must be whole between the header (the top row's top) and the bottom edge; a row
    // cut by the bottom edge or just below it counts as hidden too.
    const int y = rect.top;
    if (y >= top.top && rect.bottom <= height) return;
    send_direct(LVM_SCROLL, 0, y - top.top - height / 2 + 2 * (top.bottom - top.top));
    // Some list views scroll less than asked; the row still ends up whole.
    send_direct(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

int listview::show_context_menu(bool from_mouse) {
    if (!context_menu || !hwnd) return -1;
    POINT point{};
    int hit = -1;
    if (from_mouse) {
        GetCursorPos(&point);
        ScreenToClient(hwnd, &point);
        LVHITTESTINFO info{};
        info.pt = point;
        hit = static_cast<int>(SendMessageW(hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
        if (!key_down(VK_CONTROL) && !key_down(VK_SHIFT)) {
            if (hit < 0) {
                deselect_all();
            } else {
                if (!(SendMessageW(hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(hit), LVIS_SELECTED) & LVIS_SELECTED)) {
                    deselect_all();
                    set_item_state(hwnd, hit, LVIS_SELECTED, LVIS_SELECTED);
                }
                set_item_state(hwnd, hit, LVIS_FOCUSED, LVIS_FOCUSED);
            }
        }
        SetFocus(hwnd);
    } else {
        const int focused = static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        if (focused >= 0 && SendMessageW(hwnd, LVM_ISITEMVISIBLE, static_cast<WPARAM>(focused), 0) &&
            SendMessageW(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&bounds))) {
            point = {bounds.left + 16, (bounds.top + bounds.bottom) / 2};
        } else {
            point = {6, 10};
        }
    }
    popup_menu(context_menu, GetParent(hwnd), point, hwnd);
    return hit;
}

LRESULT listview::dialog_code(params& p) {
    const MSG* msg = reinterpret_cast<const MSG*>(p.lParam);
    if (msg) {
        switch (p.wParam & 0xFF) {
        case 'A':
            if (key_down(VK_CONTROL)) {
                set_all_selected(true);
                return DLGC_WANTCHARS;
            }
            break;
        case VK_RETURN:
            // The key press is reported once; its character is only claimed.
            if (msg->message == WM_KEYDOWN) {
                NMLVKEYDOWN key{};
                key.hdr.hwndFrom = hwnd;
                key.hdr.idFrom = static_cast<std::uint16_t>(GetDlgCtrlID(hwnd));
                key.hdr.code = LVN_KEYDOWN;
                key.wVKey = VK_RETURN;
                key.flags = 0;
                enter_reported = true;
                SendMessageW(GetAncestor(hwnd, GA_PARENT), WM_NOTIFY, key.hdr.idFrom, reinterpret_cast<LPARAM>(&key));
            }
            return DLGC_WANTALLKEYS;
        case VK_APPS:
            if (msg->message == WM_KEYDOWN) show_context_menu(false);
            break;
        }
    }
    return DefSubclassProc(hwnd, p.msg, p.wParam, p.lParam);
}

statusbar& statusbar::create(HWND parent) {
    if (hwnd) {
        debug_output(u"ERROR: statusbar already created.\n");
        return *this;
    }
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (GetWindowLongPtrW(parent, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX)) style |= SBARS_SIZEGRIP;
    native_control::create(parent, STATUSCLASSNAMEW, style);
    return *this;
}

statusbar& statusbar::add_fixed_part(std::uint32_t width) {
    if (!hwnd) return *this;
    parts.emplace_back(width, 0);
    right_edges.push_back(0);
    if (cached_parent_width < 0) {
        RECT client{};
        GetClientRect(GetParent(hwnd), &client);
        cached_parent_width = client.right;
    }
    layout(cached_parent_width);
    return *this;
}

statusbar& statusbar::add_stretch_part() {
    if (!hwnd) return *this;
    parts.emplace_back(0, 1);
    right_edges.push_back(0);
    if (cached_parent_width < 0) {
        RECT client{};
        GetClientRect(GetParent(hwnd), &client);
        cached_parent_width = client.right;
    }
    layout(cached_parent_width);
    return *this;
}

void statusbar::on_parent_size(const params& p) {
    if (p.wParam == SIZE_MINIMIZED || !hwnd) return;
    SendMessageW(hwnd, WM_SIZE, 0, 0);
    layout(LOWORD(p.lParam));
}

void statusbar::set_fixed_widths(const std::vector<std::uint32_t>& widths) {
    std::size_t next = 0;
    for (auto& [w, weight] : parts)
        if (weight == 0 && next < widths.size()) w = widths[next++];
    RECT client{};
    if (hwnd) GetClientRect(GetParent(hwnd), &client);
    if (hwnd) layout(client.right);
}

void statusbar::layout(int width) {
    std::uint32_t fixed = 0, weights = 0;
    for (const auto& [w, weight] : parts) {
        if (weight == 0)
            fixed += w;
        else
            weights += weight;
    }
    const std::uint32_t free = static_cast<std::uint32_t>(width) - fixed;
    int edge = width;
    for (std::size_t i = parts.size(); i-- > 0;) {
        right_edges[i] = edge;
        const auto& [w, weight] = parts[i];
        edge -= weight == 0 ? static_cast<int>(w) : static_cast<int>(free / weights * weight);
    }
    SendMessageW(hwnd, SB_SETPARTS, right_edges.size(), reinterpret_cast<LPARAM>(right_edges.data()));
}

std::u16string statusbar::first_part_text() const {
    if (!hwnd) return {};
    const std::size_t length = LOWORD(SendMessageW(hwnd, SB_GETTEXTLENGTHW, 0, 0));
    if (length == 0) return {};
    std::u16string text(length + 1, u'\0');
    SendMessageW(hwnd, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(as_wcstr(text)));
    text.resize(length);
    return text;
}

layout_resizer& layout_resizer::add(HWND control, unsigned horizontal, unsigned vertical) {
    HWND parent = GetParent(control);
    if (items.empty()) {
        RECT client{};
        GetClientRect(parent, &client);
        ref_width = client.right;
        ref_height = client.bottom;
    }
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    items.push_back({control, rect, horizontal, vertical});
    return *this;
}

void layout_resizer::on_parent_size(const params& p) {
    if (items.empty() || p.wParam == SIZE_MINIMIZED) return;
    const int dw = static_cast<int>(LOWORD(p.lParam)) - ref_width;
    const int dh = static_cast<int>(HIWORD(p.lParam)) - ref_height;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(items.size()));
    for (const item& it : items) {
        const RECT& r = it.rect;
        const int x = it.horizontal == move ? r.left + dw : r.left;
        const int width = it.horizontal == stretch ? r.right - r.left + dw : r.right - r.left;
        const int y = it.vertical == move ? r.top + dh : r.top;
        const int height = it.vertical == stretch ? r.bottom - r.top + dh : r.bottom - r.top;
        UINT flags = SWP_NOZORDER;
        if (it.horizontal == move && it.vertical == move)
            flags |= SWP_NOSIZE;
        else if (it.horizontal == stretch && it.vertical == stretch)
            flags |= SWP_NOMOVE;
        if (batch) batch = DeferWindowPos(batch, it.control, nullptr, x, y, width, height, flags);
    }
    if (batch) EndDeferWindowPos(batch);
}

paint_buffer::paint_buffer(HWND window) : window(window) {
    screen_dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    dc = CreateCompatibleDC(screen_dc);
    bitmap = CreateCompatibleBitmap(screen_dc, std::max(width, 1), std::max(height, 1));
    replaced = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND)));
}

paint_buffer::~paint_buffer() {
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    BitBlt(screen_dc, 0, 0, info.bmWidth, info.bmHeight, dc, 0, 0, SRCCOPY);
    SelectObject(dc, replaced);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(window, &ps);
}

void file_type_icon::load() {
    destroy();
    CoInitialize(nullptr);
    SHFILEINFOW info{};
    if (SHGetFileInfoW(L"*.srt", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                       SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        icon = info.hIcon;
    CoUninitialize();
}

void file_type_icon::destroy() {
    if (icon) DestroyIcon(icon);
    icon = nullptr;
}

void set_dispinfo_text(LPARAM notification, std::u16string_view text) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(notification)->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
    std::copy_n(text.data(), n, reinterpret_cast<char16_t*>(item.pszText));
    item.pszText[n] = L'\0';
}

LRESULT find_typed_row(LPARAM notification, std::size_t rows, const std::function<std::u16string(std::size_t)>& first_column) {
    const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(notification);
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz || rows == 0) return -1;
    std::u16string typed(reinterpret_cast<const char16_t*>(find->lvfi.psz));
    to_upper(typed);
    const std::size_t start = find->iStart >= 0 && static_cast<std::size_t>(find->iStart) < rows
                                  ? static_cast<std::size_t>(find->iStart) : 0;
    const std::size_t span = (find->lvfi.flags & LVFI_WRAP) ? rows : rows - start;
    for (std::size_t k = 0; k < span; ++k) {
        const std::size_t row = (start + k) % rows;
        std::u16string text = first_column(row);
        to_upper(text);
        if (text.compare(0, typed.size(), typed) == 0 &&
            ((find->lvfi.flags & LVFI_PARTIAL) || text.size() == typed.size()))
            return static_cast<LRESULT>(row);
    }
    return -1;
}

void popup_menu(HMENU menu, HWND owner, POINT point, HWND reference) {
    ClientToScreen(reference ? reference : owner, &point);
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, 0, point.x, point.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
}

namespace {

constexpr UINT_PTR balloon_timer_id = 0xB411;

void CALLBACK balloon_timer_fired(HWND balloon, UINT, UINT_PTR id, DWORD) {
    KillTimer(balloon, id);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetWindow(balloon, GW_OWNER);
    tool.uId = 1;
    SendMessageW(balloon, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

notice_balloon::~notice_balloon() {
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
}

TTTOOLINFOW notice_balloon::tool() const {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = GetWindow(hwnd, GW_OWNER);
    tool.uId = 1;
    tool.lpszText = const_cast<wchar_t*>(as_wcstr(text_said));
    return tool;
}

void notice_balloon::show(HWND owner, POINT at, const std::u16string& title, const std::u16string& text, int icon) {
    title_said = title;
    text_said = text;
    if (!hwnd) {
        hwnd = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               module_of(owner), nullptr);
        if (!hwnd) return;
        TTTOOLINFOW added = tool();
        SendMessageW(hwnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&added));
        SendMessageW(hwnd, TTM_SETMAXTIPWIDTH, 0, 360);
    }
    TTTOOLINFOW current = tool();
    SendMessageW(hwnd, TTM_SETTITLEW, static_cast<WPARAM>(icon), reinterpret_cast<LPARAM>(as_wcstr(title_said)));
    SendMessageW(hwnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&current));
    SendMessageW(hwnd, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(hwnd, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&current));
    SetTimer(hwnd, balloon_timer_id, shown_ms, balloon_timer_fired);
}
