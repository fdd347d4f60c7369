#pragma once
// One DirectShow filter graph playing one file into a window the player does not own.

#include "gui/win32.h"

#include <cstdint>
#include <memory>
#include <string>

#include "video/dx_windowless_renderer.h"

struct IBasicAudio;
struct IMediaControl;
struct IMediaSeeking;

/// Renderer kinds accepted by `Dx_Player::load`.
enum : std::uint32_t { renderer_vmr7 = 1, renderer_vmr9 = 2 };

/// The text shown for a failed IGraphBuilder::RenderFile with result `code`.
std::u16string render_file_error_text(std::uint32_t code);

/// Empty (nothing loaded) or loaded (graph, control, seeking, audio and renderer set).
/// The owner initialises COM on this thread before loading; destruction tears the graph down
/// and then uninitialises COM once. GUI thread only; not copyable.
class Dx_Player {
public:
    Dx_Player() = default;
    ~Dx_Player();
    Dx_Player(const Dx_Player&) = delete;
    Dx_Player& operator=(const Dx_Player&) = delete;

    /// Tears down the previous graph, builds one for `path` with renderer `kind`, clipped to
    /// `window`, and fits the picture to the window. Not started. On failure error_text holds
    /// the reason and what was built so far stays until the next `load` or `reset`.
    bool load(std::uint32_t kind, const std::u16string& path, HWND window, std::u16string* error_text = nullptr);
    /// Releases audio, renderer, seeking, control and graph, in that order, without stopping.
    void reset();

    /// WM_SIZE: refits the picture; minimising (size type 1) changes nothing.
    bool resize(WPARAM size_type, LPARAM packed_size);
    /// Fills the letterbox bars with the window class background and repaints the picture.
    bool paint(HDC dc);
    /// The same over `area` of the window (from its client origin) instead of the whole client.
    bool paint(HDC dc, const RECT& area);
    /// Aspect-kept fit of the picture into a client rectangle (only its right and bottom
    /// count). False when nothing is loaded or the native size is unknown; out is zero then.
    bool fit_video_rect(const RECT& target, RECT& out) const;
    /// Whether the renderer receives a picture: false for audio alone.
    bool has_picture() const;

    /// Milliseconds; 0 when there is no seeking interface or the query fails.
    std::uint32_t current_position() const;
    /// Relative seek, stopping at the start and the end.
    bool seek_by(std::int64_t delta_ms);
    /// IMediaSeeking::SetRate: 1.0 is the normal speed. False when nothing is loaded or the
    /// graph refuses the rate or does not read it back.
    bool set_rate(double rate);
    /// IMediaSeeking::GetRate; 0 when nothing is loaded or it cannot be read.
    double rate() const;
    /// How long one picture of the video lasts, in 100 ns units (IBasicVideo's average time
    /// per frame); 0 when the graph does not say.
    std::int64_t frame_units() const;

    bool loaded() const { return renderer_ != nullptr; }
    HWND window() const { return window_; }
    IGraphBuilder* graph() const { return graph_; }
    IMediaControl* control() const { return control_; }
    IMediaSeeking* seeking() const { return seeking_; }
    IBasicAudio* audio() const { return audio_; }
    Dx_Windowless_Renderer* renderer() const { return renderer_.get(); }

private:
    HWND window_ = nullptr;
    IGraphBuilder* graph_ = nullptr;
    IMediaControl* control_ = nullptr;
    IMediaSeeking* seeking_ = nullptr;
    IBasicAudio* audio_ = nullptr;
    std::unique_ptr<Dx_Windowless_Renderer> renderer_;
};
