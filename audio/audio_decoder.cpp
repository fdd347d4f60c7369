#include "audio/audio_decoder.h"

#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>
#include <mferror.h>
#include <mfreadwrite.h>

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

// Passes the sample's bytes on; false when they cannot be reached.
bool pass_on(IMFSample* sample, LONGLONG time, std::uint32_t block, Frame_Splitter& splitter) {
    Com<IMFMediaBuffer> buffer;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer.put()))) return false;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(buffer->Lock(&data, nullptr, &length))) return false;
    // Samples are 16-bit and the buffer's memory is aligned for them.
    splitter.add(reinterpret_cast<const std::int16_t*>(data), length / block, time);
    buffer->Unlock();
    return true;
}

}  // namespace

Decode_End decode_audio(const std::u16string& path, Audio_Frame_Consumer& consumer, const std::atomic<bool>& stop,
                        const std::function<void(std::uint64_t)>& opened) {
    if (!iso_index_present(path)) return Decode_End::cannot_open;
    Mf_Thread thread;
    if (!thread.ready()) return Decode_End::cannot_open;
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
        if (sample && !pass_on(sample.get(), time, format.channels * 2, splitter)) {
            end = Decode_End::failed;
            break;
        }
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
    }
    splitter.finish();
    return end;
}
