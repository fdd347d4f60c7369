#include "audio/audio_decoder.h"

#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mferror.h>
#include <mfreadwrite.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "audio/media_check.h"

namespace {

// Owns one reference.
template <class T>
class Com {
public:
    Com() = default;
    ~Com() { reset(); }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** put() {
        reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// COM and Media Foundation for the length of one decoding on this thread.
class Mf_Thread {
public:
    Mf_Thread() {
        com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        mf_ = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
    }
    ~Mf_Thread() {
        if (mf_) MFShutdown();
        if (com_) CoUninitialize();
    }
    Mf_Thread(const Mf_Thread&) = delete;
    Mf_Thread& operator=(const Mf_Thread&) = delete;
    bool ready() const { return mf_; }

private:
    bool com_ = false;
    bool mf_ = false;
};

constexpr DWORD audio_stream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

struct Pcm_Format {
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
};

// Asks for 16-bit PCM in the stream's own rate and channels, and reads back what was agreed.
bool choose_pcm(IMFSourceReader* reader, Pcm_Format& out) {
    Com<IMFMediaType> wanted;
    if (FAILED(MFCreateMediaType(wanted.put())) || FAILED(wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio)) ||
        FAILED(wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM)) ||
        FAILED(wanted->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16)) ||
        FAILED(reader->SetCurrentMediaType(audio_stream, nullptr, wanted.get())))
        return false;
    Com<IMFMediaType> agreed;
    if (FAILED(reader->GetCurrentMediaType(audio_stream, agreed.put()))) return false;
    GUID subtype{};
    UINT32 bits = 0, rate = 0, channels = 0;
    if (FAILED(agreed->GetGUID(MF_MT_SUBTYPE, &subtype)) || subtype != MFAudioFormat_PCM ||
        FAILED(agreed->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)) || bits != 16 ||
        FAILED(agreed->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) || rate == 0 ||
        FAILED(agreed->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) || channels == 0)
        return false;
    out = Pcm_Format{rate, channels};
    return true;
}

std::uint64_t stated_length_ms(IMFSourceReader* reader) {
    PROPVARIANT value;
    PropVariantInit(&value);
    std::uint64_t ms = 0;
    if (SUCCEEDED(reader->GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION,
                                                   &value)) &&
        value.vt == VT_UI8)
        ms = value.uhVal.QuadPart / 10000;
    PropVariantClear(&value);
    return ms;
}

// Passes the sample's bytes on, 32-bit float made 16-bit; false when they cannot be reached.
bool pass_on(IMFSample* sample, LONGLONG time, const Pcm_Format& format, bool is_float, Frame_Splitter& splitter,
             std::vector<std::int16_t>& scratch) {
    Com<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer.put()))) return false;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(buffer->Lock(&data, nullptr, &length))) return false;
    // The buffer's memory is aligned for its samples.
    if (is_float) {
        const auto* samples = reinterpret_cast<const float*>(data);
        scratch.resize(length / 4);
        for (std::size_t i = 0; i < scratch.size(); ++i)
            scratch[i] = static_cast<std::int16_t>(std::lrint(std::clamp(samples[i] * 32768.0f, -32768.0f, 32767.0f)));
        splitter.add(scratch.data(), scratch.size() / format.channels, time);
    } else {
        splitter.add(reinterpret_cast<const std::int16_t*>(data), length / (format.channels * 2), time);
    }
    buffer->Unlock();
    return true;
}

// The value of an event that carries an object, as the interface asked for.
template <class T>
bool event_object(IMFMediaEvent* event, REFIID id, T** out) {
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool got = SUCCEEDED(event->GetValue(&value)) && value.vt == VT_UNKNOWN && value.punkVal &&
                     SUCCEEDED(value.punkVal->QueryInterface(id, reinterpret_cast<void**>(out)));
    PropVariantClear(&value);
    return got;
}

// Shuts the source down however the reading ends; its threads hold references otherwise.
class Source_Guard {
public:
    explicit Source_Guard(IMFMediaSource* source) : source_(source) {}
    ~Source_Guard() {
        source_->Stop();
        source_->Shutdown();
    }
    Source_Guard(const Source_Guard&) = delete;
    Source_Guard& operator=(const Source_Guard&) = delete;

private:
    IMFMediaSource* source_;
};

// Where the media source itself hands over uncompressed audio (Wine's decodes through
// GStreamer), its samples are taken directly: the source reader's layers took about 60% more
// time on two hours there. Nothing when the source's audio is compressed (as on Windows,
// where the reader adds the decoder) or it cannot be opened this way.
std::optional<Decode_End> decode_from_source(const std::u16string& path, Audio_Frame_Consumer& consumer,
                                             const std::atomic<bool>& stop,
                                             const std::function<void(std::uint64_t)>& opened) {
    Com<IMFSourceResolver> resolver;
    Com<IUnknown> object;
    Com<IMFMediaSource> source;
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    if (FAILED(MFCreateSourceResolver(resolver.put())) ||
        FAILED(resolver->CreateObjectFromURL(reinterpret_cast<const wchar_t*>(path.c_str()),
                                             MF_RESOLUTION_MEDIASOURCE, nullptr, &type, object.put())) ||
        FAILED(object->QueryInterface(IID_IMFMediaSource, reinterpret_cast<void**>(source.put()))))
        return std::nullopt;
    const Source_Guard guard(source.get());
    Com<IMFPresentationDescriptor> presentation;
    DWORD streams = 0;
    if (FAILED(source->CreatePresentationDescriptor(presentation.put())) ||
        FAILED(presentation->GetStreamDescriptorCount(&streams)))
        return std::nullopt;
    Pcm_Format format;
    bool is_float = false, found = false;
    for (DWORD i = 0; i < streams; ++i) {
        BOOL selected = FALSE;
        Com<IMFStreamDescriptor> stream;
        Com<IMFMediaTypeHandler> handler;
        GUID major{};
        if (FAILED(presentation->GetStreamDescriptorByIndex(i, &selected, stream.put())) ||
            FAILED(stream->GetMediaTypeHandler(handler.put())) || FAILED(handler->GetMajorType(&major)))
            return std::nullopt;
        if (found || major != MFMediaType_Audio) {
            presentation->DeselectStream(i);
            continue;
        }
        found = true;
        Com<IMFMediaType> media;
        GUID subtype{};
        UINT32 bits = 0, rate = 0, channels = 0;
        if (FAILED(handler->GetCurrentMediaType(media.put())) || FAILED(media->GetGUID(MF_MT_SUBTYPE, &subtype)) ||
            FAILED(media->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)) ||
            FAILED(media->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) || rate == 0 ||
            FAILED(media->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) || channels == 0)
            return std::nullopt;
        is_float = subtype == MFAudioFormat_Float && bits == 32;
        if (!is_float && !(subtype == MFAudioFormat_PCM && bits == 16)) return std::nullopt;
        format = Pcm_Format{rate, channels};
        presentation->SelectStream(i);
    }
    if (!found) return Decode_End::no_audio;
    UINT64 duration = 0;
    presentation->GetUINT64(MF_PD_DURATION, &duration);
    if (stop) return Decode_End::stopped;

    PROPVARIANT from;
    PropVariantInit(&from);
    if (FAILED(source->Start(presentation.get(), &GUID_NULL, &from))) return std::nullopt;
    Com<IMFMediaStream> stream;
    for (bool started = false; !started;) {
        Com<IMFMediaEvent> event;
        MediaEventType event_type = MEUnknown;
        HRESULT status = S_OK;
        if (FAILED(source->GetEvent(0, event.put())) || FAILED(event->GetType(&event_type)) ||
            FAILED(event->GetStatus(&status)) || FAILED(status))
            return std::nullopt;
        if (event_type == MENewStream || event_type == MEUpdatedStream)
            event_object(event.get(), IID_IMFMediaStream, stream.put());
        started = event_type == MESourceStarted;
    }
    if (!stream) return std::nullopt;
    if (opened) opened(duration / 10000);

    Frame_Splitter splitter(format.rate, format.channels, consumer);
    splitter.set_length(duration / 10000);
    std::vector<std::int16_t> scratch;
    Decode_End end = Decode_End::finished;
    if (FAILED(stream->RequestSample(nullptr))) end = Decode_End::failed;
    while (end == Decode_End::finished) {
        if (stop) {
            end = Decode_End::stopped;
            break;
        }
        Com<IMFMediaEvent> event;
        MediaEventType event_type = MEUnknown;
        HRESULT status = S_OK;
        if (FAILED(stream->GetEvent(0, event.put())) || FAILED(event->GetType(&event_type)) ||
            FAILED(event->GetStatus(&status)) || FAILED(status) || event_type == MEError ||
            event_type == MEStreamFormatChanged) {
            end = Decode_End::failed;
            break;
        }
        if (event_type == MEEndOfStream) break;
        if (event_type == MEStreamTick) {
            PROPVARIANT value;
            PropVariantInit(&value);
            if (SUCCEEDED(event->GetValue(&value)) && value.vt == VT_I8) splitter.skip_to(value.hVal.QuadPart);
            PropVariantClear(&value);
        }
        if (event_type != MEMediaSample) continue;
        Com<IMFSample> sample;
        LONGLONG time = -1;
        if (!event_object(event.get(), IID_IMFSample, sample.put()) || FAILED(sample->GetSampleTime(&time))) time = -1;
        if (!sample || !pass_on(sample.get(), time, format, is_float, splitter, scratch) ||
            FAILED(stream->RequestSample(nullptr)))
            end = Decode_End::failed;
    }
    splitter.finish();
    return end;
}

}  // namespace

Decode_End decode_audio(const std::u16string& path, Audio_Frame_Consumer& consumer, const std::atomic<bool>& stop,
                        const std::function<void(std::uint64_t)>& opened, Decode_Route route) {
    if (!iso_index_present(path)) return Decode_End::cannot_open;
    Mf_Thread thread;
    if (!thread.ready()) return Decode_End::cannot_open;
    if (route == Decode_Route::best)
        if (const std::optional<Decode_End> direct = decode_from_source(path, consumer, stop, opened)) return *direct;
    Com<IMFSourceReader> reader;
    if (FAILED(MFCreateSourceReaderFromURL(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr, reader.put())))
        return Decode_End::cannot_open;
    if (stop) return Decode_End::stopped;
    // Only the audio is read; a video stream left selected would be decoded for nothing.
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    if (FAILED(reader->SetStreamSelection(audio_stream, TRUE))) return Decode_End::no_audio;
    Pcm_Format format;
    if (!choose_pcm(reader.get(), format)) return Decode_End::cannot_open;
    const std::uint64_t length_ms = stated_length_ms(reader.get());
    if (opened) opened(length_ms);

    Frame_Splitter splitter(format.rate, format.channels, consumer);
    splitter.set_length(length_ms);
    std::vector<std::int16_t> scratch;
    Decode_End end = Decode_End::finished;
    for (;;) {
        if (stop) {
            end = Decode_End::stopped;
            break;
        }
        DWORD flags = 0;
        LONGLONG time = -1;
        Com<IMFSample> sample;
        if (FAILED(reader->ReadSample(audio_stream, 0, nullptr, &flags, &time, sample.put())) ||
            (flags & MF_SOURCE_READERF_ERROR)) {
            end = Decode_End::failed;
            break;
        }
        // Another rate would cut other frames; a change of channels alone is followed.
        if (flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) {
            Pcm_Format changed;
            if (!choose_pcm(reader.get(), changed) || changed.rate != format.rate) {
                end = Decode_End::failed;
                break;
            }
            if (changed.channels != format.channels) {
                splitter.set_channels(changed.channels);
                format = changed;
            }
        }
        if (flags & MF_SOURCE_READERF_STREAMTICK) splitter.skip_to(time);
        if (sample && !pass_on(sample.get(), time, format, false, splitter, scratch)) {
            end = Decode_End::failed;
            break;
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
    }
    splitter.finish();
    return end;
}
