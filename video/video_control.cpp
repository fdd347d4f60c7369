#include "video/video_control.h"

#define NO_DSHOW_STRSAFE
#include <dshow.h>

#include "core/sub_item.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"
#include "gui/win_str.h"
#include "video/video_layout.h"

namespace {

constexpr UINT_PTR poll_timer = 1;
constexpr UINT poll_period_ms = 50;
constexpr UINT_PTR video_control_id = 666;
constexpr UINT_PTR clock_id = 6661;
constexpr UINT_PTR text_id = 6662;
constexpr COLORREF clock_text_colour = RGB(252, 252, 242);
constexpr COLORREF sub_text_colour = RGB(255, 255, 226);
constexpr COLORREF speed_text_colour = RGB(255, 200, 60);

HFONT make_font(const wchar_t* face, int height, int weight, bool italic) {
    return CreateFontW(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, face);
}

void set_error(std::u16string* error_text, const char16_t* text) {
    if (error_text)
        *error_text = text;
}

}  // namespace

Video_Clock::Video_Clock() {
    class_name = u"CTL_VIDEO_CLOCK";
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    style &= ~WS_VISIBLE;
    width = metrics.width;
    height = metrics.height;
    child_id = clock_id;
    on_message(WM_CREATE, [this](params&) { return on_create(); });
    on_message(WM_ERASEBKGND, [](params&) -> LRESULT { return 0; });
    on_message(WM_PAINT, [this](params&) { return on_paint(); });
}

Video_Clock::~Video_Clock() {
    if (font)
        DeleteObject(font);
}

LRESULT Video_Clock::on_create() {
    fit_dpi(window_dpi(hwnd));
    SetWindowTextW(hwnd, as_wcstr(format_clock_time(ms_to_timecode(time_ms))));
    return 0;
}

void Video_Clock::fit_dpi(unsigned dpi) {
    metrics = clock_metrics(dpi);
    if (font)
        DeleteObject(font);
    font = make_font(L"Arial Black", metrics.font_height, 0, false);
    show_speed(speed);
}

void Video_Clock::show(std::uint64_t ms) {
    time_ms = ms;
    if (!hwnd)
        return;
    SetWindowTextW(hwnd, as_wcstr(format_clock_time(ms_to_timecode(ms))));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Video_Clock::show_speed(std::uint32_t percent) {
    speed = percent;
    if (!hwnd)
        return;
    int width = metrics.width;
    if (percent != 100) {
        HDC dc = GetDC(hwnd);
        HGDIOBJ old_font = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        const std::u16string label = speed_label(percent);
        SIZE extent{};
        GetTextExtentPoint32W(dc, as_wcstr(label), static_cast<int>(label.size()), &extent);
        SelectObject(dc, old_font);
        ReleaseDC(hwnd, dc);
        width += extent.cx + scale_px(4, window_dpi(hwnd));
    }
    SetWindowPos(hwnd, nullptr, 0, 0, width, metrics.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void Video_Clock::draw(HDC dc) const {
    const std::u16string text = format_clock_time(ms_to_timecode(time_ms));
    HGDIOBJ old_font = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, clock_text_colour);
    TextOutW(dc, metrics.text_x, metrics.text_y, as_wcstr(text), static_cast<int>(text.size()));
    if (speed != 100) {
        const std::u16string label = speed_label(speed);
        SetTextColor(dc, speed_text_colour);
        TextOutW(dc, metrics.width, metrics.text_y, as_wcstr(label), static_cast<int>(label.size()));
    }
    SelectObject(dc, old_font);
}

LRESULT Video_Clock::on_paint() {
    paint_buffer buffer(hwnd);
    draw(buffer.dc);
    return 0;
}

Video_Text::Video_Text(const Sub_List& subs) : subs(subs) {
    class_name = u"CTL_VIDEO_TEXT";
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    style &= ~WS_VISIBLE;
    y = 50;
    width = 2;
    height = 2;
    child_id = text_id;
    on_message(WM_ERASEBKGND, [](params&) -> LRESULT { return 0; });
    on_message(WM_PAINT, [this](params&) { return on_paint(); });
}

Video_Text::~Video_Text() {
    delete_fonts();
}

void Video_Text::delete_fonts() {
    if (font)
        DeleteObject(font);
    if (italic_font)
        DeleteObject(italic_font);
    font = italic_font = nullptr;
}

void Video_Text::layout(const RECT& r) {
    const text_band band = layout_text_band(video_rect{r.left, r.top, r.right, r.bottom});
    SetWindowPos(hwnd, nullptr, band.x, band.y, band.width, band.height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (band.font_size != font_size) {
        font_size = band.font_size;
        delete_fonts();
        const int height = -(3 + static_cast<int>(font_size));
        font = make_font(L"Arial", height, FW_BOLD, false);
        italic_font = make_font(L"Arial", height, FW_BOLD, true);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

int Video_Text::line_width(HDC dc, std::u16string_view line, bool italic) const {
    int total = 0;
    HGDIOBJ old_font = GetCurrentObject(dc, OBJ_FONT);
    for (const line_segment& run : segment_line(line, italic)) {
        SelectObject(dc, run.italic ? italic_font : font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, as_wcstr(run.text.data()), static_cast<int>(run.text.size()), &extent);
        total += extent.cx;
    }
    SelectObject(dc, old_font);
    return total;
}

void Video_Text::draw(HDC dc, int client_width) const {
    if (sub_index == no_position || sub_index >= subs.size() || !font || !italic_font)
        return;
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, sub_text_colour);
    SIZE probe{};
    GetTextExtentPoint32W(dc, L"Tlgy", 4, &probe);
    const int line_height = probe.cy;

    bool italic = false;  // carried from line to line
    const auto lines = split_sub_lines(subs[sub_index].text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int y = 2 + static_cast<int>(i) * line_height;
        int x = client_width / 2 - line_width(dc, lines[i], italic) / 2;
        for (const line_segment& run : segment_line(lines[i], italic)) {
            SelectObject(dc, run.italic ? italic_font : font);
            SIZE extent{};
            const auto* text = as_wcstr(run.text.data());
            const int length = static_cast<int>(run.text.size());
            GetTextExtentPoint32W(dc, text, length, &extent);
            TextOutW(dc, x, y, text, length);
            x += extent.cx;
        }
    }
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
}

LRESULT Video_Text::on_paint() {
    paint_buffer buffer(hwnd);
    draw(buffer.dc, buffer.width);
    return 0;
}

Video_Control::Video_Control(const Sub_List& subs, bool picture_window) : subs(subs), text_overlay(subs) {
    CoInitialize(nullptr);
    class_name = u"CTL_VIDEO";
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    child_id = video_control_id;
    on_message(WM_CREATE, [this](params&) { return on_create(); });
    on_message(WM_PAINT, [this](params&) { return on_paint(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
    on_message(WM_LBUTTONDOWN, [this](params&) -> LRESULT { toggle_play(); return 0; });
    on_message(WM_RBUTTONDOWN, [this](params&) -> LRESULT { toggle_play(); return 0; });
    on_message(WM_TIMER, [this](params& p) { return on_timer(p); });
    on_message(WM_DESTROY, [this](params&) -> LRESULT {
        close();
        if (picture && picture->hwnd)
            DestroyWindow(picture->hwnd);
        return 0;
    });
    if (!picture_window)
        return;
    picture = std::make_unique<Video_Picture>(player);
    picture->on_click = [this] { toggle_play(); };
    picture->on_destroy = [this] {
        if (player.window() == picture->hwnd)
            close();
    };
    on_message(WM_WINDOWPOSCHANGED, [this](params& p) -> LRESULT {
        const LRESULT result = DefWindowProcW(hwnd, p.msg, p.wParam, p.lParam);
        if (picture)
            picture->follow();  // moves within the parent send no WM_SIZE
        return result;
    });
}

Video_Control::~Video_Control() = default;

LRESULT Video_Control::on_create() {
    clock.create(hwnd);
    text_overlay.create(hwnd);
    if (picture && !picture->create_over(hwnd, clock.hwnd, text_overlay.hwnd))
        picture.reset();
    return 0;
}

LRESULT Video_Control::on_paint() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    if (picture) {  // the frames are the picture window's; the bars stay the control's
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    } else {
        player.paint(dc);
    }
    EndPaint(hwnd, &ps);
    return 0;
}

RECT Video_Control::picture_area() const {
    RECT client{}, fitted{};
    GetClientRect(hwnd, &client);
    // Audio alone has no picture: the clock and the text go on the whole pane.
    return player.fit_video_rect(client, fitted) ? fitted : client;
}

void Video_Control::place_children(const RECT& fitted) {
    SetWindowPos(clock.hwnd, nullptr, fitted.left, fitted.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    text_overlay.layout(fitted);
    if (picture)
        picture->cut();
}

LRESULT Video_Control::on_size(params& p) {
    if (!picture)
        player.resize(p.wParam, p.lParam);
    else if (p.wParam != SIZE_MINIMIZED)
        picture->follow();
    if (player.loaded()) {
        place_children(picture_area());
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return 0;
}

bool Video_Control::open(std::uint32_t kind, const std::u16string& path, std::u16string* error_text) {
    if (picture)
        picture->place_for_load();
    if (!player.load(kind, path, picture ? picture->hwnd : hwnd, error_text))
        return false;
    if (!player.control() || FAILED(player.control()->Run())) {
        set_error(error_text, u"Video failed to play.");
        return false;
    }
    if (!player.loaded()) {
        set_error(error_text, u"Failed to retrieve video bound rectangles.");
        return false;
    }
    const RECT fitted = picture_area();
    video_path = path;
    ShowWindow(clock.hwnd, SW_SHOWNORMAL);
    SetWindowPos(clock.hwnd, nullptr, fitted.left, fitted.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(text_overlay.hwnd, SW_SHOWNORMAL);
    text_overlay.layout(fitted);
    // The speed chosen for the last video goes on with this one, if it can.
    refused_speed = 0;
    if (speed != 100 && !player.set_rate(speed / 100.0)) {
        refused_speed = speed;
        speed = 100;
    }
    clock.show_speed(speed);
    if (picture) {
        picture->cut();
        picture->follow();
    }
    SetTimer(hwnd, poll_timer, poll_period_ms, nullptr);
    if (error_text)
        error_text->clear();
    return true;
}

void Video_Control::close() {
    if (hwnd)
        KillTimer(hwnd, poll_timer);
    player.reset();
    video_path.clear();
    if (clock.hwnd)
        ShowWindow(clock.hwnd, SW_HIDE);
    if (text_overlay.hwnd)
        ShowWindow(text_overlay.hwnd, SW_HIDE);
    if (picture)
        picture->hide();
    if (hwnd)
        InvalidateRect(hwnd, nullptr, TRUE);
}

int Video_Control::play_state() const {
    if (!player.control())
        return -1;
    OAFilterState state = State_Stopped;
    if (FAILED(player.control()->GetState(INFINITE, &state)))
        return 0;
    return static_cast<int>(state);
}

void Video_Control::toggle_play() {
    const int state = play_state();
    if (state == State_Paused)
        player.control()->Run();
    else if (state == State_Running)
        player.control()->Pause();
}

void Video_Control::toggle_text() {
    if (!player.control())
        return;
    ShowWindow(text_overlay.hwnd, IsWindowVisible(text_overlay.hwnd) ? SW_HIDE : SW_SHOW);
    if (picture)
        picture->cut();
}

LRESULT Video_Control::on_timer(params& p) {
    if (p.wParam == poll_timer) {
        if (picture)
            picture->follow();  // moves of the top-level window send the control nothing
        poll();
    }
    return 0;
}

void Video_Control::poll() {
    if (play_state() != State_Running)
        return;
    const std::uint32_t position = player.current_position();
    clock.show(position);
    text_overlay.sub_index = find_at(subs, position);
    InvalidateRect(text_overlay.hwnd, nullptr, TRUE);
    if (on_position)
        on_position(position);
}

void Video_Control::seek_to(std::uint64_t ms) {
    if (player.seeking() && player.control()) {
        LONGLONG units = static_cast<LONGLONG>(ms * 10000);
        player.seeking()->SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    clock.show(ms);
    text_overlay.sub_index = find_at(subs, ms);
    InvalidateRect(text_overlay.hwnd, nullptr, TRUE);
}

std::uint32_t Video_Control::read_position() const {
    return player.current_position();
}

void Video_Control::step(std::int64_t delta) {
    player.seek_by(delta);
    const std::uint32_t position = read_position();
    clock.show(position);
    // While paused no poll follows, and the band would go on showing the old position's sub.
    text_overlay.sub_index = find_at(subs, position);
    InvalidateRect(text_overlay.hwnd, nullptr, TRUE);
}

namespace {

// Any step from the settings, in a signed range that its negation and the 100 ns units keep:
// 2^40 ms is longer than any video.
std::int64_t step_ms(std::uint64_t seek_step) {
    return static_cast<std::int64_t>(std::min<std::uint64_t>(seek_step, std::uint64_t{1} << 40));
}

}  // namespace

void Video_Control::step_frame(bool forward) {
    const int state = play_state();
    IMediaSeeking* seeking = player.seeking();
    if ((state != State_Paused && state != State_Running) || !seeking)
        return;
    if (state == State_Running)
        player.control()->Pause();
    LONGLONG now = 0, duration = 0;
    if (FAILED(seeking->GetCurrentPosition(&now)))
        return;
    if (FAILED(seeking->GetDuration(&duration)))
        duration = 0;
    LONGLONG next = frame_step_position(now, player.frame_units(), duration, forward);
    seeking->SetPositions(&next, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    // The position asked for, not read back: a paused graph reports the new one only later.
    const std::uint32_t position = units_to_ms(next);
    clock.show(position);
    text_overlay.sub_index = find_at(subs, position);
    InvalidateRect(text_overlay.hwnd, nullptr, TRUE);
}

bool Video_Control::set_speed(std::uint32_t percent) {
    const bool taken = !player.loaded() || player.set_rate(percent / 100.0);
    speed = taken ? percent : 100;
    if (!taken)
        player.set_rate(1.0);
    clock.show_speed(speed);
    if (picture)
        picture->cut();
    return taken;
}

void Video_Control::step_back() {
    step(-step_ms(seek_step));
}

void Video_Control::step_forward() {
    step(step_ms(seek_step));
}

void Video_Control::refresh_text() {
    text_overlay.sub_index = find_at(subs, clock.time_ms);
    if (text_overlay.hwnd) InvalidateRect(text_overlay.hwnd, nullptr, TRUE);
}

void Video_Control::refresh() {
    const std::uint32_t position = read_position();
    text_overlay.sub_index = find_at(subs, position);
    InvalidateRect(text_overlay.hwnd, nullptr, TRUE);
    clock.show(position);
    InvalidateRect(hwnd, nullptr, TRUE);
    if (picture)
        InvalidateRect(picture->hwnd, nullptr, FALSE);
}
