// The video flows of a real main window with real DirectShow: opening with the subtitle
// question, the renderers, the length, subs past the end, seeking, the timeline's clicks,
// play/pause, the overlay and the audio's waveform. The media come from with_window_videos.sh.
#include <windows.h>
#include <commctrl.h>
#define NO_DSHOW_STRSAFE
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/main_window.h"
#include "io/strings.h"
#include "res/dialog_ids.h"
#include "test_app_support.h"
#include "timeline/timeline_view.h"
#include "video/video_layout.h"

namespace {

// A file the wrapper made, copied into the test's folder as `name`.
void copy_media(const App_Folder& folder, const wchar_t* made, const char* name) {
    const wchar_t* dir = _wgetenv(L"CUEMILL_VIDEO_DIR");
    ASSERT_NE(dir, nullptr) << "run through with_window_videos.sh";
    std::error_code error;
    std::filesystem::copy_file(std::filesystem::path(dir) / made, folder.dir / name,
                               std::filesystem::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << error.message();
}

// The 90 s video without audio.
void copy_video(const App_Folder& folder, const char* name) { copy_media(folder, L"long.avi", name); }

HWND overlay_of(HWND main) {
    return FindWindowExW(GetDlgItem(main, video_control_id), nullptr, L"CTL_VIDEO_TEXT", nullptr);
}

// What the player, its clock and band, and the timeline hold, read on the window's thread.
struct Video_State {
    bool loaded = false;
    int state = -1;              // 0 stopped, 1 paused, 2 running
    std::uint32_t position = 0;  // ms
    std::uint32_t duration = 0;  // ms
    std::uint64_t clock = 0;     // ms
    std::size_t sub_shown = 0;   // the band's sub
    std::uint64_t playhead = 0;
    Timeline_View view;
    int timeline_width = 0;
    CLSID renderer = GUID_NULL;
};

Video_State read_state(Main_Window& window) {
    return read_on_window(window.hwnd, [&window] {
        Video_State v;
        Video_Control& video = window.video_control();
        v.loaded = video.player.loaded();
        v.state = video.play_state();
        v.position = video.player.current_position();
        LONGLONG duration = 0;
        if (video.player.seeking() && SUCCEEDED(video.player.seeking()->GetDuration(&duration)))
            v.duration = static_cast<std::uint32_t>(duration / 10000);
        if (video.player.renderer() && video.player.renderer()->filter())
            video.player.renderer()->filter()->GetClassID(&v.renderer);
        v.clock = video.clock.time_ms;
        v.sub_shown = video.text_overlay.sub_index;
        v.playhead = window.timeline_control().playhead;
        v.view = window.timeline_control().view();
        RECT client{};
        GetClientRect(window.timeline_control().hwnd, &client);
        v.timeline_width = client.right;
        return v;
    });
}

// Waits until the state satisfies `condition`; the last state read either way.
Video_State wait_for_state(Main_Window& window, const std::function<bool(const Video_State&)>& condition,
                           std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    Video_State last;
    wait_until([&] {
        last = read_state(window);
        return condition(last);
    }, limit);
    return last;
}

bool playing(const Video_State& v) { return v.loaded && v.state == 2; }
bool paused(const Video_State& v) { return v.loaded && v.state == 1; }

// Real input goes to the foreground window's focus: the main window in front, `focus` focused.
void focus_for_keys(HWND main, HWND focus) {
    on_window_thread(main, [main, focus] {
        SetForegroundWindow(main);
        SetFocus(focus);
    });
    ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == main; }));
}

void click_timeline(HWND main, int x) {
    const HWND timeline = timeline_of(main);
    RECT client{};
    GetClientRect(timeline, &client);
    const LPARAM at = MAKELPARAM(x, client.bottom / 2);
    PostMessageW(timeline, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(timeline, WM_LBUTTONUP, 0, at);
}

// Opens the video by dropping it (no subtitle of the same name beside it) and waits until it plays.
Video_State open_playing(Main_Window& window, const App_Folder& folder, const char* name) {
    drop_files(window.hwnd, {folder.path(name)});
    const Video_State v = wait_for_state(window, playing);
    EXPECT_TRUE(playing(v)) << "loaded " << v.loaded << " state " << v.state;
    return v;
}

// Pauses with the Play/pause command and waits for the graph to settle.
Video_State pause(Main_Window& window) {
    post_command(window.hwnd, cmd_play_pause);
    const Video_State v = wait_for_state(window, paused);
    EXPECT_TRUE(paused(v)) << "state " << v.state;
    return v;
}

std::int64_t distance(std::uint64_t a, std::uint64_t b) {
    return a > b ? static_cast<std::int64_t>(a - b) : static_cast<std::int64_t>(b - a);
}

// One frame of the test video; a seek may land on the frame's start.
constexpr std::int64_t frame_ms = 200;

TEST(Load_Subtitle, AnswerDecidesWhatOpens) {
    const struct {
        int button;
        bool subs;
        bool video;
        const char* comment;
    } cases[] = {
        {IDYES, true, true, "the subtitle, then the video"},
        {IDNO, false, true, "the video alone"},
        {IDCANCEL, false, false, "neither"},
    };
    for (const auto& c : cases) {
        App_Folder folder;
        copy_video(folder, "movie.avi");
        folder.write("movie.srt", srt_of({{1000, 2000}, {3000, 4000}, {5000, 6500}}));
        Main_Window window;
        run_with_script(window, folder, [&](HWND main) {
            drop_files(main, {folder.path("movie.avi")});
            const HWND box = wait_for_dialog(u"Load subtitle");
            ASSERT_NE(box, nullptr) << c.comment;
            EXPECT_EQ(utf8(box_text(box)), "Subtitle found:\n\"movie.srt\"\n\nDo you want to load it too?");
            EXPECT_EQ(GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
                << "No is the default";
            EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);
            answer(box, c.button);
            if (c.video) {
                const Video_State v = wait_for_state(window, [](const Video_State& s) { return playing(s); });
                EXPECT_TRUE(playing(v)) << c.comment;
                EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 3)) == "0:01:30"; })) << c.comment;
                // The video was opened last: the timeline spans the video, not the subs.
                EXPECT_EQ(v.view.range_end, static_cast<std::int32_t>(v.duration + 99)) << c.comment;
            } else {
                const Video_State v = read_state(window);
                EXPECT_FALSE(v.loaded) << c.comment;
                EXPECT_EQ(utf8(status_part(main, 3)), "0:00:00");
            }
            EXPECT_EQ(list_rows(list_of(main)).size(), c.subs ? 3u : 0u) << c.comment;
            EXPECT_EQ(utf8(text_of(main)), c.subs ? "movie.srt - Cuemill" : "untitled.srt - Cuemill") << c.comment;
            EXPECT_EQ(status_part(main, 0), c.subs ? folder.path("movie.srt") : u"") << c.comment;
            // Yes opens the subtitle without offering the video a second time.
            EXPECT_EQ(wait_for_dialog(u"Load video", std::chrono::milliseconds(200)), nullptr) << c.comment;
            // The recent lists reach the settings file as the flow ends.
            const std::string ini = settings_now(main, folder);
            EXPECT_EQ(ini.find("[RecentVids]\r\nfile1=" + utf8(folder.path("movie.avi"))) != std::string::npos, c.video)
                << c.comment << "\n" << ini;
            EXPECT_EQ(ini.find("[RecentSubs]\r\nfile1=" + utf8(folder.path("movie.srt"))) != std::string::npos, c.subs)
                << c.comment << "\n" << ini;
            close_without_saving(main, false);
        });
    }
}

TEST(Load_Subtitle, CancelAtTheSaveQuestionOpensNeither) {
    App_Folder folder;
    copy_video(folder, "movie.avi");
    folder.write("movie.srt", srt_of({{1000, 2000}}));
    folder.write("doc.srt", srt_of({{1000, 2000}, {3000, 4000}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_file(main, folder, "doc.srt", 2);
        remove_first_row(main, "doc.srt");
        drop_files(main, {folder.path("movie.avi")});
        answer(wait_for_dialog(u"Load subtitle"), IDYES);
        answer(wait_for_dialog(u"Save sub"), IDCANCEL);
        EXPECT_FALSE(read_state(window).loaded) << "the video is not opened either";
        EXPECT_EQ(utf8(text_of(main)), "doc.srt * - Cuemill");
        EXPECT_EQ(list_rows(list_of(main)).size(), 1u);
        close_without_saving(main, true);
    });
}

TEST(Load_Video, YesOpensTheVideoAfterTheSubs) {
    App_Folder folder;
    copy_video(folder, "film.avi");
    folder.write("film.srt", srt_of({{1000, 2000}, {3000, 4000}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("film.srt")});
        const HWND box = wait_for_dialog(u"Load video");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box_text(box)), "Video found:\n\"film.avi\"\n\nDo you want to load it too?");
        answer(box, IDYES);
        ASSERT_TRUE(wait_until([&] { return utf8(text_of(main)) == "film.srt - Cuemill"; }));
        const Video_State v = wait_for_state(window, playing);
        EXPECT_TRUE(playing(v));
        EXPECT_EQ(list_rows(list_of(main)).size(), 2u);
        EXPECT_EQ(utf8(status_part(main, 3)), "0:01:30");
        // The subs were read with a video loaded: the timeline keeps the video's length.
        EXPECT_EQ(v.view.range_end, static_cast<std::int32_t>(v.duration + 99));
        // The video was opened without searching for a subtitle.
        EXPECT_EQ(wait_for_dialog(u"Load subtitle", std::chrono::milliseconds(200)), nullptr);
        close_without_saving(main, false);
    });
}

TEST(Open_Video_Command, FileDialogOffersVideoTypesAndOpensTheChoice) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        post_command(main, cmd_open_video);
        const HWND open = wait_for_dialog(u"Open");
        ASSERT_NE(open, nullptr) << "no file dialog";
        const HWND types = GetDlgItem(open, 0x470);  // the file type combo box
        ASSERT_NE(types, nullptr);
        const char* expected[] = {
            "All supported video formats", "Audio Video Interleaved (*.avi)", "MPEG-4 Part 14 (*.mp4)",
            "Moving Picture Experts Group (*.mpg; *.mpeg)", "QuickTime File Format (*.mov)",
            "Matroska Multimedia Container (*.mkv)", "RealMedia Variable Bitrate (*.rmvb)",
            "Audio files (*.wav; *.mp3; *.m4a; *.aac; *.flac; *.ogg; *.opus)",
        };
        ASSERT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 8);
        for (int i = 0; i < 8; ++i) {
            wchar_t text[128] = {};
            SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            EXPECT_EQ(utf8(reinterpret_cast<const char16_t*>(text)), expected[i]);
        }
        HWND name = GetDlgItem(open, 0x47C);        // the file name combo box
        if (!name) name = GetDlgItem(open, 0x480);  // the plain file name edit
        ASSERT_NE(name, nullptr);
        const std::u16string path = folder.path("clip.avi");
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        const Video_State v = wait_for_state(window, playing);
        EXPECT_TRUE(playing(v));
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 3)) == "0:01:30"; }));
        EXPECT_NE(settings_now(main, folder).find("[RecentVids]\r\nfile1=" + utf8(path)), std::string::npos);
        // Save as on the untitled document proposes the video's name; OK takes it.
        post_command(main, cmd_save_sub_as);
        const HWND save = wait_for_dialog(u"Save As");
        ASSERT_NE(save, nullptr) << "no file dialog";
        PostMessageW(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        const HWND saved = wait_for_dialog(u"Subtitle saved");
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(box_text(saved).find(u"Subtitle file successfully saved as:\n\n\"" + folder.path("clip.srt") + u"\""), 0u)
            << utf8(box_text(saved));
        answer(saved, IDOK);
        close_without_saving(main, false);
    });
}

TEST(Close_Video, AsksWhetherToCloseTheSubToo) {
    App_Folder folder;
    copy_video(folder, "film.avi");
    folder.write("film.srt", srt_of({{1000, 2000}, {3000, 4000}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const struct {
            int button;
            const char* title;  // afterwards
        } cases[] = {
            {IDNO, "film.srt - Cuemill"},       // the sub stays
            {IDYES, "untitled.srt - Cuemill"},  // both go
        };
        for (const auto& c : cases) {
            drop_files(main, {folder.path("film.srt"), folder.path("film.avi")});
            ASSERT_TRUE(playing(wait_for_state(window, playing)));
            ASSERT_EQ(utf8(text_of(main)), "film.srt - Cuemill");
            post_command(main, cmd_close_video);
            const HWND box = wait_for_dialog(u"Close sub");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(utf8(box_text(box)), "There's a sub currently loaded, do you want to close it too?");
            EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
            EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
            answer(box, c.button);
            EXPECT_FALSE(wait_for_state(window, [](const Video_State& s) { return !s.loaded; }).loaded);
            EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == c.title; })) << utf8(text_of(main));
            EXPECT_EQ(utf8(status_part(main, 3)), "0:00:00");
            EXPECT_EQ(list_rows(list_of(main)).size(), c.button == IDYES ? 0u : 2u);
        }
        // Without a document path nothing is asked.
        drop_files(main, {folder.path("film.avi")});
        const HWND question = wait_for_dialog(u"Load subtitle");
        ASSERT_NE(question, nullptr);
        answer(question, IDNO);
        ASSERT_TRUE(playing(wait_for_state(window, playing)));
        post_command(main, cmd_close_video);
        EXPECT_FALSE(wait_for_state(window, [](const Video_State& s) { return !s.loaded; }).loaded);
        EXPECT_EQ(wait_for_dialog(u"Close sub", std::chrono::milliseconds(200)), nullptr);
        close_without_saving(main, false);
    });
}

TEST(Video_File_Error, OtherExtensionIsRefused) {
    App_Folder folder;
    folder.write("notes.txt", "not a video");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        post_to_window(main, [&] { window.open_video(folder.path("notes.txt"), true); });
        const HWND box = wait_for_dialog(u"Video file error");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box_text(box), u"The video format is not suported:\n" + folder.path("notes.txt"));
        answer(box, IDOK);
        EXPECT_FALSE(read_state(window).loaded);
        EXPECT_EQ(utf8(status_part(main, 3)), "0:00:00");
        close_without_saving(main, false);
    });
    EXPECT_NE(folder.read("Cuemill.ini").find("[RecentVids]\r\n"), std::string::npos);
    EXPECT_EQ(folder.read("Cuemill.ini").find("notes.txt"), std::string::npos);
}

TEST(Video_Fail, UnplayableFileIsReportedAndRemembered) {
    App_Folder folder;
    std::string text;
    for (int i = 0; i < 200; ++i) text += "This is a subtitle editor test file, not a video.\n";
    folder.write("broken.avi", text);
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("broken.avi")});
        const HWND box = wait_for_dialog(u"Video fail", std::chrono::seconds(20));
        ASSERT_NE(box, nullptr);
        const std::string shown = utf8(box_text(box));
        EXPECT_EQ(shown.rfind("Video loading failed... do you have the right codecs installed?\n\nError:\n\"", 0), 0u)
            << shown;
        EXPECT_EQ(shown.back(), '"');
        answer(box, IDOK);
        // The flow went on: the panes show what the player holds, and the file is remembered.
        EXPECT_NE(settings_now(main, folder).find("[RecentVids]\r\nfile1=" + utf8(folder.path("broken.avi"))),
                  std::string::npos);
        const Video_State v = read_state(window);
        EXPECT_FALSE(playing(v));
        EXPECT_EQ(utf8(status_part(main, 3)), "0:00:00");
        EXPECT_EQ(v.view.range_end, 99);  // a range of 0 + 100 ms
        close_without_saving(main, false);
    });
}

TEST(Renderers, BothOpenAndPlay) {
    const struct {
        const char* setting;
        CLSID filter;
    } cases[] = {
        {"vmr=VMR7", CLSID_VideoMixingRenderer},   // the older renderer
        {"vmr=VMR9", CLSID_VideoMixingRenderer9},  // the default
    };
    for (const auto& c : cases) {
        App_Folder folder;
        folder.write("Cuemill.ini", settings_text("vmr=VMR9", c.setting));
        copy_video(folder, "clip.avi");
        Main_Window window;
        run_with_script(window, folder, [&](HWND main) {
            open_playing(window, folder, "clip.avi");
            EXPECT_EQ(wait_for_dialog(u"Video fail", std::chrono::milliseconds(100)), nullptr) << c.setting;
            const Video_State v = read_state(window);
            EXPECT_TRUE(IsEqualCLSID(v.renderer, c.filter)) << c.setting;
            // It runs: the position advances and the timeline's playhead follows it.
            const Video_State later = wait_for_state(window, [&](const Video_State& s) {
                return s.position >= v.position + 400 && s.playhead >= v.position + 300;
            });
            EXPECT_GE(later.position, v.position + 400) << c.setting;
            EXPECT_GE(later.playhead, v.position + 300) << c.setting;
            EXPECT_TRUE(IsWindowVisible(overlay_of(main))) << c.setting;
            close_without_saving(main, false);
        });
    }
}

TEST(Video_Length, NinetySecondsShowAsOneMinuteThirty) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const Video_State v = open_playing(window, folder, "clip.avi");
        EXPECT_EQ(v.duration, 90000u);
        EXPECT_EQ(utf8(status_part(main, 3)), "0:01:30");
        EXPECT_EQ(v.view.range_end, 90099);  // the length + 100 ms, less one
        EXPECT_EQ(v.view.view_span, 22525u);
        // Closing the video clears the length; the timeline keeps its range.
        post_command(main, cmd_close_video);
        EXPECT_TRUE(wait_until([&] { return utf8(status_part(main, 3)) == "0:00:00"; }));
        const Video_State closed = read_state(window);
        EXPECT_FALSE(closed.loaded);
        EXPECT_EQ(closed.view.range_end, 90099);
        EXPECT_FALSE(IsWindowVisible(overlay_of(main)));
        close_without_saving(main, false);
    });
}

TEST(Subs_Past_End, NoticeCountsSubsStartingAtOrAfterTheEnd) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const std::uint64_t d = open_playing(window, folder, "clip.avi").duration;
        ASSERT_GT(d, 10000u);
        const struct {
            const char* name;
            std::string srt;
            const char* notice;  // null: none
        } cases[] = {
            {"one.srt", srt_of({{1000, 2000}, {d + 1000, d + 5000}}),
             "Notice: there is 1 sub past the end of the video.\nThese subs won't be displayed."},
            {"two.srt", srt_of({{1000, 2000}, {d + 1000, d + 2000}, {d + 3000, d + 5000}}),
             "Notice: there are 2 subs past the end of the video.\nThese subs won't be displayed."},
            {"exact.srt", srt_of({{1000, 2000}, {d, d + 500}}),  // starting at the length counts
             "Notice: there is 1 sub past the end of the video.\nThese subs won't be displayed."},
            {"across.srt", srt_of({{1000, 2000}, {d - 3000, d + 5000}}), nullptr},  // ends past, starts before
            {"inside.srt", srt_of({{1000, 2000}, {d - 3000, d - 1}}), nullptr},     // all within the video
        };
        for (const auto& c : cases) {
            folder.write(c.name, c.srt);
            drop_files(main, {folder.path(c.name)});
            if (c.notice) {
                const HWND box = wait_for_dialog(u"Bad subtitle");
                ASSERT_NE(box, nullptr) << c.name;
                EXPECT_EQ(utf8(box_text(box)), c.notice) << c.name;
                answer(box, IDOK);
            }
            ASSERT_TRUE(wait_until([&] { return utf8(text_of(main)) == std::string(c.name) + " - Cuemill"; }))
                << c.name;
            if (!c.notice) {
                EXPECT_EQ(wait_for_dialog(u"Bad subtitle", std::chrono::milliseconds(200)), nullptr) << c.name;
            }
            // Opening a subtitle pauses the video in any case.
            EXPECT_TRUE(paused(read_state(window))) << c.name;
        }
        close_without_saving(main, false);
    });
}

TEST(Seek_Commands, StepMovesVideoAndPlayhead) {
    App_Folder folder;  // the settings' step is 5000 ms
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_playing(window, folder, "clip.avi");
        Video_State v = pause(window);
        focus_for_keys(main, list_of(main));
        const struct {
            WORD key;  // F3/F4 on the keyboard, or else the command itself
            unsigned command;
            std::int64_t move;  // expected change of the position
        } steps[] = {
            {VK_F4, 0, 5000},                  // F4
            {VK_F4, 0, 5000},                  // F4 again
            {VK_F3, 0, -5000},                 // F3
            {0, cmd_seek_forward, 5000},       // Seek forward
            {0, cmd_seek_back, -5000},         // Seek back
            {0, cmd_next_frame, frame_ms},     // one picture on
            {0, cmd_previous_frame, -frame_ms},
        };
        for (const auto& s : steps) {
            const std::uint64_t before = v.position;
            if (s.key)
                press({s.key});
            else
                post_command(main, s.command);
            const std::uint64_t target = static_cast<std::uint64_t>(static_cast<std::int64_t>(before) + s.move);
            // A frame step lands exactly, and the clock with it.
            const std::int64_t slack = s.command == cmd_next_frame || s.command == cmd_previous_frame ? 0 : frame_ms;
            v = wait_for_state(window, [&](const Video_State& st) {
                return distance(st.position, target) <= slack && st.playhead == st.position &&
                       (slack > 0 || st.clock == target);
            });
            EXPECT_LE(distance(v.position, target), slack) << "from " << before << " by " << s.move;
            if (slack == 0) {
                EXPECT_EQ(v.clock, target);
            }
            EXPECT_EQ(v.playhead, v.position) << "the playhead follows the seek";
            EXPECT_TRUE(paused(v));
        }
        close_without_saving(main, false);
    });
}

TEST(Seek_Commands, KeysDoNothingWithoutVideo) {
    App_Folder folder;
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        RECT client{};
        GetClientRect(timeline_of(main), &client);
        click_timeline(main, client.right / 2);
        const Video_State placed = wait_for_state(window, [](const Video_State& s) { return s.playhead > 0; });
        ASSERT_GT(placed.playhead, 0u);
        // The Playback menu greys its items, so the accelerators give no command. Ctrl+F, which
        // always arrives, shows that the keys before it were handled.
        focus_for_keys(main, list_of(main));
        press({VK_F3, VK_F4});
        send_input({key_input(VK_CONTROL, false), key_input('F', false), key_input('F', true), key_input(VK_CONTROL, true)});
        const HWND box = wait_for_dialog(u"Can't search");
        ASSERT_NE(box, nullptr);
        answer(box, IDOK);
        EXPECT_EQ(read_state(window).playhead, placed.playhead);
        // The command itself, sent past the menu, reads the position a missing player gives.
        post_command(main, cmd_seek_back);
        EXPECT_EQ(wait_for_state(window, [](const Video_State& s) { return s.playhead == 0; }).playhead, 0u);
        close_without_saving(main, false);
    });
}

TEST(Timeline_Click, SeeksOnlyWhilePausedOrRunning) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const Video_State v = open_playing(window, folder, "clip.avi");
        const auto time_at = [&](int x) { return static_cast<std::int64_t>(playhead_from_x(x, v.timeline_width, v.view)); };
        // Running: the video jumps there and plays on.
        const int x_run = v.timeline_width * 3 / 4;
        Video_State s = read_state(window);
        ASSERT_LT(s.position + frame_ms, time_at(x_run)) << "already there before the click";
        click_timeline(main, x_run);
        s = wait_for_state(window, [&](const Video_State& st) {
            return st.position + frame_ms >= time_at(x_run) && st.position < time_at(x_run) + 5000;
        });
        EXPECT_GE(s.position + frame_ms, time_at(x_run));
        EXPECT_LT(s.position, time_at(x_run) + 5000);
        EXPECT_TRUE(playing(s));
        // Paused: the video goes to the clicked time and stays.
        pause(window);
        const int x_pause = v.timeline_width / 4;
        click_timeline(main, x_pause);
        s = wait_for_state(window, [&](const Video_State& st) {
            return distance(st.position, static_cast<std::uint64_t>(time_at(x_pause))) <= frame_ms;
        });
        EXPECT_LE(distance(s.position, static_cast<std::uint64_t>(time_at(x_pause))), frame_ms);
        EXPECT_EQ(s.playhead, static_cast<std::uint64_t>(time_at(x_pause)));
        EXPECT_TRUE(paused(s));
        // Stopped: only the playhead moves.
        post_to_window(main, [&] { window.video_control().player.control()->Stop(); });
        const Video_State stopped = wait_for_state(window, [](const Video_State& st) { return st.state == 0; });
        ASSERT_EQ(stopped.state, 0);
        const int x_stop = v.timeline_width / 2;
        click_timeline(main, x_stop);
        s = wait_for_state(window, [&](const Video_State& st) { return st.playhead == static_cast<std::uint64_t>(time_at(x_stop)); });
        EXPECT_EQ(s.playhead, static_cast<std::uint64_t>(time_at(x_stop)));
        EXPECT_EQ(s.position, stopped.position) << "a stopped video does not seek";
        EXPECT_EQ(s.state, 0);
        // No video: the same, and nothing breaks.
        post_command(main, cmd_close_video);
        ASSERT_FALSE(wait_for_state(window, [](const Video_State& st) { return !st.loaded; }).loaded);
        const int x_none = v.timeline_width / 8;
        click_timeline(main, x_none);
        s = wait_for_state(window, [&](const Video_State& st) { return st.playhead == static_cast<std::uint64_t>(time_at(x_none)); });
        EXPECT_EQ(s.playhead, static_cast<std::uint64_t>(time_at(x_none)));
        EXPECT_FALSE(s.loaded);
        close_without_saving(main, false);
    });
}

// A click on a row as the list view reports it: the row selected, then NM_CLICK.
void click_row(HWND main, int row) {
    const HWND list = list_of(main);
    select_only(list, {row});
    on_window_thread(main, [&] {
        NMITEMACTIVATE click{};
        click.hdr = {list, static_cast<UINT_PTR>(main_list_id), static_cast<UINT>(NM_CLICK)};
        click.iItem = row;
        SendMessageW(main, WM_NOTIFY, main_list_id, reinterpret_cast<LPARAM>(&click));
    });
}

TEST(Row_Click, LocatesOnlyWhileTheVideoIsPaused) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    folder.write("clip.srt", srt_of({{20000, 24000}, {60000, 64000}}));
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("clip.srt"), folder.path("clip.avi")});
        ASSERT_TRUE(playing(wait_for_state(window, playing)));
        // Running: nothing moves.
        click_row(main, 1);
        Video_State v = read_state(window);
        EXPECT_TRUE(playing(v));
        EXPECT_LT(v.position, 50000u);
        EXPECT_LT(v.playhead, 50000u);
        EXPECT_LT(v.clock, 50000u);
        // Paused: the video, the playhead, the clock and the band go to the row's start.
        pause(window);
        click_row(main, 0);
        v = read_state(window);
        EXPECT_EQ(v.playhead, 20000u);
        EXPECT_LE(distance(v.position, 20000), frame_ms);
        EXPECT_EQ(v.clock, 20000u);
        EXPECT_EQ(v.sub_shown, 0u);
        EXPECT_TRUE(paused(v));
        close_without_saving(main, false);
    });
}

TEST(Playback_Keys, SpaceTogglesPlayAndF6TheOverlay) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_playing(window, folder, "clip.avi");
        focus_for_keys(main, list_of(main));
        press({VK_SPACE});
        EXPECT_TRUE(paused(wait_for_state(window, paused))) << "Space pauses";
        press({VK_SPACE});
        EXPECT_TRUE(playing(wait_for_state(window, playing))) << "Space plays again";
        const HWND overlay = overlay_of(main);
        ASSERT_NE(overlay, nullptr);
        EXPECT_TRUE(IsWindowVisible(overlay));
        press({VK_F6});
        EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(overlay); })) << "F6 hides the text";
        press({VK_F6});
        EXPECT_TRUE(wait_until([&] { return IsWindowVisible(overlay) != FALSE; })) << "F6 shows it again";
        post_command(main, cmd_toggle_text);
        EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(overlay); })) << "the command hides it too";
        EXPECT_TRUE(playing(read_state(window)));
        close_without_saving(main, false);
    });
}

// Runs the Preferences command and works its dialog; null `seek` leaves that field.
void set_preferences(HWND main, const wchar_t* seek, int renderer_button) {
    post_command(main, cmd_preferences);
    const HWND dialog = wait_for_dialog(u"Preferences");
    ASSERT_NE(dialog, nullptr);
    if (seek) SendMessageW(GetDlgItem(dialog, IDC_PREFS_SEEK), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(seek));
    if (renderer_button) SendMessageW(GetDlgItem(dialog, renderer_button), BM_CLICK, 0, 0);
    answer(dialog, IDOK);
}

TEST(Preferences, NewSeekStepIsStoredAndUsedByF4) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        open_playing(window, folder, "clip.avi");
        set_preferences(main, L"1500", 0);
        EXPECT_NE(settings_now(main, folder).find("playbackSeek=1500\r\n"), std::string::npos);
        // The command paused the video.
        const Video_State before = wait_for_state(window, paused);
        ASSERT_TRUE(paused(before)) << "state " << before.state;
        focus_for_keys(main, list_of(main));
        press({VK_F4});
        const std::uint64_t target = before.position + 1500;
        const Video_State after =
            wait_for_state(window, [&](const Video_State& s) { return distance(s.position, target) <= frame_ms; });
        EXPECT_LE(distance(after.position, target), frame_ms) << "from " << before.position;
        close_without_saving(main, false);
    });
}

TEST(Preferences, RendererChangeWaitsForTheNextOpen) {
    App_Folder folder;  // VMR9 in the settings
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const Video_State first = open_playing(window, folder, "clip.avi");
        EXPECT_TRUE(IsEqualCLSID(first.renderer, CLSID_VideoMixingRenderer9));
        set_preferences(main, nullptr, IDC_PREFS_VMR7);
        EXPECT_NE(settings_now(main, folder).find("vmr=VMR7\r\n"), std::string::npos);
        EXPECT_TRUE(IsEqualCLSID(read_state(window).renderer, CLSID_VideoMixingRenderer9)) << "the open video keeps its renderer";
        drop_files(main, {folder.path("clip.avi")});
        const Video_State again = wait_for_state(window, [](const Video_State& s) {
            return playing(s) && IsEqualCLSID(s.renderer, CLSID_VideoMixingRenderer);
        });
        EXPECT_TRUE(playing(again));
        EXPECT_TRUE(IsEqualCLSID(again.renderer, CLSID_VideoMixingRenderer)) << "opened again with VMR-7";
        close_without_saving(main, false);
    });
}

// The timeline's waveform and its reader, read on the window's thread.
struct Wave_State {
    std::shared_ptr<const Waveform> waveform;
    bool shown = false;
    bool reader_idle = false;
    Waveform::State state() const { return waveform ? waveform->state() : Waveform::State::none; }
};

Wave_State read_wave(Main_Window& window) {
    return read_on_window(window.hwnd, [&window] {
        return Wave_State{window.timeline_control().waveform, window.timeline_control().show_waveform,
                          window.waveform_reader().idle()};
    });
}

bool read_whole(const Wave_State& w) { return w.waveform && w.state() == Waveform::State::done; }

// Visible dialogs of the window's thread besides the window itself: message boxes.
int other_dialogs(HWND main) {
    struct Count {
        HWND main;
        int n;
    } count{main, 0};
    EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), [](HWND w, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<Count*>(p);
        wchar_t name[16] = {};
        GetClassNameW(w, name, 16);
        if (w != c->main && IsWindowVisible(w) && lstrcmpW(name, L"#32770") == 0) ++c->n;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&count));
    return count.n;
}

TEST(Waveform, AnAudioFileOpensWithItsWaveformAndNoPicture) {
    App_Folder folder;
    copy_media(folder, L"tone.wav", "talk.wav");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("talk.wav")});
        EXPECT_TRUE(playing(wait_for_state(window, playing)));
        EXPECT_TRUE(wait_until([&] { return read_whole(read_wave(window)); }));
        const std::vector<Peak> frames = read_wave(window).waveform->frames();
        ASSERT_EQ(frames.size(), 500u);
        EXPECT_GT(frames[120].high, 12000);  // the tone
        EXPECT_EQ(frames[50], (Peak{0, 0}));  // the silence before it
        EXPECT_EQ(utf8(status_part(main, 3)), "0:00:05");
        EXPECT_FALSE(read_on_window(main, [&window] { return window.video_control().player.has_picture(); }));
        // Read once: the cache beside the recovery copies holds it, and a second opening takes it.
        EXPECT_TRUE(wait_until([&] {
            std::error_code error;
            return std::filesystem::exists(folder.dir / L"Waveforms", error) &&
                   !std::filesystem::is_empty(folder.dir / L"Waveforms", error);
        }));
        post_command(main, cmd_close_video);
        EXPECT_FALSE(wait_for_state(window, [](const Video_State& s) { return !s.loaded; }).loaded);
        EXPECT_FALSE(read_wave(window).waveform);
        drop_files(main, {folder.path("talk.wav")});
        EXPECT_TRUE(wait_until([&] { return read_whole(read_wave(window)); }));
        EXPECT_EQ(read_wave(window).waveform->frames(), frames);
        close_without_saving(main, false);
    });
}

TEST(Waveform, AVideoWithoutAudioHasNoneAndNoMessage) {
    App_Folder folder;
    copy_video(folder, "film.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("film.avi")});
        EXPECT_TRUE(playing(wait_for_state(window, playing)));
        EXPECT_TRUE(wait_until([&] { return read_wave(window).reader_idle; }));
        const Wave_State w = read_wave(window);
        ASSERT_TRUE(w.waveform);
        EXPECT_EQ(w.state(), Waveform::State::none);
        EXPECT_FALSE(wait_until([&] { return other_dialogs(main) > 0; }, std::chrono::milliseconds(300)));
        close_without_saving(main, false);
    });
}

TEST(Waveform, ClosingTheVideoStopsTheReadingAtOnce) {
    App_Folder folder;
    copy_media(folder, L"noise.mp3", "radio.mp3");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        drop_files(main, {folder.path("radio.mp3")});
        ASSERT_TRUE(wait_until([&] {
            const Wave_State w = read_wave(window);
            return w.waveform && w.waveform->frames().size() > 200;
        }, std::chrono::seconds(20)));
        const std::shared_ptr<const Waveform> reading = read_wave(window).waveform;
        ASSERT_EQ(reading->state(), Waveform::State::reading);
        post_command(main, cmd_close_video);
        EXPECT_FALSE(wait_for_state(window, [](const Video_State& s) { return !s.loaded; }).loaded);
        const Wave_State closed = read_wave(window);
        EXPECT_TRUE(closed.reader_idle);  // ended before the close returned
        EXPECT_FALSE(closed.waveform);
        const std::size_t read = reading->frames().size();
        Sleep(300);
        EXPECT_EQ(reading->frames().size(), read);
        EXPECT_LT(read, 120000u);  // not the whole 20 minutes
        close_without_saving(main, false);
    });
}

TEST(Waveform, ShowWaveformIsAChoiceKeptInTheSettings) {
    App_Folder folder;
    copy_media(folder, L"tone.wav", "talk.wav");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const HMENU playback = GetSubMenu(GetMenu(main), 3);
        const auto checked = [&] {
            SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(playback), 3);
            return (GetMenuState(playback, cmd_show_waveform, MF_BYCOMMAND) & MF_CHECKED) != 0;
        };
        EXPECT_TRUE(checked());  // shown unless the settings say otherwise
        drop_files(main, {folder.path("talk.wav")});
        EXPECT_TRUE(wait_until([&] { return read_whole(read_wave(window)); }));
        post_command(main, cmd_show_waveform);
        EXPECT_TRUE(wait_until([&] { return !read_wave(window).shown; }));
        EXPECT_FALSE(checked());
        EXPECT_FALSE(read_wave(window).waveform);  // a hidden waveform is not read
        EXPECT_NE(settings_now(main, folder).find("showWaveform=0"), std::string::npos);
        post_command(main, cmd_show_waveform);
        EXPECT_TRUE(wait_until([&] { return read_wave(window).shown && read_whole(read_wave(window)); }));
        EXPECT_TRUE(checked());
        EXPECT_NE(settings_now(main, folder).find("showWaveform=1"), std::string::npos);
        close_without_saving(main, false);
    });
    // The next start reads the choice.
    folder.write("Cuemill.ini", settings_text("vmr=VMR9", "vmr=VMR9\r\nshowWaveform=0"));
    Main_Window hidden;
    run_with_script(hidden, folder, [&](HWND main) {
        EXPECT_FALSE(read_wave(hidden).shown);
        close_without_saving(main, false);
    });
}

// The speed chosen is asked of the player and read back from it: what the window shows (the
// radio mark, the clock) is what the player plays, and a refusal is said once for a video.
TEST(Speed, ReadBackFromThePlayerAndKeptForTheNextVideo) {
    App_Folder folder;
    copy_video(folder, "clip.avi");
    Main_Window window;
    run_with_script(window, folder, [&](HWND main) {
        const auto speed_now = [&] {
            return read_on_window(main, [&] {
                const HMENU speed = GetSubMenu(GetSubMenu(GetMenu(main), 3), 4);
                SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(speed), 4);
                std::uint32_t checked = 0;
                for (std::size_t k = 0; k < std::size(playback_speeds); ++k)
                    if (GetMenuState(speed, static_cast<UINT>(cmd_speed_first + k), MF_BYCOMMAND) & MF_CHECKED)
                        checked = playback_speeds[k];
                Video_Control& video = window.video_control();
                EXPECT_EQ(video.clock.speed, video.speed) << "the clock shows the speed";
                EXPECT_EQ(checked, video.speed) << "the radio mark is on the speed";
                return std::make_pair(video.speed, video.player.loaded() ? video.player.rate() : 1.0);
            });
        };
        // Without a video the speed is only kept.
        post_command(main, cmd_speed_first + 4);  // 1.5x
        EXPECT_TRUE(wait_until([&] { return speed_now().first == 150u; }));
        EXPECT_EQ(wait_for_dialog(u"Playback speed", std::chrono::milliseconds(200)), nullptr);
        // The next video is asked for it; it plays at it, or says once that it cannot.
        drop_files(main, {folder.path("clip.avi")});
        ASSERT_TRUE(playing(wait_for_state(window, playing)));
        const HWND refused = wait_for_dialog(u"Playback speed", std::chrono::milliseconds(1500));
        if (refused) {
            EXPECT_EQ(utf8(box_text(refused)), "This video cannot be played at 1.5\xc3\x97 here, so it plays at the normal speed.");
            answer(refused, IDOK);
        }
        auto [speed, rate] = speed_now();
        EXPECT_EQ(rate, speed / 100.0) << "the player plays what the window shows";
        EXPECT_EQ(speed, refused ? 100u : 150u);
        // Another speed: taken, or refused without being said again for this video.
        post_command(main, cmd_speed_first + 5);  // 2x
        EXPECT_EQ(wait_for_dialog(u"Playback speed", std::chrono::milliseconds(500)) != nullptr, false);
        std::tie(speed, rate) = speed_now();
        EXPECT_EQ(rate, speed / 100.0);
        EXPECT_TRUE(speed == 200u || (refused && speed == 100u)) << speed;
        close_without_saving(main, false);
    });
}

}  // namespace
