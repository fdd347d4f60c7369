#include "timeline/timeline_drag.h"

#include <algorithm>
#include <cmath>

#include "core/sub_item.h"

namespace {

std::uint64_t clamp_time(std::int64_t t) {
    return static_cast<std::uint64_t>(std::clamp<std::int64_t>(t, 0, static_cast<std::int64_t>(max_srt_time)));
}

bool is_dragged(const std::vector<std::size_t>& dragged, std::size_t i) {
    return std::find(dragged.begin(), dragged.end(), i) != dragged.end();
}

// The target nearest `raw` within reach, and how far it is.
bool caught(std::int64_t raw, const Snap_Rules& rules, const Sub_List& subs, const std::vector<std::size_t>& dragged,
            std::uint64_t& at, std::uint64_t& distance) {
    if (!nearest_target(raw, snap_targets(subs, clamp_time(raw), rules, dragged), rules.reach, at)) return false;
    distance = static_cast<std::uint64_t>(std::llabs(raw - static_cast<std::int64_t>(at)));
    return true;
}

// Where an edge let go at `raw` lands.
std::uint64_t land(std::int64_t raw, const Snap_Rules& rules, const Sub_List& subs,
                   const std::vector<std::size_t>& dragged) {
    if (!rules.enabled) return clamp_time(raw);
    std::uint64_t at = 0, distance = 0;
    return caught(raw, rules, subs, dragged, at, distance) ? at : round_to_step(raw, rules.step);
}

}  // namespace

Drag_Zone drag_zone(int x, int x1, int x2, int grip) {
    if (x2 < x1) x2 = x1;
    if (x < x1 - grip || x > x2 + grip) return Drag_Zone::none;
    // Inside a narrow block the edges take a third each, so its body can still be grabbed.
    const int inner = std::min(grip, std::max(0, (x2 - x1 - 1) / 3));
    const bool near_start = x <= x1 + inner, near_end = x >= x2 - inner;
    if (near_start && near_end) return x - x1 <= x2 - x ? Drag_Zone::start_edge : Drag_Zone::end_edge;
    if (near_start) return Drag_Zone::start_edge;
    if (near_end) return Drag_Zone::end_edge;
    return Drag_Zone::body;
}

Drag_Hit find_drag_hit(const Sub_List& subs, int x, int client_width, const Timeline_View& view, int grip) {
    Drag_Hit outside;
    const float scale = view_scale(client_width, view.view_span);
    if (subs.empty() || scale <= 0.0f) return outside;
    for (std::size_t i = first_visible_sub(subs, view.view_start); i < subs.size(); ++i) {
        if (starts_past_view(subs[i], view)) break;
        const std::int32_t x1 = time_to_x(subs[i].start, view.view_start, scale);
        const std::int32_t x2 = time_to_x(subs[i].end, view.view_start, scale);
        const Drag_Zone zone = drag_zone(x, x1, x2, grip);
        if (zone == Drag_Zone::none) continue;
        if (x1 <= x && x <= x2) return {i, zone};
        if (outside.zone == Drag_Zone::none) outside = {i, zone};
    }
    return outside;
}

std::vector<std::uint64_t> snap_targets(const Sub_List& subs, std::uint64_t t, const Snap_Rules& rules,
                                        const std::vector<std::size_t>& dragged) {
    std::vector<std::uint64_t> targets{rules.playhead};
    const std::uint64_t low = t > rules.reach ? t - rules.reach : 0;
    std::size_t first = lower_bound_start(subs, low);
    if (first == no_position) first = subs.size();
    int before = 0;
    for (std::size_t j = first; j > 0 && before < 2; --j) {
        if (is_dragged(dragged, j - 1)) continue;
        targets.push_back(subs[j - 1].start);
        targets.push_back(subs[j - 1].end);
        ++before;
    }
    // Subs that all start within the reach are few unless they are stacked; a few serve.
    int after = 0;
    for (std::size_t j = first; j < subs.size() && subs[j].start <= t + rules.reach && after < 16; ++j) {
        if (is_dragged(dragged, j)) continue;
        targets.push_back(subs[j].start);
        targets.push_back(subs[j].end);
        ++after;
    }
    return targets;
}

bool nearest_target(std::int64_t t, const std::vector<std::uint64_t>& targets, std::uint64_t reach,
                    std::uint64_t& found) {
    bool any = false;
    std::uint64_t best = 0;
    for (std::uint64_t target : targets) {
        const std::uint64_t distance = static_cast<std::uint64_t>(std::llabs(t - static_cast<std::int64_t>(target)));
        if (distance <= reach && (!any || distance < best)) {
            any = true;
            best = distance;
            found = target;
        }
    }
    return any;
}

std::uint64_t round_to_step(std::int64_t t, std::uint64_t step) {
    if (t <= 0) return 0;
    if (step == 0) return clamp_time(t);
    const std::uint64_t u = static_cast<std::uint64_t>(t);
    return std::min((u + step / 2) / step * step, max_srt_time);
}

Drag_Times drag_times(const Drag_Origin& origin, std::int64_t moved, const Snap_Rules& rules, const Sub_List& subs,
                      const std::vector<std::size_t>& dragged) {
    const std::int64_t start = static_cast<std::int64_t>(origin.start);
    const std::int64_t end = static_cast<std::int64_t>(origin.end);
    switch (origin.kind) {
    case Drag_Kind::start_edge:
        return {std::min(land(start + moved, rules, subs, dragged), origin.end), origin.end};
    case Drag_Kind::end_edge:
        return {origin.start, std::max(land(end + moved, rules, subs, dragged), origin.start)};
    case Drag_Kind::create: {
        const std::uint64_t a = land(start, rules, subs, dragged);
        const std::uint64_t b = land(start + moved, rules, subs, dragged);
        return {std::min(a, b), std::max(a, b)};
    }
    case Drag_Kind::body: break;
    }
    std::int64_t delta = moved;
    if (rules.enabled) {
        std::uint64_t at_start = 0, at_end = 0, start_distance = 0, end_distance = 0;
        const bool start_caught = caught(start + moved, rules, subs, dragged, at_start, start_distance);
        const bool end_caught = caught(end + moved, rules, subs, dragged, at_end, end_distance);
        if (start_caught && (!end_caught || start_distance <= end_distance))
            delta = static_cast<std::int64_t>(at_start) - start;
        else if (end_caught)
            delta = static_cast<std::int64_t>(at_end) - end;
        else
            delta = static_cast<std::int64_t>(round_to_step(start + moved, rules.step)) - start;
    }
    delta = std::clamp(delta, -static_cast<std::int64_t>(origin.earliest_start),
                       static_cast<std::int64_t>(max_srt_time) - static_cast<std::int64_t>(origin.latest_end));
    return {static_cast<std::uint64_t>(start + delta), static_cast<std::uint64_t>(end + delta)};
}

std::int64_t pointer_moved_ms(int press_x, int x, int client_width, std::uint32_t view_span) {
    if (client_width <= 0) return 0;
    return std::llround(static_cast<double>(x - press_x) * view_span / client_width);
}

std::uint64_t snap_reach_ms(int client_width, std::uint32_t view_span, int pixels) {
    if (client_width <= 0) return 1;
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::llround(double{static_cast<double>(pixels)} * view_span / client_width)));
}
