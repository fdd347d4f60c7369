#include "core/split_join.h"

#include <algorithm>

#include "core/code_points.h"
#include "io/strings.h"

namespace {

// The length of the character at `i` in units: a surrogate pair and a "\r\n" are one each.
std::size_t character_length(std::u16string_view text, std::size_t i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') return 2;
    std::size_t length = 1;
    code_point_at(text, i, length);
    return length;
}

std::size_t characters(std::u16string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); i += character_length(text, i)) ++n;
    return n;
}

std::size_t difference(std::size_t a, std::size_t b) { return a > b ? a - b : b - a; }

}  // namespace

bool find_cut(std::u16string_view text, Text_Cut& cut) {
    const std::u16string_view words = trimmed(text);
    if (words.empty()) return false;
    const std::size_t lo = static_cast<std::size_t>(words.data() - text.data()), hi = lo + words.size();

    const std::size_t line_break = text.find(u"\r\n");
    if (line_break != std::u16string_view::npos && text.find(u"\r\n", line_break + 2) == std::u16string_view::npos &&
        line_break > lo && line_break + 2 < hi) {
        cut = {line_break, line_break + 2};
        return true;
    }

    // Every gap lies between words here, so both parts of any of them are words.
    const std::size_t total = characters(words);
    bool found = false;
    std::size_t best = 0, before = 0;
    for (std::size_t i = lo; i < hi;) {
        if (!is_space(text[i])) {
            i += character_length(text, i);
            ++before;
            continue;
        }
        std::size_t j = i, gap = 0;
        for (; j < hi && is_space(text[j]); j += character_length(text, j)) ++gap;
        const std::size_t balance = difference(before, total - before - gap);
        if (!found || balance < best) {
            found = true;
            best = balance;
            cut = {i, j};
        }
        before += gap;
        i = j;
    }
    if (found) return true;

    // One word: after its middle character.
    if (total < 2) return false;
    std::size_t at = lo;
    for (std::size_t k = 0; k < (total + 1) / 2; ++k) at += character_length(text, at);
    cut = {at, at};
    return true;
}

bool split_sub(const Sub_Item& sub, std::optional<std::uint64_t> at, Sub_Item& first, Sub_Item& second) {
    Text_Cut cut;
    if (!find_cut(sub.text, cut)) return false;
    const std::u16string_view text = sub.text;
    first.text = trimmed(text.substr(0, cut.first_end));
    second.text = trimmed(text.substr(cut.second_start));
    const std::uint64_t start = sub.start, end = sub.end;
    if (end <= start) {
        first.start = second.start = start;
        first.end = second.end = end;
        return true;
    }
    std::uint64_t t = 0;
    if (at && *at > start && *at < end) {
        t = *at;
    } else {
        const double n1 = static_cast<double>(characters(first.text)), n2 = static_cast<double>(characters(second.text));
        t = start + static_cast<std::uint64_t>(static_cast<double>(end - start) * n1 / (n1 + n2) + 0.5);
        t = std::clamp(t, start + 1, end);
    }
    first.start = start;
    first.end = t - 1;
    second.start = t;
    second.end = end;
    return true;
}

bool split_step(const Sub_List& subs, std::size_t k, std::optional<std::uint64_t> at, History_Step& step) {
    Sub_Item first, second;
    if (k >= subs.size() || !split_sub(subs[k], at, first, second)) return false;
    step = {u"split", {k}, {subs[k]}, {k, k + 1}, {first, second}, 0};
    return true;
}

Sub_Item join_subs(const Sub_List& subs, std::size_t first, std::size_t count) {
    Sub_Item joined{subs[first].start, subs[first].end, {}};
    for (std::size_t k = first; k < first + count; ++k) {
        const Sub_Item& sub = subs[k];
        joined.start = std::min(joined.start, sub.start);
        joined.end = std::max(joined.end, sub.end);
        // A blank line would end the block in the saved file.
        if (trimmed(sub.text).empty()) continue;
        if (!joined.text.empty()) joined.text += u"\r\n";
        joined.text += sub.text;
    }
    return joined;
}

bool join_step(const Sub_List& subs, const std::vector<std::size_t>& rows, History_Step& step) {
    if (rows.size() < 2 || rows.back() >= subs.size()) return false;
    for (std::size_t k = 1; k < rows.size(); ++k)
        if (rows[k] != rows[0] + k) return false;
    step = {format(u"join %u subs", static_cast<unsigned long long>(rows.size())), rows, {}, {rows[0]},
            {join_subs(subs, rows[0], rows.size())}, 0};
    step.removed.assign(subs.begin() + static_cast<std::ptrdiff_t>(rows[0]),
                        subs.begin() + static_cast<std::ptrdiff_t>(rows[0] + rows.size()));
    return true;
}
