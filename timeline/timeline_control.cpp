#include "timeline/timeline_control.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "core/sub_item.h"
#include "gui/dialogs.h"
#include "gui/win_str.h"
#include "io/strings.h"

namespace {

constexpr COLORREF unfocused_background = RGB(171, 171, 171);
constexpr COLORREF ruler_colour = RGB(124, 99, 124);
constexpr COLORREF label_colour = RGB(48, 48, 48);
constexpr COLORREF block_fill = RGB(255, 255, 255);
constexpr COLORREF selected_fill = RGB(182, 197, 220);
constexpr COLORREF block_outline = RGB(93, 124, 177);
constexpr COLORREF overlap_colour = RGB(255, 16, 16);
constexpr COLORREF playhead_colour = RGB(255, 45, 45);
constexpr COLORREF wave_colour = RGB(70, 130, 180);
// Lighter inside the blocks, so that their texts stay readable over it.
constexpr COLORREF block_wave_colour = RGB(135, 175, 215);
constexpr COLORREF unread_colour = RGB(150, 150, 150);
constexpr COLORREF sync_colour = RGB(0, 140, 60);

// GDI coordinates beyond 2^27 misbehave; blocks of a deep zoom can be far wider than that.
constexpr int coordinate_limit = 1 << 26;
int gdi_x(std::int32_t x) { return std::clamp<std::int32_t>(x, -coordinate_limit, coordinate_limit); }

// Line breaks as text drawing sees them (CR, LF or both); counting each CR and LF alone can
// only overstate the lines.
bool line_count_at_most(const std::u16string& text, std::size_t lines) {
    if (lines == 0) return false;
    std::size_t breaks = 0;
    for (char16_t c : text)
        if ((c == u'\r' || c == u'\n') && ++breaks >= lines) return false;
    return true;
}

// One paint's waveform: a vertical line for each column read, hatching over the columns of
// the audio's length not read yet. Drawn across the band, then again inside each block.
class Wave_Painter {
public:
    // The waveform stays inside the blocks' outlines.
    Wave_Painter(const Waveform& waveform, const Timeline_View& v, int width, const Timeline_Metrics& m)
        : top_(m.block_top + 1), bottom_(m.block_bottom - 1) {
        waveform.read([&](const Peak_Levels& levels, Waveform::State state, std::uint64_t length_ms) {
            if (state != Waveform::State::reading && state != Waveform::State::done) return;
            const std::uint64_t unread_end = state == Waveform::State::reading ? length_ms : 0;
            columns_ = wave_columns(levels, v.view_start, v.view_span, width, unread_end);
            if (state == Waveform::State::reading && length_ms > 0)
                percent_ = static_cast<int>(std::min<std::uint64_t>(99, levels.duration_ms() * 100 / length_ms));
            whole_ = state == Waveform::State::done;
        });
        const int mid = (top_ + bottom_) / 2;
        const int half = (bottom_ - top_) / 2;
        points_.resize(columns_.size() * 2);
        for (std::size_t x = 0; x < columns_.size(); ++x) {
            const Wave_Column& column = columns_[x];
            const int xi = static_cast<int>(x);
            POINT* line = &points_[x * 2];
            line[0] = line[1] = POINT{xi, mid};
            if (column.state == Wave_Column::State::read) {
                ++read_columns_;
                // At least one pixel, so silence shows as a line through the middle.
                line[0].y = mid - column.peak.high * half / 32768;
                line[1].y = mid - column.peak.low * half / 32768 + 1;
            } else if (column.state == Wave_Column::State::unread) {
                unread_from_ = std::min(unread_from_, xi);
                unread_to_ = std::max(unread_to_, xi + 1);
            }
        }
        counts_.assign(columns_.size(), 2);
        if (!columns_.empty()) {
            pen_ = CreatePen(PS_SOLID, 1, wave_colour);
            block_pen_ = CreatePen(PS_SOLID, 1, block_wave_colour);
            hatch_ = CreateHatchBrush(HS_BDIAGONAL, unread_colour);
        }
    }
    ~Wave_Painter() {
        for (HGDIOBJ object : {static_cast<HGDIOBJ>(pen_), static_cast<HGDIOBJ>(block_pen_), static_cast<HGDIOBJ>(hatch_)})
            if (object) DeleteObject(object);
    }
    Wave_Painter(const Wave_Painter&) = delete;
    Wave_Painter& operator=(const Wave_Painter&) = delete;

    /// Columns from..to - 1, inside a block or on the band; leaves the pen and the background
    /// mode changed.
    void draw(HDC dc, int from, int to, bool in_block) const {
        from = std::max(from, 0);
        to = std::min<int>(to, static_cast<int>(columns_.size()));
        if (from >= to) return;
        const int hatch_from = std::max(from, unread_from_), hatch_to = std::min(to, unread_to_);
        if (hatch_from < hatch_to) {
            const RECT unread{hatch_from, top_, hatch_to, bottom_};
            SetBkMode(dc, TRANSPARENT);
            FillRect(dc, &unread, hatch_);
        }
        SelectObject(dc, in_block ? block_pen_ : pen_);
        PolyPolyline(dc, &points_[static_cast<std::size_t>(from) * 2], &counts_[static_cast<std::size_t>(from)],
                     static_cast<DWORD>(to - from));
    }
    /// How far reading has come; -1 once it ended or before it started.
    int percent() const { return percent_; }
    bool empty() const { return columns_.empty(); }
    std::size_t read_columns() const { return read_columns_; }
    bool whole() const { return whole_; }

private:
    int top_, bottom_;
    std::vector<Wave_Column> columns_;
    std::vector<POINT> points_;
    std::vector<DWORD> counts_;
    int unread_from_ = std::numeric_limits<int>::max();
    int unread_to_ = std::numeric_limits<int>::min();
    int percent_ = -1;
    std::size_t read_columns_ = 0;
    bool whole_ = false;
    HPEN pen_ = nullptr;
    HPEN block_pen_ = nullptr;
    HBRUSH hatch_ = nullptr;
};

HFONT create_menu_font() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&version);
#pragma GCC diagnostic pop
    NONCLIENTMETRICSW metrics{};
    // The structure without its last field before Vista.
    metrics.cbSize = version.dwMajorVersion < 6 ? 500 : 504;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

}  // namespace

Timeline_Control::Timeline_Control(Sub_List& subs_, listview& list_view_)
    : subs(subs_), list_view(list_view_) {
    class_name = u"CTL_TIMELINE";
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    style |= WS_HSCROLL | WS_GROUP | WS_TABSTOP;
    ex_style = WS_EX_CLIENTEDGE;
    child_id = 667;

    on_message(WM_CREATE, [this](params& p) { return on_create(p); });
    on_message(WM_ERASEBKGND, [](params&) -> LRESULT { return 0; });
    on_message(WM_PAINT, [this](params& p) { return on_paint(p); });
    for (UINT msg : {WM_SIZE, WM_SETFOCUS, WM_KILLFOCUS})
        on_message(msg, [this, msg](params&) -> LRESULT {
            InvalidateRect(hwnd, nullptr, TRUE);  // the background depends on the focus
            // The arrow's release goes where the focus went: the series ends here.
            if (msg == WM_KILLFOCUS) nudge_set.clear();
            return 0;
        });
    on_message(WM_HSCROLL, [this](params& p) { return on_hscroll(p); });
    on_message(WM_MOUSEWHEEL, [this](params& p) { return on_wheel(p); });
    register_input();
}

Timeline_Control::~Timeline_Control() {
    if (font) DeleteObject(font);
    if (menu_resource) DestroyMenu(menu_resource);
}

LRESULT Timeline_Control::on_create(params&) {
    if (font) DeleteObject(font);
    font = create_menu_font();
    if (!menu_resource) {
        HWND parent = GetParent(hwnd);
        HINSTANCE instance =
            parent ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)) : nullptr;
        if (!instance) instance = GetModuleHandleW(nullptr);
        menu_resource = LoadMenuW(instance, MAKEINTRESOURCEW(103));
        context_menu = menu_resource ? GetSubMenu(menu_resource, 0) : nullptr;
    }
    apply_view(view_start, view_span, range_end, false);
    return 0;
}

int Timeline_Control::client_width() const {
    RECT client{};
    if (hwnd) GetClientRect(hwnd, &client);
    return client.right;
}

void Timeline_Control::repaint() {
    if (hwnd) InvalidateRect(hwnd, nullptr, FALSE);
}

void Timeline_Control::apply_view(std::int32_t start, std::uint32_t span, std::int32_t end, bool redraw) {
    range_end = end;
    view_span = span;
    view_start = clamp_view_start(start, end, span);
    if (!hwnd) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    // Kept visible when the page covers the range, so a full zoom-out does not resize the client.
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = end;
    info.nPage = span;
    info.nPos = start;
    SetScrollInfo(hwnd, SB_HORZ, &info, redraw);
    // The scroll bar's clamping is the one that counts.
    info.fMask = SIF_POS;
    if (GetScrollInfo(hwnd, SB_HORZ, &info)) view_start = info.nPos;
}

void Timeline_Control::set_range(std::int32_t length) {
    apply_view(view_start, static_cast<std::uint32_t>(std::max(length, 0) / 4), length - 1, true);
    repaint();
}

void Timeline_Control::center_on_playhead() {
    const std::uint64_t half = view_span / 2;
    const std::int64_t start =
        playhead >= view_span ? static_cast<std::int64_t>(std::min<std::uint64_t>(playhead, 1ull << 40) - half) : 0;
    apply_view(static_cast<std::int32_t>(std::min<std::int64_t>(start, range_end)), view_span, range_end, true);
    repaint();
}

Timeline_Metrics Timeline_Control::metrics() const { return timeline_metrics(window_dpi(hwnd)); }

bool Timeline_Control::in_band(int y) const {
    const Timeline_Metrics m = metrics();
    return y >= m.block_top && y <= m.block_bottom;
}

std::size_t Timeline_Control::hit_test(int x, int y) const { return hit_test(x, y, client_width(), view()); }

std::size_t Timeline_Control::hit_test(int x, int y, int width, const Timeline_View& v) const {
    const Timeline_Metrics m = metrics();
    if (subs.empty() || y < m.block_top || y > m.block_bottom) return no_position;
    const float scale = view_scale(width, v.view_span);
    for (std::size_t i = first_visible_sub(subs, v.view_start); i < subs.size(); ++i) {
        if (starts_past_view(subs[i], v)) return no_position;
        const std::int32_t x1 = time_to_x(subs[i].start, v.view_start, scale);
        const std::int32_t x2 = time_to_x(subs[i].end, v.view_start, scale);
        if (x1 <= x && x <= x2) return i;
    }
    return no_position;
}

LRESULT Timeline_Control::on_paint(params&) {
    paint_buffer buffer(hwnd);
    paint_content(buffer.dc, buffer.width, buffer.height, GetFocus() == hwnd);
    return 0;
}

void Timeline_Control::paint_content(HDC dc, int width, int height, bool focused) {
    const RECT client{0, 0, width, height};
    HBRUSH grey = focused ? nullptr : CreateSolidBrush(unfocused_background);
    HBRUSH background = focused ? GetSysColorBrush(COLOR_BTNFACE) : grey;
    FillRect(dc, &client, background);
    SetBkMode(dc, TRANSPARENT);
    const Timeline_Metrics m = metrics();
    const Timeline_View v = view();
    const float scale = view_scale(width, v.view_span);
    const std::int64_t view_end = static_cast<std::int64_t>(v.view_start) + v.view_span;

    HPEN ruler_pen = CreatePen(PS_DOT, 1, ruler_colour);
    HPEN outline_pen = CreatePen(PS_SOLID, 1, block_outline);
    HPEN touching_pen = CreatePen(PS_SOLID, 1, overlap_colour);
    HPEN marker_pen = CreatePen(PS_DOT, 1, overlap_colour);
    HPEN playhead_pen = CreatePen(PS_SOLID, 1, playhead_colour);
    HBRUSH fill_brush = CreateSolidBrush(block_fill);
    HBRUSH selected_brush = CreateSolidBrush(selected_fill);
    HBRUSH playhead_brush = CreateSolidBrush(playhead_colour);

    SelectObject(dc, ruler_pen);
    SetTextColor(dc, label_colour);
    if (font) SelectObject(dc, font);
    // The labels' room grows with the DPI as their font does.
    const std::uint64_t step = ruler_step(min_label_step(scale * 96.0f / static_cast<float>(window_dpi(hwnd))));
    if (step > 0) {
        for (std::uint64_t t = first_ruler_time(v.view_start, step); static_cast<std::int64_t>(t) < view_end; t += step) {
            const int x = gdi_x(time_to_x(t, v.view_start, scale));
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, height);
            const std::u16string label = ruler_label(t, step);
            TextOutW(dc, x + m.label_x, m.label_y, as_wcstr(label), static_cast<int>(label.size()));
        }
    }

    std::optional<Wave_Painter> wave;
    if (show_waveform && waveform) wave.emplace(*waveform, v, width, m);
    if (wave && wave->empty()) wave.reset();
    painted_wave_columns = wave ? wave->read_columns() : 0;
    painted_wave_whole = wave && wave->whole();
    if (wave) {
        wave->draw(dc, 0, width, false);
        if (wave->percent() >= 0) {
            // In the ruler's right corner, over a cleared patch so that no label runs into it.
            const std::u16string progress = format(u"Audio %u%%", static_cast<unsigned>(wave->percent()));
            RECT text{0, 0, 0, 0};
            DrawTextW(dc, as_wcstr(progress), static_cast<int>(progress.size()), &text,
                      DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            const RECT patch{width - text.right - 5 * m.label_x, m.label_y / 2, width, m.label_y * 3 / 2 + text.bottom};
            RECT corner{patch.left + 3 * m.label_x, m.label_y, width - 2 * m.label_x, patch.bottom};
            FillRect(dc, &patch, background);
            DrawTextW(dc, as_wcstr(progress), static_cast<int>(progress.size()), &corner,
                      DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        }
    }

    painted_subs_visited = 0;
    painted_blocks = 0;
    const std::size_t count = subs.size();
    const std::size_t first = first_visible_sub(subs, v.view_start);
    // A text taller than this reaches below its block, where the next block does not cover it.
    TEXTMETRICW metrics{};
    const int line_height = GetTextMetricsW(dc, &metrics) ? std::max<int>(1, metrics.tmHeight) : m.block_bottom;
    const std::size_t lines_inside = static_cast<std::size_t>((m.block_bottom - m.text_top) / line_height);
    if (count > 0 && scale > 0.0f) {
        for (std::size_t i = first; i < count; ++i) {
            ++painted_subs_visited;
            const Sub_Item& sub = subs[i];
            if (starts_past_view(sub, v)) break;
            const int x1 = gdi_x(time_to_x(sub.start, v.view_start, scale));
            const int x2 = gdi_x(time_to_x(sub.end, v.view_start, scale));
            // A block that the next one covers wholly would be painted over: a view of a quarter
            // of a long document holds dozens of blocks per pixel, and subs that all overlap
            // stack thousands of wide blocks.
            if (!paint_covered_blocks && i + 1 < count && !starts_past_view(subs[i + 1], v) &&
                gdi_x(time_to_x(subs[i + 1].start, v.view_start, scale)) <= x1 &&
                gdi_x(time_to_x(subs[i + 1].end, v.view_start, scale)) >= x2 &&
                (x2 - x1 <= 3 || line_count_at_most(sub.text, lines_inside)))
                continue;
            ++painted_blocks;
            SelectObject(dc, row_selected(i) ? selected_brush : fill_brush);
            SelectObject(dc, touches_next(subs, i) ? touching_pen : outline_pen);
            Rectangle(dc, x1, m.block_top, x2, m.block_bottom);
            if (wave) {
                wave->draw(dc, x1 + 1, x2 - 1, true);
                SetBkMode(dc, TRANSPARENT);
            }
            if (x2 - x1 > 3) {
                const std::u16string number = to_decimal(static_cast<std::int64_t>(i + 1));
                RECT number_rect{x1 + m.label_x, m.block_top, x2, m.block_top + m.number_height};
                DrawTextW(dc, as_wcstr(number), static_cast<int>(number.size()), &number_rect,
                          DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
                RECT text_rect{x1 + m.label_x, m.text_top, x2, m.block_bottom + m.label_y};
                DrawTextW(dc, as_wcstr(sub.text), static_cast<int>(sub.text.size()), &text_rect,
                          DT_LEFT | DT_TOP | DT_NOPREFIX);
            }
        }
        // Block i + 1 covers the end of block i; the dotted lines show what it hides.
        SelectObject(dc, marker_pen);
        int last_xs = 0, last_xe = 0;
        bool drawn = false;
        for (std::size_t i = first; i + 1 < count; ++i) {
            ++painted_subs_visited;
            if (starts_past_view(subs[i], v)) break;
            if (subs[i].end < subs[i + 1].start) continue;
            const int xs = gdi_x(time_to_x(subs[i].start, v.view_start, scale));
            const int xe = gdi_x(time_to_x(subs[i].end, v.view_start, scale));
            // The same marker again draws the same pixels.
            if (drawn && xs == last_xs && xe == last_xe && !paint_covered_blocks) continue;
            drawn = true;
            last_xs = xs;
            last_xe = xe;
            MoveToEx(dc, xs, m.block_top, nullptr);
            LineTo(dc, xe, m.block_top);
            LineTo(dc, xe, m.block_bottom);
            LineTo(dc, xs, m.block_bottom);
        }
    }

    const Drag_Times made = new_span();
    if (made.end > made.start && scale > 0.0f) {  // a sub being drawn with Ctrl
        SelectObject(dc, selected_brush);
        SelectObject(dc, marker_pen);
        Rectangle(dc, gdi_x(time_to_x(made.start, v.view_start, scale)), m.block_top,
                  gdi_x(time_to_x(made.end, v.view_start, scale)), m.block_bottom);
    }

    paint_sync_marks(dc, width, height, scale, m);

    if (v.view_span > 0 && playhead >= static_cast<std::uint64_t>(std::max(v.view_start, 0))) {
        const std::int32_t x = time_to_x(playhead, v.view_start, scale);
        if (x <= width + 4) {
            SelectObject(dc, playhead_pen);
            SelectObject(dc, playhead_brush);
            const int half = m.playhead_half;
            const POINT triangle[] = {{x - half, 0}, {x, half}, {x + half, 0}};
            Polygon(dc, triangle, 3);
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x, height);
        }
    }

    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(ruler_pen), static_cast<HGDIOBJ>(outline_pen),
                           static_cast<HGDIOBJ>(touching_pen), static_cast<HGDIOBJ>(marker_pen),
                           static_cast<HGDIOBJ>(playhead_pen), static_cast<HGDIOBJ>(fill_brush),
                           static_cast<HGDIOBJ>(selected_brush), static_cast<HGDIOBJ>(playhead_brush)})
        DeleteObject(object);
    if (grey) DeleteObject(grey);
}

void Timeline_Control::paint_sync_marks(HDC dc, int width, int height, float scale, const Timeline_Metrics& m) {
    if (sync_marks.empty()) return;
    HPEN pen = CreatePen(PS_DASH, 1, sync_colour);
    HBRUSH brush = CreateSolidBrush(sync_colour);
    const HGDIOBJ old_pen = SelectObject(dc, pen);
    const HGDIOBJ old_brush = SelectObject(dc, brush);
    for (std::uint64_t t : sync_marks) {
        if (static_cast<std::int64_t>(t) < view_start) continue;
        const std::int32_t x = time_to_x(t, view_start, scale);
        if (x > width + 4) continue;
        // A flag above the band, apart from the playhead's triangle.
        const int top = m.block_top - m.flag - m.flag / 2;
        MoveToEx(dc, x, top, nullptr);
        LineTo(dc, x, height);
        const POINT flag[] = {{x, top}, {x + m.flag, top + m.flag / 2}, {x, top + m.flag - 1}};
        Polygon(dc, flag, 3);
    }
    const std::u16string count = sync_marks.size() == 1
                                     ? std::u16string(u"1 sync point")
                                     : format(u"%u sync points", static_cast<unsigned>(sync_marks.size()));
    // Under the blocks, at the right, where neither the ruler's labels nor the texts reach.
    SetTextColor(dc, sync_colour);
    RECT corner{0, m.block_bottom + 2 * m.label_y, width - 2 * m.label_x, height - m.label_y};
    DrawTextW(dc, as_wcstr(count), static_cast<int>(count.size()), &corner,
              DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void Timeline_Control::notify_parent_scroll(WORD code) {
    HWND parent = GetParent(hwnd);
    if (parent) SendMessageW(parent, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT Timeline_Control::on_hscroll(params& p) {
    const WORD code = LOWORD(p.wParam);
    const std::int64_t line = scroll_line(view_span);
    std::int64_t start = view_start;
    switch (code) {
    case SB_LINELEFT: start -= line; break;
    case SB_LINERIGHT: start += line; break;
    case SB_PAGELEFT: start -= view_span; break;
    case SB_PAGERIGHT: start += view_span; break;
    case SB_THUMBTRACK: {
        // The 16-bit position in wParam is too small for an hour of milliseconds.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(hwnd, SB_HORZ, &info)) start = info.nTrackPos;
        break;
    }
    default: break;
    }
    const std::int32_t before = view_start;
    apply_view(clamp_view_start(start, range_end, view_span), view_span, range_end, true);
    if (view_start != before) repaint();
    notify_parent_scroll(code);
    return 0;
}

LRESULT Timeline_Control::on_wheel(params& p) {
    const short delta = static_cast<short>(HIWORD(p.wParam));
    const WORD keys = LOWORD(p.wParam);
    if (keys & (MK_CONTROL | MK_SHIFT)) {
        SendMessageW(hwnd, WM_HSCROLL, MAKEWPARAM(delta > 0 ? SB_LINELEFT : SB_LINERIGHT, 0), 0);
        return 0;
    }
    if (view_span < 21 && delta > 0) return 0;
    const Timeline_View next = zoom_view(view(), playhead, delta > 0);
    apply_view(next.view_start, next.view_span, next.range_end, true);
    repaint();
    notify_parent_scroll(delta > 0 ? SB_LINELEFT : SB_LINERIGHT);
    return 0;
}
