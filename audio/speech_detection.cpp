#include "audio/speech_detection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::uint8_t level_of(double mean_square) {
    if (!(mean_square > 1e-10)) return 0;
    const double half_db = 2.0 * (10.0 * std::log10(mean_square) + 100.0);
    return static_cast<std::uint8_t>(std::clamp(std::lround(half_db), 0L, 255L));
}

Speech_Features::Speech_Features(std::vector<Speech_Frame>& out) : out_(out) {
    for (std::size_t k = 0; k < window; ++k)
        hann_[k] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(window));
    window_energy_ = 0;
    for (double w : hann_) window_energy_ += w * w;
}

void Speech_Features::begin(std::uint32_t sample_rate) {
    // About 8 kHz keeps the voice band and costs one small FFT a frame at any rate.
    step_ = std::max<std::uint32_t>(1, (sample_rate + 4000) / 8000);
    const double rate = static_cast<double>(std::max<std::uint32_t>(sample_rate, 1)) / step_;
    const double bin_hz = rate / window;
    band_low_ = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(voice_low_hz / bin_hz)));
    band_high_ = std::min<std::size_t>(window / 2, static_cast<std::size_t>(std::floor(voice_high_hz / bin_hz)) + 1);
    if (band_high_ <= band_low_) band_high_ = band_low_ + 1;
    history_.assign(change_lag * (band_high_ - band_low_), 0.0);
    sum_ = 0;
    summed_ = 0;
    ring_.fill(0);
    written_ = 0;
    frames_ = 0;
}

void Speech_Features::frame(std::span<const std::int16_t> samples) {
    std::int64_t squares = 0;
    for (std::int16_t s : samples) squares += std::int32_t{s} * s;
    const double scale = 1.0 / (32768.0 * step_);
    for (std::size_t j = 0; j < samples.size();) {
        // The rest of the current group of `step_` samples, averaged into one.
        const std::size_t take = std::min<std::size_t>(step_ - summed_, samples.size() - j);
        for (std::size_t end = j + take; j < end; ++j) sum_ += samples[j];
        summed_ += static_cast<std::uint32_t>(take);
        if (summed_ == step_) {
            ring_[written_++ % window] = static_cast<double>(sum_) * scale;
            sum_ = 0;
            summed_ = 0;
        }
    }
    Speech_Frame f;
    if (!samples.empty()) f.level = level_of(static_cast<double>(squares) / (32768.0 * 32768.0 * static_cast<double>(samples.size())));

    for (std::size_t k = 0; k < window; ++k) windowed_[k] = ring_[(written_ + k) % window] * hann_[k];
    fft_.power(windowed_.data(), power_.data());
    const std::size_t bins = band_high_ - band_low_;
    double band = 0;
    for (std::size_t k = band_low_; k < band_high_; ++k) band += power_[k];
    // Parseval: the mean square of the band's part of the signal.
    f.voice = level_of(2.0 * band / (static_cast<double>(window) * window_energy_));

    const double mean = band / static_cast<double>(bins);
    double* previous = history_.data() + (frames_ % change_lag) * bins;
    if (mean > 1e-14) {
        // Flatness: the geometric mean over the arithmetic mean, from products of eight bins
        // (one logarithm each).
        double logs = 0, product = 1;
        std::size_t in_product = 0;
        for (std::size_t k = band_low_; k < band_high_; ++k) {
            product *= std::max(power_[k] / mean, 1e-9);
            if (++in_product == 8) {
                logs += std::log(product);
                product = 1;
                in_product = 0;
            }
        }
        logs += std::log(product);
        f.noise = static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(std::exp(logs / static_cast<double>(bins)), 0.0, 1.0)));

        // Change: one minus the cosine between the band's magnitudes now and `change_lag` frames ago.
        double dot = 0, now = 0, before = 0;
        for (std::size_t k = 0; k < bins; ++k) {
            const double m = std::sqrt(power_[band_low_ + k]);
            dot += m * previous[k];
            now += m * m;
            before += previous[k] * previous[k];
            previous[k] = m;
        }
        const double cosine = before > 0 ? dot / std::sqrt(now * before) : 0.0;
        f.change = static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(1.0 - cosine, 0.0, 1.0)));
    } else {
        f.noise = 255;
        f.change = 0;
        std::fill(previous, previous + bins, 0.0);
    }
    ++frames_;
    out_.push_back(f);
}

namespace {

// The level the voice band keeps around each frame: its 10th percentile over `reach` frames
// each side, from a histogram that slides along.
std::vector<std::uint8_t> floor_levels(std::span<const Speech_Frame> frames, std::size_t reach) {
    std::vector<std::uint8_t> floors(frames.size());
    std::array<std::uint32_t, 256> histogram{};
    std::size_t in = 0, out = 0, count = 0;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        for (; in < frames.size() && in <= k + reach; ++in, ++count) ++histogram[frames[in].voice];
        for (; out + reach < k; ++out, --count) --histogram[frames[out].voice];
        const std::size_t wanted = count / 10 + 1;
        std::size_t seen = 0, level = 0;
        while ((seen += histogram[level]) < wanted) ++level;
        floors[k] = static_cast<std::uint8_t>(level);
    }
    return floors;
}

}  // namespace

std::vector<std::uint8_t> detect_speech(std::span<const Speech_Frame> frames) {
    // In frames and half decibels.
    constexpr std::size_t floor_reach = 300;
    constexpr int above_floor = 12;           // 6 dB over the bed
    constexpr int quietest = 40;              // -80 dB: nothing below is heard
    constexpr std::size_t judged_reach = 30;  // the loud frames within 100 ms judge a frame
    constexpr int voiced_noise = 40;          // flatness of a voiced frame at most
    constexpr std::size_t voiced_share = 30;  // percent of those loud frames
    constexpr int changing = 30;              // change of a frame whose spectrum moves
    constexpr std::size_t changing_share = 35;  // percent of those loud frames
    constexpr std::size_t bridged = 25;       // pauses inside speech up to 250 ms
    constexpr std::size_t shortest = 8;

    const std::size_t n = frames.size();
    const std::vector<std::uint8_t> floors = floor_levels(frames, floor_reach);
    // Running counts of the loud frames, of those voiced and of those changing.
    std::vector<std::uint32_t> loud(n + 1, 0), voiced(n + 1, 0), change(n + 1, 0);
    for (std::size_t k = 0; k < n; ++k) {
        const Speech_Frame& f = frames[k];
        const bool is_loud = f.voice >= quietest && f.voice >= floors[k] + above_floor;
        loud[k + 1] = loud[k] + is_loud;
        voiced[k + 1] = voiced[k] + (is_loud && f.noise <= voiced_noise);
        change[k + 1] = change[k] + (is_loud && f.change >= changing);
    }
    std::vector<std::uint8_t> speech(n, 0);
    std::size_t last = 0;
    bool any = false;
    for (std::size_t k = 0; k < n; ++k) {
        if (loud[k + 1] == loud[k]) continue;
        const std::size_t a = k > judged_reach ? k - judged_reach : 0, b = std::min(n, k + judged_reach + 1);
        const std::size_t count = loud[b] - loud[a];
        if ((voiced[b] - voiced[a]) * 100 < voiced_share * count || (change[b] - change[a]) * 100 < changing_share * count)
            continue;
        // Speech: the pause since the last speech frame too, when it is short.
        const std::size_t from = any && k - last <= bridged ? last + 1 : k;
        std::fill(speech.begin() + static_cast<std::ptrdiff_t>(from), speech.begin() + static_cast<std::ptrdiff_t>(k + 1), 1);
        last = k;
        any = true;
    }
    // Drop stretches too short to be words.
    for (std::size_t k = 0; k < n;) {
        if (!speech[k]) {
            ++k;
            continue;
        }
        std::size_t end = k;
        while (end < n && speech[end]) ++end;
        if (end - k < shortest) std::fill(speech.begin() + static_cast<std::ptrdiff_t>(k), speech.begin() + static_cast<std::ptrdiff_t>(end), 0);
        k = end;
    }
    return speech;
}
