// Re-timing the whole document: shifting, sync points and frame rates.
#include "app/main_window.h"

#include <algorithm>

#include <mmsystem.h>

#include "app/frame_rate_dialog.h"
#include "app/shift_times_dialog.h"
#include "app/sync_speech_dialog.h"
#include "io/strings.h"

namespace {

std::u16string out_of_range_text(std::size_t count) {
    return format(u"This would move %s before 0:00:00.000 or past 99:59:59.999, which a subtitle file cannot "
                  u"hold.\nNothing was changed.",
                  count == 1 ? std::u16string(u"1 sub") : format(u"%u subs", static_cast<unsigned>(count)));
}

std::vector<std::size_t> rows_from(std::size_t first, std::size_t count) {
    std::vector<std::size_t> rows;
    rows.reserve(count > first ? count - first : 0);
    for (std::size_t row = first; row < count; ++row) rows.push_back(row);
    return rows;
}

void ding() { PlaySoundW(L"ding.wav", nullptr, SND_ASYNC | SND_FILENAME); }

}  // namespace

LRESULT Main_Window::on_timing_menu(params& p) {
    const HMENU menu = reinterpret_cast<HMENU>(p.wParam);
    const auto state = [](bool on) { return on ? MF_ENABLED : MF_GRAYED; };
    const bool one_selected = list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0) == 1;
    EnableMenuItem(menu, cmd_shift_times, state(!subs.empty()));
    EnableMenuItem(menu, cmd_set_sync_point, state(video_loaded() && one_selected));
    EnableMenuItem(menu, cmd_apply_sync_points, state(!sync_points.empty()));
    EnableMenuItem(menu, cmd_clear_sync_points, state(!sync_points.empty()));
    EnableMenuItem(menu, cmd_change_frame_rate, state(!subs.empty()));
    EnableMenuItem(menu, cmd_sync_speech, state(video_loaded() && !subs.empty()));
    spotting_menu_states(menu);
    return 0;
}

bool Main_Window::apply_retiming(Retiming retiming) {
    if (retiming.out_of_range > 0) {
        const std::u16string& name = retiming.step.name;
        box(name == u"sync" ? u"Apply sync points" : name == u"sync to speech" ? u"Sync to speech" : u"Change frame rate",
            out_of_range_text(retiming.out_of_range), MB_ICONERROR);
        return false;
    }
    // The selection stays with its subs, wherever they go.
    Row_Choice rows{Row_Choice::keep};
    if (!retiming.moved.empty()) {
        rows.mode = Row_Choice::given;
        const int focused = static_cast<int>(list.send_direct(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        for (int row : list.selected_indices())
            if (row != focused) rows.rows.push_back(retiming.moved[static_cast<std::size_t>(row)]);
        std::sort(rows.rows.begin(), rows.rows.end());
        if (focused >= 0 && static_cast<std::size_t>(focused) < retiming.moved.size())
            rows.rows.push_back(retiming.moved[static_cast<std::size_t>(focused)]);
    }
    return apply_change(std::move(retiming.step), std::move(rows));
}

void Main_Window::shift_times() {
    if (subs.empty()) return;
    pause_video();
    const std::vector<int> selected = list.selected_indices();
    const auto rows_of = [&](Shift_Times_Dialog::Scope scope) {
        switch (scope) {
        case Shift_Times_Dialog::Scope::selected: return std::vector<std::size_t>(selected.begin(), selected.end());
        case Shift_Times_Dialog::Scope::selected_and_later:
            return rows_from(selected.empty() ? subs.size() : static_cast<std::size_t>(selected[0]), subs.size());
        case Shift_Times_Dialog::Scope::all: break;
        }
        return rows_from(0, subs.size());
    };
    Shift_Times_Dialog dialog;
    dialog.amount_text = shift_amount;
    dialog.any_selected = !selected.empty();
    if (video_loaded() && selected.size() == 1) {
        const std::uint64_t start = subs[static_cast<std::size_t>(selected[0])].start;
        dialog.from_video = [this, start] {
            return static_cast<std::int64_t>(timeline.playhead) - static_cast<std::int64_t>(start);
        };
    }
    // Worked out once, when OK is pressed: refused there, applied after.
    Retiming shifted;
    dialog.refusal = [&](std::int64_t amount, Shift_Times_Dialog::Scope scope) {
        shifted = retime(subs, rows_of(scope), Time_Map::shift(amount), u"shift times");
        return shifted.out_of_range > 0 ? out_of_range_text(shifted.out_of_range) : std::u16string();
    };
    if (dialog.show(hwnd) != 1 || !dialog.accepted) return;
    shift_amount = dialog.amount_text;
    apply_retiming(std::move(shifted));
}

void Main_Window::set_sync_point() {
    const std::vector<int> selected = list.selected_indices();
    if (!video_loaded() || selected.size() != 1) {
        ding();
        return;
    }
    add_sync_point({subs[static_cast<std::size_t>(selected[0])].start, timeline.playhead});
}

void Main_Window::add_sync_point(Sync_Point point) {
    std::erase_if(sync_points, [&](const Sync_Point& p) { return p.from == point.from; });
    sync_points.push_back(point);
    timeline.sync_marks.clear();
    for (const Sync_Point& p : sync_points) timeline.sync_marks.push_back(p.to);
    repaint_timeline();
}

void Main_Window::clear_sync_points() {
    sync_points.clear();
    timeline.sync_marks.clear();
    repaint_timeline();
}

void Main_Window::apply_sync_points() {
    if (sync_points.empty()) return;
    pause_video();
    Time_Map map;
    if (!Time_Map::through(sync_points, map)) {
        box(u"Apply sync points",
            u"The sync points do not keep their subs in order: a later sub would play before an earlier one.\n"
            u"Clear them and set them again.",
            MB_ICONERROR);
        return;
    }
    if (apply_retiming(retime(subs, rows_from(0, subs.size()), map, u"sync"))) clear_sync_points();
}

void Main_Window::change_frame_rate() {
    if (subs.empty()) return;
    pause_video();
    Frame_Rate_Dialog dialog;
    dialog.from_text = rate_from;
    dialog.to_text = rate_to;
    if (dialog.show(hwnd) != 1 || !dialog.accepted) return;
    rate_from = dialog.from_text;
    rate_to = dialog.to_text;
    apply_retiming(retime(subs, rows_from(0, subs.size()), Time_Map::frame_rate(dialog.from, dialog.to), u"frame rate"));
}

void Main_Window::sync_to_speech() {
    if (!video_loaded() || subs.empty()) return;
    pause_video();
    // The speech features come with the waveform: read it now when it is hidden.
    if (!waveform.waveform()) start_waveform(true);
    const std::shared_ptr<const Waveform> wave = waveform.waveform();
    const std::vector<int> selected = list.selected_indices();
    const auto spans_of = [&](const std::vector<std::size_t>& rows) {
        std::vector<Sub_Span> spans;
        spans.reserve(rows.size());
        for (std::size_t row : rows) spans.push_back({subs[row].start, subs[row].end});
        return spans;
    };
    const std::vector<std::size_t> all = rows_from(0, subs.size());
    const std::vector<std::size_t> chosen(selected.begin(), selected.end());

    Sync_Speech_Dialog dialog;
    dialog.reading = [wave] {
        if (!wave) return Sync_Speech_Dialog::Reading{true, true, 100};
        const Waveform::State state = wave->state();
        return Sync_Speech_Dialog::Reading{state == Waveform::State::done, state == Waveform::State::none,
                                           wave->percent()};
    };
    dialog.speech_frames = [wave] { return wave ? wave->speech_frames() : std::vector<Speech_Frame>{}; };
    dialog.all_subs = spans_of(all);
    dialog.selected_subs = spans_of(chosen);
    if (dialog.show(hwnd) != 1 || !dialog.result.found) return;
    apply_retiming(retime(subs, dialog.selected_only ? chosen : all, dialog.result.map(), u"sync to speech"));
}
