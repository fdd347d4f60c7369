#pragma once
// Shared helpers of the framework tests: message pumping with a deadline, debug-output
// capture and a few windows to host the objects under test.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "gui/msg_table.h"
#include "gui/win_str.h"

namespace gui_test {

/// Pumps this thread's messages (through IsDialogMessageW for `dialog` when given) until the
/// condition holds or the deadline passes; whether it held.
inline bool pump_until(const std::function<bool()>& done, HWND dialog = nullptr, int timeout_ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog && IsDialogMessageW(dialog, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

/// Handles every message waiting now, without waiting for more.
inline void pump_pending(HWND dialog = nullptr) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

/// Collects the framework's debug lines while it lives.
class debug_capture {
public:
    debug_capture() {
        set_debug_observer([this](const std::u16string& line) { lines.push_back(line); });
    }
    ~debug_capture() { set_debug_observer({}); }
    std::vector<std::u16string> lines;
};

/// A plain visible top-level window to parent child windows.
inline HWND make_host(int client_width = 600, int client_height = 400, DWORD style = WS_OVERLAPPEDWINDOW) {
    RECT r{0, 0, client_width, client_height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    HWND host = CreateWindowExW(0, L"STATIC", L"host", style | WS_VISIBLE, 40, 40, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    pump_pending();
    return host;
}

inline std::string narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace gui_test
