#pragma once
// Helpers of the video tests: the folder of generated videos, a plain host window,
// message pumping with a deadline, the renderer's destination and reading the screen.

#include <windows.h>
#define NO_DSHOW_STRSAFE
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "video/dx_player.h"

namespace video_test {

/// ASCII for test messages; other characters show as '?'.
inline std::string narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

/// A file made by with_videos.sh, as a Windows path.
inline std::u16string video_file(const char16_t* name) {
    const wchar_t* dir = _wgetenv(L"CUEMILL_VIDEO_DIR");
    std::u16string path = dir ? reinterpret_cast<const char16_t*>(dir) : u"";
    path += u"\\";
    path += name;
    return path;
}

inline bool have_videos() { return _wgetenv(L"CUEMILL_VIDEO_DIR") != nullptr; }

/// Dispatches messages until `done` holds or `ms` pass; true when it held.
inline bool pump_until(const std::function<bool()>& done, int ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

/// Where the renderer was last told to draw the picture, in its window's client pixels.
inline RECT renderer_destination(const Dx_Player& player) {
    RECT source{}, destination{};
    IBaseFilter* filter = player.renderer() ? player.renderer()->filter() : nullptr;
    IVMRWindowlessControl9* nine = nullptr;
    IVMRWindowlessControl* seven = nullptr;
    if (filter && SUCCEEDED(filter->QueryInterface(IID_IVMRWindowlessControl9, reinterpret_cast<void**>(&nine)))) {
        nine->GetVideoPosition(&source, &destination);
        nine->Release();
    } else if (filter && SUCCEEDED(filter->QueryInterface(IID_IVMRWindowlessControl, reinterpret_cast<void**>(&seven)))) {
        seven->GetVideoPosition(&source, &destination);
        seven->Release();
    }
    return destination;
}

/// A visible top-level popup whose class background is COLOR_BTNFACE + 1, with a client
/// area of the given size at (x, y) of the screen.
class host_window {
public:
    host_window(int width, int height, int x = 40, int y = 40, HBRUSH background = nullptr) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = background ? L"CUEMILL_VIDEO_TEST_BRUSH_HOST" : L"CUEMILL_VIDEO_TEST_HOST";
        RegisterClassExW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"video test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                               width, height, nullptr, nullptr, wc.hInstance, nullptr);
        UpdateWindow(hwnd);
    }
    ~host_window() { DestroyWindow(hwnd); }
    host_window(const host_window&) = delete;
    host_window& operator=(const host_window&) = delete;
    HWND hwnd = nullptr;
};

/// A copy of the window's client area as it is on the screen.
class screen_shot {
public:
    explicit screen_shot(HWND window) {
        RECT client{};
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width_, height_);
        HGDIOBJ old = SelectObject(dc, bitmap);
        BitBlt(dc, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
        SelectObject(dc, old);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        pixels_.assign(static_cast<size_t>(width_) * height_, 0);
        GetDIBits(dc, bitmap, 0, height_, pixels_.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
    /// The pixel as a COLORREF (0x00BBGGRR); black outside the area.
    COLORREF at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return 0;
        const unsigned p = pixels_[static_cast<size_t>(y) * width_ + x];  // 0x00RRGGBB
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int width() const { return width_; }
    int height() const { return height_; }
    /// Pixels in the rectangle whose colour satisfies `pred`.
    int count(const RECT& r, const std::function<bool(COLORREF)>& pred) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += pred(at(x, y)) ? 1 : 0;
        return n;
    }
    int count(const RECT& r, COLORREF c) const {
        return count(r, [c](COLORREF p) { return p == c; });
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned> pixels_;
};

}  // namespace video_test
