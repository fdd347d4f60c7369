#pragma once
// One sub split in two, and subs that follow each other joined into one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/history.h"
#include "core/sub_list.h"

/// Where a text is cut: the first part is [0, first_end), the second [second_start, end),
/// each without the white space at its ends.
struct Text_Cut {
    std::size_t first_end = 0;
    std::size_t second_start = 0;
};

/// At the line break of a text of two lines; otherwise at the gap between words (spaces or a
/// line break) that leaves the parts nearest in length, the earlier of two alike; with no
/// gap, after the middle character. Lengths are in characters: a surrogate pair is one.
/// False when the text cannot give two parts that are not blank.
bool find_cut(std::u16string_view text, Text_Cut& cut);

/// The two subs that `sub` becomes. The second starts at the time of the cut and the first
/// ends a millisecond before it, so that they do not touch: at `at` when it lies inside the
/// sub (after its start, before its end), else where the characters of the parts divide the
/// length. A sub without length gives both parts its times. False when the text cannot be cut.
bool split_sub(const Sub_Item& sub, std::optional<std::uint64_t> at, Sub_Item& first, Sub_Item& second);
/// The step "split": sub `k` out, its two parts in at k and k + 1.
bool split_step(const Sub_List& subs, std::size_t k, std::optional<std::uint64_t> at, History_Step& step);

/// One sub from `count` subs from `first` on: from the earliest start to the latest end (the
/// first start and the last end in a list in order), each text on lines of its own, blank
/// texts left out.
Sub_Item join_subs(const Sub_List& subs, std::size_t first, std::size_t count);
/// The step "join N subs" for `rows` (ascending); false unless they are two or more that
/// follow each other in the list.
bool join_step(const Sub_List& subs, const std::vector<std::size_t>& rows, History_Step& step);
