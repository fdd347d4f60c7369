#pragma once
// Wrappers of the common controls, the dialog layout resizer and the painting helpers.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/msg_table.h"
#include "gui/subclass_hook.h"

/// A common control: a dialog item (assign) or a window it creates.
class native_control : public virtual window_base {
public:
    native_control() = default;
    void assign(HWND dialog, int control_id);

protected:
    /// False, with debug output, when the wrapper already has a window.
    bool create(HWND parent, const wchar_t* window_class, DWORD style, DWORD ex_style = 0);
};

/// A report list view with Ctrl+A, Enter reported as LVN_KEYDOWN inside dialogs, and a
/// context menu on right click or the Apps key. With LVS_OWNERDATA (a virtual list) its rows
/// come from the parent's LVN_GETDISPINFOW; see `set_row_count` and `set_dispinfo_text`.
class listview : public native_control, public subclass_hook {
public:
    listview();
    /// Destroys the context menu and unhooks the control; the control lives on.
    ~listview();

    void assign(HWND dialog, int control_id);
    /// Keeps the first submenu of the menu resource, loaded from the list's parent module.
    void set_context_menu(unsigned menu_id);
    void add_column(const std::u16string& title, int width);
    /// Column `index` takes what the other columns leave of the client width (never less
    /// than 0: the control's own width arithmetic is 16-bit).
    void fill_column(int index);
    std::vector<int> selected_indices() const;
    /// LVS_OWNERDATA: the rows come from the parent.
    bool is_virtual() const;
    /// A virtual list's number of rows; its rows are asked for again when painted.
    void set_row_count(std::size_t rows);

    // Changes of many rows, drawn once (listview_drawing.cpp).
    void select(const std::vector<int>& indices);
    void deselect_all();
    /// More selected rows of a virtual list than this are cleared all at once (row -1).
    static constexpr LRESULT many_selected = 4096;
    /// A virtual list's count set, with no row selected (nor focused, when many were selected:
    /// the list is emptied first, which clears them at once).
    void set_rows_unselected(std::size_t rows);
    /// Keeps the list from repainting and from updating its scroll bar until the matching
    /// `resume_drawing`; the outermost pair repaints the rows once, and the scroll bar and
    /// header when they changed.
    void hold_drawing();
    void resume_drawing();

    /// Sends to the list view's own procedure, past the subclasses on it (the hooks of this
    /// wrapper and of the dialog): for the list view's own messages sent in bulk, which none
    /// of the hooks handles and which each cost a lot under Wine when they pass one.
    LRESULT send_direct(UINT msg, WPARAM wParam, LPARAM lParam) const;
    /// Brings the item into view; in report view it is centred when it is outside.
    void scroll_to(int index);
    /// Adjusts the selection (from the mouse) and opens the menu; the item hit or -1.
    int show_context_menu(bool from_mouse);

    HMENU context_menu = nullptr;

private:
    LRESULT dialog_code(params& p);
    /// The list view's own handling of a key or click that may change the selection of many
    /// rows (many selected, or a `range` by Shift), with the drawing held.
    LRESULT pass_selecting(params& p, bool range);
    /// Selects or deselects the rows one by one, holding the drawing when they are many.
    void set_selected(const std::vector<int>& rows, bool selected);
    /// Every row at once (row -1), with the drawing held.
    void set_all_selected(bool selected);
    int drawing_held = 0;
    /// What `hold_drawing` found, so that `resume_drawing` repaints only what needs it.
    bool header_was_invalid = false;
    RECT header_before{};
    bool frame_may_wait = false;
    std::array<int, 8> scroll_before{};
    bool enter_reported = false;
};

/// A status bar of fixed and weighted parts, laid out from the parent's width.
class statusbar : public native_control {
public:
    statusbar& create(HWND parent);
    statusbar& add_fixed_part(std::uint32_t width);
    statusbar& add_stretch_part();
    /// Call from the parent's WM_SIZE.
    void on_parent_size(const params& p);
    /// New widths of the fixed parts, in order (the DPI changed).
    void set_fixed_widths(const std::vector<std::uint32_t>& widths);
    std::u16string first_part_text() const;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> parts;  // (width, weight)
    std::vector<int> right_edges;

private:
    void layout(int width);
};

/// A balloon that tells something without taking the focus or stopping the typing: it points
/// at a screen point and goes by itself after a while.
class notice_balloon {
public:
    notice_balloon() = default;
    ~notice_balloon();
    notice_balloon(const notice_balloon&) = delete;
    notice_balloon& operator=(const notice_balloon&) = delete;

    /// `icon` is TTI_INFO, TTI_WARNING or TTI_ERROR.
    void show(HWND owner, POINT at, const std::u16string& title, const std::u16string& text, int icon);

    static constexpr UINT shown_ms = 15000;
    HWND hwnd = nullptr;

private:
    TTTOOLINFOW tool() const;
    std::u16string title_said, text_said;  ///< the control keeps pointers to them
};

/// Keeps controls anchored to their parent's edges, from the rectangles recorded at `add`.
class layout_resizer {
public:
    /// Per axis: keep the size and follow the right (bottom) edge.
    static constexpr unsigned move = 0;
    /// Per axis: keep the position and grow with the parent.
    static constexpr unsigned stretch = 1;
    static constexpr unsigned stay = 2;

    layout_resizer& add(HWND control, unsigned horizontal, unsigned vertical);
    /// Call from the parent's WM_SIZE; nothing happens when the parent is minimised.
    void on_parent_size(const params& p);

    struct item {
        HWND control;
        RECT rect;
        unsigned horizontal;
        unsigned vertical;
    };
    int ref_width = 0;
    int ref_height = 0;
    std::vector<item> items;
};

/// One double-buffered WM_PAINT: draw into `dc`, the destructor copies it to the screen.
class paint_buffer {
public:
    explicit paint_buffer(HWND window);
    ~paint_buffer();
    paint_buffer(const paint_buffer&) = delete;
    paint_buffer& operator=(const paint_buffer&) = delete;

    HWND window;
    PAINTSTRUCT ps{};
    HDC screen_dc = nullptr;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ replaced = nullptr;
    int width = 0;
    int height = 0;
};

/// The shell's small icon for .srt files; owned.
class file_type_icon {
public:
    file_type_icon() = default;
    ~file_type_icon() { destroy(); }
    file_type_icon(const file_type_icon&) = delete;
    file_type_icon& operator=(const file_type_icon&) = delete;

    void load();
    void destroy();

    HICON icon = nullptr;
};

/// Answers LVN_GETDISPINFOW (the notification's lParam) with `text`, cut to the list's buffer.
void set_dispinfo_text(LPARAM notification, std::u16string_view text);

/// Answers LVN_ODFINDITEMW (typing in a virtual list): the first of `rows` rows, from the
/// notification's start and wrapping when asked, whose `first_column` text starts with the
/// typed text, ignoring case; -1 when none does.
LRESULT find_typed_row(LPARAM notification, std::size_t rows, const std::function<std::u16string(std::size_t)>& first_column);

/// Tracks the menu at `point` (client coordinates of `reference`, or of `owner` when null);
/// the chosen command reaches `owner` as WM_COMMAND.
void popup_menu(HMENU menu, HWND owner, POINT point, HWND reference = nullptr);
