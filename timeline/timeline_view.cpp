#include "timeline/timeline_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/sub_item.h"
#include "io/strings.h"

namespace {

// Single precision, half away from zero, saturated to 32 bits.
std::int32_t round_to_int(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483520.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(std::lround(v));
}

std::int32_t clamp_to_int32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

constexpr std::uint64_t step_table[] = {
    7200000, 3600000, 1800000, 900000, 600000, 300000, 120000, 60000, 30000, 15000, 10000,
    5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2,
};

}  // namespace

std::int32_t clamp_view_start(std::int64_t start, std::int32_t range_end, std::uint32_t view_span) {
    const std::int64_t highest = std::max<std::int64_t>(
        0, static_cast<std::int64_t>(range_end) - static_cast<std::int64_t>(view_span) + 1);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(start, 0, highest));
}

float view_scale(int client_width, std::uint32_t view_span) {
    if (client_width <= 0 || view_span == 0) return 0.0f;
    return static_cast<float>(client_width) / static_cast<float>(view_span);
}

std::int32_t time_to_x(std::uint64_t t, std::int32_t view_start, float scale) {
    const std::int64_t diff = static_cast<std::int64_t>(t) - view_start;
    return round_to_int(static_cast<float>(diff) * scale);
}

std::uint64_t min_label_step(float scale) {
    if (!(scale > 0.0f)) return 0;
    const float step = std::ceil(65.0f / scale);
    if (step >= 1.8e19f) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(step);
}

std::uint64_t ruler_step(std::uint64_t min_step) {
    for (std::uint64_t e : step_table)
        if (min_step >= e) return (min_step + e - 1) / e * e;
    return min_step;
}

std::uint64_t first_ruler_time(std::int32_t view_start, std::uint64_t step) {
    if (step == 0) return 0;
    const std::uint64_t start = view_start > 0 ? static_cast<std::uint64_t>(view_start) : 0;
    std::uint64_t t = (start + step - 1) / step * step;
    if (t >= step) t -= step;
    return t;
}

std::u16string ruler_label(std::uint64_t t, std::uint64_t step) {
    const Timecode tc = ms_to_timecode(t);
    if (step >= 60000) return format(u"%u:%02u", unsigned{tc.hours}, unsigned{tc.minutes});
    if (step >= 1000) return format_hms(tc);
    if (step >= 100) {
        const unsigned tenths = static_cast<unsigned>(std::lround(tc.milliseconds / 100.0f));
        return format(u"%u:%02u:%02u.%u", unsigned{tc.hours}, unsigned{tc.minutes},
                      unsigned{tc.seconds}, tenths);
    }
    return format_clock_time(tc);
}

std::size_t first_visible_sub(const Sub_List& subs, std::int32_t view_start) {
    if (subs.empty()) return 0;
    const std::uint64_t t = view_start > 0 ? static_cast<std::uint64_t>(view_start) : 0;
    std::size_t first = lower_bound_start(subs, t);
    if (first == no_position) first = subs.size();
    return first > 0 ? first - 1 : 0;
}

bool starts_past_view(const Sub_Item& sub, const Timeline_View& view) {
    const std::int64_t limit = static_cast<std::int64_t>(view.view_start) + view.view_span - 1;
    return limit < 0 || sub.start >= static_cast<std::uint64_t>(limit);
}

bool touches_next(const Sub_List& subs, std::size_t i) {
    return i + 1 < subs.size() && subs[i].end >= subs[i + 1].start;
}

std::int32_t scroll_line(std::uint32_t view_span) {
    return std::max<std::int32_t>(1, twentieth(view_span));
}

std::int32_t twentieth(std::uint32_t view_span) {
    return round_to_int(static_cast<float>(view_span) * 0.05f);
}

bool zoom_span(std::uint32_t view_span, std::int32_t range_end, bool zoom_in, std::uint32_t& span) {
    if (view_span < 21 && zoom_in) return false;
    const std::int64_t step =
        std::max<std::int32_t>(1, round_to_int(static_cast<float>(view_span) * 0.2f));
    std::int64_t next = zoom_in ? static_cast<std::int64_t>(view_span) - step
                                : static_cast<std::int64_t>(view_span) + step;
    next = std::max<std::int64_t>(next, 20);
    next = std::min<std::int64_t>(next, static_cast<std::int64_t>(range_end) + 1);
    span = next > 0 ? static_cast<std::uint32_t>(next) : 0;
    return true;
}

Timeline_View zoom_view(const Timeline_View& view, std::uint64_t playhead, bool zoom_in) {
    Timeline_View next = view;
    if (!zoom_span(view.view_span, view.range_end, zoom_in, next.view_span)) return view;
    const std::int64_t start = static_cast<std::int64_t>(std::min<std::uint64_t>(playhead, 1ull << 40)) -
                               static_cast<std::int64_t>(next.view_span / 2);
    next.view_start = clamp_view_start(start, next.range_end, next.view_span);
    return next;
}

std::uint64_t playhead_from_x(int x, int client_width, const Timeline_View& view) {
    if (client_width <= 0) return view.view_start > 0 ? static_cast<std::uint64_t>(view.view_start) : 0;
    const float offset =
        static_cast<float>(x) / static_cast<float>(client_width) * static_cast<float>(view.view_span);
    const std::int32_t t = clamp_to_int32(static_cast<std::int64_t>(round_to_int(offset)) + view.view_start);
    return t > 0 ? static_cast<std::uint64_t>(t) : 0;
}

void home_end(Timeline_View& view, std::uint64_t& playhead, bool end, bool ctrl) {
    const std::uint64_t view_start = view.view_start > 0 ? static_cast<std::uint64_t>(view.view_start) : 0;
    if (ctrl) {
        if (end) {
            playhead = view.range_end > 0 ? static_cast<std::uint64_t>(view.range_end) : 0;
            view.view_start = clamp_view_start(
                static_cast<std::int64_t>(view.range_end) - static_cast<std::int64_t>(view.view_span),
                view.range_end, view.view_span);
        } else {
            playhead = 0;
            view.view_start = 0;
        }
    } else if (end) {
        const std::uint64_t right = view_start + view.view_span;
        playhead = right > 0 ? right - 1 : 0;
    } else {
        playhead = view_start;
    }
}

bool page_move(Timeline_View& view, std::uint64_t& playhead, bool forward) {
    const std::int64_t step = twentieth(view.view_span);
    const std::int64_t here = static_cast<std::int64_t>(std::min<std::uint64_t>(playhead, 1ull << 40));
    const std::int32_t p = clamp_to_int32(forward ? here + step : here - step);
    if (p < 0)
        playhead = 0;
    else
        playhead = static_cast<std::uint64_t>(std::min<std::int64_t>(p, std::max(0, view.range_end)));

    const std::int64_t left = view.view_start;
    const std::int64_t right = left + static_cast<std::int64_t>(view.view_span) - 1;
    const std::int64_t at = static_cast<std::int64_t>(playhead);
    if (at >= left && at <= right) return false;
    const std::uint64_t back = forward ? view.view_span / 10 : static_cast<std::uint64_t>(view.view_span) * 9 / 10;
    std::int64_t start = at - static_cast<std::int64_t>(back);
    start = std::min<std::int64_t>(start, static_cast<std::int64_t>(view.range_end) - view.view_span);
    start = std::max<std::int64_t>(start, 0);
    const std::int32_t applied = clamp_view_start(start, view.range_end, view.view_span);
    const bool moved = applied != view.view_start;
    view.view_start = applied;
    return moved;
}

bool menu_at_playhead(Timeline_View& view, std::uint64_t playhead, int client_width, int& x) {
    const std::int64_t line = twentieth(view.view_span);
    const std::int64_t at = static_cast<std::int64_t>(std::min<std::uint64_t>(playhead, 1ull << 40));
    std::int64_t start = view.view_start;
    bool scrolled = false;
    if (at < start) {
        start = at - line;
        scrolled = true;
    } else if (at > start + view.view_span) {
        start = at - view.view_span + line;
        scrolled = true;
    }
    if (scrolled) view.view_start = clamp_view_start(start, view.range_end, view.view_span);
    // x comes from the start before clamping: near the ends the menu keeps 5 % from the edge.
    if (view.view_span == 0) {
        x = 0;
    } else {
        const float part = static_cast<float>(at - start) / static_cast<float>(view.view_span);
        x = round_to_int(part * static_cast<float>(client_width));
    }
    return scrolled;
}

std::uint64_t effective_snap(std::int64_t snap) {
    return snap > 0 ? static_cast<std::uint64_t>(snap) : 100;
}

void follow_move(std::vector<std::size_t>& set, std::size_t from, std::size_t to) {
    for (std::size_t& e : set) {
        if (e == from)
            e = to;
        else if (from < to && e > from && e <= to)
            --e;
        else if (to < from && e >= to && e < from)
            ++e;
    }
}
