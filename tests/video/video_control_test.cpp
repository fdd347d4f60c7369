#include "video/video_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/video/video_test_support.h"

namespace {

using video_test::host_window;
using video_test::narrow;
using video_test::pump_until;
using video_test::screen_shot;
using video_test::video_file;

RECT window_rect_in_parent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool light(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 150; }

// An 800x400 video control inside a host window, over a list of subs, on the path this
// machine needs unless a fixture chooses one.
class VideoControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video_test::have_videos()) << "run through with_videos.sh";
        host_ = new host_window(800, 400);
        video_ = new Video_Control(subs_, picture_window());
        video_->width = 800;
        video_->height = 400;
        ASSERT_TRUE(video_->create(host_->hwnd));
    }
    void TearDown() override {
        delete host_;  // destroys the control's window first
        delete video_;
    }
    virtual bool picture_window() const { return Video_Picture::needed(); }
    void open(std::uint32_t kind = renderer_vmr9, const char16_t* file = u"wide.mp4") {
        std::u16string error = u"stale";
        ASSERT_TRUE(video_->open(kind, video_file(file), &error)) << narrow(error);
        EXPECT_TRUE(error.empty());
    }

    Sub_List subs_;
    host_window* host_ = nullptr;
    Video_Control* video_ = nullptr;
};

// What does not need pixels, on both paths: the control itself as the renderer's window (as
// on Windows) and the picture window over it (as under Wine), with each renderer.
struct path_and_renderer {
    bool picture_window;
    std::uint32_t kind;
};

class VideoControlPaths : public VideoControlTest, public ::testing::WithParamInterface<path_and_renderer> {
    bool picture_window() const override { return GetParam().picture_window; }
};

TEST_P(VideoControlPaths, CreatesHiddenClockAndText) {
    wchar_t name[64];
    const struct { HWND window; const wchar_t* class_name; int id; } children[] = {
        {video_->clock.hwnd, L"CTL_VIDEO_CLOCK", 6661},
        {video_->text_overlay.hwnd, L"CTL_VIDEO_TEXT", 6662},
    };
    for (const auto& c : children) {
        ASSERT_NE(c.window, nullptr);
        EXPECT_EQ(GetParent(c.window), video_->hwnd);
        GetClassNameW(c.window, name, 64);
        EXPECT_STREQ(name, c.class_name);
        EXPECT_EQ(GetDlgCtrlID(c.window), c.id);
        EXPECT_FALSE(IsWindowVisible(c.window));
        EXPECT_EQ(GetClassLongPtrW(c.window, GCLP_HBRBACKGROUND), reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH)));
    }
    GetClassNameW(video_->hwnd, name, 64);
    EXPECT_STREQ(name, L"CTL_VIDEO");
    EXPECT_EQ(GetClassLongPtrW(video_->hwnd, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
    const RECT clock = window_rect_in_parent(video_->clock.hwnd);
    EXPECT_EQ(clock.left, 0);
    EXPECT_EQ(clock.top, 0);
    EXPECT_EQ(clock.right - clock.left, 80);
    EXPECT_EQ(clock.bottom - clock.top, 18);
    const RECT text = window_rect_in_parent(video_->text_overlay.hwnd);
    EXPECT_EQ(text.top, 50);
    EXPECT_EQ(text.right - text.left, 2);
    EXPECT_EQ(video_->play_state(), -1);
    // The picture window exists, owned by the top-level window, only on its path.
    const HWND picture = FindWindowExW(nullptr, nullptr, L"CTL_VIDEO_PICTURE", nullptr);
    EXPECT_EQ(picture != nullptr, GetParam().picture_window);
    if (picture) {
        EXPECT_EQ(GetWindow(picture, GW_OWNER), host_->hwnd);
    }
}

TEST_P(VideoControlPaths, NothingLoadedOrUnknownKindDoesNothing) {
    subs_ = {{1000, 2000, u"due at 1500"}};
    video_->toggle_play();
    video_->toggle_text();
    EXPECT_FALSE(IsWindowVisible(video_->text_overlay.hwnd));
    SendMessageW(video_->hwnd, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(video_->play_state(), -1);
    video_->step_forward();
    EXPECT_EQ(video_->clock.time_ms, 0u);
    video_->seek_to(1500);  // no graph: only the clock and the index follow
    EXPECT_EQ(video_->clock.time_ms, 1500u);
    EXPECT_EQ(video_->text_overlay.sub_index, 0u);
    // An unknown renderer kind opens nothing.
    for (std::uint32_t kind : {0u, 3u}) {
        std::u16string error;
        EXPECT_FALSE(video_->open(kind, video_file(u"wide.mp4"), &error));
        EXPECT_EQ(narrow(error), "No video media renderer specified.");
        EXPECT_FALSE(IsWindowVisible(video_->clock.hwnd));
        EXPECT_FALSE(KillTimer(video_->hwnd, 1)) << "the poll must not start";
        EXPECT_TRUE(video_->video_path.empty());
    }
}

TEST_P(VideoControlPaths, PollsPausesSeeksStepsResizesAndCloses) {
    subs_ = {{0, 4000, u"first"}, {5000, 9000, u"second"}};
    std::vector<std::uint64_t> positions;
    video_->on_position = [&positions](std::uint64_t ms) { positions.push_back(ms); };
    open(GetParam().kind);
    EXPECT_EQ(narrow(video_->video_path), narrow(video_file(u"wide.mp4")));
    // The renderer draws into the control itself, or into the picture window over it.
    const HWND picture = FindWindowExW(nullptr, nullptr, L"CTL_VIDEO_PICTURE", nullptr);
    EXPECT_EQ(video_->player.window(), GetParam().picture_window ? picture : video_->hwnd);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(video_->hwnd, region), ERROR) << "the control itself is never cut";
    DeleteObject(region);

    // Clock at the fitted picture's top-left (711x400 at x 44), band by the layout rule.
    EXPECT_TRUE(IsWindowVisible(video_->clock.hwnd));
    EXPECT_TRUE(IsWindowVisible(video_->text_overlay.hwnd));
    const RECT clock = window_rect_in_parent(video_->clock.hwnd);
    EXPECT_EQ(clock.left, 44);
    EXPECT_EQ(clock.top, 0);
    const RECT band = window_rect_in_parent(video_->text_overlay.hwnd);
    EXPECT_EQ(band.left, 44 + 355 - 284);  // W 711: width 569, x = 355 - 284 + 44
    EXPECT_EQ(band.right - band.left, 569);
    EXPECT_EQ(band.bottom - band.top, 68);  // round(400 * 0.17)
    EXPECT_EQ(band.top, 400 - 8 - 68);      // margin round(8.0)

    // The poll reports rising positions and moves the clock and the text index.
    ASSERT_TRUE(pump_until([&] { return positions.size() >= 4 && positions.back() >= 400; }))
        << positions.size();
    for (std::size_t i = 1; i < positions.size(); ++i)
        EXPECT_GE(positions[i], positions[i - 1]) << i;
    EXPECT_GT(positions.back(), positions.front());
    EXPECT_EQ(video_->clock.time_ms, positions.back());
    EXPECT_EQ(video_->text_overlay.sub_index, 0u);
    EXPECT_EQ(video_->play_state(), 2);

    // A click on the control pauses and resumes; so does toggle_play.
    SendMessageW(video_->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 200));
    EXPECT_EQ(video_->play_state(), 1);
    SendMessageW(video_->hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(400, 200));
    EXPECT_EQ(video_->play_state(), 2);
    video_->toggle_play();
    EXPECT_EQ(video_->play_state(), 1);

    // Paused, no poll reports; seeks and steps move the clock and the band themselves.
    const std::size_t reported = positions.size();
    video_->seek_to(3500);
    EXPECT_EQ(video_->clock.time_ms, 3500u);
    EXPECT_EQ(video_->text_overlay.sub_index, 0u);
    EXPECT_TRUE(pump_until([&] { return video_->player.current_position() == 3500; }))
        << video_->player.current_position();
    video_->step_forward();  // by the default 2000 ms
    EXPECT_GE(video_->clock.time_ms, 5400u);
    EXPECT_LE(video_->clock.time_ms, 5600u);
    EXPECT_EQ(video_->text_overlay.sub_index, 1u);
    video_->step_back();
    EXPECT_GE(video_->clock.time_ms, 3400u);
    EXPECT_LE(video_->clock.time_ms, 3600u);
    EXPECT_EQ(video_->text_overlay.sub_index, 0u);
    video_->seek_to(4500);  // between the subs
    EXPECT_EQ(video_->text_overlay.sub_index, no_position);
    video_->clock.time_ms = 0;
    video_->text_overlay.sub_index = 0;
    video_->refresh();  // reads both back from the player
    EXPECT_GE(video_->clock.time_ms, 4400u);
    EXPECT_EQ(video_->text_overlay.sub_index, no_position);
    EXPECT_EQ(positions.size(), reported);
    // Steps from the settings beyond 31 bits still go their way, to the end or the start.
    for (std::uint64_t huge : {2147483648ull, 3000000000ull, 4294967295ull}) {
        video_->seek_step = huge;
        video_->seek_to(3000);
        video_->step_forward();
        EXPECT_GT(video_->clock.time_ms, 3000u) << huge;
        video_->step_back();
        EXPECT_EQ(video_->clock.time_ms, 0u) << huge;
    }

    video_->toggle_text();
    EXPECT_FALSE(IsWindowVisible(video_->text_overlay.hwnd));
    video_->toggle_text();
    EXPECT_TRUE(IsWindowVisible(video_->text_overlay.hwnd));

    // Narrower: 400x225 at y 87 for the renderer, the clock and the band.
    SetWindowPos(video_->hwnd, nullptr, 0, 0, 400, 400, SWP_NOZORDER | SWP_NOMOVE);
    const RECT fitted = video_test::renderer_destination(video_->player);
    EXPECT_EQ(fitted.left, 0);
    EXPECT_EQ(fitted.top, 87);
    EXPECT_EQ(fitted.right, 400);
    EXPECT_EQ(fitted.bottom, 312);
    const RECT moved_clock = window_rect_in_parent(video_->clock.hwnd);
    EXPECT_EQ(moved_clock.left, 0);
    EXPECT_EQ(moved_clock.top, 87);
    const RECT moved_band = window_rect_in_parent(video_->text_overlay.hwnd);
    EXPECT_EQ(moved_band.left, 40);
    EXPECT_EQ(moved_band.top, 269);
    EXPECT_EQ(moved_band.right - moved_band.left, 320);
    EXPECT_EQ(moved_band.bottom - moved_band.top, 38);
    EXPECT_EQ(video_->text_overlay.font_size, 12u);

    video_->close();
    EXPECT_FALSE(KillTimer(video_->hwnd, 1)) << "close leaves the poll running";
    EXPECT_FALSE(IsWindowVisible(video_->clock.hwnd));
    EXPECT_FALSE(IsWindowVisible(video_->text_overlay.hwnd));
    EXPECT_TRUE(video_->video_path.empty());
    EXPECT_FALSE(video_->player.loaded());
    EXPECT_EQ(video_->play_state(), -1);
    if (picture) {
        EXPECT_FALSE(IsWindowVisible(picture));
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, VideoControlPaths,
                         ::testing::Values(path_and_renderer{false, renderer_vmr7},  // as on Windows
                                           path_and_renderer{false, renderer_vmr9},
                                           path_and_renderer{true, renderer_vmr7},  // as under Wine
                                           path_and_renderer{true, renderer_vmr9}));

// Drawing into memory bitmaps, compared with what plain GDI calls give.
class memory_canvas {
public:
    memory_canvas(int w, int h) : w_(w), h_(h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc, bitmap_);
        RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~memory_canvas() {
        SelectObject(dc, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc);
    }
    std::vector<COLORREF> pixels() const {
        std::vector<COLORREF> out;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                out.push_back(GetPixel(dc, x, y) & 0xFFFFFF);
        return out;
    }
    int count_not_black() const {
        int n = 0;
        for (COLORREF c : pixels())
            n += c != 0;
        return n;
    }
    HDC dc = nullptr;

private:
    int w_, h_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(VideoControlTest, ClockDrawsTheTimeInItsFontAndColours) {
    const struct { std::uint64_t ms; const wchar_t* text; } cases[] = {
        {3725042, L"1:02:05.042"},    // hours unpadded, the rest padded
        {0, L"0:00:00.000"},          // start
        {90000000, L"25:00:00.000"},  // hours not limited to 24
    };
    for (const auto& c : cases) {
        video_->clock.show(c.ms);
        memory_canvas drawn(80, 18), expected(80, 18);
        video_->clock.draw(drawn.dc);
        SelectObject(expected.dc, video_->clock.font);
        SetBkColor(expected.dc, RGB(0, 0, 0));
        SetTextColor(expected.dc, RGB(252, 252, 242));
        TextOutW(expected.dc, 2, 1, c.text, lstrlenW(c.text));
        EXPECT_EQ(drawn.pixels(), expected.pixels()) << c.ms;
        EXPECT_GT(drawn.count_not_black(), 20) << c.ms;
        // What screen readers read is what it shows.
        wchar_t text[32] = {};
        GetWindowTextW(video_->clock.hwnd, text, 32);
        EXPECT_STREQ(text, c.text);
    }
    // A speed other than the normal one follows the time, in a box widened for it.
    const auto speed_pixels = [&] {
        RECT box{};
        GetClientRect(video_->clock.hwnd, &box);
        memory_canvas drawn(box.right, 18);
        video_->clock.draw(drawn.dc);
        int n = 0;
        for (int x = 80; x < box.right; ++x)
            for (int y = 0; y < 18; ++y)
                n += (GetPixel(drawn.dc, x, y) & 0xFFFFFF) != 0;
        return std::make_pair(static_cast<int>(box.right), n);
    };
    video_->clock.show_speed(150);
    const auto [wide, shown] = speed_pixels();
    EXPECT_GT(wide, 100);
    EXPECT_GT(shown, 20) << "no speed drawn after the time";
    video_->clock.show_speed(100);
    EXPECT_EQ(speed_pixels(), std::make_pair(80, 0));
    LOGFONTW font{};
    GetObjectW(video_->clock.font, sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"Arial Black");
    EXPECT_EQ(font.lfHeight, -12);
}

TEST_F(VideoControlTest, SpeedIsKeptForTheNextVideoAndFrameStepsPause) {
    // Without a video a speed is only kept; the next video is asked for it.
    EXPECT_TRUE(video_->set_speed(150));
    EXPECT_EQ(video_->speed, 150u);
    open();
    // What the player reads back is what the window shows, and a refusal was noted.
    const auto consistent = [&](std::uint32_t asked) {
        EXPECT_EQ(video_->player.rate(), video_->speed / 100.0) << asked;
        EXPECT_EQ(video_->clock.speed, video_->speed) << asked;
        EXPECT_TRUE(video_->speed == asked || video_->speed == 100) << asked;
    };
    consistent(150);
    EXPECT_EQ(video_->refused_speed, video_->speed == 150 ? 0u : 150u);
    for (std::uint32_t percent : {50u, 200u, 100u}) {
        const bool taken = video_->set_speed(percent);
        EXPECT_EQ(taken, video_->speed == percent) << percent;
        consistent(percent);
    }

    // A frame step pauses the running video and moves one picture (25 a second: 40 ms).
    ASSERT_EQ(video_->play_state(), 2);
    video_->step_frame(true);
    EXPECT_EQ(video_->play_state(), 1);
    video_->seek_to(3000);
    ASSERT_TRUE(pump_until([&] { return video_->player.current_position() == 3000; }));
    subs_ = {{0, 3020, u"first"}, {3030, 4000, u"second"}};
    video_->step_frame(true);
    EXPECT_EQ(video_->clock.time_ms, 3040u);
    EXPECT_EQ(video_->text_overlay.sub_index, 1u);
    EXPECT_TRUE(pump_until([&] { return video_->player.current_position() == 3040; }))
        << video_->player.current_position();
    video_->step_frame(false);
    video_->step_frame(false);
    EXPECT_EQ(video_->clock.time_ms, 2960u);
    EXPECT_EQ(video_->text_overlay.sub_index, 0u);
    wchar_t text[32] = {};
    GetWindowTextW(video_->clock.hwnd, text, 32);
    EXPECT_STREQ(text, L"0:00:02.960");
    EXPECT_EQ(video_->player.frame_units(), 400000);
    video_->close();
    video_->step_frame(true);  // nothing loaded: nothing moves
    EXPECT_EQ(video_->clock.time_ms, 2960u);
}

TEST_F(VideoControlTest, TextLayoutKeepsFontsOfTheSameSize) {
    Video_Text& text = video_->text_overlay;
    text.layout(RECT{80, 0, 720, 360});
    const RECT r = window_rect_in_parent(text.hwnd);
    EXPECT_EQ(r.left, 144);
    EXPECT_EQ(r.top, 292);
    EXPECT_EQ(r.right - r.left, 512);
    EXPECT_EQ(r.bottom - r.top, 61);
    EXPECT_EQ(text.font_size, 18u);
    LOGFONTW normal{}, italic{};
    GetObjectW(text.font, sizeof normal, &normal);
    GetObjectW(text.italic_font, sizeof italic, &italic);
    EXPECT_EQ(normal.lfHeight, -21);
    EXPECT_EQ(normal.lfWeight, 700);
    EXPECT_FALSE(normal.lfItalic);
    EXPECT_TRUE(italic.lfItalic);
    EXPECT_STREQ(normal.lfFaceName, L"Arial");

    const HFONT kept = text.font, kept_italic = text.italic_font;
    text.layout(RECT{0, 0, 641, 361});  // height round(61.37) = 61 again: same size
    EXPECT_EQ(text.font, kept);
    EXPECT_EQ(text.italic_font, kept_italic);
    text.layout(RECT{0, 0, 800, 450});  // height 77: size 23
    EXPECT_EQ(text.font_size, 23u);
    GetObjectW(text.font, sizeof normal, &normal);
    EXPECT_EQ(normal.lfHeight, -26);
}

int extent(HDC dc, HFONT font, const wchar_t* s) {
    SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, s, lstrlenW(s), &size);
    return size.cx;
}

TEST_F(VideoControlTest, TextWidthsFollowTheItalicRuns) {
    Video_Text& text = video_->text_overlay;
    text.layout(RECT{0, 0, 800, 450});
    memory_canvas canvas(600, 80);
    HDC dc = canvas.dc;
    const int normal_a = extent(dc, text.font, L"a ");
    const int italic_b = extent(dc, text.italic_font, L"b");
    const int normal_c = extent(dc, text.font, L" c");
    const struct { const char16_t* line; bool italic; int expected; } cases[] = {
        {u"a <i>b</i> c", false, normal_a + italic_b + normal_c},  // three runs, three fonts
        {u"<i></i>", false, 0},                                    // only tags: width 0
        {u"a ", true, extent(dc, text.italic_font, L"a ")},        // carried italics
        {u"<b>a </b>", false, extent(dc, text.font, L"<b>a </b>")}, // other markup is text
    };
    for (const auto& c : cases)
        EXPECT_EQ(text.line_width(dc, c.line, c.italic), c.expected) << narrow(c.line);
    // Italic and normal runs of the same text have the same advance here, so tell them apart by
    // their pixels.
    memory_canvas normal(200, 40), slanted(200, 40);
    for (auto* c : {&normal, &slanted}) {
        SetTextColor(c->dc, RGB(255, 255, 255));
        SetBkMode(c->dc, TRANSPARENT);
    }
    SelectObject(normal.dc, text.font);
    TextOutW(normal.dc, 4, 4, L"IIII", 4);
    SelectObject(slanted.dc, text.italic_font);
    TextOutW(slanted.dc, 4, 4, L"IIII", 4);
    EXPECT_NE(normal.pixels(), slanted.pixels()) << "italic font not distinct";
}

TEST_F(VideoControlTest, TextDrawsTheSubCentredLineByLine) {
    Video_Text& text = video_->text_overlay;
    text.layout(RECT{0, 0, 800, 450});
    subs_ = {{0, 1000, u"<i>one and\r\ntwo</i> three"}, {2000, 3000, u"<i></i>"}, {4000, 5000, u"plain"}};

    // What the band should show for sub 0, drawn run by run with plain GDI.
    memory_canvas expected(600, 80);
    SelectObject(expected.dc, text.font);
    SIZE probe{};
    GetTextExtentPoint32W(expected.dc, L"Tlgy", 4, &probe);
    SetBkMode(expected.dc, TRANSPARENT);
    SetTextColor(expected.dc, RGB(255, 255, 226));
    const int w1 = extent(expected.dc, text.italic_font, L"one and");
    TextOutW(expected.dc, 300 - w1 / 2, 2, L"one and", 7);
    const int two = extent(expected.dc, text.italic_font, L"two");
    const int three = extent(expected.dc, text.font, L" three");
    const int x2 = 300 - (two + three) / 2;
    SelectObject(expected.dc, text.italic_font);
    TextOutW(expected.dc, x2, 2 + probe.cy, L"two", 3);
    SelectObject(expected.dc, text.font);
    TextOutW(expected.dc, x2 + two, 2 + probe.cy, L" three", 6);

    text.sub_index = 0;
    memory_canvas drawn(600, 80);
    text.draw(drawn.dc, 600);
    EXPECT_EQ(drawn.pixels(), expected.pixels());
    EXPECT_GT(drawn.count_not_black(), 50);

    const struct { std::size_t index; int min_pixels; } cases[] = {
        {1, 0},             // only tags: nothing drawn
        {no_position, 0},   // no sub due
        {3, 0},             // index past the list
        {2, 20},            // a single line without a break is drawn
    };
    for (const auto& c : cases) {
        text.sub_index = c.index;
        memory_canvas canvas(600, 80);
        text.draw(canvas.dc, 600);
        if (c.min_pixels == 0)
            EXPECT_EQ(canvas.count_not_black(), 0) << c.index;
        else
            EXPECT_GT(canvas.count_not_black(), c.min_pixels) << c.index;
    }
}

// The picture window, which Wine needs, on any machine.
class VideoPictureTest : public VideoControlTest {
    bool picture_window() const override { return true; }
};

// The picture window starts at the control's client origin and is as large as the client
// and the video, whichever is larger in each direction.
bool picture_window_on_control(Video_Control& video) {
    RECT client{}, picture{};
    GetClientRect(video.hwnd, &client);
    MapWindowPoints(video.hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    GetWindowRect(video.picture->hwnd, &picture);
    SIZE native{};
    if (!video.player.renderer() || !video.player.renderer()->native_size(native))
        return false;
    return picture.left == client.left && picture.top == client.top &&
           picture.right - picture.left == std::max(client.right - client.left, native.cx) &&
           picture.bottom - picture.top == std::max(client.bottom - client.top, native.cy);
}

TEST_F(VideoPictureTest, CoversThePictureWithHolesForClockAndBand) {
    EXPECT_FALSE(IsWindowVisible(video_->picture->hwnd)) << "no video, no picture window";
    subs_ = {{0, 9000, u"A sub over the picture"}};
    open();
    EXPECT_TRUE(IsWindowVisible(video_->picture->hwnd));
    EXPECT_TRUE(picture_window_on_control(*video_));

    // The region is the picture (640x360 fitted at x 44) without the clock and the band.
    const RECT clock = window_rect_in_parent(video_->clock.hwnd);
    const RECT band = window_rect_in_parent(video_->text_overlay.hwnd);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(video_->picture->hwnd, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 20, 100)) << "a bar";
    EXPECT_FALSE(PtInRegion(region, 780, 100)) << "a bar";
    EXPECT_FALSE(PtInRegion(region, clock.left + 1, clock.top + 1));
    EXPECT_FALSE(PtInRegion(region, band.left + 5, band.top + 5));
    EXPECT_TRUE(PtInRegion(region, 400, 100));
    video_->toggle_text();  // a hidden band gives its place back to the picture
    ASSERT_NE(GetWindowRgn(video_->picture->hwnd, region), ERROR);
    EXPECT_TRUE(PtInRegion(region, band.left + 5, band.top + 5));
    EXPECT_FALSE(PtInRegion(region, clock.left + 1, clock.top + 1));

    // A narrower control: the window follows, and so does the picture's place in it.
    SetWindowPos(video_->hwnd, nullptr, 0, 0, 400, 400, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_TRUE(picture_window_on_control(*video_));
    ASSERT_NE(GetWindowRgn(video_->picture->hwnd, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 200, 50)) << "the bar above a 400x225 picture";
    EXPECT_TRUE(PtInRegion(region, 200, 120));
    DeleteObject(region);
}

TEST_F(VideoPictureTest, FollowsTheTopLevelWindowAndTakesClicks) {
    open();
    ASSERT_TRUE(pump_until([&] { return video_->play_state() == 2; }));
    SetWindowPos(host_->hwnd, nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(pump_until([&] { return picture_window_on_control(*video_); }));
    // Raised over its picture (as Wine may do on activation), the window gets it back on top.
    SetWindowPos(host_->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_TRUE(pump_until([&] { return GetWindow(host_->hwnd, GW_HWNDPREV) == video_->picture->hwnd; }));
    // Real clicks on the picture pause and resume, as on the control.
    RECT picture{};
    GetWindowRect(video_->picture->hwnd, &picture);
    SetCursorPos(picture.left + 300, picture.top + 150);
    auto click = [] {
        INPUT input[2]{};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
    };
    click();
    EXPECT_TRUE(pump_until([&] { return video_->play_state() == 1; }));
    const DWORD after_double_click = GetTickCount() + GetDoubleClickTime() + 100;
    pump_until([&] { return GetTickCount() > after_double_click; });
    click();
    EXPECT_TRUE(pump_until([&] { return video_->play_state() == 2; }));
    EXPECT_NE(GetActiveWindow(), video_->picture->hwnd) << "the picture never takes the activation";
}

class VideoControlPlays : public VideoControlTest, public ::testing::WithParamInterface<std::uint32_t> {};

// The whole area on the screen while a video plays under a two-line sub.
TEST_P(VideoControlPlays, ScreenShowsTheMovingPictureWithClockAndBand) {
    subs_ = {{0, 8000, u"Plain first line\r\n<i>Italic second line</i>"}};
    std::u16string error;
    ASSERT_TRUE(video_->open(GetParam(), video_file(u"wide.mp4"), &error)) << narrow(error);
    video_->seek_to(0);  // as the main window does after opening
    video_->refresh();
    RECT fitted{}, client{};
    GetClientRect(video_->hwnd, &client);
    ASSERT_TRUE(video_->player.fit_video_rect(client, fitted));
    // Above the band: the test pattern's saturated bars, not the grey of the control.
    const RECT upper{fitted.left + 100, fitted.top + 30, fitted.right - 10, fitted.top + 150};
    auto saturated = [](COLORREF c) {
        const int hi = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
        const int lo = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
        return hi - lo > 120;
    };
    const int area = (upper.right - upper.left) * (upper.bottom - upper.top);
    bool seen = pump_until([&] {
        screen_shot shot(video_->hwnd);
        return shot.count(upper, saturated) > area / 2;
    }, 15000);
    screen_shot shot(video_->hwnd);
    EXPECT_TRUE(seen) << "saturated " << shot.count(upper, saturated) << " of " << area;
    // The bars keep the control's background; the clock and the band are drawn over the picture.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(shot.count(RECT{0, 0, fitted.left, fitted.bottom}, face), fitted.left * fitted.bottom);
    const RECT clock = window_rect_in_parent(video_->clock.hwnd);
    const RECT band = window_rect_in_parent(video_->text_overlay.hwnd);
    EXPECT_TRUE(pump_until([&] {
        screen_shot later(video_->hwnd);
        return later.count(clock, light) > 30 && later.count(band, light) > 200 &&
               later.count(band, COLORREF{0}) > (band.right - band.left) * 4;
    }));

    // Paused, the picture stays.
    video_->toggle_play();
    ASSERT_TRUE(pump_until([&] { return video_->play_state() == 1; }));
    const DWORD settle = GetTickCount() + 500;
    pump_until([&] { return GetTickCount() > settle; });
    video_->refresh();
    const DWORD settle2 = GetTickCount() + 300;
    pump_until([&] { return GetTickCount() > settle2; });
    {
        screen_shot paused(video_->hwnd);
        EXPECT_GT(paused.count(upper, saturated), area / 2) << "paused picture";
    }
    video_->toggle_play();

    // Resized while playing: 400x225 at y 87, grey above and below.
    SetWindowPos(video_->hwnd, nullptr, 0, 0, 400, 400, SWP_NOZORDER | SWP_NOMOVE);
    const RECT top_bar{0, 0, 400, 87}, new_upper{100, 100, 390, 160};
    const int new_area = (new_upper.right - new_upper.left) * (new_upper.bottom - new_upper.top);
    bool refitted = pump_until([&] {
        screen_shot later(video_->hwnd);
        return later.count(top_bar, face) == 400 * 87 && later.count(new_upper, saturated) > new_area / 2;
    });
    screen_shot after(video_->hwnd);
    EXPECT_TRUE(refitted) << "grey " << after.count(top_bar, face) << ", saturated " << after.count(new_upper, saturated);

    // No sub due: the band stays, black and empty.
    video_->toggle_play();
    video_->seek_to(9000);
    const RECT empty = window_rect_in_parent(video_->text_overlay.hwnd);
    EXPECT_TRUE(pump_until([&] {
        UpdateWindow(video_->hwnd);
        screen_shot later(video_->hwnd);
        return later.count(empty, light) == 0 &&
               later.count(empty, COLORREF{0}) == (empty.right - empty.left) * (empty.bottom - empty.top);
    }));
}

// Four quadrants of one colour each: red, green / blue, yellow.
struct quadrant {
    double x, y;
    const char* name;
    bool (*is)(COLORREF);
};
bool reddish(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 90 && GetBValue(c) < 90; }
bool greenish(COLORREF c) { return GetRValue(c) < 90 && GetGValue(c) > 180 && GetBValue(c) < 90; }
bool bluish(COLORREF c) { return GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) > 180; }
bool yellowish(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) > 180 && GetBValue(c) < 90; }
const quadrant quadrants[] = {
    {0.25, 0.3, "top left red", reddish},
    {0.75, 0.3, "top right green", greenish},
    {0.25, 0.7, "bottom left blue", bluish},
    {0.85, 0.7, "bottom right yellow", yellowish},
};

// The whole frame is in the fitted rectangle, whether shrunk or enlarged.
TEST_P(VideoControlPlays, ShowsTheWholeFrameShrunkOrEnlarged) {
    open(GetParam(), u"quadrants.mp4");
    video_->toggle_text();  // nothing over the lower half
    struct {
        int width, height;
        RECT fitted;
    } const sizes[] = {
        {400, 400, {0, 87, 400, 312}},   // narrower than the video
        {800, 200, {222, 0, 577, 200}},  // lower than the video
        {800, 400, {44, 0, 755, 400}},   // larger
    };
    for (const auto& size : sizes) {
        SetWindowPos(video_->hwnd, nullptr, 0, 0, size.width, size.height, SWP_NOZORDER | SWP_NOMOVE);
        RECT client{0, 0, size.width, size.height}, fitted{};
        ASSERT_TRUE(video_->player.fit_video_rect(client, fitted));
        EXPECT_TRUE(EqualRect(&fitted, &size.fitted)) << size.width << "x" << size.height;
        const int w = fitted.right - fitted.left, h = fitted.bottom - fitted.top;
        auto box_of = [&](const quadrant& q) {
            const int x = fitted.left + static_cast<int>(q.x * w), y = fitted.top + static_cast<int>(q.y * h);
            return RECT{x - 4, y - 4, x + 5, y + 5};
        };
        const bool all = pump_until([&] {
            screen_shot shot(video_->hwnd);
            return std::all_of(std::begin(quadrants), std::end(quadrants),
                               [&](const quadrant& q) { return shot.count(box_of(q), q.is) == 81; });
        });
        if (all)
            continue;
        screen_shot shot(video_->hwnd);
        for (const quadrant& q : quadrants) {
            const RECT box = box_of(q);
            const COLORREF c = shot.at(box.left + 4, box.top + 4);
            EXPECT_EQ(shot.count(box, q.is), 81) << size.width << "x" << size.height << ", " << q.name << ", centre RGB "
                                                 << int(GetRValue(c)) << "," << int(GetGValue(c)) << "," << int(GetBValue(c));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Renderers, VideoControlPlays, ::testing::Values(renderer_vmr7, renderer_vmr9));

}  // namespace
