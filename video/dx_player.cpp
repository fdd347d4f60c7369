#include "video/dx_player.h"

#define NO_DSHOW_STRSAFE
#include <dshow.h>
#include <qedit.h>

#include <cmath>

#include "io/strings.h"
#include "video/video_layout.h"

namespace {

template <class T>
void release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

bool fail(std::u16string* error_text, std::u16string text) {
    if (error_text)
        *error_text = std::move(text);
    return false;
}

const char16_t* render_file_reason(std::uint32_t code) {
    switch (code) {
    case 0x80004005: return u"Failure (E_FAIL).";
    case 0x80004004: return u"Operation aborted (E_ABORT).";
    case 0x80004003: return u"Null pointer argument (E_POINTER).";
    case 0x80040216: return u"An object or name was not found (VFW_E_NOT_FOUND).";
    case 0x80040217: return u"No combination of intermediate filters could be found to make the connection (VFW_E_CANNOT_CONNECT).";
    case 0x80040218: return u"No combination of filters could be found to render the stream (VFW_E_CANNOT_RENDER).";
    case 0x8004022F: return u"Invalid file format (VFW_E_INVALID_FILE_FORMAT).";
    case 0x80040240: return u"The media type of this file is not recognized (VFW_E_UNKNOWN_FILE_TYPE).";
    case 0x80040241: return u"The source filter for this file could not be loaded (VFW_E_CANNOT_LOAD_SOURCE_FILTER).";
    case 0x80040265: return u"Cannot play back the file: the format is not supported (VFW_E_UNSUPPORTED_STREAM).";
    case 0x8007000E: return u"Insufficient memory (E_OUTOFMEMORY).";
    case 0x80070057: return u"Argument is invalid (E_INVALIDARG).";
    default: return u"Unspecified error.";
    }
}

// qedit.dll's filters: a renderer that drops what it receives, keeping to the graph's clock,
// and a grabber that takes only the media type it is given.
const CLSID null_renderer_id = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID sample_grabber_id = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

// The filter's first pin of that direction (a reference), or null.
IPin* pin_of(IBaseFilter* filter, PIN_DIRECTION wanted, bool unconnected_only = false) {
    IEnumPins* pins = nullptr;
    if (!filter || FAILED(filter->EnumPins(&pins))) return nullptr;
    IPin* found = nullptr;
    IPin* pin = nullptr;
    while (!found && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction{};
        IPin* peer = nullptr;
        const bool connected = SUCCEEDED(pin->ConnectedTo(&peer)) && peer;
        release(peer);
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted && !(unconnected_only && connected))
            found = pin;
        else
            pin->Release();
    }
    pins->Release();
    return found;
}

bool offers_video(IPin* pin) {
    IEnumMediaTypes* types = nullptr;
    if (FAILED(pin->EnumMediaTypes(&types))) return false;
    AM_MEDIA_TYPE* type = nullptr;
    bool video = false;
    while (!video && types->Next(1, &type, nullptr) == S_OK && type) {
        video = type->majortype == MEDIATYPE_Video;
        if (type->pbFormat) CoTaskMemFree(type->pbFormat);
        release(type->pUnk);
        CoTaskMemFree(type);
    }
    types->Release();
    return video;
}

// Whether some filter of the graph has a video output that leads nowhere.
bool video_left_over(IGraphBuilder* graph) {
    IEnumFilters* filters = nullptr;
    if (FAILED(graph->EnumFilters(&filters))) return false;
    bool left = false;
    IBaseFilter* filter = nullptr;
    while (!left && filters->Next(1, &filter, nullptr) == S_OK) {
        IPin* output = pin_of(filter, PINDIR_OUTPUT, true);
        left = output && offers_video(output);
        release(output);
        filter->Release();
    }
    filters->Release();
    return left;
}

// An audio file where no sound can be played (no output device, as under Wine in a bare X
// server): its decoded audio goes through a grabber of audio into a null renderer, so that
// it still opens, plays by the clock and seeks. A file with a picture is left to fail.
bool render_audio_silently(IGraphBuilder* graph, const std::u16string& path) {
    IBaseFilter* source = nullptr;
    IBaseFilter* grabber = nullptr;
    IBaseFilter* sink = nullptr;
    ISampleGrabber* grab = nullptr;
    bool rendered =
        SUCCEEDED(graph->AddSourceFilter(reinterpret_cast<const wchar_t*>(path.c_str()), L"Source", &source)) &&
        SUCCEEDED(CoCreateInstance(sample_grabber_id, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   reinterpret_cast<void**>(&grabber))) &&
        SUCCEEDED(CoCreateInstance(null_renderer_id, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   reinterpret_cast<void**>(&sink))) &&
        SUCCEEDED(grabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grab)));
    if (rendered) {
        AM_MEDIA_TYPE audio{};
        audio.majortype = MEDIATYPE_Audio;
        rendered = SUCCEEDED(grab->SetMediaType(&audio)) && SUCCEEDED(graph->AddFilter(grabber, L"Audio")) &&
                   SUCCEEDED(graph->AddFilter(sink, L"Silence"));
    }
    IPin* pins[3] = {pin_of(source, PINDIR_OUTPUT), pin_of(grabber, PINDIR_INPUT), pin_of(grabber, PINDIR_OUTPUT)};
    IPin* sink_input = pin_of(sink, PINDIR_INPUT);
    rendered = rendered && pins[0] && pins[1] && pins[2] && sink_input && SUCCEEDED(graph->Connect(pins[0], pins[1])) &&
               SUCCEEDED(graph->Connect(pins[2], sink_input)) && !video_left_over(graph);
    for (IPin*& pin : pins) release(pin);
    release(sink_input);
    release(grab);
    release(sink);
    release(grabber);
    release(source);
    return rendered;
}

// The WM_SIZE form of the client size: width in the low 16 bits, height in the next 16.
LPARAM client_packed_size(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const auto width = static_cast<std::uint32_t>(client.right) & 0xFFFF;
    const auto height = static_cast<std::uint32_t>(client.bottom) & 0xFFFF;
    return static_cast<LPARAM>(width | (height << 16));
}

}  // namespace

std::u16string render_file_error_text(std::uint32_t code) {
    return format(u"IGraphBuilder::RenderFile() failed (0x%08X).\n%s", code, render_file_reason(code));
}

Dx_Player::~Dx_Player() {
    reset();
    CoUninitialize();
}

void Dx_Player::reset() {
    release(audio_);
    renderer_.reset();
    release(seeking_);
    release(control_);
    release(graph_);
    window_ = nullptr;
}

bool Dx_Player::load(std::uint32_t kind, const std::u16string& path, HWND window, std::u16string* error_text) {
    reset();
    window_ = window;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph_))) ||
        !graph_)
        return fail(error_text, u"DirectShow error: CoCreateInstance() failed on IGraphBuilder.");
    if (kind == renderer_vmr7)
        renderer_ = std::make_unique<Dx_Windowless_Renderer7>();
    else if (kind == renderer_vmr9)
        renderer_ = std::make_unique<Dx_Windowless_Renderer9>();
    else
        return fail(error_text, u"No video media renderer specified.");
    if (!renderer_->attach(graph_, window, error_text))
        return false;
    if (FAILED(graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_))) || !control_)
        return fail(error_text, u"DirectShow error: QueryInterface() failed on IMediaCtrl.");
    if (FAILED(graph_->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking_))) || !seeking_)
        return fail(error_text, u"DirectShow error: QueryInterface() failed on IMediaSeeking.");
    if (FAILED(graph_->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio_))) || !audio_)
        return fail(error_text, u"DirectShow error: QueryInterface() failed on IBasicAudio.");
    const HRESULT rendered = graph_->RenderFile(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr);
    if (FAILED(rendered) && !render_audio_silently(graph_, path))
        return fail(error_text, render_file_error_text(static_cast<std::uint32_t>(rendered)));
    if (!resize(SIZE_RESTORED, client_packed_size(window)))
        return fail(error_text, u"1st resizing failed.");
    if (error_text)
        error_text->clear();
    return true;
}

bool Dx_Player::fit_video_rect(const RECT& target, RECT& out) const {
    out = RECT{};
    SIZE native{};
    if (!renderer_ || !renderer_->native_size(native))
        return false;
    video_rect fitted;
    if (!fit_picture(native.cx, native.cy, target.right, target.bottom, fitted))
        return false;
    out = RECT{fitted.left, fitted.top, fitted.right, fitted.bottom};
    return true;
}

bool Dx_Player::has_picture() const {
    IBaseFilter* filter = renderer_ ? renderer_->filter() : nullptr;
    IEnumPins* pins = nullptr;
    if (!filter || FAILED(filter->EnumPins(&pins))) return false;
    bool connected = false;
    IPin* pin = nullptr;
    while (!connected && pins->Next(1, &pin, nullptr) == S_OK) {
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) {
            connected = true;
            peer->Release();
        }
        pin->Release();
    }
    pins->Release();
    return connected;
}

bool Dx_Player::resize(WPARAM size_type, LPARAM packed_size) {
    if (!renderer_)
        return false;
    if (size_type == SIZE_MINIMIZED)
        return true;
    const RECT target{0, 0, static_cast<LONG>(LOWORD(packed_size)), static_cast<LONG>(HIWORD(packed_size))};
    RECT fitted{};
    // An audio file leaves the renderer unconnected: there is no picture to place.
    if (!fit_video_rect(target, fitted) && !has_picture()) return true;
    if (!renderer_->set_video_position(fitted))
        return false;
    InvalidateRect(window_, nullptr, FALSE);
    return true;
}

bool Dx_Player::paint(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    return paint(dc, client);
}

bool Dx_Player::paint(HDC dc, const RECT& client) {
    if (!renderer_)
        return false;
    RECT fitted{};
    if (!fit_video_rect(client, fitted))
        return false;

    // Class background below 101 is a system colour index plus one, otherwise a brush.
    const auto background = GetClassLongPtrW(window_, GCLP_HBRBACKGROUND);
    COLORREF colour = 0;
    if (background < 101) {
        colour = GetSysColor(static_cast<int>(background) - 1);
    } else {
        LOGBRUSH brush_info{};
        if (GetObjectW(reinterpret_cast<HBRUSH>(background), sizeof brush_info, &brush_info))
            colour = brush_info.lbColor;
    }
    HBRUSH brush = CreateSolidBrush(colour);
    HRGN bars = CreateRectRgnIndirect(&client);
    HRGN picture = CreateRectRgnIndirect(&fitted);
    CombineRgn(bars, bars, picture, RGN_DIFF);
    FillRgn(dc, bars, brush);
    DeleteObject(picture);
    DeleteObject(bars);

    const bool repainted = renderer_->repaint(window_, dc);
    DeleteObject(brush);
    return repainted;
}

std::uint32_t Dx_Player::current_position() const {
    LONGLONG units = 0;
    if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&units)))
        return 0;
    return units_to_ms(units);
}

bool Dx_Player::seek_by(std::int64_t delta_ms) {
    LONGLONG units = 0;
    if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&units)))
        return false;
    units += ms_to_units(delta_ms);
    // Not every graph clamps (Wine's keeps a position before the start, which reads back as
    // about 49 days), so the step stops at the start and at the end.
    LONGLONG duration = 0;
    if (SUCCEEDED(seeking_->GetDuration(&duration)) && duration > 0 && units > duration)
        units = duration;
    if (units < 0)
        units = 0;
    return SUCCEEDED(seeking_->SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
}

bool Dx_Player::set_rate(double rate) {
    // Wine's graph answers S_OK and plays on at the old rate: only a rate that reads back counts.
    return seeking_ && SUCCEEDED(seeking_->SetRate(rate)) && std::fabs(this->rate() - rate) < 1e-6;
}

double Dx_Player::rate() const {
    double rate = 0;
    if (!seeking_ || FAILED(seeking_->GetRate(&rate)))
        return 0;
    return rate;
}

std::int64_t Dx_Player::frame_units() const {
    IBasicVideo* video = nullptr;
    if (!graph_ || FAILED(graph_->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&video))) || !video)
        return 0;
    REFTIME seconds = 0;
    const bool known = SUCCEEDED(video->get_AvgTimePerFrame(&seconds)) && seconds > 0 && seconds < 10;
    video->Release();
    return known ? static_cast<std::int64_t>(seconds * 1e7 + 0.5) : 0;
}
