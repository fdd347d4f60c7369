#pragma once
// Re-timing with the mouse, without a window: which part of a block the pointer is over,
// where a dragged edge lands (the snap step, the playhead, the neighbours' edges) and the
// bounds every drag keeps. Standard types only, so every rule is tested natively.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/sub_list.h"
#include "timeline/timeline_view.h"

enum class Drag_Zone { none, start_edge, end_edge, body };

/// Pixels on either side of an edge that grab it (inside a narrow block, a third of its width),
/// at 96 DPI.
inline constexpr int edge_grip = 4;
/// Pixels within which a dragged edge is drawn to the playhead or a neighbour's edge, at 96 DPI.
inline constexpr int snap_pixels = 5;

/// The part of the block from x1 to x2 (client pixels) that x is over: an edge within
/// `grip` px of it, inside or out, the body between; none past the grips.
Drag_Zone drag_zone(int x, int x1, int x2, int grip = edge_grip);

struct Drag_Hit {
    std::size_t index = no_position;
    Drag_Zone zone = Drag_Zone::none;
};

/// The block a press at x grabs: the lowest-numbered block that x is inside (as a click hits
/// it), else the first whose edge grip reaches x from outside. Only the subs a paint visits
/// are looked at.
Drag_Hit find_drag_hit(const Sub_List& subs, int x, int client_width, const Timeline_View& view,
                       int grip = edge_grip);

/// What draws a dragged edge.
struct Snap_Rules {
    bool enabled = true;         ///< Alt held turns snapping off
    std::uint64_t step = 100;    ///< the snap step
    std::uint64_t reach = 0;     ///< ms within which the playhead or an edge draws (5 px at the zoom)
    std::uint64_t playhead = 0;
};

/// The times a dragged edge at t may be drawn to: the playhead, and the starts and ends of the
/// subs next to t that are not dragged (`dragged`, their places now): the two that start before
/// t - reach and those that start up to t + reach.
std::vector<std::uint64_t> snap_targets(const Sub_List& subs, std::uint64_t t, const Snap_Rules& rules,
                                        const std::vector<std::size_t>& dragged);
/// The target nearest t within reach (the first of equals); false when none is.
bool nearest_target(std::int64_t t, const std::vector<std::uint64_t>& targets, std::uint64_t reach,
                    std::uint64_t& found);
/// t rounded to the nearest multiple of step (halves up), kept within 0 ... max_srt_time.
std::uint64_t round_to_step(std::int64_t t, std::uint64_t step);

enum class Drag_Kind { start_edge, end_edge, body, create };

/// A drag as the press found it.
struct Drag_Origin {
    Drag_Kind kind = Drag_Kind::body;
    std::uint64_t start = 0, end = 0;  ///< the grabbed sub's times; create: the time pressed, twice
    /// Body: the earliest start and the latest end of all the subs that move with it.
    std::uint64_t earliest_start = 0, latest_end = 0;
};

struct Drag_Times {
    std::uint64_t start = 0, end = 0;
    bool operator==(const Drag_Times&) const = default;
};

/// The grabbed sub's times (create: the new sub's span) once the pointer has moved `moved` ms
/// from the press. An edge lands on the nearest target within reach, else on the snap step;
/// a body lands so that whichever of its edges is nearer a target meets it, else its start
/// on the snap step. Without snapping the pointer's time counts as it is. Nothing goes below
/// 0 or past max_srt_time, an end never before its start, and a body keeps its length and
/// moves every sub with it by the same amount. `dragged`: the moving subs' places now, left
/// out of the targets.
Drag_Times drag_times(const Drag_Origin& origin, std::int64_t moved, const Snap_Rules& rules, const Sub_List& subs,
                      const std::vector<std::size_t>& dragged);

/// Milliseconds the pointer moved from press_x to x at the view's scale (rounded).
std::int64_t pointer_moved_ms(int press_x, int x, int client_width, std::uint32_t view_span);
/// The reach of `pixels` at the view's scale, in ms (at least 1).
std::uint64_t snap_reach_ms(int client_width, std::uint32_t view_span, int pixels = snap_pixels);

/// Gives the subs of `set` (their places now; entry k was `before[k]` when the drag began)
/// their times for `times` of the drag of `set[grabbed]`: an edge drag changes that sub only,
/// a body drag moves every sub by the grabbed one's move. Each sub whose start changed then
/// goes to its sorted place (as `reposition`), in the order of the move so that the moving
/// subs keep theirs; `on_move(from, to)` is called for each move and `set` keeps naming the
/// same subs. Returns false when nothing changed.
template <class On_Move>
bool place_dragged(Sub_List& subs, std::vector<std::size_t>& set, const Sub_List& before, std::size_t grabbed,
                   Drag_Kind kind, const Drag_Times& times, On_Move&& on_move);

template <class On_Move>
bool place_dragged(Sub_List& subs, std::vector<std::size_t>& set, const Sub_List& before, std::size_t grabbed,
                   Drag_Kind kind, const Drag_Times& times, On_Move&& on_move) {
    if (kind == Drag_Kind::create || grabbed >= set.size() || set.size() != before.size()) return false;
    for (std::size_t i : set)
        if (i >= subs.size()) return false;
    const std::int64_t delta =
        static_cast<std::int64_t>(times.start) - static_cast<std::int64_t>(before[grabbed].start);
    bool changed = false;
    std::int64_t direction = 0;  // of the starts' move from where they are now
    std::vector<std::size_t> moved;
    for (std::size_t k = 0; k < set.size(); ++k) {
        if (kind != Drag_Kind::body && k != grabbed) continue;
        Sub_Item& sub = subs[set[k]];
        std::uint64_t start = sub.start, end = sub.end;
        if (kind == Drag_Kind::body) {
            start = static_cast<std::uint64_t>(static_cast<std::int64_t>(before[k].start) + delta);
            end = static_cast<std::uint64_t>(static_cast<std::int64_t>(before[k].end) + delta);
        } else {
            start = times.start;
            end = times.end;
        }
        if (start == sub.start && end == sub.end) continue;
        changed = true;
        if (start != sub.start) {
            direction = start > sub.start ? 1 : -1;
            moved.push_back(k);
        }
        sub.start = start;
        sub.end = end;
    }
    // Moving right, the rightmost goes first, so that no moving sub stops at another one that
    // has yet to move; moving left, the leftmost.
    std::sort(moved.begin(), moved.end(), [&set, direction](std::size_t a, std::size_t b) {
        return direction > 0 ? set[a] > set[b] : set[a] < set[b];
    });
    for (std::size_t k : moved) {
        const std::size_t from = set[k];
        const std::size_t to = reposition(subs, from);
        if (to == from || to == no_position) continue;
        follow_move(set, from, to);
        on_move(from, to);
    }
    return changed;
}
