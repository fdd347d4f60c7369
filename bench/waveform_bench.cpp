// The audio's waveform in a real main window: reading two hours of audio while the window
// stays answerable, the first and the cached painting, the memory the peaks take, and
// painting the timeline with the waveform under 100,000 subs.
//
//   CUEMILL_BENCH_DATA=DATA_DIR CUEMILL_DECODE_MP4_MS=T CUEMILL_DECODE_MKV_MS=T cuemill_waveform_bench
//
// DATA_DIR holds speech_2h.mp4 and speech_2h.mkv (tools/bench makes them: two hours of
// 48 kHz stereo AAC, noise in bursts like speech, beside a tiny picture); the two times are
// what ffmpeg takes to decode the same audio alone. Prints, for each file:
//   waveform_2h_<ext>_ms          until the whole waveform is painted
//   waveform_2h_<ext>_vs_decode   that, divided by ffmpeg's time
//   reader_2h_<ext>_ms            the platform's decoder alone on a thread of its own, its PCM
//                                 dropped: the floor under the reading
//   waveform_2h_<ext>_vs_reader   the waveform's time divided by that floor
// The MP4 is opened with the waveform hidden and then shown (the reading starts as it does
// on opening), so that waveform_ws_growth_mb, the working set's peak while reading over what
// it was before, holds the reading alone. Then: waveform_cached_ms (the MP4 opened again,
// until the whole waveform is painted), waveform_first_ms (the MKV opened, to the first
// waveform painted in the view), waveform_peak_mb (the peaks of two hours),
// waveform_message_wait_max_ms (the longest a message to the window waited while the MP4 was
// read), video_open_wait_max_ms (the same for the MKV from its opening to the end of its
// reading: it holds DirectShow's building of the player, which stalls the window about
// 250 ms just after opening, with or without the waveform),
// timeline_paint_waveform_ms and timeline_paint_100k_ms (one repaint at 100,000 subs with
// and without the waveform, medians of 21).
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench/window_bench.h"
#include "audio/audio_decoder.h"

namespace {

using namespace window_bench;

double working_set_mb() { return static_cast<double>(memory_counters().WorkingSetSize) / (1024.0 * 1024.0); }

// While it lives: the working set's peak and the longest a message to the window waited to
// be taken, looked at every 5 ms from a thread of its own.
class Watch {
public:
    explicit Watch(HWND window) : thread_([this, window] {
        while (!done_) {
            peak_mb_ = std::max(peak_mb_.load(), working_set_mb());
            const double sent = now_ms();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            wait_ms_ = std::max(wait_ms_.load(), now_ms() - sent);
            Sleep(5);
        }
    }) {}
    ~Watch() { stop(); }
    void stop() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
    }
    double peak_mb() const { return peak_mb_; }
    double wait_ms() const { return wait_ms_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<double> peak_mb_{0};
    std::atomic<double> wait_ms_{0};
    std::thread thread_;
};

// Reads the file's audio through the platform's decoder and drops it.
double reader_floor_ms(const std::u16string& path) {
    struct Drop : Audio_Frame_Consumer {
        void begin(std::uint32_t) override {}
        void frame(std::span<const std::int16_t>) override {}
    } drop;
    std::atomic<bool> stop{false};
    double ms = 0;
    std::thread([&] {
        const double start = now_ms();
        decode_audio(path, drop, stop, {});
        ms = now_ms() - start;
    }).join();
    return ms;
}

std::string srt_time(std::uint64_t ms) {
    char text[32];
    snprintf(text, sizeof text, "%02u:%02u:%02u,%03u", unsigned(ms / 3600000), unsigned(ms / 60000 % 60),
             unsigned(ms / 1000 % 60), unsigned(ms % 1000));
    return text;
}

}  // namespace

int main() {
    const char* data_dir = getenv("CUEMILL_BENCH_DATA");
    if (!data_dir || !*data_dir) {
        fprintf(stderr, "usage: CUEMILL_BENCH_DATA=DATA_DIR cuemill_waveform_bench\n");
        return 2;
    }
    const std::filesystem::path data = data_dir;
    const struct {
        const char* ext;
        const char* decode_env;
    } files[] = {{"mp4", "CUEMILL_DECODE_MP4_MS"}, {"mkv", "CUEMILL_DECODE_MKV_MS"}};
    for (const auto& f : files)
        if (!std::filesystem::exists(data / (std::string("speech_2h.") + f.ext))) {
            fprintf(stderr, "missing speech_2h.%s in %s\n", f.ext, data_dir);
            return 2;
        }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("cuemill_waveform_bench_" + std::to_string(GetCurrentProcessId()));
    // Wine gives out the same process ids again: a folder left by an earlier run holds its cache.
    std::error_code left;
    std::filesystem::remove_all(folder, left);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Cuemill.ini", std::ios::binary) << settings;
    // 100,000 subs over the two hours, one every 72 ms.
    {
        std::string text;
        for (std::uint64_t i = 0; i < 100000; ++i)
            text += std::to_string(i + 1) + "\r\n" + srt_time(i * 72) + " --> " + srt_time(i * 72 + 60) + "\r\nSub " +
                    std::to_string(i + 1) + "\r\n\r\n";
        std::ofstream(folder / "subs_100k.srt", std::ios::binary) << text;
    }

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
            const auto fail = [&](const char* what) {
                fprintf(stderr, "%s\n", what);
                fflush(stderr);
                ExitProcess(1);
            };
            Timeline_Control& timeline = window.timeline_control();
            // Waits until the last paint satisfies `painted`; the time it was seen, or fails.
            const auto wait_painted = [&](const std::function<bool()>& painted, double limit_ms) {
                const double start = now_ms();
                bool seen = false;
                while (!seen) {
                    on_window_thread(main, [&] {
                        UpdateWindow(timeline.hwnd);
                        seen = painted();
                    });
                    if (!seen && now_ms() - start > limit_ms) fail("the waveform was not painted in time");
                    if (!seen) Sleep(1);
                }
                return now_ms();
            };
            const auto open = [&](const std::filesystem::path& path) {
                double opened = 0;
                on_window_thread(main, [&] {
                    window.open_video(path.u16string(), false);
                    opened = now_ms();
                });
                if (!window.video_control().player.loaded()) fail("the video did not open");
                return opened;
            };
            const auto close = [&] { on_window_thread(main, [&] { window.close_video(false); }); };
            const auto toggle = [&] { SendMessageW(main, WM_COMMAND, cmd_show_waveform, 0); };
            const double hour_limit = 3600000;

            // The MP4: opened with the waveform hidden, so that what reading adds to the
            // working set stands alone; showing it starts the reading as opening does.
            const std::filesystem::path mp4 = data / "speech_2h.mp4";
            double waveform_ms[2] = {0, 0}, decode_ms[2] = {0, 0}, floor_ms[2] = {0, 0};
            toggle();
            open(mp4);
            Sleep(1500);
            const double before_mb = working_set_mb();
            double peak_mb = 0, wait_ms = 0, open_wait_ms = 0;
            {
                Watch watch(main);
                const double start = now_ms();
                toggle();
                waveform_ms[0] = wait_painted([&] { return timeline.painted_wave_whole; }, hour_limit) - start;
                watch.stop();
                peak_mb = watch.peak_mb();
                wait_ms = watch.wait_ms();
            }
            const double peaks_mb = static_cast<double>(timeline.waveform->bytes()) / (1024.0 * 1024.0);
            close();
            // Opened again: from the cache.
            double opened = open(mp4);
            const double cached_ms = wait_painted([&] { return timeline.painted_wave_whole; }, 60000) - opened;
            close();
            // The Matroska file, read from its opening.
            double first_ms = 0;
            {
                opened = open(data / "speech_2h.mkv");
                Watch watch(main);  // from the video opened: the opening itself is DirectShow's
                first_ms = wait_painted([&] { return timeline.painted_wave_columns > 0; }, 60000) - opened;
                waveform_ms[1] = wait_painted([&] { return timeline.painted_wave_whole; }, hour_limit) - opened;
                watch.stop();
                open_wait_ms = watch.wait_ms();
            }
            close();
            for (int i = 0; i < 2; ++i) {
                const char* env = getenv(files[i].decode_env);
                decode_ms[i] = env ? atof(env) : 0;
                floor_ms[i] = reader_floor_ms((data / (std::string("speech_2h.") + files[i].ext)).u16string());
            }

            // Painting at 100,000 subs over the read waveform, with and without it.
            open(mp4);
            wait_painted([&] { return timeline.painted_wave_whole; }, 60000);
            on_window_thread(main, [&] { window.open_sub((folder / "subs_100k.srt").u16string(), false); });
            const auto paint_ms = [&] {
                std::vector<double> times;
                on_window_thread(main, [&] {
                    for (int i = 0; i < 21; ++i) {
                        const double start = now_ms();
                        RedrawWindow(timeline.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                        times.push_back(now_ms() - start);
                    }
                });
                return median(times);
            };
            const double with_wave = paint_ms();
            if (!timeline.painted_wave_whole) fail("the waveform was not painted at 100,000 subs");
            toggle();
            const double without_wave = paint_ms();

            for (int i = 0; i < 2; ++i) {
                printf("waveform_2h_%s_ms %.0f\n", files[i].ext, waveform_ms[i]);
                if (decode_ms[i] > 0) printf("waveform_2h_%s_vs_decode %.1f\n", files[i].ext, waveform_ms[i] / decode_ms[i]);
                printf("reader_2h_%s_ms %.0f\n", files[i].ext, floor_ms[i]);
                printf("waveform_2h_%s_vs_reader %.2f\n", files[i].ext, waveform_ms[i] / floor_ms[i]);
            }
            printf("waveform_first_ms %.0f\n", first_ms);
            printf("waveform_cached_ms %.0f\n", cached_ms);
            printf("waveform_peak_mb %.1f\n", peaks_mb);
            printf("waveform_ws_growth_mb %.1f\n", peak_mb - before_mb);
            printf("waveform_message_wait_max_ms %.1f\n", wait_ms);
            printf("video_open_wait_max_ms %.1f\n", open_wait_ms);
            printf("timeline_paint_waveform_ms %.2f\n", with_wave);
            printf("timeline_paint_100k_ms %.2f\n", without_wave);
            fflush(stdout);
            on_window_thread(main, [&] { window.close_sub(false); });
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
