#include "video/dx_player.h"

#define NO_DSHOW_STRSAFE
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/video/video_test_support.h"

namespace {

using video_test::host_window;
using video_test::pump_until;
using video_test::screen_shot;
using video_test::video_file;

std::string narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

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

    // Minimising leaves everything alone; a restore refits.
    EXPECT_TRUE(player_->resize(SIZE_MINIMIZED, 0));
    EXPECT_TRUE(player_->resize(SIZE_RESTORED, MAKELPARAM(800, 400)));
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
    const struct { const char16_t* file; } cases[] = {
        {u"text.avi"},     // text dressed as a video
        {u"missing.mp4"},  // no such file
    };
    for (const auto& c : cases) {
        std::u16string error;
        EXPECT_FALSE(player_->load(renderer_vmr7, video_file(c.file), host.hwnd, &error));
        const std::string text = narrow(error);
        const std::string head = "IGraphBuilder::RenderFile() failed (0x";
        ASSERT_EQ(text.substr(0, head.size()), head) << text;
        const auto code = static_cast<std::uint32_t>(std::stoul(text.substr(head.size(), 8), nullptr, 16));
        EXPECT_TRUE(code & 0x80000000u) << text;
        EXPECT_EQ(text, narrow(render_file_error_text(code)));
        EXPECT_NE(text.find(").\n"), std::string::npos) << text;
    }
}

TEST_F(DxPlayerTest, PaintFillsTheBarsWithTheClassBackground) {
    host_window host(800, 400);
    std::u16string error;
    ASSERT_TRUE(player_->load(renderer_vmr9, video_file(u"wide.mp4"), host.hwnd, &error)) << narrow(error);
    ASSERT_TRUE(SUCCEEDED(player_->control()->Run()));
    ASSERT_TRUE(pump_until([&] { return player_->current_position() >= 500; }));
    player_->control()->Pause();
    RECT fitted{};
    ASSERT_TRUE(player_->fit_video_rect(RECT{0, 0, 800, 400}, fitted));
    ASSERT_EQ(fitted.left, 44);  // 711 wide, centred
    ASSERT_EQ(fitted.right, 755);

    // Scribble over the whole client area first, so only paint can bring the bars back.
    HDC dc = GetDC(host.hwnd);
    RECT all{0, 0, 800, 400};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    EXPECT_TRUE(player_->paint(dc));
    ReleaseDC(host.hwnd, dc);
    GdiFlush();

    const COLORREF face = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
    screen_shot shot(host.hwnd);
    const RECT left_bar{0, 0, fitted.left, 400};
    const RECT right_bar{fitted.right, 0, 800, 400};
    EXPECT_EQ(shot.count(left_bar, face), fitted.left * 400);
    EXPECT_EQ(shot.count(right_bar, face), (800 - fitted.right) * 400);
    // The picture (a colourful test pattern) is neither bar colour nor the scribble.
    const RECT picture{fitted.left, 0, fitted.right, 400};
    const int area = (fitted.right - fitted.left) * 400;
    EXPECT_LT(shot.count(picture, face), area / 10);
    EXPECT_LT(shot.count(picture, RGB(255, 0, 0)), area / 2);
    if (const wchar_t* keep = _wgetenv(L"CUEMILL_VIDEO_SHOTS"))
        shot.save((std::wstring(keep) + L"\\player_paint.bmp").c_str());
}

}  // namespace
