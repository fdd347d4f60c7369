#include "audio/audio_peaks.h"

#include <algorithm>
#include <limits>

namespace {

Peak merged(Peak a, Peak b) { return Peak{std::min(a.low, b.low), std::max(a.high, b.high)}; }

}  // namespace

Frame_Splitter::Frame_Splitter(std::uint32_t sample_rate, std::uint32_t channels, Audio_Frame_Consumer& consumer)
    : rate_(channels > 0 ? sample_rate : 0), channels_(channels), consumer_(consumer) {
    if (rate_ == 0) return;
    pending_.reserve(rate_ / 100 + 1);
    consumer_.begin(rate_);
}

std::uint64_t Frame_Splitter::frame_end(std::uint64_t index) const { return (index + 1) * rate_ / 100; }

std::uint64_t Frame_Splitter::read_ms() const { return rate_ ? position_ * 1000 / rate_ : 0; }

std::size_t Frame_Splitter::room() const { return static_cast<std::size_t>(frame_end(frame_index_) - position_); }

void Frame_Splitter::taken(std::size_t count) {
    position_ += count;
    if (position_ < frame_end(frame_index_)) return;
    consumer_.frame(pending_);
    pending_.clear();
    ++frame_index_;
}

void Frame_Splitter::skip_to(std::int64_t at_100ns) {
    if (rate_ == 0 || at_100ns < 0) return;
    std::uint64_t target = static_cast<std::uint64_t>(at_100ns) / 10000 * rate_ / 1000;
    if (target <= position_ + std::uint64_t{rate_} * gap_ms / 1000) return;
    // A damaged timestamp could ask for hours of silence.
    target = std::min(target, std::max(limit_, position_ + std::uint64_t{rate_} * longest_gap_s));
    while (position_ < target) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(room(), target - position_));
        pending_.resize(pending_.size() + count, 0);
        taken(count);
    }
}

void Frame_Splitter::add(const std::int16_t* interleaved, std::size_t frames, std::int64_t at_100ns) {
    if (rate_ == 0) return;
    skip_to(at_100ns);
    while (frames > 0) {
        const std::size_t count = std::min(frames, room());
        const std::size_t base = pending_.size();
        pending_.resize(base + count);
        std::int16_t* out = pending_.data() + base;
        if (channels_ == 1) {
            std::copy(interleaved, interleaved + count, out);
        } else {
            const std::int32_t channels = static_cast<std::int32_t>(channels_);
            for (std::size_t i = 0; i < count; ++i) {
                const std::int16_t* sample = interleaved + i * channels_;
                std::int32_t sum = 0;
                for (std::int32_t c = 0; c < channels; ++c) sum += sample[c];
                out[i] = static_cast<std::int16_t>(sum / channels);
            }
        }
        interleaved += count * channels_;
        frames -= count;
        taken(count);
    }
}

void Frame_Splitter::finish() {
    if (pending_.empty()) return;
    consumer_.frame(pending_);
    pending_.clear();
    ++frame_index_;
}

void Peak_Builder::frame(std::span<const std::int16_t> samples) {
    if (samples.empty()) return;
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    out_.push_back(Peak{*low, *high});
}

std::uint64_t Peak_Levels::level_ms(unsigned level) {
    std::uint64_t ms = audio_frame_ms;
    for (unsigned i = 0; i < level; ++i) ms *= level_factor;
    return ms;
}

void Peak_Levels::reserve(std::size_t frames) {
    if (levels_.empty()) levels_.resize(1);
    for (unsigned level = 0; level < max_levels && frames > 0; ++level) {
        if (levels_.size() <= level) levels_.emplace_back();
        levels_[level].reserve(frames + 1);
        frames = (frames + level_factor - 1) / level_factor;
        if (frames <= 1) break;
    }
}

void Peak_Levels::add(Peak peak) {
    if (levels_.empty()) levels_.resize(1);
    levels_[0].push_back(peak);
    std::size_t index = levels_[0].size() - 1;
    for (unsigned level = 1; level < max_levels; ++level) {
        index /= level_factor;
        if (levels_.size() <= level) {
            // A level starts once the one below has two peaks; its first peak holds both.
            const std::vector<Peak>& below = levels_[level - 1];
            if (below.size() < 2) break;
            const Peak first = merged(below[0], below[1]);
            levels_.emplace_back(1, first);
            continue;
        }
        std::vector<Peak>& peaks = levels_[level];
        if (peaks.size() == index)
            peaks.push_back(peak);
        else
            peaks.back() = merged(peaks.back(), peak);
    }
}

void Peak_Levels::clear() { levels_.clear(); }

const std::vector<Peak>& Peak_Levels::frames() const {
    static const std::vector<Peak> none;
    return levels_.empty() ? none : levels_[0];
}

unsigned Peak_Levels::level_for(double ms_per_pixel) const {
    unsigned level = 0;
    while (level + 1 < levels() && static_cast<double>(level_ms(level + 1)) <= ms_per_pixel) ++level;
    return level;
}

std::size_t Peak_Levels::bytes() const {
    std::size_t total = levels_.capacity() * sizeof(std::vector<Peak>);
    for (const std::vector<Peak>& peaks : levels_) total += peaks.capacity() * sizeof(Peak);
    return total;
}

std::vector<Wave_Column> wave_columns(const Peak_Levels& levels, std::int64_t view_start, std::uint32_t view_span,
                                      int width, std::uint64_t unread_end_ms) {
    std::vector<Wave_Column> columns(width > 0 ? static_cast<std::size_t>(width) : 0);
    if (columns.empty() || view_span == 0) return columns;
    const double ms_per_pixel = static_cast<double>(view_span) / width;
    const unsigned level = levels.level_for(ms_per_pixel);
    const std::uint64_t span_ms = Peak_Levels::level_ms(level);
    const std::size_t count = levels.count(level);
    const std::uint64_t read_end = levels.duration_ms();
    const auto at = [&](int x) {
        return view_start + static_cast<std::int64_t>(static_cast<std::uint64_t>(x) * view_span / static_cast<std::uint32_t>(width));
    };
    for (int x = 0; x < width; ++x) {
        const std::int64_t t0 = at(x);
        const std::int64_t t1 = std::max(at(x + 1), t0 + 1);
        if (t1 <= 0) continue;
        const std::uint64_t from = static_cast<std::uint64_t>(std::max<std::int64_t>(t0, 0));
        Wave_Column& column = columns[static_cast<std::size_t>(x)];
        if (from < read_end) {
            const std::size_t first = static_cast<std::size_t>(from / span_ms);
            const std::size_t last = std::min<std::size_t>(count, static_cast<std::size_t>((static_cast<std::uint64_t>(t1) + span_ms - 1) / span_ms));
            Peak peak{std::numeric_limits<std::int16_t>::max(), std::numeric_limits<std::int16_t>::min()};
            for (std::size_t i = first; i < last; ++i) peak = merged(peak, levels.at(level, i));
            if (first < last) {
                column.state = Wave_Column::State::read;
                column.peak = peak;
                continue;
            }
        }
        if (from < unread_end_ms) column.state = Wave_Column::State::unread;
    }
    return columns;
}
