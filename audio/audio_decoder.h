#pragma once
// The platform's decoder: the first audio stream of a media file as 16-bit PCM, mixed to mono
// and cut into 10 ms frames, through Media Foundation: from the media source itself where it
// decodes (under Wine, through GStreamer), otherwise through the source reader. (DirectShow
// under Wine delivers the same PCM at a third of the speed, and Matroska far slower.)

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

/// `source_reader` skips the media source's own uncompressed output (for tests of the route
/// that Windows takes with compressed audio).
enum class Decode_Route { best, source_reader };

/// Reads `path` on the calling thread, passing every frame to `consumer`, until the end, an
/// error, or `stop` (looked at before each block of samples the decoder hands over, a few
/// milliseconds of audio). `opened(length_ms)` is called once the audio stream is found and
/// delivers PCM, before the first frame; the length is 0 when the file does not state it.
/// Initialises COM (multithreaded) and Media Foundation on the thread for the call.
Decode_End decode_audio(const std::u16string& path, Audio_Frame_Consumer& consumer, const std::atomic<bool>& stop,
                        const std::function<void(std::uint64_t length_ms)>& opened,
                        Decode_Route route = Decode_Route::best);
