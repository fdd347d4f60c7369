#pragma once
// Syncing subs to the speech of their video: the time map that best lays the subs' spans over
// the frames where speech was detected. A shift, a change among the common frame rates, and
// cuts (places where the shift jumps because a part of the video was removed or added).

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "core/time_map.h"

/// A sub's time in the file, in milliseconds.
struct Sub_Span {
    std::uint64_t start = 0, end = 0;
};

struct Speech_Sync {
    /// The map fits the speech clearly better than the file as it is.
    bool found = false;
    /// The search was stopped; nothing else is set.
    bool stopped = false;
    /// Times change by from / to (equal rates: no change) ...
    Frame_Rate from{1, 1}, to{1, 1};
    /// ... and then shift, piece by piece; the first piece starts at 0, each further one is a cut.
    std::vector<Map_Piece> pieces;
    /// The share of the subs' time that lies over speech, in percent, as they are and mapped.
    double fit_before = 0, fit_after = 0;

    Time_Map map() const { return Time_Map::pieces(from, to, pieces); }
    std::size_t cuts() const { return pieces.empty() ? 0 : pieces.size() - 1; }
};

struct Speech_Sync_Options {
    /// Shifts are searched at least this far each way (further when the audio is longer).
    std::int64_t reach_ms = 10 * 60 * 1000;
    /// What a cut costs, in frames of sub time that would lie over speech only with it.
    double cut_cost = 1500;
    /// Clearly better: the search's score (the fit with the subs' first frames weighed twice
    /// and those just before them against) gains this many points, and the fit ends this many
    /// points above chance (the share of the audio that is speech, which subs laid anywhere
    /// would fit).
    double least_gain = 2, least_over_chance = 15;
    /// Looked at between the steps of the search.
    const std::atomic<bool>* stop = nullptr;
};

/// The rates tried, in frames a second: 23.976, 24, 25, 29.97 and 30.
std::span<const Frame_Rate> common_frame_rates();

/// `speech` holds one value per 10 ms of the audio from time 0, nonzero where someone speaks.
/// `subs` are the spans to lay over it, in the order of their starts.
Speech_Sync sync_to_speech(std::span<const std::uint8_t> speech, std::span<const Sub_Span> subs,
                           const Speech_Sync_Options& options = {});
