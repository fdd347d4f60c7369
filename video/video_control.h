#pragma once
// The video area: the picture (CTL_VIDEO), the position clock on it (CTL_VIDEO_CLOCK) and
// the band in which the sub due at the position is drawn (CTL_VIDEO_TEXT).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/sub_list.h"
#include "gui/control_window.h"
#include "gui/layout_metrics.h"
#include "video/dx_player.h"
#include "video/video_picture.h"

/// Black box at the picture's top-left showing `time_ms` as "%u:%02u:%02u.%03u", and the
/// playback speed after it when that is not the normal one. Its window text is the time it
/// shows, for screen readers and UI automation.
class Video_Clock : public control_window {
public:
    Video_Clock();
    ~Video_Clock();

    /// Shows `ms`: the time, the window text and a repaint.
    void show(std::uint64_t ms);
    /// Shows the speed (hundredths) after the time, widening the box for it, or nothing at 100.
    void show_speed(std::uint32_t percent);
    /// Draws the time into `dc` (the back buffer of a paint).
    void draw(HDC dc) const;
    /// Sizes the box and makes the font for `dpi` (at WM_CREATE, and when the DPI changes).
    void fit_dpi(unsigned dpi);

    std::uint64_t time_ms = 0;
    std::uint32_t speed = 100;
    HFONT font = nullptr;  // "Arial Black", height -12 at 96 DPI
    Clock_Metrics metrics = clock_metrics(96);

private:
    LRESULT on_create();
    LRESULT on_paint();
};

/// Black band near the picture's bottom showing sub `sub_index` of `subs`, line by line,
/// centred, with the text between "<i>" and "</i>" in italics.
class Video_Text : public control_window {
public:
    explicit Video_Text(const Sub_List& subs);
    ~Video_Text();

    /// Places the band for the fitted picture `r` (client pixels of the video control) and
    /// re-creates the fonts only when their size changes.
    void layout(const RECT& r);
    /// Draws the current sub into `dc`, centred in `client_width`.
    void draw(HDC dc, int client_width) const;
    /// Width of one line in the fonts it is drawn in, starting with the italic state given.
    int line_width(HDC dc, std::u16string_view line, bool italic) const;

    const Sub_List& subs;
    std::size_t sub_index = no_position;
    HFONT font = nullptr;
    HFONT italic_font = nullptr;
    std::uint32_t font_size = 0;

private:
    LRESULT on_paint();
    void delete_fonts();
};

/// Owns the player; polls the position every 50 ms (timer 1) while a video is open. The
/// constructor initialises COM on this thread; the player's destruction uninitialises it.
class Video_Control : public control_window {
public:
    /// With `picture_window` the frames go through a `Video_Picture` (as Wine needs); without
    /// it the control itself is the renderer's window (as on Windows).
    explicit Video_Control(const Sub_List& subs, bool picture_window = Video_Picture::needed());
    ~Video_Control();

    /// Loads `path` with renderer kind 1 (VMR-7) or 2 (VMR-9) and starts it. On failure
    /// error_text holds the player's text, or "Video failed to play." when it does not start.
    bool open(std::uint32_t kind, const std::u16string& path, std::u16string* error_text = nullptr);
    /// Stops polling, tears the graph down, hides the clock and the text.
    void close();
    /// Paused -> running, running -> paused; otherwise nothing.
    void toggle_play();
    /// Shows or hides the text band while a video is loaded.
    void toggle_text();
    void seek_to(std::uint64_t ms);
    void step_back();
    void step_forward();
    /// Pauses and moves one picture on or back (the video's frame duration, 40 ms when the
    /// file does not say); the clock and the band follow. Nothing without a running or paused video.
    void step_frame(bool forward);
    /// The playback speed in hundredths, kept for the next video. Without a video it is only
    /// kept; with one it is asked of the player. False, with the speed back at 100, when the
    /// video refuses it.
    bool set_speed(std::uint32_t percent);
    /// Re-reads the position and repaints text, clock and picture.
    void refresh();
    /// The document changed: the band shows the sub due at the position now.
    void refresh_text();
    /// 0 stopped, 1 paused, 2 running; -1 when no video is loaded.
    int play_state() const;

    Dx_Player player;
    std::u16string video_path;
    const Sub_List& subs;
    Video_Clock clock;
    Video_Text text_overlay;
    /// Null on the Windows path.
    std::unique_ptr<Video_Picture> picture;
    std::uint64_t seek_step = 2000;
    std::function<void(std::uint64_t)> on_position;
    /// Hundredths of the normal speed; 100 at construction.
    std::uint32_t speed = 100;
    /// Set by `open` when the new video refused the speed kept for it (the speed is 100 then):
    /// the speed it refused, for the window to say so. 0 otherwise.
    std::uint32_t refused_speed = 0;

private:
    LRESULT on_create();
    LRESULT on_paint();
    LRESULT on_size(params& p);
    LRESULT on_timer(params& p);
    void poll();
    void step(std::int64_t delta);
    std::uint32_t read_position() const;
    /// The fitted picture in client pixels; the whole client for audio alone.
    RECT picture_area() const;
    /// Puts the clock and the text band on the fitted picture.
    void place_children(const RECT& fitted);
};
