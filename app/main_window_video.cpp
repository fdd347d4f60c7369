// Opening and closing the video (or audio), playback commands, the timeline's link to the
// video and the audio's waveform on it.
#include "app/main_window.h"

#include <dshow.h>
#include <shellapi.h>

#include "app/main_window_settings.h"
#include "app/recovery.h"
#include "audio/waveform_cache.h"
#include "core/sub_item.h"
#include "gui/message_box.h"
#include "io/file.h"
#include "io/strings.h"

namespace {

constexpr char16_t video_filter[] =
    u"All supported video formats|*.avi;*.mp4;*.mpg;*.mpeg;*.mov;*.mkv;*.rmvb;"
    u"*.wav;*.mp3;*.m4a;*.aac;*.flac;*.ogg;*.opus|"
    u"Audio Video Interleaved (*.avi)|*.avi|MPEG-4 Part 14 (*.mp4)|*.mp4|"
    u"Moving Picture Experts Group (*.mpg; *.mpeg)|*.mpg;*.mpeg|QuickTime File Format (*.mov)|*.mov|"
    u"Matroska Multimedia Container (*.mkv)|*.mkv|RealMedia Variable Bitrate (*.rmvb)|*.rmvb|"
    u"Audio files (*.wav; *.mp3; *.m4a; *.aac; *.flac; *.ogg; *.opus)|*.wav;*.mp3;*.m4a;*.aac;*.flac;*.ogg;*.opus";

constexpr char16_t bad_vmr_text[] = u"Bad VMR filter on INI file, seems like it's messed up.";

}  // namespace

bool Main_Window::check_video_file(const std::u16string& path, std::u16string* error_text) {
    if (!path_exists(path)) {
        *error_text = format(u"The video file doesn't exist:\n%s", path);
        return false;
    }
    if (is_media_path(path)) {
        error_text->clear();
        return true;
    }
    *error_text = format(u"The video format is not suported:\n%s", path);
    return false;
}

std::uint32_t Main_Window::video_duration() const {
    IMediaSeeking* seeking = video.player.seeking();
    LONGLONG duration = 0;
    if (!seeking || FAILED(seeking->GetDuration(&duration))) return 0;
    return static_cast<std::uint32_t>(duration / 10000);
}

void Main_Window::open_video(std::optional<std::u16string> given, bool search_sub) {
    pause_video();
    std::u16string path;
    std::u16string error;
    if (given) {
        path = *given;
        if (!check_video_file(path, &error)) {
            box(u"Video file error", error, MB_ICONERROR);
            return;
        }
    } else if (!open_file_dialog(*this, video_filter, path)) {
        return;
    }
    // The renderer is checked before the subtitle question, so a bad setting never leaves a
    // subtitle opened for a video that cannot be.
    const std::uint32_t kind = renderer_kind(settings);
    if (kind == 0) {
        box(u"Bad VMR", bad_vmr_text, MB_ICONERROR);
        return;
    }
    if (search_sub) {
        std::u16string subtitle = path;
        replace_extension(subtitle, u".srt");
        if (path_exists(subtitle)) {
            const int answer =
                box(u"Load subtitle", format(u"Subtitle found:\n\"%s\"\n\nDo you want to load it too?", file_name_of(subtitle)),
                    MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
            if (answer == IDCANCEL) return;
            if (answer == IDYES && !open_sub(subtitle, false)) return;
        }
    }

    speed_refusal_said = false;
    stop_waveform();
    const bool opened = video.open(kind, path, &error);
    if (opened) start_waveform();
    if (!opened)
        box(u"Video fail",
            format(u"Video loading failed... do you have the right codecs installed?\n\nError:\n\"%s\"", error),
            MB_ICONERROR);
    else if (video.refused_speed != 0)
        say_speed_refused(video.refused_speed);
    const std::uint32_t duration = video_duration();
    timeline.set_range(static_cast<std::int32_t>(duration + 100));
    set_status(3, format_hms(ms_to_timecode(duration)));
    if (video.player.seeking() && video.player.control()) {
        LONGLONG start = 0;
        video.player.seeking()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    video.refresh();
    timeline.playhead = 0;
    repaint_timeline();
    recent_videos.add(path);
    write_settings();
    SetFocus(list.hwnd);
}

void Main_Window::close_video(bool ask_sub) {
    pause_video();
    const bool close_sub_too =
        ask_sub && !document_path().empty() &&
        box(u"Close sub", u"There's a sub currently loaded, do you want to close it too?", MB_YESNO | MB_ICONQUESTION) ==
            IDYES;
    stop_waveform();
    video.close();
    set_status(3, u"0:00:00");
    if (close_sub_too) close_sub(false);
}

void Main_Window::open_recent_video(std::uint32_t index) {
    const std::u16string path = recent_videos.entry(index);
    std::u16string error;
    if (check_video_file(path, &error)) {
        open_video(path, true);
        return;
    }
    if (box(u"Video file error", format(u"%s\n\nRemove it from the recent menu?", error), MB_YESNO | MB_ICONQUESTION) ==
        IDYES) {
        recent_videos.remove(index);
        write_settings();
    }
}

void Main_Window::seek_step(bool forward) {
    if (forward)
        video.step_forward();
    else
        video.step_back();
    timeline.playhead = video.player.current_position();
    repaint_timeline();
}

void Main_Window::on_timeline_seek(std::uint64_t ms) {
    if (!video_loaded()) return;
    const int state = play_state();
    if (state == 1 || state == 2) video.seek_to(ms);
}

void Main_Window::warn_subs_past_end() {
    if (!video_loaded() || subs.empty()) return;
    const std::uint32_t duration = video_duration();
    if (subs.back().end < duration) return;
    const std::uint64_t count = count_from(subs, duration);
    if (count == 0) return;
    pause_video();
    box(u"Bad subtitle", subs_past_end_text(static_cast<std::uint32_t>(count)), MB_ICONEXCLAMATION);
}

void Main_Window::start_waveform(bool even_hidden) {
    if ((!timeline.show_waveform && !even_hidden) || video.video_path.empty()) return;
    const std::u16string settings_folder = settings_path.substr(0, settings_path.find_last_of(u'\\'));
    const HWND window = hwnd;
    timeline.waveform = waveform.start(video.video_path, waveform_cache_folders(recovery_folders(settings_folder)),
                                       [window] { PostMessageW(window, waveform_changed_message, 0, 0); });
    repaint_timeline();
}

void Main_Window::stop_waveform() {
    waveform.stop();
    timeline.waveform.reset();
    repaint_timeline();
}

void Main_Window::toggle_waveform() {
    timeline.show_waveform = !timeline.show_waveform;
    set_setting(settings, u"Params", u"showWaveform", timeline.show_waveform ? u"1" : u"0");
    write_settings();
    // A hidden waveform is not read; shown again, it is read (or found in the cache) anew.
    if (timeline.show_waveform)
        start_waveform();
    else
        stop_waveform();
}
