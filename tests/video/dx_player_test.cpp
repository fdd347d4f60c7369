#include "video/dx_player.h"

#define NO_DSHOW_STRSAFE
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/video/video_test_support.h"

namespace {

using video_test::host_window;
using video_test::narrow;
using video_test::pump_until;
using video_test::screen_shot;
using video_test::video_file;

// The player's owner initialises COM; the player's destructor uninitialises it.
class DxPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video_test::have_videos()) << "run through with_videos.sh";
        CoInitialize(nullptr);
        player_ = new Dx_Player;
    }
    void TearDown() override { delete player_; }

    OAFilterState state() {
        OAFilterState s = -1;
        player_->control()->GetState(INFINITE, &s);
        return s;
    }

    Dx_Player* player_ = nullptr;
};

TEST(RenderFileErrorText, NamesTheCodeAndItsMeaning) {
    const struct { std::uint32_t code; const char16_t* text; } cases[] = {
        {0x80040265, u"IGraphBuilder::RenderFile() failed (0x80040265).\nCannot play back the file: the format is not supported (VFW_E_UNSUPPORTED_STREAM)."},  // the usual codec failure
        {0x80004005, u"IGraphBuilder::RenderFile() failed (0x80004005).\nFailure (E_FAIL)."},                   // generic failure
        {0x80004004, u"IGraphBuilder::RenderFile() failed (0x80004004).\nOperation aborted (E_ABORT)."},        // aborted
        {0x80004003, u"IGraphBuilder::RenderFile() failed (0x80004003).\nNull pointer argument (E_POINTER)."},  // null argument
        {0x80040216, u"IGraphBuilder::RenderFile() failed (0x80040216).\nAn object or name was not found (VFW_E_NOT_FOUND)."},
        {0x80040217, u"IGraphBuilder::RenderFile() failed (0x80040217).\nNo combination of intermediate filters could be found to make the connection (VFW_E_CANNOT_CONNECT)."},
        {0x80040218, u"IGraphBuilder::RenderFile() failed (0x80040218).\nNo combination of filters could be found to render the stream (VFW_E_CANNOT_RENDER)."},
        {0x8004022F, u"IGraphBuilder::RenderFile() failed (0x8004022F).\nInvalid file format (VFW_E_INVALID_FILE_FORMAT)."},  // upper-case hex digits
        {0x80040240, u"IGraphBuilder::RenderFile() failed (0x80040240).\nThe media type of this file is not recognized (VFW_E_UNKNOWN_FILE_TYPE)."},
        {0x80040241, u"IGraphBuilder::RenderFile() failed (0x80040241).\nThe source filter for this file could not be loaded (VFW_E_CANNOT_LOAD_SOURCE_FILTER)."},
        {0x8007000E, u"IGraphBuilder::RenderFile() failed (0x8007000E).\nInsufficient memory (E_OUTOFMEMORY)."},
        {0x80070057, u"IGraphBuilder::RenderFile() failed (0x80070057).\nArgument is invalid (E_INVALIDARG)."},
        {0x80070002, u"IGraphBuilder::RenderFile() failed (0x80070002).\nUnspecified error."},  // file not found is not in the table
        {0x00000001, u"IGraphBuilder::RenderFile() failed (0x00000001).\nUnspecified error."},  // padded to eight digits
    };
    for (const auto& c : cases)
        EXPECT_EQ(narrow(render_file_error_text(c.code)), narrow(c.text));
}

TEST_F(DxPlayerTest, NothingLoaded) {
    host_window host(400, 300);
    EXPECT_FALSE(player_->loaded());
    EXPECT_EQ(player_->current_position(), 0u);
    EXPECT_FALSE(player_->seek_by(1000));
    EXPECT_FALSE(player_->resize(SIZE_RESTORED, MAKELPARAM(400, 300)));
    EXPECT_FALSE(player_->resize(SIZE_MINIMIZED, MAKELPARAM(400, 300)));
    RECT out{1, 2, 3, 4};
    EXPECT_FALSE(player_->fit_video_rect(RECT{0, 0, 400, 300}, out));
    EXPECT_EQ(out.left | out.top | out.right | out.bottom, 0);
    HDC dc = GetDC(host.hwnd);
    EXPECT_FALSE(player_->paint(dc));
    ReleaseDC(host.hwnd, dc);
}

struct playable { std::uint32_t kind; const char16_t* file; int native_w, native_h; };

class DxPlayerPlays : public DxPlayerTest, public ::testing::WithParamInterface<playable> {};

// Both mixers play every container the program offers to open.
TEST_P(DxPlayerPlays, LoadsRunsAndMoves) {
    const playable p = GetParam();
    host_window host(800, 400);
    std::u16string error = u"stale";
    ASSERT_TRUE(player_->load(p.kind, video_file(p.file), host.hwnd, &error)) << narrow(error);
    EXPECT_TRUE(error.empty());
    EXPECT_TRUE(player_->loaded());
    EXPECT_EQ(player_->window(), host.hwnd);
    ASSERT_NE(player_->control(), nullptr);
    ASSERT_NE(player_->seeking(), nullptr);
    EXPECT_NE(player_->audio(), nullptr);

    // Fitted with the aspect kept into the 800x400 client.
    SIZE native{};
    ASSERT_TRUE(player_->renderer()->native_size(native));
    EXPECT_EQ(native.cx, p.native_w);
    EXPECT_EQ(native.cy, p.native_h);
    RECT fitted{};
    ASSERT_TRUE(player_->fit_video_rect(RECT{0, 0, 800, 400}, fitted));
    const int n = static_cast<int>(400.0f / p.native_h * p.native_w);
    EXPECT_EQ(fitted.top, 0);
    EXPECT_EQ(fitted.bottom, 400);
    EXPECT_EQ(fitted.right, n / 2 + 400);
    EXPECT_EQ(fitted.left, fitted.right - n);

    ASSERT_TRUE(SUCCEEDED(player_->control()->Run()));
    EXPECT_TRUE(pump_until([&] { return player_->current_position() >= 300; }))
        << "position stayed at " << player_->current_position();
    EXPECT_EQ(state(), State_Running);

    // Paused and moved by a relative seek.
    ASSERT_TRUE(SUCCEEDED(player_->control()->Pause()));
    EXPECT_EQ(state(), State_Paused);
    const std::uint32_t before = player_->current_position();
    ASSERT_TRUE(player_->seek_by(3000));
    EXPECT_TRUE(pump_until([&] { return player_->current_position() >= before + 2900; }))
        << before << " -> " << player_->current_position();
    ASSERT_TRUE(player_->seek_by(-2000));
    EXPECT_TRUE(pump_until([&] {
        const auto now = player_->current_position();
        return now + 100 >= before + 1000 && now <= before + 1100;
    })) << before << " -> " << player_->current_position();

    // Steps stop at the start and at the end (10 s).
    ASSERT_TRUE(player_->seek_by(-60000));
    EXPECT_TRUE(pump_until([&] { return player_->current_position() == 0; })) << player_->current_position();
    ASSERT_TRUE(player_->seek_by(60000));
    EXPECT_TRUE(pump_until([&] {
        const auto now = player_->current_position();
        return now >= 9000 && now <= 10000;
    })) << player_->current_position();

    // Minimising leaves the picture where it was; a restore refits it.
    EXPECT_TRUE(player_->resize(SIZE_MINIMIZED, 0));
    RECT placed = video_test::renderer_destination(*player_);
    EXPECT_TRUE(EqualRect(&placed, &fitted)) << placed.left << "," << placed.top << "," << placed.right;
    EXPECT_TRUE(player_->resize(SIZE_RESTORED, MAKELPARAM(400, 400)));
    placed = video_test::renderer_destination(*player_);
    const int high = static_cast<int>(400.0f / p.native_w * p.native_h);  // the full width
    EXPECT_EQ(placed.right - placed.left, 400);
    EXPECT_EQ(placed.bottom, high / 2 + 200);
    EXPECT_EQ(placed.top, placed.bottom - high);
}

INSTANTIATE_TEST_SUITE_P(Files, DxPlayerPlays,
                         ::testing::Values(playable{renderer_vmr7, u"wide.mp4", 640, 360},    // VMR-7, H.264 in MP4
                                           playable{renderer_vmr9, u"wide.mp4", 640, 360},    // VMR-9, H.264 in MP4
                                           playable{renderer_vmr7, u"wide.avi", 640, 360},    // VMR-7, MJPEG in AVI
                                           playable{renderer_vmr9, u"wide.avi", 640, 360},    // VMR-9, MJPEG in AVI
                                           playable{renderer_vmr9, u"square.mp4", 320, 240},  // 4:3 picture
                                           playable{renderer_vmr7, u"square.mp4", 320, 240}));

TEST_F(DxPlayerTest, UnknownRendererKindFailsAndTheNextLoadReleasesTheGraph) {
    host_window host(400, 300);
    for (std::uint32_t kind : {0u, 3u}) {  // below and above the two known kinds
        std::u16string error;
        EXPECT_FALSE(player_->load(kind, video_file(u"wide.mp4"), host.hwnd, &error));
        EXPECT_EQ(narrow(error), "No video media renderer specified.");
        ASSERT_NE(player_->graph(), nullptr) << "the graph is created before the kind is checked";
        EXPECT_FALSE(player_->loaded());

        IGraphBuilder* left_over = player_->graph();
        left_over->AddRef();
        std::u16string next_error;
        ASSERT_TRUE(player_->load(renderer_vmr9, video_file(u"wide.mp4"), host.hwnd, &next_error)) << narrow(next_error);
        EXPECT_NE(player_->graph(), left_over);
        EXPECT_EQ(left_over->Release(), 0u) << "the failed load's graph is still referenced";
    }
    IGraphBuilder* graph = player_->graph();
    graph->AddRef();
    player_->reset();
    EXPECT_EQ(graph->Release(), 0u) << "reset keeps a reference to the graph";
    EXPECT_EQ(player_->graph(), nullptr);
    EXPECT_EQ(player_->control(), nullptr);
    EXPECT_EQ(player_->seeking(), nullptr);
    EXPECT_EQ(player_->audio(), nullptr);
    EXPECT_EQ(player_->window(), nullptr);
    EXPECT_FALSE(player_->loaded());
}

TEST_F(DxPlayerTest, UnrenderableFileReportsTheRenderFileCode) {
    host_window host(400, 300);
    const struct { const char16_t* file; const char* text; } cases[] = {
        {u"text.avi", "IGraphBuilder::RenderFile() failed (0x80040218).\n"  // text dressed as a video
                      "No combination of filters could be found to render the stream (VFW_E_CANNOT_RENDER)."},
        {u"missing.mp4", "IGraphBuilder::RenderFile() failed (0x80070002).\nUnspecified error."},  // no such file
    };
    for (const auto& c : cases) {
        std::u16string error;
        EXPECT_FALSE(player_->load(renderer_vmr7, video_file(c.file), host.hwnd, &error));
        EXPECT_EQ(narrow(error), c.text);
    }
}

// Paints into a memory DC covered in red: the bars must come out in the class background
// and the picture's rectangle must be left to the renderer.
void check_bars(Dx_Player& player, HWND window, COLORREF expected) {
    RECT fitted{};
    ASSERT_TRUE(player.fit_video_rect(RECT{0, 0, 800, 400}, fitted));
    ASSERT_EQ(fitted.left, 44);  // 711 wide, centred
    ASSERT_EQ(fitted.right, 755);
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 800, 400);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 800, 400};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    player.paint(dc);
    const struct { RECT area; COLORREF colour; } expectations[] = {
        {{0, 0, 44, 400}, expected},           // left bar
        {{755, 0, 800, 400}, expected},        // right bar
        {{44, 0, 755, 400}, RGB(255, 0, 0)},   // the picture's place is not filled
    };
    for (const auto& e : expectations) {
        int matching = 0;
        for (int y = e.area.top; y < e.area.bottom; y += 7)
            for (int x = e.area.left; x < e.area.right; ++x)
                matching += (GetPixel(dc, x, y) & 0xFFFFFF) == e.colour;
        int total = 0;
        for (int y = e.area.top; y < e.area.bottom; y += 7)
            total += e.area.right - e.area.left;
        EXPECT_EQ(matching, total) << e.area.left << ".." << e.area.right;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
}

TEST_F(DxPlayerTest, PaintFillsTheBarsWithTheSystemColourOfTheClass) {
    host_window host(800, 400);
    std::u16string error;
    ASSERT_TRUE(player_->load(renderer_vmr9, video_file(u"wide.mp4"), host.hwnd, &error)) << narrow(error);
    check_bars(*player_, host.hwnd, GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
}

TEST_F(DxPlayerTest, PaintFillsTheBarsWithTheBrushOfTheClass) {
    HBRUSH brush = CreateSolidBrush(RGB(10, 120, 30));
    {
        host_window host(800, 400, 40, 40, brush);
        std::u16string error;
        ASSERT_TRUE(player_->load(renderer_vmr7, video_file(u"wide.mp4"), host.hwnd, &error)) << narrow(error);
        check_bars(*player_, host.hwnd, RGB(10, 120, 30));
    }
    UnregisterClassW(L"CUEMILL_VIDEO_TEST_BRUSH_HOST", GetModuleHandleW(nullptr));
    DeleteObject(brush);
}

// On the screen the renderer draws the picture at the fitted place, not stretched: the test
// pattern's first (dark) bar starts at x 44, its red bar follows at 133 and its last (white)
// bar runs from 666 to 755. Stretched, the red bar would start at 100 and cyan fill 600..700.
class DxPlayerOnScreen : public DxPlayerTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(DxPlayerOnScreen, PictureKeepsItsAspect) {
    host_window host(800, 400);
    std::u16string error;
    ASSERT_TRUE(player_->load(GetParam(), video_file(u"wide.mp4"), host.hwnd, &error)) << narrow(error);
    ASSERT_TRUE(SUCCEEDED(player_->control()->Run()));
    auto dark = [](COLORREF c) { return GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64; };
    auto red = [](COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80; };
    auto white = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; };
    bool placed = pump_until([&] {
        if (player_->current_position() < 500)
            return false;
        screen_shot shot(host.hwnd);
        return dark(shot.at(60, 20)) && dark(shot.at(125, 20)) && red(shot.at(140, 20)) && white(shot.at(690, 20));
    });
    screen_shot shot(host.hwnd);
    EXPECT_TRUE(placed) << std::hex << shot.at(60, 20) << " " << shot.at(125, 20) << " " << shot.at(140, 20) << " "
                        << shot.at(690, 20);
}

INSTANTIATE_TEST_SUITE_P(Renderers, DxPlayerOnScreen, ::testing::Values(renderer_vmr7, renderer_vmr9));

}  // namespace
