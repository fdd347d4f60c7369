#include "core/sub_list.h"

#include <algorithm>
#include <string>

#include "io/strings.h"

std::size_t lower_bound_start(const Sub_List& list, std::uint64_t t) {
    // Own binary search: well defined (and in range) even on a list that is not sorted.
    std::size_t lo = 0;
    std::size_t hi = list.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (list[mid].start < t)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < list.size() ? lo : no_position;
}

std::size_t find_at(const Sub_List& list, std::uint64_t t) {
    if (list.empty())
        return no_position;
    const std::size_t p = lower_bound_start(list, t);
    if (p == no_position)
        return list.back().end >= t ? list.size() - 1 : no_position;
    if (list[p].start == t)
        return p;
    if (p > 0 && list[p - 1].end >= t)
        return p - 1;
    return no_position;
}

std::size_t count_from(const Sub_List& list, std::uint64_t t) {
    const std::size_t p = lower_bound_start(list, t);
    return p == no_position ? 0 : list.size() - p;
}

Sub_Item new_sub_at(std::uint64_t t, std::int64_t length) {
    Sub_Item sub;
    sub.start = std::min(t, max_srt_time);
    const std::uint64_t span = length > 0 ? static_cast<std::uint64_t>(length) : 0;
    sub.end = span > max_srt_time - sub.start ? max_srt_time : sub.start + span;
    return sub;
}

std::size_t insert_sorted(Sub_List& list, Sub_Item item) {
    std::size_t p = lower_bound_start(list, item.start);
    if (p == no_position)
        p = list.size();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(p), std::move(item));
    return p;
}

std::size_t reposition_target(const Sub_List& list, std::size_t i, std::uint64_t start) {
    if (i >= list.size())
        return no_position;
    std::size_t k = i;
    while (k > 0 && list[k - 1].start > start)
        --k;
    if (k < i)
        return k;
    while (k + 1 < list.size() && list[k + 1].start < start)
        ++k;
    return k;
}

std::size_t reposition(Sub_List& list, std::size_t i) {
    const std::size_t k = reposition_target(list, i, i < list.size() ? list[i].start : 0);
    const auto at = [&list](std::size_t n) { return list.begin() + static_cast<std::ptrdiff_t>(n); };
    if (k != no_position && k < i)
        std::rotate(at(k), at(i), at(i + 1));
    else if (k != no_position && k > i)
        std::rotate(at(i), at(i + 1), at(k + 1));
    return k;
}

void remove_positions(Sub_List& list, const std::vector<std::size_t>& positions) {
    if (positions.empty() || list.empty())
        return;
    std::vector<bool> doomed(list.size(), false);
    for (std::size_t p : positions)
        if (p < list.size())
            doomed[p] = true;
    // One compaction pass instead of one erase per position.
    std::size_t out = 0;
    for (std::size_t in = 0; in < list.size(); ++in) {
        if (doomed[in])
            continue;
        if (out != in)
            list[out] = std::move(list[in]);
        ++out;
    }
    list.resize(out);
}

Overlap_List Overlap_List::of_positions(const std::vector<std::size_t>& positions) {
    Overlap_List list;
    for (std::size_t p : positions) list.add(p, 1);
    return list;
}

void Overlap_List::add(std::size_t position, std::uint64_t count) {
    if (count == 0) return;
    if (!run_list.empty() && run_list.back().position == position) {
        run_list.back().count += count;
    } else {
        run_list.push_back({position, count});
        first_entry.push_back(total);
    }
    total += count;
}

std::size_t Overlap_List::position_at(std::uint64_t entry) const {
    const auto after = std::upper_bound(first_entry.begin(), first_entry.end(), entry);
    return run_list[static_cast<std::size_t>(after - first_entry.begin()) - 1].position;
}

std::vector<std::size_t> Overlap_List::entries() const {
    std::vector<std::size_t> result;
    for (const Run& run : run_list) result.insert(result.end(), run.count, run.position);
    return result;
}

std::vector<std::size_t> Overlap_List::positions() const {
    std::vector<std::size_t> result;
    for (const Run& run : run_list)
        if (result.empty() || result.back() != run.position) result.push_back(run.position);
    return result;
}

Overlap_List find_overlaps(const Sub_List& list) {
    Overlap_List result;
    if (list.size() < 2)
        return result;
    const auto by_start = [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; };
    // Sorted (every list the program makes): the overlapped subs after i are those up to the
    // first start past its end, found by halving. A file's own order is scanned sub by sub.
    const bool sorted = std::is_sorted(list.begin(), list.end(), by_start);
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        std::size_t j = i + 1;
        if (sorted) {
            j = static_cast<std::size_t>(
                std::upper_bound(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, list.end(), list[i].end,
                                 [](std::uint64_t end, const Sub_Item& s) { return end < s.start; }) -
                list.begin());
        } else {
            while (j < list.size() && list[i].end >= list[j].start) ++j;
        }
        result.add(i, j - i - 1);
    }
    return result;
}

void fix_overlaps(Sub_List& list) {
    if (list.size() < 2)
        return;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        Sub_Item& sub = list[i];
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            const std::uint64_t next = list[j].start;
            if (sub.end < next)
                break;
            // 100 ms of gap where there is room; a sub that starts too close to the next
            // one is cut to zero length rather than ending before it starts (or wrapping).
            const std::uint64_t wanted = next >= 100 ? next - 100 : 0;
            sub.end = std::max(sub.start, wanted);
        }
    }
}

std::vector<std::size_t> find_text(const Sub_List& list, std::u16string_view needle) {
    std::vector<std::size_t> result;
    std::u16string upper_needle(needle);
    to_upper(upper_needle);
    std::u16string upper_text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        upper_text = list[i].text;
        to_upper(upper_text);
        if (upper_text.find(upper_needle) != std::u16string::npos)
            result.push_back(i);
    }
    return result;
}

void merge_into(Sub_List& list, const Sub_List& other) {
    if (&other == &list) {
        const Sub_List copy = other;
        list.insert(list.end(), copy.begin(), copy.end());
    } else {
        list.insert(list.end(), other.begin(), other.end());
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; });
}

bool lists_equal(const Sub_List& a, const Sub_List& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].start != b[i].start || a[i].end != b[i].end || a[i].text != b[i].text)
            return false;
    }
    return true;
}

std::u16string sub_row_text(const Sub_List& list, std::size_t position, Sub_Column column) {
    if (position >= list.size()) return {};
    const Sub_Item& sub = list[position];
    switch (column) {
    case Sub_Column::number: return format_sub_number(position + 1);
    case Sub_Column::start: return format_clock_time(ms_to_timecode(sub.start));
    case Sub_Column::end: return format_clock_time(ms_to_timecode(sub.end));
    case Sub_Column::length: return format_duration(sub);
    case Sub_Column::text: break;
    }
    std::u16string text = sub.text;
    replace_all(text, u"\r\n", u"|");
    return text;
}
