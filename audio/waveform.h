#pragma once
// The waveform of one media file while it is read: one thread adds peaks, the window's
// thread draws them. Beside each frame's peak it keeps what speech detection needs of the
// frame. Every member may be called from any thread.

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "audio/audio_peaks.h"
#include "audio/speech_detection.h"

class Waveform {
public:
    enum class State : std::uint8_t {
        opening,  ///< nothing known yet: nothing to draw
        reading,  ///< the audio is being read: the rest of its length is drawn as unread
        done,     ///< reading ended (at the end, or early on a decoding error) with what was read
        none,     ///< no audio, or none that can be read: nothing to draw
    };

    /// The audio was found; `length_ms` is its length as the decoder states it (0 unknown).
    void start_reading(std::uint64_t length_ms);
    /// The frames' peaks and, for the same frames, their speech features.
    void add(std::span<const Peak> peaks, std::span<const Speech_Frame> speech);
    /// Reading ended with what was read; no audio at all when nothing was.
    void finish();
    /// There is no audio to read.
    void set_none();

    State state() const;
    /// The stated length, or what was read when that is longer.
    std::uint64_t length_ms() const;
    /// How far reading has come, 0 to 100; 100 once it ended.
    unsigned percent() const;
    /// Calls `draw(peaks, state, length_ms)` with the peaks held still meanwhile.
    template <class Draw>
    void read(Draw&& draw) const {
        const std::lock_guard lock(mutex_);
        draw(levels_, state_, stated_length());
    }
    /// A copy of the frames' peaks.
    std::vector<Peak> frames() const;
    /// A copy of the frames' speech features.
    std::vector<Speech_Frame> speech_frames() const;
    /// Bytes the peaks and the speech features take.
    std::size_t bytes() const;

private:
    std::uint64_t stated_length() const;

    mutable std::mutex mutex_;
    Peak_Levels levels_;
    std::vector<Speech_Frame> speech_;
    State state_ = State::opening;
    std::uint64_t length_ms_ = 0;
};
