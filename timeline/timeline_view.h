#pragma once
// The timeline's arithmetic: times to pixels, the ruler, zoom, scrolling and the keyboard's
// playhead moves, and re-timing by the snap step. Standard types only, so that every rule can
// be tested without a window.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/sub_list.h"

/// The visible stretch of time, as the control's horizontal scroll bar holds it:
/// minimum 0, maximum range_end, page view_span, position view_start (all milliseconds).
struct Timeline_View {
    std::int32_t range_end = 0;
    std::uint32_t view_span = 0;
    std::int32_t view_start = 0;
};

/// The scroll bar's own clamping of a position: 0 ... range_end - view_span + 1 (0 when the
/// page covers the whole range).
std::int32_t clamp_view_start(std::int64_t start, std::int32_t range_end, std::uint32_t view_span);

/// Pixels per millisecond; 0 when nothing can be shown (no width or no span).
float view_scale(int client_width, std::uint32_t view_span);
/// round((t - view_start) * scale), the difference signed, half away from zero. Saturates at
/// the 32-bit limits instead of overflowing.
std::int32_t time_to_x(std::uint64_t t, std::int32_t view_start, float scale);

/// ceil(65 / scale): the shortest step whose labels stand 65 px apart; 0 when scale is 0.
std::uint64_t min_label_step(float scale);
/// The ruler step for a minimum step: rounded up to a multiple of the first table entry that
/// is not above it; the minimum itself below 2.
std::uint64_t ruler_step(std::uint64_t min_step);
/// The first ruler time: view_start rounded up to a multiple of step, then one step back when
/// that stays at or above 0.
std::uint64_t first_ruler_time(std::int32_t view_start, std::uint64_t step);
/// The label of ruler time t, its form chosen by the step.
std::u16string ruler_label(std::uint64_t t, std::uint64_t step);

/// The first sub to draw or hit: the one before the first that starts at or after view_start
/// (the count of subs when every sub starts before it, then one back). 0 for an empty list.
std::size_t first_visible_sub(const Sub_List& subs, std::int32_t view_start);
/// True when sub i starts too late to show: start >= view_start + view_span - 1.
bool starts_past_view(const Sub_Item& sub, const Timeline_View& view);
/// Outline colour rule: true (red) when sub i is not the last and its end is not before the
/// next sub's start.
bool touches_next(const Sub_List& subs, std::size_t i);

/// One line of scrolling: max(1, round(view_span * 0.05)).
std::int32_t scroll_line(std::uint32_t view_span);
/// Five per cent of the span, rounded, as the page keys and the Apps key use it (may be 0).
std::int32_t twentieth(std::uint32_t view_span);

/// The span after one wheel notch: 20 % in (delta > 0) or out, kept within 20 ... range_end + 1.
/// Returns false when the view is already as narrow as it can get and the wheel zooms in.
bool zoom_span(std::uint32_t view_span, std::int32_t range_end, bool zoom_in, std::uint32_t& span);
/// The view after zooming around the playhead: the new span with the playhead in the middle,
/// clamped as the scroll bar clamps.
Timeline_View zoom_view(const Timeline_View& view, std::uint64_t playhead, bool zoom_in);

/// The playhead from a click at x: round(x / client_width * view_span) + view_start, never
/// below 0. view_start when the client has no width.
std::uint64_t playhead_from_x(int x, int client_width, const Timeline_View& view);

/// Home and End: to the view's edges, or with Ctrl to the range's ends (which also moves the
/// view). Updates playhead and, with Ctrl, view.view_start.
void home_end(Timeline_View& view, std::uint64_t& playhead, bool end, bool ctrl);
/// Page Up and Page Down: the playhead moves by 5 % of the span within 0 ... range_end; when it
/// leaves the view, the view follows so that it stands at 90 % (back) or 10 % (forward) of the
/// width. Returns true when the view moved.
bool page_move(Timeline_View& view, std::uint64_t& playhead, bool forward);

/// Where the Apps key opens the menu: the view is first scrolled to show the playhead when it
/// is outside (returns true then), and x is the playhead's place in that view taken before
/// the scroll bar clamps it.
bool menu_at_playhead(Timeline_View& view, std::uint64_t playhead, int client_width, int& x);

/// The step used for re-timing: the settings' snap, or 100 ms when that is 0 or negative.
std::uint64_t effective_snap(std::int64_t snap);

enum class Nudge_Outcome {
    refused,    ///< a time would go below 0 or past max_srt_time: nothing changed
    unchanged,  ///< nothing to move (empty set, or every sub already at its shortest)
    moved,
};

/// Re-times the subs of `set` by one snap step: both times left or right, or with `shift_end`
/// only the end. A step that would put any start or end below 0 or past max_srt_time is refused
/// whole. The end is shortened only while the sub is longer than 2 x snap; other subs of the set
/// still shorten.
/// Each changed sub is then moved to its sorted place (`reposition`); `on_move(from, to)` is
/// called for every move, and the entries of `set` keep naming the same subs.
template <class On_Move>
Nudge_Outcome nudge_subs(Sub_List& subs, std::vector<std::size_t>& set, bool right,
                         bool shift_end, std::uint64_t snap, On_Move&& on_move);

/// Renumbers `set` after the sub at `from` moved to `to` (the subs between shift by one).
void follow_move(std::vector<std::size_t>& set, std::size_t from, std::size_t to);

template <class On_Move>
Nudge_Outcome nudge_subs(Sub_List& subs, std::vector<std::size_t>& set, bool right,
                         bool shift_end, std::uint64_t snap, On_Move&& on_move) {
    if (set.empty()) return Nudge_Outcome::unchanged;
    for (std::size_t i : set)
        if (i >= subs.size()) return Nudge_Outcome::unchanged;
    if (!right && !shift_end) {
        // The list may be in file order, so every sub of the set is checked, not only the first.
        for (std::size_t i : set)
            if (subs[i].start < snap || subs[i].end < snap) return Nudge_Outcome::refused;
    }
    if (right) {
        // Nor past the latest time a file can hold.
        const std::uint64_t room = max_srt_time - std::min(snap, max_srt_time);
        for (std::size_t i : set)
            if (subs[i].end > room || (!shift_end && subs[i].start > room)) return Nudge_Outcome::refused;
    }
    std::vector<std::size_t> changed;
    changed.reserve(set.size());
    for (std::size_t j = 0; j < set.size(); ++j) {
        Sub_Item& sub = subs[set[j]];
        if (shift_end) {
            if (right) {
                sub.end += snap;
            } else {
                // A sub whose end is not after its start is never shortened (its length would wrap).
                if (sub.end <= sub.start || sub.end - sub.start <= 2 * snap) continue;
                sub.end -= snap;
            }
        } else if (right) {
            sub.start += snap;
            sub.end += snap;
        } else {
            sub.start -= snap;
            sub.end -= snap;
        }
        changed.push_back(j);
    }
    if (changed.empty()) return Nudge_Outcome::unchanged;
    for (std::size_t j : changed) {
        const std::size_t from = set[j];
        const std::size_t to = reposition(subs, from);
        if (to == from || to == no_position) continue;
        follow_move(set, from, to);
        on_move(from, to);
    }
    return Nudge_Outcome::moved;
}
