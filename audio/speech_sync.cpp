#include "audio/speech_sync.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audio/fft.h"

namespace {

constexpr std::int64_t frame_ms = 10;
// The first search runs on blocks of this many frames, then the best shifts are sought to the frame.
constexpr std::int64_t coarse = 10;
// Peaks of the first search that become candidate shifts for pieces.
constexpr std::size_t most_candidates = 10;
// A sub starts with the voice, while its end often stays on after it: the fine search also
// scores the frames just after a start for speech and those just before for none.
constexpr std::int64_t onset_frames = 15;

const Frame_Rate rates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}};

struct Ratio {
    Frame_Rate from, to;
    double value = 1;
};

// Every change among the common rates that is not one already listed, no change first.
std::vector<Ratio> ratios() {
    std::vector<Ratio> list{{{1, 1}, {1, 1}, 1.0}};
    for (const Frame_Rate& from : rates) {
        for (const Frame_Rate& to : rates) {
            const double value = static_cast<double>(from.num * to.den) / static_cast<double>(from.den * to.num);
            const bool known = std::any_of(list.begin(), list.end(), [&](const Ratio& r) {
                return std::abs(r.value - value) < 1e-9;
            });
            if (!known) list.push_back({from, to, value});
        }
    }
    return list;
}

// The speech as scores: +1 for a frame of speech, -w for one without, w making the mean 0, so a
// sub laid anywhere at random scores 0 and one laid over speech scores its length. Kept as
// running sums, so a span's score is one subtraction.
struct Scores {
    std::vector<double> sums;  // sums[t]: frames before t
    std::int64_t frames = 0;
    std::int64_t speech = 0;

    explicit Scores(std::span<const std::uint8_t> voice) : frames(static_cast<std::int64_t>(voice.size())) {
        for (std::uint8_t v : voice) speech += v != 0;
        const double p = std::clamp(static_cast<double>(speech) / std::max<double>(1.0, static_cast<double>(frames)), 0.02, 0.98);
        const double miss = -p / (1 - p);
        sums.resize(voice.size() + 1);
        sums[0] = 0;
        for (std::size_t t = 0; t < voice.size(); ++t) sums[t + 1] = sums[t] + (voice[t] ? 1.0 : miss);
    }
    double value(std::int64_t t) const { return sums[static_cast<std::size_t>(std::clamp<std::int64_t>(t, 0, frames))]; }
    double span(std::int64_t a, std::int64_t b) const { return value(b) - value(a); }
};

// A sub's span in frames after the change of rate.
struct Frames {
    std::int64_t a = 0, b = 0;
};

std::vector<Frames> frames_of(std::span<const Sub_Span> subs, double ratio) {
    std::vector<Frames> out;
    out.reserve(subs.size());
    for (const Sub_Span& s : subs) {
        const auto at = [&](std::uint64_t ms) {
            return static_cast<std::int64_t>(std::llround(static_cast<double>(ms) * ratio / frame_ms));
        };
        out.push_back({at(s.start), std::max(at(s.start) + 1, at(s.end))});
    }
    return out;
}

double sub_score(const Scores& scores, const Frames& sub, std::int64_t shift) {
    const std::int64_t a = sub.a + shift, b = sub.b + shift;
    return scores.span(a, b) + scores.span(a, a + onset_frames) - scores.span(a - onset_frames, a);
}

double score(const Scores& scores, const std::vector<Frames>& subs, std::size_t first, std::size_t last,
             std::int64_t shift) {
    double total = 0;
    for (std::size_t i = first; i < last; ++i) total += sub_score(scores, subs[i], shift);
    return total;
}

// The shift within `around` +- `reach` frames that scores best for subs [first, last).
std::int64_t refined(const Scores& scores, const std::vector<Frames>& subs, std::size_t first, std::size_t last,
                     std::int64_t around, std::int64_t reach) {
    std::int64_t best = around;
    double best_score = -std::numeric_limits<double>::infinity();
    for (std::int64_t d = around - reach; d <= around + reach; ++d) {
        const double s = score(scores, subs, first, last, d);
        // The smallest move among equal scores.
        if (s > best_score || (s == best_score && std::abs(d) < std::abs(best))) {
            best_score = s;
            best = d;
        }
    }
    return best;
}

// The first search: the score of every shift of the subs, on blocks of `coarse` frames, by
// cross-correlation through the FFT, two changes of rate at a time.
class Coarse_Search {
public:
    Coarse_Search(const Scores& scores, std::int64_t sub_frames, std::int64_t reach)
        : reach_(reach / coarse + 1), correlator_(blocks(scores), static_cast<std::size_t>(
                                                                     std::max((scores.frames + coarse - 1) / coarse, sub_frames / coarse + 2) + reach_ + 1)) {}

    // Scores of shifts -reach..reach (in blocks) of two sets of subs at once (`second` may be empty).
    void correlate(const std::vector<Frames>& first, const std::vector<Frames>& second, std::vector<double>& out_first,
                   std::vector<double>& out_second) {
        cover(first, a_);
        cover(second, b_);
        correlator_.correlate(a_, b_);
        const std::int64_t n = static_cast<std::int64_t>(correlator_.size());
        out_first.resize(static_cast<std::size_t>(2 * reach_ + 1));
        out_second.resize(out_first.size());
        for (std::int64_t d = -reach_; d <= reach_; ++d) {
            const std::size_t at = static_cast<std::size_t>((d + n) % n);
            out_first[static_cast<std::size_t>(d + reach_)] = a_[at];
            out_second[static_cast<std::size_t>(d + reach_)] = b_[at];
        }
    }

    std::int64_t reach() const { return reach_; }

private:
    static std::vector<double> blocks(const Scores& scores) {
        std::vector<double> v(static_cast<std::size_t>((scores.frames + coarse - 1) / coarse));
        for (std::size_t j = 0; j < v.size(); ++j) {
            const std::int64_t at = static_cast<std::int64_t>(j) * coarse;
            v[j] = scores.span(at, at + coarse);
        }
        return v;
    }

    // How many frames of each block the subs cover.
    void cover(const std::vector<Frames>& subs, std::vector<double>& out) const {
        const std::int64_t n = static_cast<std::int64_t>(correlator_.size());
        out.assign(static_cast<std::size_t>(n), 0.0);
        for (const Frames& f : subs) {
            for (std::int64_t t = std::max<std::int64_t>(0, f.a); t < f.b;) {
                const std::int64_t block = t / coarse, end = std::min(f.b, (block + 1) * coarse);
                if (block >= n) break;
                out[static_cast<std::size_t>(block)] += static_cast<double>(end - t);
                t = end;
            }
        }
    }

    std::int64_t reach_;
    Correlator correlator_;
    std::vector<double> a_, b_;
};

// The highest local maxima of a correlation, at least `apart` blocks from each other.
std::vector<std::int64_t> peaks(const std::vector<double>& c, std::int64_t reach, std::size_t most, std::int64_t apart) {
    std::vector<std::int64_t> order;
    for (std::size_t k = 0; k < c.size(); ++k) {
        if ((k > 0 && c[k - 1] > c[k]) || (k + 1 < c.size() && c[k + 1] > c[k]) || c[k] <= 0) continue;
        order.push_back(static_cast<std::int64_t>(k));
    }
    std::sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        return c[static_cast<std::size_t>(a)] > c[static_cast<std::size_t>(b)];
    });
    std::vector<std::int64_t> out;
    for (std::int64_t k : order) {
        if (out.size() == most) break;
        if (std::any_of(out.begin(), out.end(), [&](std::int64_t o) { return std::abs(o - (k - reach)) < apart; }))
            continue;
        out.push_back(k - reach);
    }
    return out;
}

// The share of the subs' frames, each shifted by its own amount, that lie over speech, in percent.
double fit(std::span<const std::uint8_t> speech, const std::vector<Frames>& subs, const std::vector<std::int64_t>& shifts) {
    std::vector<std::uint32_t> count(speech.size() + 1, 0);
    for (std::size_t t = 0; t < speech.size(); ++t) count[t + 1] = count[t] + (speech[t] != 0);
    const std::int64_t n = static_cast<std::int64_t>(speech.size());
    const auto at = [&](std::int64_t t) { return count[static_cast<std::size_t>(std::clamp<std::int64_t>(t, 0, n))]; };
    double over = 0, total = 0;
    for (std::size_t i = 0; i < subs.size(); ++i) {
        const std::int64_t a = subs[i].a + shifts[i], b = subs[i].b + shifts[i];
        total += static_cast<double>(b - a);
        over += static_cast<double>(at(b) - at(a));
    }
    return total > 0 ? 100.0 * over / total : 0.0;
}

// The shift of each sub among `candidates` that scores best with `cost` for each change of
// shift between two subs. A change goes only where the subs before have ended when the next
// starts, and keeps the starts in order.
std::vector<std::size_t> choose_shifts(const Scores& scores, const std::vector<Frames>& subs,
                                       std::span<const Sub_Span> spans, const std::vector<std::int64_t>& candidates,
                                       double cost) {
    const std::size_t m = subs.size(), k_count = candidates.size();
    std::vector<double> best(k_count), next(k_count);
    std::vector<std::uint8_t> from(m * k_count);
    for (std::size_t k = 0; k < k_count; ++k) best[k] = sub_score(scores, subs[0], candidates[k]);
    std::uint64_t ended = spans[0].end;
    for (std::size_t i = 1; i < m; ++i) {
        const bool may_cut = ended <= spans[i].start;
        for (std::size_t k = 0; k < k_count; ++k) {
            std::size_t came = k;
            double value = best[k];
            if (may_cut) {
                for (std::size_t j = 0; j < k_count; ++j) {
                    if (j == k || subs[i].a + candidates[k] < subs[i - 1].a + candidates[j]) continue;
                    if (best[j] - cost > value) {
                        value = best[j] - cost;
                        came = j;
                    }
                }
            }
            next[k] = value + sub_score(scores, subs[i], candidates[k]);
            from[i * k_count + k] = static_cast<std::uint8_t>(came);
        }
        best.swap(next);
        ended = std::max(ended, spans[i].end);
    }
    std::vector<std::size_t> chosen(m);
    chosen[m - 1] = static_cast<std::size_t>(std::max_element(best.begin(), best.end()) - best.begin());
    for (std::size_t i = m - 1; i > 0; --i) chosen[i - 1] = from[i * k_count + chosen[i]];
    return chosen;
}

bool stopped(const Speech_Sync_Options& options) { return options.stop && options.stop->load(); }

}  // namespace

std::span<const Frame_Rate> common_frame_rates() { return rates; }

Speech_Sync sync_to_speech(std::span<const std::uint8_t> speech, std::span<const Sub_Span> subs,
                           const Speech_Sync_Options& options) {
    Speech_Sync result;
    result.pieces = {{0, 0}};
    if (subs.empty()) return result;
    const Scores scores(speech);
    const std::vector<Frames> as_they_are = frames_of(subs, 1.0);
    result.fit_before = result.fit_after = fit(speech, as_they_are, std::vector<std::int64_t>(subs.size(), 0));
    // Less than a second of speech is nothing to sync to.
    if (scores.speech < 100) return result;

    // The first search: every change of rate, every shift. A change that moves the last sub
    // against the first by less than two blocks cannot be told from a shift: not tried.
    std::vector<Ratio> tried = ratios();
    const double span_ms = static_cast<double>(subs.back().end - std::min(subs.front().start, subs.back().end));
    std::erase_if(tried, [&](const Ratio& r) {
        return r.value != 1.0 && std::abs(r.value - 1.0) * span_ms < 2.0 * coarse * frame_ms;
    });
    double longest = 0;
    for (const Ratio& r : tried) longest = std::max(longest, r.value);
    const std::int64_t reach = std::max<std::int64_t>(options.reach_ms / frame_ms, scores.frames);
    Coarse_Search search(scores, frames_of(subs.last(1), longest).back().b, reach);
    std::size_t best_ratio = 0;
    double best_peak = -std::numeric_limits<double>::infinity();
    std::vector<double> best_correlation, first, second;
    for (std::size_t k = 0; k < tried.size(); k += 2) {
        if (stopped(options)) {
            result.stopped = true;
            return result;
        }
        const bool pair = k + 1 < tried.size();
        search.correlate(frames_of(subs, tried[k].value), pair ? frames_of(subs, tried[k + 1].value) : std::vector<Frames>{},
                         first, second);
        for (std::size_t p = 0; p < (pair ? 2u : 1u); ++p) {
            std::vector<double>& c = p == 0 ? first : second;
            const double peak = *std::max_element(c.begin(), c.end());
            if (peak > best_peak) {
                best_peak = peak;
                best_ratio = k + p;
                best_correlation.swap(c);
            }
        }
    }
    const Ratio& ratio = tried[best_ratio];
    const std::vector<Frames> mapped = frames_of(subs, ratio.value);

    // Candidate shifts for the pieces: the highest peaks of that rate's correlation.
    std::vector<std::int64_t> candidates;
    for (std::int64_t d : peaks(best_correlation, search.reach(), most_candidates, 2)) {
        if (best_correlation[static_cast<std::size_t>(d + search.reach())] >= 0.1 * best_peak) candidates.push_back(d * coarse);
    }
    if (candidates.empty()) return result;
    if (stopped(options)) {
        result.stopped = true;
        return result;
    }
    const std::vector<std::size_t> chosen = choose_shifts(scores, mapped, subs, candidates, options.cut_cost);

    // Each piece's shift to the frame, from its own subs.
    std::vector<std::int64_t> shifts(subs.size());
    result.pieces.clear();
    for (std::size_t first_sub = 0; first_sub < subs.size();) {
        std::size_t last_sub = first_sub + 1;
        while (last_sub < subs.size() && chosen[last_sub] == chosen[first_sub]) ++last_sub;
        const std::int64_t shift = refined(scores, mapped, first_sub, last_sub, candidates[chosen[first_sub]], coarse + 2);
        std::fill(shifts.begin() + static_cast<std::ptrdiff_t>(first_sub), shifts.begin() + static_cast<std::ptrdiff_t>(last_sub), shift);
        // A cut halfway between the end of the subs before and the start of the first after.
        std::uint64_t at = 0;
        if (first_sub > 0) {
            std::uint64_t ended = 0;
            for (std::size_t i = 0; i < first_sub; ++i) ended = std::max(ended, subs[i].end);
            at = (ended + subs[first_sub].start + 1) / 2;
        }
        result.pieces.push_back({at, shift * frame_ms});
        first_sub = last_sub;
    }
    result.from = ratio.from;
    result.to = ratio.to;
    result.fit_after = fit(speech, mapped, shifts);
    double gain = 0, length = 0;
    for (std::size_t i = 0; i < subs.size(); ++i) {
        gain += sub_score(scores, mapped[i], shifts[i]) - sub_score(scores, as_they_are[i], 0);
        length += static_cast<double>(as_they_are[i].b - as_they_are[i].a);
    }
    const double chance = 100.0 * static_cast<double>(scores.speech) / static_cast<double>(scores.frames);
    result.found = 100.0 * gain / length >= options.least_gain &&
                   result.fit_after >= chance + options.least_over_chance;
    return result;
}
