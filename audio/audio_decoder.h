#pragma once
// The platform's decoder: the first audio stream of a media file as 16-bit PCM, mixed to mono
// and cut into 10 ms frames, through Media Foundation's source reader (which under Wine
// decodes through GStreamer; DirectShow there delivers the same PCM at half the speed).

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "audio/audio_peaks.h"

enum class Decode_End {
    finished,     ///< every sample was read
    failed,       ///< a decoding error ended the reading; what came before it was passed on
    stopped,      ///< `stop` was set
    no_audio,     ///< the file opened but holds no audio stream
    cannot_open,  ///< the file could not be opened as media, or its audio not as PCM
};

/// Reads `path` on the calling thread, passing every frame to `consumer`, until the end, an
/// error, or `stop` (looked at before each block of samples the decoder hands over, a few
/// milliseconds of audio). `opened(length_ms)` is called once the audio stream is found and
/// delivers PCM, before the first frame; the length is 0 when the file does not state it.
/// Initialises COM (multithreaded) and Media Foundation on the thread for the call.
Decode_End decode_audio(const std::u16string& path, Audio_Frame_Consumer& consumer, const std::atomic<bool>& stop,
                        const std::function<void(std::uint64_t length_ms)>& opened);
