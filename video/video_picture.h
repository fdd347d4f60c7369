#pragma once
// The picture window that Wine needs. Wine draws a windowless renderer's frames only into
// top-level windows, so there the frames go through a borderless window owned by the
// top-level window and kept over the video control's client area; its region leaves out the
// letterbox bars, the clock and the band. On Windows the control itself is the renderer's
// window and nothing here runs.

#include <functional>

#include "gui/control_window.h"
#include "video/dx_player.h"

class Video_Picture : public control_window {
public:
    /// True where frames can only be shown through this window: under Wine.
    static bool needed();

    explicit Video_Picture(Dx_Player& player);

    /// Creates the window owned by `control`'s top-level window; `clock` and `band` (children
    /// of the control) are cut out of it while they are shown.
    bool create_over(HWND control, HWND clock, HWND band);
    /// Before a load, which fits the picture to the window's client size: the control's client
    /// area, hidden.
    void place_for_load();
    /// Keeps the window over the control's client area and above the top-level window, or
    /// hidden while there is no video or the control is not shown.
    void follow();
    /// The fitted picture without the clock and the band, as far as they are shown.
    void cut();
    void hide();

    std::function<void()> on_click;
    /// Owned windows go before their owner's children: the renderer must not outlive this one.
    std::function<void()> on_destroy;

private:
    LRESULT on_paint();
    /// The picture's rectangle in the control's client pixels (the whole client when unknown).
    RECT fitted_picture() const;

    Dx_Player& player_;
    HWND control_ = nullptr;
    HWND clock_ = nullptr;
    HWND band_ = nullptr;
    RECT screen_rect_{};
};
