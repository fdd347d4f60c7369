// Any bytes given as a cache entry must be refused or read without failing; an entry written
// for peaks and speech features must read back as those, and cut anywhere must be refused. The same bytes
// taken as the start of an MP4 must be judged without failing.
#include "audio/media_check.h"
#include "audio/waveform_cache.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Media_Stamp stamp{u"C:\\film.mp4", 1000, 42};
    const std::span<const std::uint8_t> bytes(data, size);
    std::vector<Peak> read;
    std::vector<Speech_Frame> read_speech;
    if (decode_waveform_cache(bytes, stamp, read, read_speech)) {
        if (read_speech.size() != read.size()) std::abort();
        for (const Peak& p : read)
            if (p.low > p.high) std::abort();
    }

    std::vector<Peak> peaks;
    std::vector<Speech_Frame> speech;
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::int16_t a, b;
        std::memcpy(&a, data + i, 2);
        std::memcpy(&b, data + i + 2, 2);
        peaks.push_back(Peak{std::min(a, b), std::max(a, b)});
        speech.push_back(Speech_Frame{data[i], data[i + 1], data[i + 2], data[i + 3]});
    }
    const std::vector<std::uint8_t> entry = encode_waveform_cache(stamp, peaks, speech);
    if (!decode_waveform_cache(entry, stamp, read, read_speech) || read != peaks || read_speech != speech) std::abort();
    const std::size_t cut = size ? data[0] % entry.size() : 0;
    if (decode_waveform_cache(std::span(entry).first(cut), stamp, read, read_speech)) std::abort();

    iso_index_present(size, [&](std::uint64_t at, std::uint8_t* out, std::size_t n) {
        if (at > size || size - at < n) return false;
        std::memcpy(out, data + at, n);
        return true;
    });
    return 0;
}
