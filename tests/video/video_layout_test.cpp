#include "video/video_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FitPicture, KeepsAspectAndCentres) {
    const struct {
        std::int32_t w, h, W, H;
        video_rect expected;
    } cases[] = {
        {640, 480, 800, 400, {133, 0, 666, 400}},     // narrower picture: full height, centred across
        {1920, 1080, 400, 400, {0, 87, 400, 312}},    // wider picture: full width, centred down
        {640, 360, 1280, 720, {0, 0, 1280, 720}},     // equal ratios: second branch, full height
        {640, 360, 641, 360, {0, 0, 640, 360}},       // a hair wider target: n = 640, right = 320 + 320
        {360, 640, 400, 400, {87, 0, 312, 400}},      // portrait: n = 225, right = 112 + 200
        {640, 360, 800, 301, {132, 0, 667, 301}},     // truncation of 301 / 360 * 640 = 535.1
        {100, 100, 0, 0, {0, 0, 0, 0}},               // empty target: nothing to fill, no crash
    };
    for (const auto& c : cases) {
        video_rect out{1, 2, 3, 4};
        EXPECT_TRUE(fit_picture(c.w, c.h, c.W, c.H, out)) << c.w << "x" << c.h << " in " << c.W << "x" << c.H;
        EXPECT_EQ(out, c.expected) << c.w << "x" << c.h << " in " << c.W << "x" << c.H << ": " << out.left << ","
                                   << out.top << "," << out.right << "," << out.bottom;
    }
}

TEST(FitPicture, RefusesUnknownNativeSize) {
    const struct { std::int32_t w, h; } cases[] = {
        {0, 360},   // no width
        {640, 0},   // no height: the ratio would divide by zero
        {-1, 10},   // nonsense from a broken decoder
    };
    for (const auto& c : cases) {
        video_rect out{1, 2, 3, 4};
        EXPECT_FALSE(fit_picture(c.w, c.h, 800, 600, out));
        EXPECT_EQ(out, video_rect{});
    }
}

TEST(TextBand, FollowsThePictureRule) {
    const struct {
        video_rect picture;
        text_band expected;
    } cases[] = {
        {{80, 0, 720, 360}, {144, 292, 512, 61, 18}},   // 640x360 at x 80: margin 7, size round(18.48)
        {{0, 87, 400, 312}, {40, 269, 320, 38, 12}},    // letterboxed 400x225: height round(38.25), margin round(4.5)
        {{0, 0, 100, 50}, {10, 40, 80, 9, 3}},          // margin round(1.0); 8.5 rounds away to 9
        {{0, 0, 0, 0}, {0, 0, 0, 0, 0}},                // empty picture: empty band, size 0
    };
    for (const auto& c : cases) {
        const text_band b = layout_text_band(c.picture);
        EXPECT_EQ(b.x, c.expected.x) << c.picture.right;
        EXPECT_EQ(b.y, c.expected.y) << c.picture.right;
        EXPECT_EQ(b.width, c.expected.width) << c.picture.right;
        EXPECT_EQ(b.height, c.expected.height) << c.picture.right;
        EXPECT_EQ(b.font_size, c.expected.font_size) << c.picture.right;
    }
}

TEST(RoundHalfAway, RoundsTiesOutward) {
    const struct { float v; std::int32_t expected; } cases[] = {
        {2.5f, 3},    // tie up
        {-2.5f, -3},  // tie down, away from zero
        {2.49f, 2},   // below the tie
        {0.0f, 0},    // zero
    };
    for (const auto& c : cases)
        EXPECT_EQ(round_half_away(c.v), c.expected) << c.v;
}

std::u16string describe(const std::vector<line_segment>& runs) {
    // "[x]" marks an italic run, "(x)" a normal one.
    std::u16string out;
    for (const auto& r : runs) {
        out += r.italic ? u'[' : u'(';
        out += r.text;
        out += r.italic ? u']' : u')';
    }
    return out;
}

TEST(SegmentLine, SplitsAtTheTags) {
    const struct {
        const char16_t* line;
        bool italic_before;
        const char16_t* runs;
        bool italic_after;
    } cases[] = {
        {u"a <i>b</i> c", false, u"(a )[b]( c)", false},          // blanks stay with the normal runs
        {u"<i>one and", false, u"[one and]", true},                // open tag carries to the next line
        {u"two</i> three", true, u"[two]( three)", false},         // carried flag: the line starts italic
        {u"<i></i>", false, u"", false},                           // only tags: nothing drawn
        {u"plain", false, u"(plain)", false},                      // no tags at all
        {u"plain", true, u"[plain]", true},                        // whole line inside a carried tag
        {u"<I>x</I>", false, u"(<I>x</I>)", false},                // tags are lower case only
        {u"<b>x</b>", false, u"(<b>x</b>)", false},                // other markup is text
        {u"< i>x", false, u"(< i>x)", false},                      // no spaces inside a tag
        {u"a</i>b", false, u"(a</i>b)", false},                    // a close tag outside italics is text
        {u"<i>a<i>b</i>c", false, u"[a<i>b](c)", false},           // an open tag inside italics is text
        {u"<i>a</i><i>b</i>", false, u"[a][b]", false},            // two italic runs back to back
        {u"", true, u"", true},                                    // empty line keeps the flag
        {u"x<i>", false, u"(x)", true},                            // tag at the very end
    };
    for (const auto& c : cases) {
        bool italic = c.italic_before;
        const std::u16string line = c.line;
        EXPECT_EQ(describe(segment_line(line, italic)), std::u16string(c.runs)) << std::string(line.begin(), line.end());
        EXPECT_EQ(italic, c.italic_after) << std::string(line.begin(), line.end());
    }
}

TEST(Units, ConvertBetweenMillisecondsAndHundredNanoseconds) {
    EXPECT_EQ(ms_to_units(1500), 15'000'000);
    EXPECT_EQ(ms_to_units(-2000), -20'000'000);
    const struct { std::int64_t units; std::uint32_t ms; } cases[] = {
        {15'009'999, 1500},                           // truncates toward zero
        {0, 0},                                       // start
        {-9'999, 0},                                  // negative below one ms truncates to zero
        {-10'000, 0xFFFFFFFFu},                       // -1 ms keeps its low 32 bits
        {(std::int64_t{1} << 32) * 10'000 + 10'000, 1}, // past 32 bits: only the low bits remain
    };
    for (const auto& c : cases)
        EXPECT_EQ(units_to_ms(c.units), c.ms) << c.units;
}

}  // namespace

namespace {

TEST(SplitSubLines, OneLinePerBreak) {
    const struct { const char16_t* text; std::vector<std::u16string> lines; } cases[] = {
        {u"", {}},                                  // empty text: nothing to draw
        {u"one line", {u"one line"}},               // no break: still one line
        {u"a\r\nb", {u"a", u"b"}},                  // two lines
        {u"a\r\n", {u"a", u""}},                    // trailing break: an empty last line
        {u"\r\n\r\nc", {u"", u"", u"c"}},           // adjacent breaks: empty lines kept
        {u"a\nb\rc", {u"a\nb\rc"}},                 // lone LF or CR is not a break
    };
    for (const auto& c : cases) {
        const auto got = split_sub_lines(c.text);
        ASSERT_EQ(got.size(), c.lines.size()) << got.size();
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(std::u16string(got[i]), c.lines[i]) << i;
    }
}

TEST(Speed, LabelsTheOfferedSpeeds) {
    const struct { std::uint32_t percent; const char16_t* label; } cases[] = {
        {50, u"0.5\u00d7"},    // no trailing zero
        {75, u"0.75\u00d7"},
        {100, u"1\u00d7"},     // whole: no point
        {125, u"1.25\u00d7"},
        {150, u"1.5\u00d7"},
        {200, u"2\u00d7"},
        {105, u"1.05\u00d7"},  // a leading zero after the point stays
    };
    for (const auto& c : cases) EXPECT_EQ(speed_label(c.percent), c.label) << c.percent;
}

TEST(Speed, FrameSteps) {
    const struct { std::int64_t now, frame, duration; bool forward; std::int64_t want; } cases[] = {
        {10'000'000, 400'000, 100'000'000, true, 10'400'000},   // 25 pictures a second: 40 ms on
        {10'000'000, 400'000, 100'000'000, false, 9'600'000},   // and back
        {10'000'000, 333'667, 100'000'000, true, 10'333'667},   // 29.97: not a whole ms
        {10'000'000, 0, 100'000'000, true, 10'400'000},         // unknown: 40 ms
        {200'000, 400'000, 100'000'000, false, 0},              // not before the start
        {99'900'000, 400'000, 100'000'000, true, 100'000'000},  // nor past the end
        {99'900'000, 400'000, 0, true, 100'300'000},            // no duration known: no end
    };
    for (const auto& c : cases)
        EXPECT_EQ(frame_step_position(c.now, c.frame, c.duration, c.forward), c.want) << c.now << " " << c.frame;
}

}  // namespace
