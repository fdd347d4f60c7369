#pragma once
// The strip under the video: a time ruler, every sub as a block, the overlaps, the playhead
// and the audio's waveform behind the blocks.
// The view is the control's own horizontal scroll bar (position = time at the left edge,
// page = visible span, in milliseconds). The selection is the main list view's: the control
// reads and writes it with list-view messages and keeps none of its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/waveform.h"
#include "core/history.h"
#include "core/sub_list.h"
#include "gui/control_window.h"
#include "gui/layout_metrics.h"
#include "gui/msg_table.h"
#include "gui/native_controls.h"
#include "timeline/timeline_drag.h"
#include "timeline/timeline_view.h"

class Timeline_Control : public control_window, public dlgcode_table {
public:
    /// Both are owned by the main window and must outlive this object. Row i of the list view
    /// is sub i.
    Timeline_Control(Sub_List& subs, listview& list_view);
    /// Destroys the font and the context menu; the window lives on, unbound.
    ~Timeline_Control();

    /// range_end = length - 1, view_span = length / 4; the scroll bar clamps view_start.
    void set_range(std::int32_t length);
    /// Scrolls so that the playhead stands in the middle (or the view starts at 0).
    void center_on_playhead();
    /// The sub whose block holds the client point; the lowest index where blocks overlap;
    /// no_position when none.
    std::size_t hit_test(int x, int y) const;
    std::size_t hit_test(int x, int y, int client_width, const Timeline_View& view) const;
    /// Draws everything into `dc` as WM_PAINT does (used by WM_PAINT and by pixel checks).
    void paint_content(HDC dc, int width, int height, bool focused);
    /// Invalidates the client area without erasing.
    void repaint();
    Timeline_View view() const { return {range_end, view_span, view_start}; }

    Sub_List& subs;
    listview& list_view;

    std::int32_t range_end = 0;
    std::uint32_t view_span = 0;
    std::int32_t view_start = 0;
    std::uint64_t playhead = 0;
    /// Re-timing step from the settings; 0 or less means the default 100 ms.
    std::int64_t snap = 100;
    /// Where the sync points move their subs to: a mark each, and their count in the ruler.
    std::vector<std::uint64_t> sync_marks;
    std::vector<std::size_t> nudge_set;
    HMENU context_menu = nullptr;
    HFONT font = nullptr;
    /// What the media's audio looks like, as far as it has been read; null for none.
    std::shared_ptr<const Waveform> waveform;
    bool show_waveform = true;

    std::function<void(std::uint64_t)> on_seek;
    std::function<void()> on_insert, on_remove, on_edit, on_modified, on_play_pause;
    /// After each nudge that changed something: the whole series so far as one change, the
    /// subs of the series as they were before its first press and as they are now.
    std::function<void(History_Step)> on_nudged;

    /// The next arrow press starts a new series from the selection (the document changed
    /// under the current one).
    void end_nudge_series() { nudge_set.clear(); }

    /// At the end of a drag that changed subs, one change ("drag"): the subs it moved as they
    /// were and as they are. The document is changed already.
    std::function<void(History_Step)> on_dragged;
    /// While a drag changes the document, after each move; nothing is recorded until it ends.
    std::function<void()> on_drag_moved;
    /// A drag with Ctrl over an empty place of the band asks for a new sub spanning it.
    std::function<void(std::uint64_t start, std::uint64_t end)> on_make_sub;
    /// Puts back whatever a drag under way changed and records nothing; with no drag, nothing.
    void cancel_drag();
    /// A button is down on a block (or with Ctrl on the band) and the mouse is captured.
    bool mouse_held() const { return drag.mode != Mouse_Mode::idle; }
    /// The span of the sub a Ctrl+drag is making, while it is made; both 0 otherwise.
    Drag_Times new_span() const;

    /// Subs looked at by the last paint: bounded by what is visible, not by the document.
    std::size_t painted_subs_visited = 0;
    /// Blocks the last paint drew: those wholly covered by the next one are left out.
    std::size_t painted_blocks = 0;
    /// Columns of the last paint that showed audio read, and whether all of it was read.
    std::size_t painted_wave_columns = 0;
    bool painted_wave_whole = false;
    /// Draw the covered blocks and repeated markers too (tests compare the pixels).
    bool paint_covered_blocks = false;
    /// Nudges refused because a time would go below 0 (each also plays "ding.wav").
    std::size_t refusals = 0;
    /// True while a deferred row refresh waits for its timer on the parent.
    bool refresh_pending = false;

    /// The one-shot timer on the parent that runs a deferred row refresh.
    static constexpr UINT_PTR refresh_timer_id = 1638;
    static constexpr UINT refresh_timer_ms = 200;
    /// Nudges of this many subs or more refresh their rows through the timer.
    static constexpr std::size_t deferred_refresh_count = 6;

private:
    // timeline_control.cpp
    LRESULT on_create(params& p);
    LRESULT on_paint(params& p);
    LRESULT on_hscroll(params& p);
    LRESULT on_wheel(params& p);
    void apply_view(std::int32_t start, std::uint32_t span, std::int32_t end, bool redraw);
    void paint_sync_marks(HDC dc, int width, int height, float scale, const Timeline_Metrics& m);
    /// The sizes at the window's DPI.
    Timeline_Metrics metrics() const;
    void notify_parent_scroll(WORD code);
    int client_width() const;

    bool in_band(int y) const;

    // timeline_input.cpp
    void register_input();
    LRESULT on_left_down(params& p);
    /// A left click at (x, y): the selection, the playhead and the seek.
    void click(int x, int y, WPARAM keys);
    LRESULT on_left_double(params& p);
    LRESULT on_right_down(params& p);
    LRESULT on_key_down(params& p);
    LRESULT on_key_up(params& p);
    LRESULT on_refresh_due(params& p);
    /// Runs `operation` only for real key presses; the dialog code is returned for every query.
    void bind_key(std::uint8_t key, LRESULT code, void (Timeline_Control::*operation)(WPARAM key));
    void key_nudge(WPARAM key);
    void key_zoom(WPARAM key);
    void key_home_end(WPARAM key);
    void key_page(WPARAM key);
    void key_apps(WPARAM key);
    void key_insert(WPARAM key);
    void key_escape(WPARAM key);
    void after_nudge();
    void report_series();
    /// Redraws the rows changed since the last refresh, and every selected row unless a drag
    /// says which rows it changed.
    void refresh_rows(bool with_selection = true);
    /// A sub moved from row `from` to row `to`: the rows between shift by one, and their
    /// selection and focus with them.
    void move_row_states(std::size_t from, std::size_t to);
    void show_menu(POINT client_point);
    bool row_selected(std::size_t row) const;
    void set_row_state(std::size_t row, UINT state, UINT mask);
    void select_only(std::size_t row);
    void seek();

    // timeline_mouse.cpp
    void register_mouse();
    /// A press on a block or with Ctrl on the band waits for the mouse to move; true then.
    bool press(int x, int y, WPARAM keys);
    LRESULT on_mouse_move(params& p);
    LRESULT on_left_up(params& p);
    LRESULT on_set_cursor(params& p);
    LRESULT on_alt(params& p);
    void begin_drag();
    void drag_to(int x);
    void report_drag(std::vector<std::size_t> set, std::vector<std::size_t> before_at, Sub_List before);

    enum class Mouse_Mode { idle, pressed, dragging };
    struct Drag_State {
        Mouse_Mode mode = Mouse_Mode::idle;
        int press_x = 0, press_y = 0, last_x = 0;
        WPARAM press_keys = 0;
        Drag_Hit hit;  ///< no index: a Ctrl+drag making a sub
        Drag_Origin origin;
        std::vector<std::size_t> set;        ///< the moving subs' rows now
        std::vector<std::size_t> before_at;  ///< and before the drag, ascending
        Sub_List before;                     ///< the moving subs before the drag
        std::size_t grabbed = 0;             ///< the entry of `set` under the pointer
        std::vector<int> selection;          ///< the rows selected before the drag
        int focused = -1;
        std::size_t low = no_position, high = 0;  ///< the rows the drag has touched
        Drag_Times span;                          ///< of the sub being made
        bool alt_seen = false;
    };
    Drag_State drag;
    /// Alt was held during the drag that just ended: its release opens no menu.
    bool swallow_alt_up = false;

    HMENU menu_resource = nullptr;
    /// Rows whose subs changed since the last row refresh.
    std::vector<std::size_t> dirty_rows;
    /// Whether the key being handled repeats a held key (not a fresh press).
    bool key_repeated = false;
    /// The current series: its number, and its subs with their places before its first press.
    std::uint64_t series_number = 0;
    std::vector<std::size_t> series_at;
    Sub_List series_before;
};

/// Sent by the refresh timer to the timeline children of the window it fired on.
inline constexpr UINT timeline_refresh_message = WM_APP + 0x638;
