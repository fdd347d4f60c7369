#pragma once
// What the benchmarks of the real main window share: its settings, a clock, running on the
// window's thread, the process's memory counters and a median.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "gui/msg_table.h"

namespace window_bench {

inline constexpr char settings[] =
    "[Program]\r\nversion=1.3.0\r\n\r\n[Params]\r\nplaybackSeek=5000\r\ntimelineSnap=100\r\n"
    "newSubLength=2000\r\nvmr=VMR9\r\n\r\n[Window]\r\nleft=0\r\ntop=0\r\nwidth=0\r\nheight=0\r\n\r\n"
    "[RecentSubs]\r\n\r\n[RecentVids]\r\n";

inline double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticks_per_ms;
}

/// Runs `closure` on the window's thread and waits for it; false when the window did not
/// answer in time (a message box would block it).
inline bool on_window_thread(HWND window, std::function<void()> closure) {
    auto* heap = new std::function<void()>(std::move(closure));
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, run_closure_message, 0, reinterpret_cast<LPARAM>(heap), SMTO_NORMAL, 300000,
                               &result) != 0;
}

/// The window once it shows (waiting up to 10 s), or null after saying so.
inline HWND wait_shown(const HWND& window) {
    for (int i = 0; i < 1000 && !(window && IsWindowVisible(window)); ++i) Sleep(10);
    if (window && IsWindowVisible(window)) return window;
    fprintf(stderr, "the main window never showed\n");
    return nullptr;
}

inline PROCESS_MEMORY_COUNTERS memory_counters() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace window_bench
