#include "audio/speech_sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::uint64_t uniform(std::mt19937& random, std::uint64_t a, std::uint64_t b) { return a + random() % (b - a); }

// A film's subs where they are spoken, and the speech detected in its audio: each sub's words
// from a little after its start to a little before its end, with pauses, missed words, speech
// that has no sub and short false detections.
struct Film {
    std::vector<Sub_Span> subs;
    std::vector<std::uint8_t> speech;
};

Film film(unsigned seed, std::uint64_t minutes, bool with_speech = true, std::uint64_t lead_ms = 60000) {
    std::mt19937 random(seed);
    Film f;
    f.speech.assign(minutes * 6000, 0);
    const auto mark = [&](std::uint64_t from_ms, std::uint64_t to_ms) {
        for (std::uint64_t t = from_ms / 10; t < to_ms / 10 && t < f.speech.size(); ++t) f.speech[t] = 1;
    };
    for (std::uint64_t t = lead_ms + uniform(random, 0, 5000); t + 10000 < minutes * 60000;) {
        const std::uint64_t length = uniform(random, 1000, 4500);
        f.subs.push_back({t, t + length});
        if (with_speech) {
            // Words of 200 to 700 ms with pauses, one in ten missed; the sub stays on for up to
            // 600 ms after the last.
            const std::uint64_t spoken = t + length - uniform(random, 0, 600);
            for (std::uint64_t w = t + uniform(random, 0, 40); w + 100 < spoken;) {
                const std::uint64_t word = uniform(random, 200, 700);
                if (random() % 10 != 0) mark(w, std::min(w + word, spoken));
                w += word + uniform(random, 30, 150);
            }
        }
        t += length + (random() % 5 == 0 ? uniform(random, 3000, 20000) : uniform(random, 100, 2500));
    }
    // Speech nobody wrote subs for, and false detections.
    for (int k = 0; k < static_cast<int>(minutes) * 2; ++k) {
        const std::uint64_t at = uniform(random, 0, minutes * 60000 - 5000);
        mark(at, at + uniform(random, 500, 3000));
    }
    for (int k = 0; k < static_cast<int>(minutes) * 10; ++k) {
        const std::uint64_t at = uniform(random, 0, minutes * 60000 - 1000);
        mark(at, at + uniform(random, 50, 300));
    }
    return f;
}

// Where a time of a sub that starts at `start` goes (a cut moves a sub's end with its start);
// below 0, the sub is left out of the file.
using Move = std::function<std::int64_t(std::int64_t t, std::int64_t start)>;

std::vector<Sub_Span> moved(std::vector<Sub_Span>& subs, const Move& move) {
    std::vector<Sub_Span> out, kept;
    for (const Sub_Span& s : subs) {
        const std::int64_t start = static_cast<std::int64_t>(s.start);
        const std::int64_t a = move(start, start), b = move(static_cast<std::int64_t>(s.end), start);
        if (a < 0) continue;
        out.push_back({static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(b)});
        kept.push_back(s);
    }
    subs = kept;
    return out;
}

// The share of subs whose start the sync's map puts back within `ms` of where it is spoken.
double back_within(const Speech_Sync& sync, const std::vector<Sub_Span>& truth, const std::vector<Sub_Span>& shifted,
                   std::int64_t ms) {
    const Time_Map map = sync.map();
    std::size_t good = 0;
    for (std::size_t i = 0; i < truth.size(); ++i)
        good += std::abs(map(shifted[i].start) - static_cast<std::int64_t>(truth[i].start)) <= ms;
    return static_cast<double>(good) / static_cast<double>(truth.size());
}

TEST(Speech_Sync, ShiftsRatesAndCutsAreRecovered) {
    const std::int64_t cut_at = 20 * 60000;  // subs after it are moved
    const struct {
        const char* what;
        std::uint64_t minutes, lead_ms;  // of the film, and before its first sub
        Move move;
        Frame_Rate from, to;  // the ratio the sync should find
        std::size_t cuts;
    } cases[] = {
        {"early", 40, 60000, [](std::int64_t t, std::int64_t) { return t - 35000; }, {1, 1}, {1, 1}, 0},
        {"late", 40, 60000, [](std::int64_t t, std::int64_t) { return t + 12300; }, {1, 1}, {1, 1}, 0},
        {"a little late", 40, 60000, [](std::int64_t t, std::int64_t) { return t + 150; }, {1, 1}, {1, 1}, 0},
        {"a little early", 40, 60000, [](std::int64_t t, std::int64_t) { return t - 100; }, {1, 1}, {1, 1}, 0},
        {"ten minutes early", 40, 660000, [](std::int64_t t, std::int64_t) { return t - 600000; }, {1, 1}, {1, 1}, 0},
        {"ten minutes late", 40, 60000, [](std::int64_t t, std::int64_t) { return t + 600000; }, {1, 1}, {1, 1}, 0},
        // Over a minute 23.976 and 24 differ by 60 ms: no rate is changed for that.
        {"a short film, late", 1, 2000, [](std::int64_t t, std::int64_t) { return t + 3200; }, {1, 1}, {1, 1}, 0},
        // Subs made for 25 frames a second on a video at 23.976: the speech comes later and later.
        {"25 to 23.976", 60, 60000, [](std::int64_t t, std::int64_t) { return t * 24000 / 25025; }, {25, 1}, {24000, 1001}, 0},
        {"23.976 to 25", 60, 60000, [](std::int64_t t, std::int64_t) { return t * 25025 / 24000 + 2000; }, {24000, 1001}, {25, 1}, 0},
        {"24 to 25 and late", 60, 60000, [](std::int64_t t, std::int64_t) { return t * 25 / 24 + 4000; }, {24, 1}, {25, 1}, 0},
        {"30 to 29.97", 60, 60000, [](std::int64_t t, std::int64_t) { return t * 30000 / 30030 - 3000; }, {30, 1}, {30000, 1001}, 0},
        // 30 s removed from the video in the middle: subs after it are 30 s late.
        {"a cut", 40, 60000, [=](std::int64_t t, std::int64_t s) { return s < cut_at ? t : t + 30000; }, {1, 1}, {1, 1}, 1},
        // 45 s with speech added to the video: their subs are missing, the later ones 45 s early.
        {"a part added", 40, 60000,
         [=](std::int64_t t, std::int64_t s) { return s < cut_at ? t + 2000 : s < cut_at + 45000 ? -1 : t - 45000; },
         {1, 1}, {1, 1}, 1},
        {"two cuts", 40, 60000, [=](std::int64_t t, std::int64_t s) { return s < cut_at ? t : s < 2 * cut_at - 300000 ? t + 30000 : t + 90000; },
         {1, 1}, {1, 1}, 2},
        {"a cut and a rate", 60, 60000, [=](std::int64_t t, std::int64_t s) { return (s < cut_at ? t : t + 30000) * 24000 / 25025; },
         {25, 1}, {24000, 1001}, 1},
    };
    for (const auto& c : cases) {
        Film f = film(11, c.minutes, true, c.lead_ms);
        const std::vector<Sub_Span> shifted = moved(f.subs, c.move);
        const Speech_Sync sync = sync_to_speech(f.speech, shifted);
        EXPECT_TRUE(sync.found) << c.what;
        // The same ratio, whichever pair of rates names it (30 to 29.97 is 24 to 23.976).
        EXPECT_EQ(sync.from.num * sync.to.den * c.from.den * c.to.num, c.from.num * c.to.den * sync.from.den * sync.to.num)
            << c.what << ": " << sync.from.num << "/" << sync.from.den << " to " << sync.to.num << "/" << sync.to.den;
        EXPECT_EQ(sync.cuts(), c.cuts) << c.what;
        EXPECT_GE(back_within(sync, f.subs, shifted, 30), 0.98) << c.what;
        EXPECT_GT(sync.fit_after, 60) << c.what;  // pauses, missed words and subs that stay on
    }
}

TEST(Speech_Sync, NothingMovesWithoutClearlyBetterFit) {
    Film in_sync = film(5, 30);
    const Film silent = film(5, 30, false);
    const Film other = film(6, 30);  // another film's speech
    std::vector<std::uint8_t> everywhere(30 * 6000, 1);
    const struct {
        const char* what;
        const std::vector<std::uint8_t>& speech;
        std::int64_t shift;  // of the subs
    } cases[] = {
        {"in sync", in_sync.speech, 0},
        {"off by 20 ms", in_sync.speech, 20},  // within what detection tells
        {"off by 40 ms", in_sync.speech, -40},
        {"no speech", std::vector<std::uint8_t>(30 * 6000, 0), 5000},
        {"false detections only", silent.speech, 5000},
        {"another film", other.speech, 5000},  // some shift fits a little better than chance
        {"speech everywhere", everywhere, 5000},
    };
    for (const auto& c : cases) {
        const std::vector<Sub_Span> subs = moved(in_sync.subs, [&](std::int64_t t, std::int64_t) { return t + c.shift; });
        const Speech_Sync sync = sync_to_speech(c.speech, subs);
        EXPECT_FALSE(sync.found) << c.what << ": " << sync.fit_before << " % to " << sync.fit_after << " %";
    }
}

TEST(Speech_Sync, OnlyTheGivenSubsAndStopping) {
    // The later half of the subs alone, 8 s early, finds its shift.
    Film f = film(3, 30);
    std::vector<Sub_Span> half(f.subs.begin() + static_cast<std::ptrdiff_t>(f.subs.size() / 2), f.subs.end());
    const Speech_Sync sync = sync_to_speech(f.speech, moved(half, [](std::int64_t t, std::int64_t) { return t - 8000; }));
    ASSERT_TRUE(sync.found);
    ASSERT_EQ(sync.pieces.size(), 1u);
    EXPECT_NEAR(static_cast<double>(sync.pieces[0].shift), 8000, 30);

    std::atomic<bool> stop{true};
    Speech_Sync_Options options;
    options.stop = &stop;
    const Speech_Sync stopped = sync_to_speech(f.speech, f.subs, options);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(stopped.found);
    EXPECT_FALSE(sync_to_speech(f.speech, {}).found);  // no subs
}

}  // namespace
