#pragma once
// Speech detection: what the audio's reading pass keeps of each 10 ms frame for it (four
// bytes), and the decision, frame by frame, whether someone speaks there. Standard types only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "audio/audio_peaks.h"
#include "audio/fft.h"

/// One 10 ms frame as speech detection sees it. Levels are in half decibels above -100 dB
/// of full scale (0 is silence, 200 is a full-scale square wave).
struct Speech_Frame {
    std::uint8_t level = 0;   ///< the energy of the whole frame
    std::uint8_t voice = 0;   ///< the energy between 300 and 3,400 Hz
    std::uint8_t noise = 0;   ///< how noise-like the voice band is: its spectral flatness, 0 (a tone) to 255 (white noise)
    std::uint8_t change = 0;  ///< how much the voice band's spectrum changed over the last 30 ms, 0 to 255
    bool operator==(const Speech_Frame&) const = default;
};

/// Half decibels above -100 dB of full scale for a mean square (full scale 1), 0 to 255.
std::uint8_t level_of(double mean_square);

/// Takes the mono mix frame by frame and appends one Speech_Frame per frame to `out`. The
/// spectrum is that of the last 32 ms or so (the signal reduced to about 8 kHz by averaging,
/// 256 samples, a Hann window), so a frame costs one small FFT. It rides on the same reading
/// pass as the waveform's peaks.
class Speech_Features : public Audio_Frame_Consumer {
public:
    static constexpr std::size_t window = 256;
    static constexpr double voice_low_hz = 300, voice_high_hz = 3400;
    /// Frames between the two spectra compared for `change`.
    static constexpr std::size_t change_lag = 3;

    explicit Speech_Features(std::vector<Speech_Frame>& out);
    void begin(std::uint32_t sample_rate) override;
    void frame(std::span<const std::int16_t> samples) override;

private:
    std::vector<Speech_Frame>& out_;
    Real_Fft fft_{window};
    std::uint32_t step_ = 1;  // samples averaged into one
    std::int32_t sum_ = 0;
    std::uint32_t summed_ = 0;
    std::array<double, window> ring_{};
    std::size_t written_ = 0;
    std::size_t band_low_ = 1, band_high_ = 1;  // bins [low, high)
    std::array<double, window> hann_{};
    std::array<double, window> windowed_{};
    std::array<double, window / 2 + 1> power_{};
    double window_energy_ = 1;
    // Magnitudes of the voice band's bins, for the last `change_lag` frames.
    std::vector<double> history_;
    std::size_t frames_ = 0;
};

/// 1 for each frame where someone speaks, 0 elsewhere: a frame well above the level the voice
/// band keeps around it for seconds (a steady bed of noise or music stays at that level), in
/// a stretch whose spectrum is not noise-like and keeps changing as speech does (a held tone
/// or chord does not). Short pauses inside speech count as speech.
std::vector<std::uint8_t> detect_speech(std::span<const Speech_Frame> frames);
