// Timing subs to the video: a sub's start or end set from the playing video, the playback
// speed and the steps of one frame.
#include "app/main_window.h"

#include <mmsystem.h>

#include "core/sub_item.h"
#include "io/strings.h"
#include "video/video_layout.h"

namespace {

void set_row_state(const listview& list, std::size_t row, UINT state) {
    LVITEMW lv{};
    lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lv.state = state;
    list.send_direct(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&lv));
}

// The selection leaves `from` for `to`, which is scrolled into view.
void move_selection(listview& list, std::size_t from, std::size_t to) {
    if (from == to) return;
    set_row_state(list, from, 0);
    set_row_state(list, to, LVIS_SELECTED | LVIS_FOCUSED);
    list.scroll_to(static_cast<int>(to));
}

void ding() { PlaySoundW(L"ding.wav", nullptr, SND_ASYNC | SND_FILENAME); }

}  // namespace

void Main_Window::spotting_menu_states(HMENU menu) {
    const UINT one = single_selected_row() != no_position ? MF_ENABLED : MF_GRAYED;
    for (UINT id : {cmd_set_start, cmd_set_end, cmd_set_end_next}) EnableMenuItem(menu, id, one);
    const int state = play_state();
    const UINT frames = video_loaded() && (state == 1 || state == 2) ? MF_ENABLED : MF_GRAYED;
    for (UINT id : {cmd_previous_frame, cmd_next_frame}) EnableMenuItem(menu, id, frames);
}

LRESULT Main_Window::on_speed_menu(params& p) {
    const HMENU menu = reinterpret_cast<HMENU>(p.wParam);
    const std::size_t count = std::size(playback_speeds);
    for (std::size_t k = 0; k < count; ++k)
        if (playback_speeds[k] == video.speed)
            CheckMenuRadioItem(menu, cmd_speed_first, static_cast<UINT>(cmd_speed_first + count - 1),
                               static_cast<UINT>(cmd_speed_first + k), MF_BYCOMMAND);
    return 0;
}

std::size_t Main_Window::single_selected_row() const {
    if (list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0) != 1) return no_position;
    const LRESULT row = list.send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return row >= 0 && static_cast<std::size_t>(row) < subs.size() ? static_cast<std::size_t>(row) : no_position;
}

std::uint64_t Main_Window::playhead_now() {
    // While it runs the video is ahead of the last poll; paused, the clock and the playhead
    // show where it stands.
    if (video_loaded() && play_state() == 2 && video.player.seeking()) timeline.playhead = video.player.current_position();
    return timeline.playhead;
}

void Main_Window::set_start_at_playhead() {
    const std::size_t k = single_selected_row();
    if (k == no_position) return;
    const Sub_Item& old = subs[k];
    Sub_Item sub = old;
    sub.start = std::min(playhead_now(), max_srt_time);
    // At or past its end the sub keeps its length.
    if (sub.start >= old.end) sub.end = std::min(sub.start + (old.end > old.start ? old.end - old.start : 0), max_srt_time);
    if (sub.start == old.start && sub.end == old.end) return;
    // Where the sub goes as a nudge would move it.
    const std::size_t to = reposition_target(subs, k, sub.start);
    apply_change({u"set start", {k}, {old}, {to}, {sub}, 0}, {Row_Choice::keep});
    move_selection(list, k, to);
}

void Main_Window::set_end_at_playhead(bool then_next) {
    const std::size_t k = single_selected_row();
    if (k == no_position) return;
    const std::uint64_t t = std::min(playhead_now(), max_srt_time);
    if (t <= subs[k].start) {
        ding();
        return;
    }
    if (t != subs[k].end) {
        Sub_Item sub = subs[k];
        sub.end = t;
        apply_change({u"set end", {k}, {subs[k]}, {k}, {sub}, 0}, {Row_Choice::keep});
    }
    if (then_next && k + 1 < subs.size()) move_selection(list, k, k + 1);
}

void Main_Window::choose_speed(std::uint32_t percent) {
    if (!video.set_speed(percent)) say_speed_refused(percent);
}

void Main_Window::say_speed_refused(std::uint32_t percent) {
    // Once for each video: it refuses the other speeds as well.
    if (speed_refusal_said) return;
    speed_refusal_said = true;
    box(u"Playback speed",
        format(u"This video cannot be played at %s here, so it plays at the normal speed.", speed_label(percent)),
        MB_ICONINFORMATION);
}

void Main_Window::step_frame(bool forward) {
    if (!video_loaded()) return;
    video.step_frame(forward);
    timeline.playhead = video.clock.time_ms;
    repaint_timeline();
}
