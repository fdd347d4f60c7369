#pragma once
// The document: an array of subs, and the operations the program performs on it.
//
// Operations that add or move subs keep the list in ascending order of `start`. Lists read
// from a file keep the file's order; the time searches assume ascending order and on any
// other list still return a valid position or no_position, just not a meaningful one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/sub_item.h"

using Sub_List = std::vector<Sub_Item>;

/// The position of a search that found nothing: all bits set.
inline constexpr std::size_t no_position = static_cast<std::size_t>(-1);

/// First sub whose start >= t, or no_position.
std::size_t lower_bound_start(const Sub_List& list, std::uint64_t t);
/// The sub to show at t (start and end both included): only the sub with the latest start at
/// or before t is considered, the first of several starting exactly at t. no_position if none.
std::size_t find_at(const Sub_List& list, std::uint64_t t);
/// Number of subs whose start >= t.
std::size_t count_from(const Sub_List& list, std::uint64_t t);
/// The times of a sub inserted at t that lasts `length` ms (a negative length counts as 0),
/// kept within max_srt_time.
Sub_Item new_sub_at(std::uint64_t t, std::int64_t length);
/// Inserts ahead of any sub with an equal or later start; returns the position.
std::size_t insert_sorted(Sub_List& list, Sub_Item item);
/// After the start of sub i changed: moves it back behind subs with an equal start, or forward
/// ahead of them, and returns its new position (no_position when i is out of range).
std::size_t reposition(Sub_List& list, std::size_t i);
/// Where `reposition` would put sub i if its start were `start` (no_position when i is out of
/// range): the place to insert it at once sub i is taken out.
std::size_t reposition_target(const Sub_List& list, std::size_t i, std::uint64_t start);
/// Erases the subs at the given positions; out-of-range and repeated positions are ignored.
void remove_positions(Sub_List& list, const std::vector<std::size_t>& positions);
/// Positions in run-length form: entry k of the list is the position of the run that holds it.
/// A file of subs that all overlap each other has n(n-1)/2 entries but only n runs.
class Overlap_List {
public:
    struct Run {
        std::size_t position;
        std::uint64_t count;
    };
    Overlap_List() = default;
    /// One entry per element, equal neighbours joined into runs.
    static Overlap_List of_positions(const std::vector<std::size_t>& positions);
    /// Appends `count` entries of `position`; a count of 0 adds nothing.
    void add(std::size_t position, std::uint64_t count);
    std::uint64_t size() const { return total; }
    bool empty() const { return total == 0; }
    const std::vector<Run>& runs() const { return run_list; }
    /// The position of entry `entry` (< size()).
    std::size_t position_at(std::uint64_t entry) const;
    /// Every entry, spelled out: for small lists and tests.
    std::vector<std::size_t> entries() const;
    /// The distinct positions in the order of their first entry.
    std::vector<std::size_t> positions() const;

private:
    std::vector<Run> run_list;
    std::vector<std::uint64_t> first_entry;  ///< of each run
    std::uint64_t total = 0;
};

/// The earlier sub of every overlapping pair (touching counts), once per later sub it overlaps.
Overlap_List find_overlaps(const Sub_List& list);
/// Ends every overlapping sub 100 ms before the next sub starts, but never below its own start
/// (and never below zero). Starts and order are unchanged.
void fix_overlaps(Sub_List& list);
/// Ascending positions of the subs whose text holds the needle, ignoring case. An empty needle
/// is found in every sub.
std::vector<std::size_t> find_text(const Sub_List& list, std::u16string_view needle);
/// Appends copies of the other list's subs, then sorts by start (subs with equal starts keep
/// their relative order). `other` may be `list` itself.
void merge_into(Sub_List& list, const Sub_List& other);
/// Same length, and equal start, end and text (case-sensitive) at every position.
bool lists_equal(const Sub_List& a, const Sub_List& b);

/// The columns a list of subs shows.
enum class Sub_Column { number, start, end, length, text };
/// What a list shows of sub `position` in `column`: "0007", "0:01:05.250", the length as
/// "04.500", the text on one line ("\r\n" shown as "|"). Empty past the end.
std::u16string sub_row_text(const Sub_List& list, std::size_t position, Sub_Column column);
