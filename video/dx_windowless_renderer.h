#pragma once
// A Video Mixing Renderer in windowless mode: it draws into a window it does not own.

#include "gui/win32.h"

#include <string>

// The DirectShow headers stay in the .cpp files: they pull in windowsx.h macros.
struct IBaseFilter;
struct IGraphBuilder;
struct IVMRWindowlessControl;
struct IVMRWindowlessControl9;

/// Owns the renderer filter and its windowless control; destruction releases the control,
/// then the filter.
class Dx_Windowless_Renderer {
public:
    virtual ~Dx_Windowless_Renderer();

    /// Creates the filter, adds it to `graph`, switches it to windowless mode and clips it to
    /// `window`. A renderer is attached once: a second call fails like a failed creation.
    virtual bool attach(IGraphBuilder* graph, HWND window, std::u16string* error_text) = 0;
    /// Destination of the whole picture in the clipping window's client pixels.
    virtual bool set_video_position(const RECT& destination) = 0;
    virtual bool repaint(HWND window, HDC dc) = 0;
    virtual bool native_size(SIZE& size) = 0;

    IBaseFilter* filter() const { return filter_; }

protected:
    IBaseFilter* filter_ = nullptr;
};

/// VMR-7 (IVMRWindowlessControl).
class Dx_Windowless_Renderer7 : public Dx_Windowless_Renderer {
public:
    ~Dx_Windowless_Renderer7() override;
    bool attach(IGraphBuilder* graph, HWND window, std::u16string* error_text) override;
    bool set_video_position(const RECT& destination) override;
    bool repaint(HWND window, HDC dc) override;
    bool native_size(SIZE& size) override;

private:
    IVMRWindowlessControl* windowless_ = nullptr;
};

/// VMR-9 (IVMRWindowlessControl9).
class Dx_Windowless_Renderer9 : public Dx_Windowless_Renderer {
public:
    ~Dx_Windowless_Renderer9() override;
    bool attach(IGraphBuilder* graph, HWND window, std::u16string* error_text) override;
    bool set_video_position(const RECT& destination) override;
    bool repaint(HWND window, HDC dc) override;
    bool native_size(SIZE& size) override;

private:
    IVMRWindowlessControl9* windowless_ = nullptr;
};
