#include "gui/layout_metrics.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout_Metrics, EverySizeScalesWithTheDpi) {
    // At 96 DPI the sizes the program always had; 120, 144 and 192 DPI are 125, 150 and 200 %.
    const struct { const char* what; int (*size)(unsigned dpi); int at96, at120, at144, at192; } cases[] = {
        {"# column", [](unsigned d) { return main_window_metrics(d).number_column; }, 36, 45, 54, 72},
        {"Start column", [](unsigned d) { return main_window_metrics(d).time_column; }, 74, 93, 111, 148},
        {"Length column", [](unsigned d) { return main_window_metrics(d).length_column; }, 50, 63, 75, 100},
        {"saved part", [](unsigned d) { return main_window_metrics(d).saved_part; }, 200, 250, 300, 400},
        {"count part", [](unsigned d) { return main_window_metrics(d).count_part; }, 110, 138, 165, 220},
        {"length part", [](unsigned d) { return main_window_metrics(d).length_part; }, 70, 88, 105, 140},
        {"encoding part", [](unsigned d) { return main_window_metrics(d).encoding_part; }, 220, 275, 330, 440},
        {"edge", [](unsigned d) { return main_window_metrics(d).edge; }, 3, 4, 5, 6},  // 3.75 and 4.5 round up
        {"video right", [](unsigned d) { return main_window_metrics(d).video_right; }, 12, 15, 18, 24},
        {"timeline gap", [](unsigned d) { return main_window_metrics(d).timeline_gap; }, 8, 10, 12, 16},
        {"timeline right", [](unsigned d) { return main_window_metrics(d).timeline_right; }, 7, 9, 11, 14},
        {"timeline below", [](unsigned d) { return main_window_metrics(d).timeline_below; }, 32, 40, 48, 64},
        {"ruler (block top)", [](unsigned d) { return timeline_metrics(d).block_top; }, 30, 38, 45, 60},
        {"block bottom", [](unsigned d) { return timeline_metrics(d).block_bottom; }, 94, 118, 141, 188},
        {"block text", [](unsigned d) { return timeline_metrics(d).text_top; }, 50, 63, 75, 100},
        {"ruler label", [](unsigned d) { return timeline_metrics(d).label_x; }, 2, 3, 3, 4},
        {"number line", [](unsigned d) { return timeline_metrics(d).number_height; }, 12, 15, 18, 24},
        {"playhead", [](unsigned d) { return timeline_metrics(d).playhead_half; }, 5, 6, 8, 10},
        {"sync flag", [](unsigned d) { return timeline_metrics(d).flag; }, 7, 9, 11, 14},
        {"edge grip", [](unsigned d) { return timeline_metrics(d).edge_grip; }, 4, 5, 6, 8},
        {"snap reach", [](unsigned d) { return timeline_metrics(d).snap_reach; }, 5, 6, 8, 10},
        {"clock width", [](unsigned d) { return clock_metrics(d).width; }, 80, 100, 120, 160},
        {"clock height", [](unsigned d) { return clock_metrics(d).height; }, 18, 23, 27, 36},
        {"clock font", [](unsigned d) { return clock_metrics(d).font_height; }, -12, -15, -18, -24},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.size(96), c.at96) << c.what;
        EXPECT_EQ(c.size(120), c.at120) << c.what;
        EXPECT_EQ(c.size(144), c.at144) << c.what;
        EXPECT_EQ(c.size(192), c.at192) << c.what;
    }
    EXPECT_EQ(scale_px(36, 0), 36);    // no DPI known: as at 96
    EXPECT_EQ(scale_px(-12, 120), -15);  // halves away from zero
}

}  // namespace
