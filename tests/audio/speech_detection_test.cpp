#include "audio/speech_detection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;
constexpr std::uint32_t rate = 16000;

// Uniform in [a, b) from the generator's bits (the standard distributions differ between libraries).
double uniform(std::mt19937& random, double a, double b) {
    return a + (b - a) * static_cast<double>(random()) / 4294967296.0;
}

struct Span {
    double start, end;  // seconds
};

// Made speech: phrases of syllables, each a gliding pitch with its harmonics shaped by the
// formants of a vowel, rising and falling; a short noisy consonant before some.
std::vector<double> speech(std::mt19937& random, double seconds, std::vector<Span>& phrases) {
    std::vector<double> out(static_cast<std::size_t>(seconds * rate), 0.0);
    const double vowels[][2] = {{700, 1200}, {300, 2300}, {500, 900}, {400, 1900}, {600, 1700}};
    double t = 1.0;
    while (t + 3.5 < seconds) {
        const double phrase_end = t + uniform(random, 1.5, 3.0);
        phrases.push_back({t, phrase_end});
        while (t < phrase_end) {
            const double length = uniform(random, 0.12, 0.28);
            const std::size_t first = static_cast<std::size_t>(t * rate), count = static_cast<std::size_t>(length * rate);
            if (random() % 3 == 0) {
                for (std::size_t j = 0; j < 640 && first + j < out.size(); ++j) out[first + j] += 0.05 * uniform(random, -1, 1);
            }
            const double* vowel = vowels[random() % 5];
            const double f0 = uniform(random, 100, 180), glide = uniform(random, -40, 40);
            std::vector<double> phases(40, 0.0);
            for (std::size_t j = 0; j < count && first + 640 + j < out.size(); ++j) {
                const double x = static_cast<double>(j) / static_cast<double>(count);
                const double pitch = f0 + glide * x, envelope = std::sin(pi * x);
                double sample = 0;
                for (std::size_t h = 1; h < phases.size() && h * pitch < 3800; ++h) {
                    const double f = h * pitch;
                    const double gain = 1.0 / (1.0 + std::pow((f - vowel[0]) / 150, 2)) +
                                        0.5 / (1.0 + std::pow((f - vowel[1]) / 200, 2)) + 0.02;
                    phases[h] += 2 * pi * f / rate;
                    sample += gain * std::sin(phases[h]);
                }
                out[first + 640 + j] += 0.08 * envelope * sample;
            }
            t += length + 0.04 + uniform(random, 0.0, 0.08);
        }
        t += uniform(random, 1.2, 2.5);
    }
    return out;
}

// Beds: steady sounds with no speech in them.
std::vector<double> bed(const char* kind, std::mt19937& random, double seconds, double gain) {
    std::vector<double> out(static_cast<std::size_t>(seconds * rate), 0.0);
    double brown = 0;
    for (std::size_t j = 0; j < out.size(); ++j) {
        const double t = static_cast<double>(j) / rate;
        const std::string k = kind;
        double v = 0;
        if (k == "white") {
            v = uniform(random, -1, 1);
        } else if (k == "brown") {
            brown = 0.98 * brown + 0.2 * uniform(random, -1, 1);
            v = brown;
        } else if (k == "tone") {
            v = std::sin(2 * pi * 440 * t);
        } else if (k == "chord") {
            for (double f : {261.6, 329.6, 392.0})
                for (int h = 1; h <= 4; ++h) v += std::sin(2 * pi * f * h * t) / (h * 3.0);
        } else if (k == "beeps") {
            v = std::fmod(t, 0.6) < 0.3 ? std::sin(2 * pi * 1000 * t) : 0.0;
        } else if (k == "gusts") {
            v = std::fmod(t, 0.6) < 0.25 ? uniform(random, -1, 1) : 0.0;
        } else if (k == "chirps") {
            // 40 ms sweeps from 500 to 2,500 Hz: tonal and changing, but too short for a word.
            const double u = std::fmod(t, 0.5);
            v = u < 0.04 ? std::sin(2 * pi * (500 * u + 25000 * u * u)) : 0.0;
        }
        out[j] = gain * v;
    }
    return out;
}

std::vector<Speech_Frame> features(const std::vector<double>& signal, std::uint32_t at_rate = rate) {
    std::vector<std::int16_t> pcm(signal.size());
    for (std::size_t j = 0; j < signal.size(); ++j) pcm[j] = static_cast<std::int16_t>(std::lround(std::clamp(signal[j], -1.0, 1.0) * 32767));
    std::vector<Speech_Frame> frames;
    Speech_Features f(frames);
    f.begin(at_rate);
    for (std::size_t k = 0; k * at_rate / 100 < pcm.size(); ++k) {
        const std::size_t a = k * at_rate / 100, b = std::min(pcm.size(), (k + 1) * at_rate / 100);
        f.frame(std::span<const std::int16_t>(pcm.data() + a, b - a));
    }
    return frames;
}

TEST(Speech_Features, LevelsSpectrumAndChangeOfMadeSignals) {
    // Frames in the middle of a second of each signal.
    const struct {
        const char* kind;
        double gain;
        int level_low, level_high;  // half decibels above -100 dB
        int voice_below_level;      // at least this much less in the voice band
        int noise_low, noise_high;
        int change_high;
    } cases[] = {
        {"", 0, 0, 0, 0, 255, 255, 0},           // silence: no level, nothing to call tonal
        {"tone", 1.0, 192, 196, 0, 0, 5, 5},     // a full-scale sine: -3 dB, in the band, tonal, steady
        {"tone", 0.01, 112, 116, 0, 0, 5, 5},    // 40 dB lower
        {"white", 0.5, 176, 181, 6, 120, 200, 120},  // -10.8 dB; the band holds part of it; noise-like
        {"brown", 0.5, 150, 200, 12, 0, 255, 255},   // mostly below the band
        {"chord", 0.3, 150, 185, 0, 0, 20, 10},  // tonal and steady
    };
    for (const auto& c : cases) {
        std::mt19937 random(7);
        const std::vector<Speech_Frame> frames = features(bed(c.kind, random, 1.0, c.gain));
        ASSERT_EQ(frames.size(), 100u);
        for (std::size_t k = 40; k < 60; ++k) {
            const Speech_Frame& f = frames[k];
            EXPECT_GE(f.level, c.level_low) << c.kind << " " << c.gain << " frame " << k;
            EXPECT_LE(f.level, c.level_high) << c.kind << " " << c.gain;
            EXPECT_LE(f.voice + c.voice_below_level, f.level + 3) << c.kind << " " << c.gain;
            EXPECT_GE(f.noise, c.noise_low) << c.kind << " " << c.gain;
            EXPECT_LE(f.noise, c.noise_high) << c.kind << " " << c.gain;
            EXPECT_LE(f.change, c.change_high) << c.kind << " " << c.gain;
        }
    }
    EXPECT_EQ(level_of(1.0), 200);   // full scale
    EXPECT_EQ(level_of(0.0), 0);
    EXPECT_EQ(level_of(1e-12), 0);   // below -100 dB
    EXPECT_EQ(level_of(4.0), 212);   // past full scale
}

TEST(Speech_Features, SameFramesAtEveryRate) {
    // A 1 kHz tone read at 8, 44.1 and 48 kHz: one frame per 10 ms, the same level in the band.
    for (std::uint32_t r : {8000u, 44100u, 48000u}) {
        std::vector<double> tone(r);
        for (std::size_t j = 0; j < tone.size(); ++j) tone[j] = 0.5 * std::sin(2 * pi * 1000 * static_cast<double>(j) / r);
        const std::vector<Speech_Frame> frames = features(tone, r);
        ASSERT_EQ(frames.size(), 100u) << r;
        EXPECT_NEAR(frames[50].voice, frames[50].level, 4) << r;  // averaging to ~8 kHz loses little at 1 kHz
        EXPECT_LE(frames[50].noise, 5) << r;
    }
}

TEST(Speech_Detection, SpeechIsFoundOverBedsAndBedsAloneAreNot) {
    const struct {
        const char* bed;
        double gain;     // of the bed; the speech peaks near 0.5
        bool with_speech;
        double least_found;  // share of the phrases' frames
    } cases[] = {
        {"", 0, false, 0},          // silence
        {"white", 0.3, false, 0},   // steady noise
        {"brown", 0.5, false, 0},
        {"tone", 0.5, false, 0},    // a held tone
        {"chord", 0.3, false, 0},   // a held chord
        {"beeps", 0.5, false, 0},   // a tone going on and off
        {"gusts", 0.3, false, 0},   // noise going on and off
        {"chirps", 0.5, false, 0},  // short sweeps
        {"", 0, true, 0.8},         // speech in silence
        {"white", 0.02, true, 0.7},  // over noise 20 dB lower
        {"brown", 0.05, true, 0.7},
        {"chord", 0.03, true, 0.7},  // over music
    };
    for (const auto& c : cases) {
        std::mt19937 random(42);
        std::vector<Span> phrases;
        std::vector<double> signal = c.with_speech ? speech(random, 30.0, phrases) : std::vector<double>(30 * rate, 0.0);
        const std::vector<double> under = bed(c.bed, random, 30.0, c.gain);
        for (std::size_t j = 0; j < signal.size(); ++j) signal[j] += under[j];
        const std::vector<std::uint8_t> found = detect_speech(features(signal));
        ASSERT_EQ(found.size(), 3000u);
        // Frames inside phrases, and those more than 300 ms from any.
        std::size_t inside = 0, inside_found = 0, outside = 0, outside_found = 0;
        for (std::size_t k = 0; k < found.size(); ++k) {
            const double t = static_cast<double>(k) / 100;
            bool in = false, near = false;
            for (const Span& p : phrases) {
                in = in || (t >= p.start + 0.05 && t < p.end);
                near = near || (t >= p.start - 0.3 && t < p.end + 0.3);
            }
            if (in) {
                ++inside;
                inside_found += found[k];
            } else if (!near) {
                ++outside;
                outside_found += found[k];
            }
        }
        EXPECT_LE(outside_found, outside / 50) << c.bed << " " << c.gain;  // at most 2 % where nobody speaks
        if (c.with_speech) {
            ASSERT_GT(inside, 1000u);
            EXPECT_GE(static_cast<double>(inside_found), c.least_found * static_cast<double>(inside)) << c.bed << " " << c.gain;
        }
    }
}

}  // namespace
