#include "video/video_picture.h"

#include <algorithm>
#include <cstdint>

namespace {

// True when `window` comes before `other` in the z-order of top-level windows.
bool above(HWND window, HWND other) {
    for (HWND w = GetWindow(other, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        if (w == window)
            return true;
    return false;
}

RECT window_rect_in(HWND window, HWND parent) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT client_on_screen(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

bool Video_Picture::needed() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

Video_Picture::Video_Picture(Dx_Player& player) : player_(player) {
    class_name = u"CTL_VIDEO_PICTURE";
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    style = WS_POPUP | WS_CLIPSIBLINGS;
    ex_style = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    on_message(WM_ERASEBKGND, [](params&) -> LRESULT { return 1; });
    on_message(WM_PAINT, [this](params&) { return on_paint(); });
    // Clicks belong to the video control; the main window keeps the activation and the focus.
    on_message(WM_MOUSEACTIVATE, [](params&) -> LRESULT { return MA_NOACTIVATE; });
    const auto click = [this](params&) -> LRESULT {
        if (on_click)
            on_click();
        return 0;
    };
    on_message(WM_LBUTTONDOWN, click);
    on_message(WM_RBUTTONDOWN, click);
    on_message(WM_DESTROY, [this](params&) -> LRESULT {
        if (on_destroy)
            on_destroy();
        return 0;
    });
}

bool Video_Picture::create_over(HWND control, HWND clock, HWND band) {
    control_ = control;
    clock_ = clock;
    band_ = band;
    return create(GetAncestor(control, GA_ROOT));
}

LRESULT Video_Picture::on_paint() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(control_, &client);
    player_.paint(dc, client);
    EndPaint(hwnd, &ps);
    return 0;
}

RECT Video_Picture::fitted_picture() const {
    RECT client{}, fitted{};
    GetClientRect(control_, &client);
    if (!player_.fit_video_rect(client, fitted))
        fitted = client;
    return fitted;
}

void Video_Picture::cut() {
    if (!hwnd)
        return;
    // Only the picture itself: the bars are the control's own background.
    const RECT fitted = fitted_picture();
    HRGN region = CreateRectRgnIndirect(&fitted);
    for (HWND child : {clock_, band_}) {
        if (!child || !IsWindowVisible(child))
            continue;
        const RECT r = window_rect_in(child, control_);
        HRGN hole = CreateRectRgnIndirect(&r);
        CombineRgn(region, region, hole, RGN_DIFF);
        DeleteObject(hole);
    }
    if (!SetWindowRgn(hwnd, region, TRUE))  // the window owns the region on success
        DeleteObject(region);
}

void Video_Picture::place_for_load() {
    const RECT r = client_on_screen(control_);
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_HIDEWINDOW);
    screen_rect_ = r;
}

void Video_Picture::hide() {
    if (hwnd)
        ShowWindow(hwnd, SW_HIDE);
    screen_rect_ = RECT{};
}

void Video_Picture::follow() {
    if (!hwnd)
        return;
    const HWND root = GetAncestor(control_, GA_ROOT);
    if (!player_.loaded() || !IsWindowVisible(control_) || IsIconic(root)) {
        if (IsWindowVisible(hwnd))
            ShowWindow(hwnd, SW_HIDE);
        screen_rect_ = RECT{};
        return;
    }
    // The window starts at the control's client origin, so that the renderer's fit and the
    // control's are the same rectangle.
    const RECT r = client_on_screen(control_);
    if (EqualRect(&r, &screen_rect_) && IsWindowVisible(hwnd)) {
        // Wine may raise the top-level window over its owned picture when it is activated.
        if (!above(hwnd, root))
            SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    const bool resized = r.right - r.left != screen_rect_.right - screen_rect_.left ||
                         r.bottom - r.top != screen_rect_.bottom - screen_rect_.top;
    screen_rect_ = r;
    // Wine's renderers clip the source rectangle to the window's client size before scaling
    // down, so a window smaller than the video would show only part of a shrunk picture. The
    // window is therefore at least the video's size; the region keeps it to the picture.
    SIZE extent{r.right - r.left, r.bottom - r.top}, native{};
    if (player_.renderer() && player_.renderer()->native_size(native)) {
        extent.cx = std::max(extent.cx, native.cx);
        extent.cy = std::max(extent.cy, native.cy);
    }
    // On top: Wine does not always stack an owned window that was hidden while its owner
    // came up above that owner.
    SetWindowPos(hwnd, HWND_TOP, r.left, r.top, extent.cx, extent.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (resized) {
        const auto packed = static_cast<LPARAM>((static_cast<std::uint32_t>(r.right - r.left) & 0xFFFF) |
                                                ((static_cast<std::uint32_t>(r.bottom - r.top) & 0xFFFF) << 16));
        player_.resize(SIZE_RESTORED, packed);
    }
    cut();  // Wine drops the shape when the window is moved or resized
}
