// Opening a subtitle file in a real main window, from the open call to a filled and painted
// list: open_sub runs on the window's thread, the clock stops once the list holds every row
// and the window has no paint left to do. Each repetition starts from an empty document.
//
//   CUEMILL_BENCH_DATA=DATA_DIR cuemill_open_bench [REPETITIONS]
//
// The folder comes through the environment: the window takes its own command line's first
// argument for a subtitle to open, and would stop at a box.
// DATA_DIR holds subs_1k.srt ... subs_100k.srt (bench/make_srt_files.py).
// Prints "open_1k_ms 12.3" (the median) and "open_1k_min_ms 11.9" lines per file, and
// "read_1k_ms": the median of reading the same file alone, on the same thread, so that the
// rest of an open (the list, the status bar, the timeline) can be told from the parsing.
// Then, on each document, the edits a user waits for, from the command to the painted
// window, with the time its dialogs and boxes were on screen left out (they are answered
// programmatically): "insert_first_10k_ms" and so on, medians; also Shift+End and Down,
// which change the selection of every row ("shift_end_10k_ms", "down_from_all_10k_ms"),
// re-timing every sub: "shift_all_10k_ms" and its "undo_shift_10k_ms", "sync_points_10k_ms"
// (three points) and "frame_rate_10k_ms", F7 on one sub ("set_start_10k_ms") and one mouse
// move while a sub is dragged ("drag_move_10k_ms").
// Each starts from a painted window. Files made here: 100,000 subs
// with 1,000 overlaps and with 50,000 subs holding the searched text, and 20,000 subs that
// all overlap each other. Last come "message_us" and "subclassed_message_us": what one
// message to a dialog costs without and with a comctl32 subclass on the way.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench/window_bench.h"
#include "core/srt_reader.h"
#include "gui/msg_table.h"
#include "res/dialog_ids.h"

namespace {

using namespace window_bench;

struct Input {
    const char* name;
    const char* file;
    std::size_t subs;
    int max_repetitions;
};

const Input inputs[] = {
    {"1k", "subs_1k.srt", 1000, 100},
    {"10k", "subs_10k.srt", 10000, 100},
    {"50k", "subs_50k.srt", 50000, 5},
    {"100k", "subs_100k.srt", 100000, 5},
};

// Dialogs and boxes shown while a command runs: answered by `answer` as soon as they are
// active, and the time they were up is left out of the command's time.
struct Dialog_Watch {
    HWND main = nullptr;
    std::function<void(HWND)> answer;
    double shown_ms = 0;
    std::vector<std::pair<HWND, double>> open;
    std::vector<HWND> answered;
};
thread_local Dialog_Watch* watch = nullptr;

LRESULT CALLBACK watch_dialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (watch && code >= 0) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770") {
            if (code == HCBT_CREATEWND) {
                watch->open.push_back({window, now_ms()});
            } else if (code == HCBT_ACTIVATE) {
                // Posted to the main window, whose closures the dialog's loop runs once it is up
                // (a message box runs none of its own). The main window, a dialog too, is not
                // answered when it gets the focus back; a dialog activated again is not answered
                // twice, and an answer that comes after its dialog has gone is dropped: the
                // closures refer to the caller's locals.
                auto& answered = watch->answered;
                if (watch->answer && window != watch->main &&
                    std::find(answered.begin(), answered.end(), window) == answered.end()) {
                    answered.push_back(window);
                    PostMessageW(watch->main, run_closure_message, 0,
                                 reinterpret_cast<LPARAM>(new std::function<void()>([window, answer = watch->answer] {
                                     if (IsWindow(window)) answer(window);
                                 })));
                }
            } else if (code == HCBT_DESTROYWND) {
                for (auto it = watch->open.begin(); it != watch->open.end(); ++it)
                    if (it->first == window) {
                        watch->shown_ms += now_ms() - it->second;
                        watch->open.erase(it);
                        break;
                    }
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// On the window's thread: runs `action`, then paints; the milliseconds it took without the
// time its dialogs were up.
double timed(HWND main, const std::function<void()>& action, std::function<void(HWND)> answer = {}) {
    Dialog_Watch w;
    w.main = main;
    w.answer = std::move(answer);
    watch = &w;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, watch_dialogs, nullptr, GetCurrentThreadId());
    // Drawing left over from the untimed steps before is not the command's: a user's
    // command starts from a painted window.
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double start = now_ms();
    action();
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double elapsed = now_ms() - start - w.shown_ms;
    UnhookWindowsHookEx(hook);
    watch = nullptr;
    return elapsed;
}

// The closures that answer: a message box's or dialog's button, or the Edit dialog's text.
void press_button(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, id, 0); }
void enter_text(HWND dialog, const wchar_t* text) {
    if (GetDlgItem(dialog, IDC_EDIT_TEXT)) SetDlgItemTextW(dialog, IDC_EDIT_TEXT, text);
    press_button(dialog, IDOK);
}

// Inside a dialog's answer: the milliseconds from `action` until the dialog and the window are
// painted; then the text of the dialog's control `id`, and the dialog closed.
double timed_in_dialog(HWND main, HWND dialog, const std::function<void()>& action, int id, std::wstring& text) {
    const double start = now_ms();
    action();
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double elapsed = now_ms() - start;
    wchar_t buffer[64] = {};
    GetDlgItemTextW(dialog, id, buffer, 64);
    text = buffer;
    press_button(dialog, IDCANCEL);
    return elapsed;
}

// "1 --> 2" lines of `count` subs a second apart, 500 ms long, each "Sub N" plus `extra(i)`
// in its text; `end(i)` other than 0 gives another end.
std::string srt_file(std::size_t count, const std::function<std::uint64_t(std::size_t)>& end,
                     const std::function<const char*(std::size_t)>& extra) {
    const auto time = [](std::uint64_t ms) {
        char text[32];
        snprintf(text, sizeof text, "%02u:%02u:%02u,%03u", unsigned(ms / 3600000), unsigned(ms / 60000 % 60),
                 unsigned(ms / 1000 % 60), unsigned(ms % 1000));
        return std::string(text);
    };
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t e = end(i);
        text += std::to_string(i + 1) + "\r\n" + time(i * 1000) + " --> " + time(e ? e : i * 1000 + 500) + "\r\nSub " +
                std::to_string(i + 1) + extra(i) + "\r\n\r\n";
    }
    return text;
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

}  // namespace

int main() {
    const char* data_dir = getenv("CUEMILL_BENCH_DATA");
    if (!data_dir || !*data_dir) {
        fprintf(stderr, "usage: CUEMILL_BENCH_DATA=DATA_DIR cuemill_open_bench\n");
        return 2;
    }
    const std::filesystem::path data = data_dir;
    const char* repetitions_text = getenv("CUEMILL_OPEN_REPETITIONS");
    const int repetitions = repetitions_text ? std::max(1, atoi(repetitions_text)) : 5;
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
            const HWND main = wait_shown(window.hwnd);
            if (!main) {
                status = 1;
                return;
            }
            const HWND list = window.list_view().hwnd;
            const auto command = [&](unsigned id) { SendMessageW(main, WM_COMMAND, id, 0); };
            const auto fail = [&](const std::string& what) {
                fprintf(stderr, "%s\n", what.c_str());
                fflush(stderr);
                // The window may be stuck in a box: do not wait for it to close.
                ExitProcess(1);
            };
            const auto select_only = [&](const std::vector<int>& rows) {
                window.list_view().deselect_all();
                window.list_view().select(rows);
                LVITEMW lv{};
                lv.stateMask = LVIS_FOCUSED;
                lv.state = LVIS_FOCUSED;
                SendMessageW(list, LVM_SETITEMSTATE, rows.back(), reinterpret_cast<LPARAM>(&lv));
            };
            const auto print = [](const std::string& name, const std::vector<double>& v) {
                printf("%s %.1f\n", name.c_str(), median(v));
                fflush(stdout);
            };

            // The memory of the largest document first, while nothing else was opened.
            {
                const std::filesystem::path path = data / "subs_100k.srt";
                std::uint64_t before = 0, peak = 0;
                on_window_thread(main, [&] {
                    before = memory_counters().WorkingSetSize;
                    window.open_sub(path.u16string(), false);
                    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                    peak = memory_counters().PeakWorkingSetSize;
                    window.close_sub(false);
                });
                const double file = static_cast<double>(std::filesystem::file_size(path));
                printf("peak_mem_100k_mb %.1f\n", static_cast<double>(peak) / 1048576.0);
                printf("peak_mem_100k_vs_file %.1f\n", static_cast<double>(peak - before) / file);
            }

            for (const Input& in : inputs) {
                const std::u16string path = (data / in.file).u16string();
                std::vector<double> times, reads;
                const int runs = std::min(repetitions, in.max_repetitions);
                for (int r = 0; r < runs; ++r) {
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
                        rows = static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
                        loaded = window.document().size();
                    });
                    if (!ok || rows != in.subs || loaded != in.subs)
                        fail("open of " + (data / in.file).string() + " failed: " + std::to_string(rows) + " rows");
                    times.push_back(elapsed);
                    on_window_thread(main, [&] {
                        Sub_List alone;
                        const double start = now_ms();
                        const bool read = read_srt_file(alone, path);
                        reads.push_back(now_ms() - start);
                        if (!read || alone.size() != in.subs) status = 1;
                    });
                    if (status) fail("reading " + (data / in.file).string() + " failed");
                }
                print(std::string("open_") + in.name + "_ms", times);
                printf("open_%s_min_ms %.1f\n", in.name, *std::min_element(times.begin(), times.end()));
                print(std::string("read_") + in.name + "_ms", reads);
                if (in.subs == 100000) printf("open_100k_vs_read %.1f\n", median(times) / median(reads));

                // The edits, each undone (untimed where not measured) so the next starts alike.
                const int n = static_cast<int>(in.subs);
                std::vector<double> nudge, undo_nudge, redo_nudge, insert, undo_insert, redo_insert, remove,
                    undo_remove, redo_remove, remove_1000, edit, scroll, down_from_all, shift_end, shift_all, undo_shift,
                    sync, frame_rate, set_start, drag_move;
                for (int r = 0; r < 5; ++r) {
                    on_window_thread(main, [&] {
                        const HWND timeline = window.timeline_control().hwnd;
                        select_only({n / 2});
                        SetFocus(timeline);
                        MSG key{timeline, WM_KEYDOWN, r % 2 ? WPARAM{VK_LEFT} : WPARAM{VK_RIGHT}, 1, 0, {}};
                        nudge.push_back(timed(main, [&] {
                            SendMessageW(timeline, WM_GETDLGCODE, key.wParam, reinterpret_cast<LPARAM>(&key));
                        }));
                        SendMessageW(timeline, WM_KEYUP, key.wParam, 0xC0000001);
                        undo_nudge.push_back(timed(main, [&] { command(cmd_undo); }));
                        redo_nudge.push_back(timed(main, [&] { command(cmd_redo); }));
                        command(cmd_undo);

                        // F7 on the middle sub with the playhead just before its start, so that it
                        // keeps its place (the gaps are 50 ms or more).
                        Timeline_Control& line = window.timeline_control();
                        const std::size_t middle = static_cast<std::size_t>(n / 2);
                        select_only({n / 2});
                        line.playhead = window.document()[middle].start - 30;
                        set_start.push_back(timed(main, [&] { command(cmd_set_start); }));
                        if (window.document()[middle].start != line.playhead) fail("F7 did not set the start");
                        command(cmd_undo);

                        // One mouse move while the middle sub's body is dragged, the view about
                        // 10 s wide around it: to the painted timeline and row.
                        line.playhead = window.document()[middle].start;
                        RECT placed{};
                        GetWindowRect(line.hwnd, &placed);  // the wheel goes to the window under its point
                        const LPARAM over = MAKELPARAM((placed.left + placed.right) / 2, (placed.top + placed.bottom) / 2);
                        for (int k = 0; k < 100 && line.view_span > 10000; ++k)
                            SendMessageW(line.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), over);
                        line.center_on_playhead();
                        RECT client{};
                        GetClientRect(line.hwnd, &client);
                        const float scale = view_scale(client.right, line.view_span);
                        const int x = (time_to_x(window.document()[middle].start, line.view_start, scale) +
                                       time_to_x(window.document()[middle].end, line.view_start, scale)) / 2;
                        const auto mouse = [&](UINT msg, int dx) {
                            SendMessageW(line.hwnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x + dx, 60));
                        };
                        mouse(WM_LBUTTONDOWN, 0);
                        mouse(WM_MOUSEMOVE, 10);  // past the drag distance: the drag begins
                        const std::uint64_t begun = window.document()[middle].start;
                        drag_move.push_back(timed(main, [&] { mouse(WM_MOUSEMOVE, r % 2 ? -10 : 30); }));
                        if (!line.mouse_held() || window.document()[middle].start == begun) fail("the drag did not move");
                        mouse(WM_LBUTTONUP, r % 2 ? -10 : 30);
                        command(cmd_undo);

                        // The changed rows in view, as when a user edits at the top of a document
                        // (not every list view knows SB_TOP).
                        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
                        window.timeline_control().playhead = 0;
                        insert.push_back(timed(main, [&] { command(cmd_insert); }, [](HWND d) { enter_text(d, L"Bench"); }));
                        undo_insert.push_back(timed(main, [&] { command(cmd_undo); }));
                        redo_insert.push_back(timed(main, [&] { command(cmd_redo); }));
                        command(cmd_undo);

                        select_only({0});
                        remove.push_back(timed(main, [&] { command(cmd_remove); }, [](HWND d) { press_button(d, IDYES); }));
                        undo_remove.push_back(timed(main, [&] { command(cmd_undo); }));
                        redo_remove.push_back(timed(main, [&] { command(cmd_redo); }));
                        command(cmd_undo);

                        std::vector<int> spread;
                        for (int k = 0; k < 1000 && k < n; ++k) spread.push_back(static_cast<int>(std::int64_t{k} * n / 1000));
                        select_only(spread);
                        remove_1000.push_back(timed(main, [&] { command(cmd_remove); }, [](HWND d) { press_button(d, IDYES); }));
                        command(cmd_undo);

                        // Keys that change the selection of every row: Down with all selected,
                        // and Shift+End from the first row.
                        const auto press = [&](WPARAM key, bool shift) {
                            BYTE keys[256];
                            GetKeyboardState(keys);
                            keys[VK_SHIFT] = shift ? 0x80 : 0;
                            SetKeyboardState(keys);
                            SendMessageW(list, WM_KEYDOWN, key, 0);
                            keys[VK_SHIFT] = 0;
                            SetKeyboardState(keys);
                        };
                        select_only({0});
                        SendMessageW(list, LVM_SETSELECTIONMARK, 0, 0);
                        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
                        shift_end.push_back(timed(main, [&] { press(VK_END, true); }));
                        if (SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) != n) fail("Shift+End did not select every row");
                        LVITEMW first{};
                        first.stateMask = first.state = LVIS_FOCUSED;
                        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
                        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
                        down_from_all.push_back(timed(main, [&] { press(VK_DOWN, false); }));
                        if (SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) != 1) fail("Down did not leave one row selected");

                        select_only({n / 3});
                        const std::wstring text = L"Edited " + std::to_wstring(r);
                        edit.push_back(timed(main, [&] { command(cmd_edit); }, [text](HWND d) { enter_text(d, text.c_str()); }));
                        command(cmd_undo);

                        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
                        SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
                        RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                        scroll.push_back(timed(main, [&] { SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0); }));

                        // Re-timing every sub: a shift (and its undo), three sync points, a frame rate.
                        const Sub_List& doc = window.document();
                        const std::uint64_t first_start = doc[0].start;
                        select_only({n / 4});
                        shift_all.push_back(timed(main, [&] { command(cmd_shift_times); }, [](HWND d) {
                            SetDlgItemTextW(d, IDC_SHIFT_AMOUNT, L"1.5");
                            press_button(d, IDOK);
                        }));
                        if (doc[0].start != first_start + 1500) fail("the shift did not move the first sub");
                        undo_shift.push_back(timed(main, [&] { command(cmd_undo); }));
                        for (const std::size_t k : {std::size_t{0}, doc.size() / 2, doc.size() - 1})
                            window.add_sync_point({doc[k].start, doc[k].start + 1500 + k % 1000});
                        sync.push_back(timed(main, [&] { command(cmd_apply_sync_points); }));
                        if (doc[0].start != first_start + 1500) fail("the sync points did not move the first sub");
                        command(cmd_undo);
                        frame_rate.push_back(
                            timed(main, [&] { command(cmd_change_frame_rate); }, [](HWND d) { press_button(d, IDOK); }));
                        if (doc[0].start != (first_start * 25025 + 12000) / 24000) fail("the frame rate did not change the times");
                        command(cmd_undo);
                    });
                }
                if (window.document().size() != in.subs) fail("the edits did not come back undone");
                const std::pair<const char*, const std::vector<double>*> measures[] = {
                    {"nudge", &nudge},          {"undo_nudge", &undo_nudge},   {"redo_nudge", &redo_nudge},
                    {"insert_first", &insert},  {"undo_insert", &undo_insert}, {"redo_insert", &redo_insert},
                    {"remove_first", &remove},  {"undo_remove", &undo_remove}, {"redo_remove", &redo_remove},
                    {"remove_1000", &remove_1000}, {"edit", &edit},            {"scroll_page", &scroll},
                    {"shift_end", &shift_end},  {"down_from_all", &down_from_all}, {"shift_all", &shift_all},
                    {"undo_shift", &undo_shift}, {"sync_points", &sync},       {"frame_rate", &frame_rate},
                    {"set_start", &set_start},  {"drag_move", &drag_move},
                };
                for (const auto& [name, times] : measures) print(std::string(name) + "_" + in.name + "_ms", *times);
                on_window_thread(main, [&] { window.close_sub(false); });
            }

            // Documents made for one measure each, beside the settings.
            const auto made = [&](const char* name, const std::string& text) {
                const std::filesystem::path path = folder / name;
                std::ofstream(path, std::ios::binary) << text;
                return path.u16string();
            };
            const auto no_end = [](std::size_t) { return std::uint64_t{0}; };
            const auto no_extra = [](std::size_t) { return ""; };
            {
                // Fix overlaps with 1,000 of them among 100,000 subs.
                const std::u16string path = made("overlaps_100k.srt", srt_file(100000, [](std::size_t i) {
                    return i % 100 == 0 ? std::uint64_t{i * 1000 + 1200} : std::uint64_t{0};
                }, no_extra));
                std::vector<double> fix;
                on_window_thread(main, [&] {
                    timed(main, [&] { window.open_sub(path, false); }, [](HWND d) { press_button(d, IDCANCEL); });
                    for (int r = 0; r < 5; ++r) {
                        fix.push_back(timed(main, [&] { command(cmd_check_overlaps); }, [](HWND d) { press_button(d, IDOK); }));
                        command(cmd_undo);
                    }
                    window.close_sub(false);
                });
                print("fix_1000_overlaps_100k_ms", fix);
            }
            {
                // The third character typed in Find, with 50,000 results.
                const std::u16string path =
                    made("find_100k.srt", srt_file(100000, no_end, [](std::size_t i) { return i % 2 ? "" : " xyz"; }));
                std::vector<double> find;
                std::wstring found;
                on_window_thread(main, [&] {
                    window.open_sub(path, false);
                    for (int r = 0; r < 5; ++r) {
                        timed(main, [&] { command(cmd_find); }, [&](HWND d) {
                            SetDlgItemTextW(d, IDC_FIND_QUERY, L"xy");
                            RedrawWindow(d, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                            find.push_back(timed_in_dialog(main, d, [d] { SetDlgItemTextW(d, IDC_FIND_QUERY, L"xyz"); },
                                                           IDC_FIND_COUNT, found));
                        });
                    }
                    window.close_sub(false);
                });
                if (found != L"50000 found") fail("the search found " + std::to_string(found.size()) + " characters");
                print("find_50k_results_ms", find);

                // The same document: Replace all of those 50,000 (the click until the window
                // and the dialog are painted) and its undo; a split and a join of three, each
                // undone before the next.
                std::vector<double> replace_all, undo_replace_all, split, join;
                std::wstring replaced;
                on_window_thread(main, [&] {
                    window.open_sub(path, false);
                    const int n = static_cast<int>(window.document().size());
                    for (int r = 0; r < 5; ++r) {
                        select_only({0});
                        timed(main, [&] { command(cmd_replace); }, [&](HWND d) {
                            CheckDlgButton(d, IDC_REPLACE_SELECTED, BST_UNCHECKED);
                            SetDlgItemTextW(d, IDC_REPLACE_FIND, L"xyz");
                            SetDlgItemTextW(d, IDC_REPLACE_WITH, L"abcd");
                            RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                            replace_all.push_back(timed_in_dialog(main, d, [d] {
                                SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_REPLACE_ALL, BN_CLICKED),
                                             reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_REPLACE_ALL)));
                            }, IDC_REPLACE_COUNT, replaced));
                        });
                        undo_replace_all.push_back(timed(main, [&] { command(cmd_undo); }));
                        if (find_text(window.document(), u"xyz").size() != 50000) fail("Replace all was not undone");
                        select_only({n / 2});
                        split.push_back(timed(main, [&] { command(cmd_split); }));
                        if (window.document().size() != static_cast<std::size_t>(n) + 1) fail("Split did not split");
                        command(cmd_undo);
                        select_only({n / 2, n / 2 + 1, n / 2 + 2});
                        join.push_back(timed(main, [&] { command(cmd_join); }));
                        if (window.document().size() != static_cast<std::size_t>(n) - 2) fail("Join did not join");
                        command(cmd_undo);
                    }
                    window.close_sub(false);
                });
                if (replaced != L"50000 replaced") fail("Replace all said \"" + std::string(replaced.begin(), replaced.end()) + "\"");
                print("replace_all_100k_ms", replace_all);
                print("undo_replace_all_100k_ms", undo_replace_all);
                print("split_100k_ms", split);
                print("join_100k_ms", join);
            }
            {
                // 20,000 subs that all overlap: opening until the Overlaps dialog is up.
                const std::u16string path =
                    made("overlaps_all_20k.srt", srt_file(20000, [](std::size_t) { return std::uint64_t{99 * 3600000}; }, no_extra));
                std::vector<double> shown;
                std::wstring title;
                on_window_thread(main, [&] {
                    for (int r = 0; r < 5; ++r) {
                        const double start = now_ms();
                        Dialog_Watch w;
                        w.main = main;
                        w.answer = [&](HWND d) {
                            RedrawWindow(d, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                            shown.push_back(now_ms() - start);
                            wchar_t text[64] = {};
                            GetWindowTextW(d, text, 64);
                            title = text;
                            press_button(d, IDCANCEL);
                        };
                        watch = &w;
                        const HHOOK hook = SetWindowsHookExW(WH_CBT, watch_dialogs, nullptr, GetCurrentThreadId());
                        window.open_sub(path, false);
                        UnhookWindowsHookEx(hook);
                        watch = nullptr;
                        window.close_sub(false);
                    }
                });
                if (title != L"Overlapping subs (199990000)")
                    fail("the Overlaps dialog did not show: \"" + std::string(title.begin(), title.end()) + "\"");
                print("overlaps_all_20k_ms", shown);
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
