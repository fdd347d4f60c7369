#include "video/dx_windowless_renderer.h"

#define NO_DSHOW_STRSAFE
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

namespace {

template <class T>
void release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

void set_error(std::u16string* error_text, const char16_t* text) {
    if (error_text)
        *error_text = text;
}

// What differs between the two mixer versions; the attach steps are the same.
struct vmr7 {
    using config_type = IVMRFilterConfig;
    using windowless_type = IVMRWindowlessControl;
    static const CLSID& clsid() { return CLSID_VideoMixingRenderer; }
    static const IID& config_iid() { return IID_IVMRFilterConfig; }
    static const IID& windowless_iid() { return IID_IVMRWindowlessControl; }
    static constexpr const wchar_t* filter_name = L"VMR-7";
    static constexpr const char16_t* add_failed = u"DirectShow error: AddFilter() failed on Video Mixing Renderer 7.";
    static constexpr const char16_t* config_failed = u"DirectShow error: QueryInterface() failed on IVMRFilterConfig.";
    static constexpr const char16_t* windowless_failed = u"DirectShow error: QueryInterface() failed on IVMRWindowlessControl.";
};

struct vmr9 {
    using config_type = IVMRFilterConfig9;
    using windowless_type = IVMRWindowlessControl9;
    static const CLSID& clsid() { return CLSID_VideoMixingRenderer9; }
    static const IID& config_iid() { return IID_IVMRFilterConfig9; }
    static const IID& windowless_iid() { return IID_IVMRWindowlessControl9; }
    static constexpr const wchar_t* filter_name = L"VMR-9";
    static constexpr const char16_t* add_failed = u"DirectShow error: AddFilter() failed on Video Mixing Renderer 9.";
    static constexpr const char16_t* config_failed = u"DirectShow error: QueryInterface() failed on IVMRFilterConfig9.";
    static constexpr const char16_t* windowless_failed = u"DirectShow error: QueryInterface() failed on IVMRWindowlessControl9.";
};

// Windowless mode has the value 2 in both versions.
constexpr DWORD windowless_mode = 2;

template <class V>
bool attach_mixer(IBaseFilter*& filter, typename V::windowless_type*& windowless, IGraphBuilder* graph, HWND window,
                  std::u16string* error_text) {
    if (filter || !graph ||
        FAILED(CoCreateInstance(V::clsid(), nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&filter))) ||
        !filter) {
        set_error(error_text, u"DirectShow error: CoCreateInstance() failed on IBaseFilter.");
        return false;
    }
    if (FAILED(graph->AddFilter(filter, V::filter_name))) {
        set_error(error_text, V::add_failed);
        return false;
    }
    typename V::config_type* config = nullptr;
    if (FAILED(filter->QueryInterface(V::config_iid(), reinterpret_cast<void**>(&config))) || !config) {
        set_error(error_text, V::config_failed);
        return false;
    }
    bool ok = false;
    if (FAILED(config->SetRenderingMode(windowless_mode)))
        set_error(error_text, u"DirectShow error: SetRenderingMode() failed.");
    else if (FAILED(filter->QueryInterface(V::windowless_iid(), reinterpret_cast<void**>(&windowless))) || !windowless)
        set_error(error_text, V::windowless_failed);
    else if (FAILED(windowless->SetVideoClippingWindow(window)))
        set_error(error_text, u"DirectShow error: SetVideoClippingWindow() failed.");
    else
        ok = true;
    release(config);
    if (ok && error_text)
        error_text->clear();
    return ok;
}

template <class W>
bool position_of(W* windowless, const RECT& destination) {
    RECT target = destination;  // the interfaces take a non-const pointer
    return windowless && SUCCEEDED(windowless->SetVideoPosition(nullptr, &target));
}

template <class W>
bool repaint_of(W* windowless, HWND window, HDC dc) {
    return windowless && SUCCEEDED(windowless->RepaintVideo(window, dc));
}

template <class W>
bool native_size_of(W* windowless, SIZE& size) {
    LONG width = 0, height = 0;
    if (!windowless || FAILED(windowless->GetNativeVideoSize(&width, &height, nullptr, nullptr)))
        return false;
    size.cx = width;
    size.cy = height;
    return true;
}

}  // namespace

Dx_Windowless_Renderer::~Dx_Windowless_Renderer() {
    release(filter_);
}

Dx_Windowless_Renderer7::~Dx_Windowless_Renderer7() {
    release(windowless_);
}

bool Dx_Windowless_Renderer7::attach(IGraphBuilder* graph, HWND window, std::u16string* error_text) {
    return attach_mixer<vmr7>(filter_, windowless_, graph, window, error_text);
}

bool Dx_Windowless_Renderer7::set_video_position(const RECT& destination) {
    return position_of(windowless_, destination);
}

bool Dx_Windowless_Renderer7::repaint(HWND window, HDC dc) {
    return repaint_of(windowless_, window, dc);
}

bool Dx_Windowless_Renderer7::native_size(SIZE& size) {
    return native_size_of(windowless_, size);
}

Dx_Windowless_Renderer9::~Dx_Windowless_Renderer9() {
    release(windowless_);
}

bool Dx_Windowless_Renderer9::attach(IGraphBuilder* graph, HWND window, std::u16string* error_text) {
    return attach_mixer<vmr9>(filter_, windowless_, graph, window, error_text);
}

bool Dx_Windowless_Renderer9::set_video_position(const RECT& destination) {
    return position_of(windowless_, destination);
}

bool Dx_Windowless_Renderer9::repaint(HWND window, HDC dc) {
    return repaint_of(windowless_, window, dc);
}

bool Dx_Windowless_Renderer9::native_size(SIZE& size) {
    return native_size_of(windowless_, size);
}
