#include "audio/waveform.h"

#include <algorithm>

void Waveform::start_reading(std::uint64_t length_ms) {
    const std::lock_guard lock(mutex_);
    state_ = State::reading;
    length_ms_ = length_ms;
    // Room for the stated length, so that the peaks are not moved while the window draws.
    const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(length_ms, 100ull * 3600 * 1000) / audio_frame_ms + 1);
    levels_.reserve(frames);
    speech_.reserve(frames);
}

void Waveform::add(std::span<const Peak> peaks, std::span<const Speech_Frame> speech) {
    const std::lock_guard lock(mutex_);
    for (const Peak& peak : peaks) levels_.add(peak);
    speech_.insert(speech_.end(), speech.begin(), speech.end());
}

void Waveform::finish() {
    const std::lock_guard lock(mutex_);
    state_ = levels_.count() > 0 ? State::done : State::none;
}

void Waveform::set_none() {
    const std::lock_guard lock(mutex_);
    levels_.clear();
    speech_.clear();
    state_ = State::none;
}

Waveform::State Waveform::state() const {
    const std::lock_guard lock(mutex_);
    return state_;
}

std::uint64_t Waveform::stated_length() const { return std::max(length_ms_, levels_.duration_ms()); }

std::uint64_t Waveform::length_ms() const {
    const std::lock_guard lock(mutex_);
    return stated_length();
}

unsigned Waveform::percent() const {
    const std::lock_guard lock(mutex_);
    if (state_ == State::done || state_ == State::none) return 100;
    const std::uint64_t length = stated_length();
    if (state_ != State::reading || length == 0) return 0;
    return static_cast<unsigned>(std::min<std::uint64_t>(99, levels_.duration_ms() * 100 / length));
}

std::vector<Peak> Waveform::frames() const {
    const std::lock_guard lock(mutex_);
    return levels_.frames();
}

std::vector<Speech_Frame> Waveform::speech_frames() const {
    const std::lock_guard lock(mutex_);
    return speech_;
}

std::size_t Waveform::bytes() const {
    const std::lock_guard lock(mutex_);
    return levels_.bytes() + speech_.capacity() * sizeof(Speech_Frame);
}
