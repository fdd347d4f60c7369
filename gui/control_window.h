#pragma once
// A child window of a class registered by the program (the video area, the timeline).

#include <string>

#include "gui/msg_table.h"

class control_window : public virtual msg_table {
public:
    /// Registers the class on first use (later objects reuse it) and creates the window as a
    /// child of `parent`. False, with debug output, on a second call, without a class name or
    /// when creation fails.
    bool create(HWND parent);

    // Creation parameters; the concrete control adjusts them in its constructor.
    WNDCLASSEXW window_class{};
    std::u16string class_name;
    std::u16string title;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | 0x0008;
    DWORD ex_style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    UINT_PTR child_id = 0;

protected:
    control_window();
    /// Cuts the window's link to this object; never destroys the window.
    ~control_window();

private:
    static LRESULT CALLBACK procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT paint_themed_border(params& p);
};
