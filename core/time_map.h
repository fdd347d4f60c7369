#pragma once
// Re-timing a whole file: a shift, a change of frame rate, or straight lines through sync
// points, and the history step that applies one to chosen subs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/history.h"
#include "core/sub_list.h"

/// A signed amount of time as typed: "2.5", "-1.200", "+0:01:02.345", "-0:00:00.040", "1:05"
/// (seconds with up to three decimals, or minutes and seconds, or hours, minutes and seconds;
/// a comma may stand for the point). False for anything else or more than 99:59:59.999.
bool parse_signed_time(std::u16string_view text, std::int64_t& ms);
/// "-0:00:02.500", "0:01:02.345".
std::u16string format_signed_time(std::int64_t ms);

/// A frame rate as an exact ratio: "23.976" is 24000/1001, as are 29.97 and 59.94 theirs.
struct Frame_Rate {
    std::uint64_t num = 0;
    std::uint64_t den = 1;
};
/// A positive rate of at most 1000 frames a second with up to five decimals.
bool parse_frame_rate(std::u16string_view text, Frame_Rate& rate);
bool same_rate(Frame_Rate a, Frame_Rate b);
/// "25", "23.976", "29.97": at most three decimals, trailing zeros dropped.
std::u16string format_frame_rate(Frame_Rate rate);

/// A sub's time in the file and the time it belongs at.
struct Sync_Point {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
};

/// From `from` on (up to the next piece), times shift by `shift` after any change of rate.
struct Map_Piece {
    std::uint64_t from = 0;
    std::int64_t shift = 0;
    bool operator==(const Map_Piece&) const = default;
};

/// A map of times, rounded to the millisecond (halves away from zero).
class Time_Map {
public:
    /// t + ms.
    static Time_Map shift(std::int64_t ms);
    /// t * from / to: a file made for `from` frames a second fits a video at `to`.
    static Time_Map frame_rate(Frame_Rate from, Frame_Rate to);
    /// One point shifts by its difference; more map through the straight lines between them
    /// (in the order of `from`), the first and last extended beyond. False when the targets
    /// are not in the order of the points (or two points share a time).
    static bool through(std::vector<Sync_Point> points, Time_Map& map);
    /// t * from / to plus the shift of the last piece that starts at or before t (the first
    /// piece's before it): a file cut or padded in places. `pieces` ascend by `from`; none is
    /// the change of rate alone.
    static Time_Map pieces(Frame_Rate from, Frame_Rate to, const std::vector<Map_Piece>& pieces);

    /// Where t goes; below 0 or past what a file holds when the map takes it there.
    std::int64_t operator()(std::uint64_t t) const;

private:
    // Straight lines between consecutive points; a shift is one point, a ratio two.
    struct Line {
        std::int64_t from = 0, to = 0;
        std::int64_t num = 1, den = 1;  // slope
    };
    std::vector<Line> lines;
};

/// The step that re-times `rows` (ascending places) of `list` through `map`, named `name`.
struct Retiming {
    /// When the document stays sorted by start, the new times of the subs that change, in
    /// place; otherwise those subs taken out at their places and put in where it is sorted
    /// again (subs of equal start keep their order). Empty: nothing changes.
    History_Step step;
    /// Chosen subs the map would take before 0:00:00.000 or past 99:59:59.999; the step is
    /// empty then.
    std::size_t out_of_range = 0;
    /// The place after the step of each place before it; empty when no sub changes place (the
    /// step then keeps the selection).
    std::vector<std::size_t> moved;
};
Retiming retime(const Sub_List& list, const std::vector<std::size_t>& rows, const Time_Map& map,
                std::u16string name);
