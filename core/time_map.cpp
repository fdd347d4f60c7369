#include "core/time_map.h"

#include <algorithm>
#include <utility>

#include "io/strings.h"

namespace {

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Digits only, at most `most` of them (0: any number up to 12).
bool read_number(std::u16string_view text, std::size_t most, std::uint64_t& value) {
    if (text.empty() || text.size() > (most ? most : 12)) return false;
    value = 0;
    for (char16_t c : text) {
        if (!is_digit(c)) return false;
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return true;
}

// Whole and decimal digits of "12.345" (the point may be a comma); up to `decimals` of them.
bool read_decimal(std::u16string_view text, std::size_t decimals, std::uint64_t& whole, std::uint64_t& fraction,
                  std::size_t& digits) {
    const std::size_t point = text.find_first_of(u".,");
    fraction = 0;
    digits = 0;
    if (point == std::u16string_view::npos) return read_number(text, 0, whole);
    const std::u16string_view after = text.substr(point + 1);
    if (!read_number(text.substr(0, point), 0, whole) || after.size() > decimals ||
        (!after.empty() && !read_number(after, decimals, fraction)))
        return false;
    digits = after.size();
    return true;
}

// x * num / den rounded to the nearest whole number, halves away from zero.
std::int64_t scaled(std::int64_t x, std::int64_t num, std::int64_t den) {
    if (den == 1) return x * num;
    constexpr std::int64_t small = std::int64_t{1} << 31;
    if (x > -small && x < small && num > -small && num < small) {
        // Without 128-bit division, which is a library call on some targets: a whole file
        // re-timed maps every start and end.
        const std::int64_t product = x * num;
        return product >= 0 ? (product + den / 2) / den : -((-product + den / 2) / den);
    }
    const __int128 product = static_cast<__int128>(x) * num;
    const __int128 half = den / 2;
    const __int128 q = product >= 0 ? (product + half) / den : -((-product + half) / den);
    return static_cast<std::int64_t>(q);
}

}  // namespace

bool parse_signed_time(std::u16string_view text, std::int64_t& ms) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    std::vector<std::u16string_view> fields;
    for (std::size_t from = 0;;) {
        const std::size_t colon = text.find(u':', from);
        fields.push_back(text.substr(from, colon == std::u16string_view::npos ? colon : colon - from));
        if (colon == std::u16string_view::npos) break;
        from = colon + 1;
    }
    if (fields.size() > 3) return false;
    std::uint64_t seconds = 0, fraction = 0;
    std::size_t digits = 0;
    if (!read_decimal(fields.back(), 3, seconds, fraction, digits)) return false;
    while (digits++ < 3) fraction *= 10;
    std::uint64_t total = seconds * 1000 + fraction;
    if (fields.size() > 1) {
        // Minutes and seconds past the first field are clock fields: two digits at most, below 60.
        std::uint64_t minutes = 0, hours = 0;
        const std::size_t point = fields.back().find_first_of(u".,");
        if ((point == std::u16string_view::npos ? fields.back().size() : point) > 2 || seconds > 59) return false;
        const std::u16string_view minute_field = fields[fields.size() - 2];
        if (!read_number(minute_field, fields.size() == 3 ? 2 : 4, minutes)) return false;
        if (fields.size() == 3 && (minutes > 59 || !read_number(fields[0], 2, hours))) return false;
        total += (hours * 60 + minutes) * 60000;
    }
    if (total > max_srt_time) return false;
    ms = negative ? -static_cast<std::int64_t>(total) : static_cast<std::int64_t>(total);
    return true;
}

std::u16string format_signed_time(std::int64_t ms) {
    const std::uint64_t size = ms < 0 ? static_cast<std::uint64_t>(-ms) : static_cast<std::uint64_t>(ms);
    std::u16string text = format_clock_time(ms_to_timecode(size));
    if (ms < 0) text.insert(text.begin(), u'-');
    return text;
}

bool parse_frame_rate(std::u16string_view text, Frame_Rate& rate) {
    std::uint64_t whole = 0, fraction = 0;
    std::size_t digits = 0;
    if (!read_decimal(trimmed(text), 5, whole, fraction, digits) || whole > 1000) return false;
    std::uint64_t den = 1;
    for (std::size_t k = 0; k < digits; ++k) den *= 10;
    const std::uint64_t num = whole * den + fraction;
    if (num == 0 || num > 1000 * den) return false;
    rate = {num, den};
    // The NTSC rates, typed as 23.976, 29.97 or 59.94, are n * 1000 / 1001 exactly.
    if (num % den != 0) {
        const std::uint64_t n = (num * 1001 + 500 * den) / (1000 * den);
        const std::uint64_t exact = n * 1000 * den;
        const std::uint64_t off = num * 1001 > exact ? num * 1001 - exact : exact - num * 1001;
        if (n > 0 && off < den) rate = {n * 1000, 1001};
    }
    return true;
}

bool same_rate(Frame_Rate a, Frame_Rate b) {
    return static_cast<__int128>(a.num) * b.den == static_cast<__int128>(b.num) * a.den;
}

std::u16string format_frame_rate(Frame_Rate rate) {
    if (rate.den == 0) return u"0";
    const std::uint64_t thousandths = (rate.num * 1000 + rate.den / 2) / rate.den;
    std::u16string text = format(u"%u.%03u", static_cast<unsigned long long>(thousandths / 1000),
                                 static_cast<unsigned>(thousandths % 1000));
    while (text.back() == u'0') text.pop_back();
    if (text.back() == u'.') text.pop_back();
    return text;
}

Time_Map Time_Map::shift(std::int64_t ms) {
    Time_Map map;
    map.lines.push_back({0, ms, 1, 1});
    return map;
}

Time_Map Time_Map::frame_rate(Frame_Rate from, Frame_Rate to) {
    Time_Map map;
    map.lines.push_back({0, 0, static_cast<std::int64_t>(from.num * to.den), static_cast<std::int64_t>(from.den * to.num)});
    return map;
}

bool Time_Map::through(std::vector<Sync_Point> points, Time_Map& map) {
    if (points.empty()) return false;
    std::sort(points.begin(), points.end(), [](const Sync_Point& a, const Sync_Point& b) { return a.from < b.from; });
    map.lines.clear();
    if (points.size() == 1) {
        map.lines.push_back({0, static_cast<std::int64_t>(points[0].to) - static_cast<std::int64_t>(points[0].from), 1, 1});
        return true;
    }
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        const Sync_Point& a = points[k];
        const Sync_Point& b = points[k + 1];
        if (b.from <= a.from || b.to <= a.to) return false;
        map.lines.push_back({static_cast<std::int64_t>(a.from), static_cast<std::int64_t>(a.to),
                             static_cast<std::int64_t>(b.to - a.to), static_cast<std::int64_t>(b.from - a.from)});
    }
    return true;
}

Time_Map Time_Map::pieces(Frame_Rate from, Frame_Rate to, const std::vector<Map_Piece>& pieces) {
    Time_Map map = frame_rate(from, to);
    const Line ratio = map.lines.front();
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const std::int64_t at = static_cast<std::int64_t>(pieces[k].from);
        const Line line{at, scaled(at, ratio.num, ratio.den) + pieces[k].shift, ratio.num, ratio.den};
        if (k == 0) {
            map.lines.front() = line;
        } else {
            map.lines.push_back(line);
        }
    }
    return map;
}

std::int64_t Time_Map::operator()(std::uint64_t t) const {
    if (lines.empty()) return static_cast<std::int64_t>(t);
    // The line that starts at or before t; before the first, the first one extended.
    std::size_t k = lines.size() - 1;
    while (k > 0 && static_cast<std::int64_t>(t) < lines[k].from) --k;
    const Line& line = lines[k];
    return line.to + scaled(static_cast<std::int64_t>(t) - line.from, line.num, line.den);
}

Retiming retime(const Sub_List& list, const std::vector<std::size_t>& rows, const Time_Map& map,
                std::u16string name) {
    Retiming result;
    History_Step& step = result.step;
    step.name = std::move(name);
    const auto fits = [](std::int64_t t) { return t >= 0 && static_cast<std::uint64_t>(t) <= max_srt_time; };
    // The new times of the chosen subs, and whether the document stays sorted by start with them.
    std::vector<Time_Change>& changed = step.retimed;
    changed.reserve(rows.size());
    bool sorted = true;
    for (std::size_t row : rows) {
        if (row >= list.size()) continue;
        const Sub_Item& sub = list[row];
        const std::int64_t start = map(sub.start), end = map(sub.end);
        if (!fits(start) || !fits(end)) {
            ++result.out_of_range;
        } else if (static_cast<std::uint64_t>(start) != sub.start || static_cast<std::uint64_t>(end) != sub.end) {
            changed.push_back({row, sub.start, sub.end, static_cast<std::uint64_t>(start), static_cast<std::uint64_t>(end)});
        }
    }
    if (result.out_of_range > 0) changed.clear();
    if (changed.empty()) return result;
    const auto new_start = [&](std::size_t row, std::size_t& next) {
        while (next < changed.size() && changed[next].at < row) ++next;
        return next < changed.size() && changed[next].at == row ? changed[next].start_after : list[row].start;
    };
    std::size_t next = 0;
    // (A file's own order is kept where it is not sorted: only pairs the change turns over count.)
    for (std::size_t row = 1, previous = new_start(0, next); row < list.size() && sorted; ++row) {
        const std::uint64_t start = new_start(row, next);
        sorted = previous <= start || list[row - 1].start > list[row].start;
        previous = start;
    }
    if (sorted) {
        // Every sub keeps its place: only times change, and no text is copied.
        step.keeps_selection = true;
        return result;
    }

    // Some change places: those are taken out and put in where the document is sorted by start
    // again, equal starts in their old order, merged with the others, which keep theirs.
    std::vector<std::pair<std::size_t, Sub_Item>> moving;
    for (const Time_Change& c : changed) {
        step.removed_at.push_back(c.at);
        step.removed.push_back(list[c.at]);
        moving.push_back({c.at, {c.start_after, c.end_after, list[c.at].text}});
    }
    changed.clear();
    std::stable_sort(moving.begin(), moving.end(),
                     [](const auto& a, const auto& b) { return a.second.start < b.second.start; });
    std::vector<std::size_t> place(list.size());
    std::size_t next_moving = 0, next_removed = 0, at = 0;
    for (std::size_t old = 0; old < list.size() || next_moving < moving.size();) {
        while (next_removed < step.removed_at.size() && step.removed_at[next_removed] < old) ++next_removed;
        if (old < list.size() && next_removed < step.removed_at.size() && step.removed_at[next_removed] == old) {
            ++old;  // its new place comes with the re-timed subs
            continue;
        }
        const bool take_moving =
            next_moving < moving.size() &&
            (old >= list.size() || moving[next_moving].second.start < list[old].start ||
             (moving[next_moving].second.start == list[old].start && moving[next_moving].first < old));
        if (take_moving) {
            auto& [row, sub] = moving[next_moving++];
            place[row] = at;
            step.inserted_at.push_back(at);
            step.inserted.push_back(std::move(sub));
        } else {
            place[old++] = at;
        }
        ++at;
    }
    result.moved = std::move(place);
    return result;
}
