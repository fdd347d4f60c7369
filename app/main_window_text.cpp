// Replace, split and join: each command builds its step from the document and hands it to
// apply_change.
#include "app/main_window.h"

#include <mmsystem.h>

#include "app/replace_dialog.h"
#include "core/split_join.h"

namespace {

void ding() { PlaySoundW(L"ding.wav", nullptr, SND_ASYNC | SND_FILENAME); }

std::vector<std::size_t> selected_rows(const listview& list) {
    const std::vector<int> rows = list.selected_indices();
    return {rows.begin(), rows.end()};
}

}  // namespace

bool Main_Window::ready_to_search() {
    pause_video();
    if (!subs.empty()) return true;
    box(u"Can't search", u"No subtitles to be searched.", MB_ICONEXCLAMATION);
    return false;
}

void Main_Window::replace_text() {
    if (!ready_to_search()) return;
    Replace_Dialog dialog(subs, list, [this](History_Step step, const std::vector<std::size_t>& rows) {
        apply_change(std::move(step), {Row_Choice::given, rows});
    });
    dialog.show(hwnd);
    SetFocus(list.hwnd);
}

void Main_Window::split_selected() {
    const std::vector<std::size_t> rows = selected_rows(list);
    // The playhead splits only a sub it lies in, and only where the video shows it.
    const std::optional<std::uint64_t> at = video_loaded() ? std::optional<std::uint64_t>(timeline.playhead) : std::nullopt;
    History_Step step;
    if (rows.size() != 1 || !split_step(subs, rows[0], at, step)) {
        ding();
        return;
    }
    apply_change(std::move(step), {Row_Choice::given, {rows[0], rows[0] + 1}});
}

void Main_Window::join_selected() {
    const std::vector<std::size_t> rows = selected_rows(list);
    History_Step step;
    if (!join_step(subs, rows, step)) {
        ding();
        return;
    }
    apply_change(std::move(step), {Row_Choice::given, {rows[0]}});
}
