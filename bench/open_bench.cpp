// Opening a subtitle file in a real main window, from the open call to a filled and painted
// list: open_sub runs on the window's thread, the clock stops once the list holds every row
// and the window has no paint left to do. Each repetition starts from an empty document.
//
//   cuemill_open_bench DATA_DIR [REPETITIONS]
//
// DATA_DIR holds subs_1k.srt, subs_10k.srt and subs_50k.srt (bench/make_srt_files.py).
// Prints "open_1k_ms 12.3" (the median) and "open_1k_min_ms 11.9" lines per file, and
// "read_1k_ms": the median of reading the same file alone, on the same thread, so that the
// rest of an open (the list, the status bar, the timeline) can be told from the parsing.
// The 50k file runs at most 3 repetitions: each takes a while under Wine. Last come
// "message_us" and "subclassed_message_us": what one message to a dialog costs without and
// with a comctl32 subclass on the way.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "core/srt_reader.h"
#include "gui/msg_table.h"

namespace {

const char settings[] =
    "[Program]\r\nversion=1.3.0\r\n\r\n[Params]\r\nplaybackSeek=5000\r\ntimelineSnap=100\r\n"
    "newSubLength=2000\r\nvmr=VMR9\r\n\r\n[Window]\r\nleft=0\r\ntop=0\r\nwidth=0\r\nheight=0\r\n\r\n"
    "[RecentSubs]\r\n\r\n[RecentVids]\r\n";

struct Input {
    const char* name;
    const char* file;
    std::size_t subs;
    int max_repetitions;
};

const Input inputs[] = {
    {"1k", "subs_1k.srt", 1000, 100},
    {"10k", "subs_10k.srt", 10000, 100},
    {"50k", "subs_50k.srt", 50000, 3},
};

double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticks_per_ms;
}

// Runs `closure` on the window's thread and waits for it; false when the window did not
// answer in time (a message box would block it).
bool on_window_thread(HWND window, std::function<void()> closure) {
    auto* heap = new std::function<void()>(std::move(closure));
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, run_closure_message, 0, reinterpret_cast<LPARAM>(heap), SMTO_NORMAL, 300000,
                               &result) != 0;
}

// Microseconds a message takes to reach a bare dialog procedure on the main window's
// template, without and with one comctl32 subclass on the way: the list and the main window
// carry such hooks, and every row that the list receives passes one or more of them.
void time_messages(HWND main, double& bare_us, double& subclassed_us) {
    const HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(105), main,
                                           [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    const SUBCLASSPROC pass = [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
        return DefSubclassProc(w, m, wp, lp);
    };
    const int count = 2000;
    const auto per_message = [&] {
        const double start = now_ms();
        for (int i = 0; i < count; ++i) SendMessageW(dialog, WM_USER + 77, 0, 0);
        return (now_ms() - start) * 1000.0 / count;
    };
    bare_us = per_message();
    SetWindowSubclass(dialog, pass, 1, 0);
    subclassed_us = per_message();
    RemoveWindowSubclass(dialog, pass, 1);
    DestroyWindow(dialog);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s DATA_DIR [REPETITIONS]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path data = argv[1];
    const int repetitions = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    for (const Input& in : inputs) {
        if (!std::filesystem::exists(data / in.file)) {
            fprintf(stderr, "missing %s\n", (data / in.file).string().c_str());
            return 2;
        }
    }
    // The window writes its settings (recent files, position): keep them out of the data.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("cuemill_open_bench_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Cuemill.ini", std::ios::binary) << settings;

    CoInitialize(nullptr);
    int status = 0;
    {
        Main_Window window;
        window.settings_directory = folder.u16string();
        std::thread driver([&] {
            for (int i = 0; i < 1000 && !(window.hwnd && IsWindowVisible(window.hwnd)); ++i) Sleep(10);
            const HWND main = window.hwnd;
            if (!main) {
                fprintf(stderr, "the main window never showed\n");
                status = 1;
                return;
            }
            for (const Input& in : inputs) {
                const std::u16string path = (data / in.file).u16string();
                std::vector<double> times, reads;
                const int runs = std::min(repetitions, in.max_repetitions);
                for (int r = 0; r < runs && status == 0; ++r) {
                    // Untimed: back to an empty document, its list repainted.
                    bool ok = on_window_thread(main, [&] {
                        window.close_sub(false);
                        RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                    });
                    double elapsed = -1;
                    std::size_t rows = 0, loaded = 0;
                    ok = ok && on_window_thread(main, [&] {
                        const double start = now_ms();
                        window.open_sub(path, false);
                        RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                        elapsed = now_ms() - start;
                        rows = static_cast<std::size_t>(SendMessageW(window.list_view().hwnd, LVM_GETITEMCOUNT, 0, 0));
                        loaded = window.document().size();
                    });
                    if (!ok || rows != in.subs || loaded != in.subs) {
                        fprintf(stderr, "open of %s failed: %zu rows, %zu subs, %zu expected\n",
                                (data / in.file).string().c_str(), rows, loaded, in.subs);
                        status = 1;
                        break;
                    }
                    times.push_back(elapsed);
                    on_window_thread(main, [&] {
                        Sub_List alone;
                        const double start = now_ms();
                        const bool read = read_srt_file(alone, path);
                        reads.push_back(now_ms() - start);
                        if (!read || alone.size() != in.subs) {
                            fprintf(stderr, "reading %s gave %zu subs\n", (data / in.file).string().c_str(), alone.size());
                            status = 1;
                        }
                    });
                }
                if (status != 0) {
                    // The window may be stuck in a box: do not wait for it to close.
                    fflush(stderr);
                    ExitProcess(1);
                }
                printf("open_%s_ms %.1f\n", in.name, median(times));
                printf("open_%s_min_ms %.1f\n", in.name, *std::min_element(times.begin(), times.end()));
                printf("read_%s_ms %.1f\n", in.name, median(reads));
                fflush(stdout);
            }
            double bare_us = 0, subclassed_us = 0;
            on_window_thread(main, [&] { time_messages(main, bare_us, subclassed_us); });
            printf("message_us %.1f\n", bare_us);
            printf("subclassed_message_us %.1f\n", subclassed_us);
            // The document equals its file, so closing asks nothing.
            PostMessageW(main, WM_CLOSE, 0, 0);
        });
        window.run(GetModuleHandleW(nullptr), SW_SHOW);
        driver.join();
    }
    CoUninitialize();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return status;
}
