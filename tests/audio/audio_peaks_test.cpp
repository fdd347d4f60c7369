#include "audio/audio_peaks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Keeps every frame it is given.
struct Recorder : Audio_Frame_Consumer {
    std::uint32_t rate = 0;
    std::vector<std::vector<std::int16_t>> frames;
    void begin(std::uint32_t r) override { rate = r; }
    void frame(std::span<const std::int16_t> s) override { frames.emplace_back(s.begin(), s.end()); }
};

std::vector<Peak> peaks_of(std::uint32_t rate, std::uint32_t channels, const std::vector<std::int16_t>& pcm) {
    std::vector<Peak> peaks;
    Peak_Builder builder(peaks);
    Frame_Splitter splitter(rate, channels, builder);
    splitter.add(pcm.data(), pcm.size() / channels);
    splitter.finish();
    return peaks;
}

TEST(FrameSplitter, PeaksOfSampleBlocks) {
    // At 1 kHz a frame is 10 samples.
    const struct {
        std::uint32_t channels;
        std::vector<std::int16_t> pcm;
        std::vector<Peak> want;
    } cases[] = {
        {1, {1, -2, 3, -4, 5, -6, 7, -8, 9, -10}, {{-10, 9}}},                          // one whole frame
        {1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 7}, {{0, 0}, {5, 7}}},                    // silence, then a partial frame
        {1, {32767, -32768, 0, 0, 0, 0, 0, 0, 0, 0}, {{-32768, 32767}}},                // the full range
        {2, {100, 300, -100, -300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},     // the mean of the channels
         {{-200, 200}}},
        {2, {32767, 32767, -32768, -32768, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // no overflow
         {{-32768, 32767}}},
        {3, {3, 3, 3, 0, 0, -9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // three channels
         {{-3, 3}}},
        {1, {}, {}},                                                                     // nothing read
    };
    for (const auto& c : cases) EXPECT_EQ(peaks_of(1000, c.channels, c.pcm), c.want) << c.pcm.size();
}

TEST(FrameSplitter, FramesFollowTheRateExactly) {
    Recorder recorder;
    Frame_Splitter splitter(22050, 1, recorder);
    const std::vector<std::int16_t> second(22050, 1);
    // Blocks of odd sizes cut across the frames.
    splitter.add(second.data(), 1000);
    splitter.add(second.data() + 1000, 21050);
    splitter.finish();
    EXPECT_EQ(recorder.rate, 22050u);
    ASSERT_EQ(recorder.frames.size(), 100u);
    EXPECT_EQ(recorder.frames[0].size(), 220u);  // 220.5 samples a frame: floor of the running end
    EXPECT_EQ(recorder.frames[1].size(), 221u);
    EXPECT_EQ(splitter.read_ms(), 1000u);
}

TEST(FrameSplitter, TimestampsLeaveGapsOfSilence) {
    const struct {
        std::int64_t second_at_100ns;
        std::size_t frames;
    } cases[] = {
        {10 * 10000, 2},          // right after the first block
        {90 * 10000, 2},          // 80 ms later: jitter or priming, laid end to end
        {510 * 10000, 52},        // 500 ms later: a gap of 50 frames
        {-1, 2},                  // no timestamp
        {50000000000LL, 60002},   // a damaged timestamp: at most the longest gap
    };
    for (const auto& c : cases) {
        std::vector<Peak> peaks;
        Peak_Builder builder(peaks);
        Frame_Splitter splitter(1000, 1, builder);
        const std::vector<std::int16_t> block(10, 100);
        splitter.add(block.data(), 10, 0);
        splitter.add(block.data(), 10, c.second_at_100ns);
        splitter.finish();
        ASSERT_EQ(peaks.size(), c.frames) << c.second_at_100ns;
        EXPECT_EQ(peaks.back(), (Peak{100, 100}));
        if (c.frames > 2) {
            EXPECT_EQ(peaks[1], (Peak{0, 0}));
        }
    }
}

TEST(FrameSplitter, NoRateOrNoChannelsPassNothing) {
    Recorder recorder;
    const std::int16_t pcm[4] = {1, 2, 3, 4};
    Frame_Splitter no_rate(0, 1, recorder), no_channels(1000, 0, recorder);
    no_rate.add(pcm, 4);
    no_channels.add(pcm, 4);
    no_rate.finish();
    no_channels.finish();
    EXPECT_TRUE(recorder.frames.empty());
}

TEST(PeakLevels, CoarserLevelsMergeFourPeaks) {
    Peak_Levels levels;
    for (int i = 0; i < 21; ++i) levels.add(Peak{static_cast<std::int16_t>(-i), static_cast<std::int16_t>(i)});
    const struct {
        unsigned level;
        std::size_t count;
        std::size_t index;
        Peak want;
    } cases[] = {
        {0, 21, 20, {-20, 20}},  // frames as added
        {1, 6, 0, {-3, 3}},      // frames 0-3
        {1, 6, 5, {-20, 20}},    // frame 20 alone so far
        {2, 2, 0, {-15, 15}},    // frames 0-15
        {2, 2, 1, {-20, 20}},    // frames 16-20
        {3, 1, 0, {-20, 20}},    // everything
    };
    ASSERT_EQ(levels.levels(), 4u);
    for (const auto& c : cases) {
        EXPECT_EQ(levels.count(c.level), c.count) << c.level;
        EXPECT_EQ(levels.at(c.level, c.index), c.want) << c.level << " " << c.index;
    }
    EXPECT_EQ(levels.duration_ms(), 210u);
    // Reserving first makes every level from the start; the values are the same.
    Peak_Levels reserved;
    reserved.reserve(21);
    for (int i = 0; i < 21; ++i) reserved.add(Peak{static_cast<std::int16_t>(-i), static_cast<std::int16_t>(i)});
    for (const auto& c : cases) EXPECT_EQ(reserved.at(c.level, c.index), c.want) << c.level << " " << c.index;
}

TEST(PeakLevels, CoarsestLevelWithAValuePerPixel) {
    Peak_Levels levels;
    for (int i = 0; i < 5000; ++i) levels.add(Peak{});
    const struct {
        double ms_per_pixel;
        unsigned want;
    } cases[] = {
        {1.0, 0},      // finer than a frame: frames
        {39.9, 0},     // just under 40 ms
        {40.0, 1},     // 40 ms peaks
        {700.0, 3},    // 640 ms peaks
        {1e9, 7},      // the coarsest there is, one peak of all 5000 frames
    };
    for (const auto& c : cases) EXPECT_EQ(levels.level_for(c.ms_per_pixel), c.want) << c.ms_per_pixel;
}

TEST(WaveColumns, ReadUnreadAndNone) {
    Peak_Levels levels;
    for (int i = 0; i < 100; ++i) levels.add(i == 50 ? Peak{-900, 800} : Peak{-1, 1});  // 1 s read
    using S = Wave_Column::State;
    const struct {
        std::int64_t start;
        std::uint32_t span;
        int x;
        std::uint64_t unread_end;
        Wave_Column want;
    } cases[] = {
        {0, 1000, 50, 2000, {S::read, {-900, 800}}},     // 10 ms a pixel: frame 50 alone
        {0, 1000, 49, 2000, {S::read, {-1, 1}}},         // the frame before it
        {0, 4000, 12, 2000, {S::read, {-900, 800}}},     // 40 ms a pixel: 480-520 ms, from level 1
        {0, 4000, 25, 2000, {S::unread, {}}},            // 1000 ms: past what was read
        {0, 4000, 60, 2000, {S::none, {}}},              // 2400 ms: past the length
        {0, 4000, 50, 2000, {S::none, {}}},              // 2000 ms: where the length ends
        {-500, 1000, 10, 2000, {S::none, {}}},           // before 0
        {995, 10, 0, 0, {S::read, {-1, 1}}},             // a pixel inside the last frame
    };
    for (const auto& c : cases) {
        const std::vector<Wave_Column> columns = wave_columns(levels, c.start, c.span, 100, c.unread_end);
        ASSERT_EQ(columns.size(), 100u);
        EXPECT_EQ(columns[c.x], c.want) << c.start << " " << c.span << " " << c.x;
    }
    EXPECT_TRUE(wave_columns(levels, 0, 1000, 0, 0).empty());  // no width
}

}  // namespace
