#include "audio/waveform_cache.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "io/file.h"
#include "io/strings.h"

namespace fs = std::filesystem;

namespace {

constexpr char cache_magic[4] = {'C', 'M', 'W', 'F'};
// 2: each frame's speech features follow its peak.
constexpr std::uint32_t cache_version = 2;
constexpr std::size_t frame_bytes = 8;

constexpr std::uint64_t fnv_offset = 0xCBF29CE484222325ull;
constexpr std::uint64_t fnv_prime = 0x100000001B3ull;

std::uint64_t fnv(std::uint64_t hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * fnv_prime;
    return hash;
}

// Little-endian, whatever the machine.
class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < size; ++i) out_.push_back(p[i]);
    }
    void u16(std::uint16_t v) { unsigned_value(v, 2); }
    void u32(std::uint32_t v) { unsigned_value(v, 4); }
    void u64(std::uint64_t v) { unsigned_value(v, 8); }

private:
    void unsigned_value(std::uint64_t v, int size) {
        for (int i = 0; i < size; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t>& out_;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : in_(in) {}
    bool bytes(void* data, std::size_t size) {
        if (!take(size)) return false;
        std::memcpy(data, in_.data() + at_ - size, size);
        return true;
    }
    bool u16(std::uint16_t& v) { return unsigned_value(v, 2); }
    bool u32(std::uint32_t& v) { return unsigned_value(v, 4); }
    bool u64(std::uint64_t& v) { return unsigned_value(v, 8); }
    std::size_t left() const { return in_.size() - at_; }
    std::size_t at() const { return at_; }

private:
    bool take(std::size_t size) {
        if (left() < size) return false;
        at_ += size;
        return true;
    }
    template <class T>
    bool unsigned_value(T& v, int size) {
        if (!take(static_cast<std::size_t>(size))) return false;
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i) value |= std::uint64_t{in_[at_ - size + i]} << (8 * i);
        v = static_cast<T>(value);
        return true;
    }
    std::span<const std::uint8_t> in_;
    std::size_t at_ = 0;
};

fs::path path_of(const std::u16string& folder, const std::u16string& name) { return fs::path(folder) / fs::path(name); }

}  // namespace

bool media_stamp(const std::u16string& path, Media_Stamp& out) {
    std::error_code error;
    const fs::path file(path);
    const std::uintmax_t size = fs::file_size(file, error);
    if (error) return false;
    const fs::file_time_type time = fs::last_write_time(file, error);
    if (error) return false;
    out = Media_Stamp{path, static_cast<std::uint64_t>(size), static_cast<std::int64_t>(time.time_since_epoch().count())};
    return true;
}

std::u16string waveform_cache_name(const Media_Stamp& stamp) {
    std::uint64_t hash = fnv_offset;
    for (char16_t c : stamp.path) {
        const char16_t upper = to_upper(c);
        const std::uint8_t unit[2] = {static_cast<std::uint8_t>(upper), static_cast<std::uint8_t>(upper >> 8)};
        hash = fnv(hash, unit, 2);
    }
    std::uint8_t numbers[16];
    for (int i = 0; i < 8; ++i) {
        numbers[i] = static_cast<std::uint8_t>(stamp.size >> (8 * i));
        numbers[8 + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(stamp.write_time) >> (8 * i));
    }
    hash = fnv(hash, numbers, sizeof numbers);
    return format(u"%016X", static_cast<unsigned long long>(hash)) + waveform_cache_extension;
}

std::vector<std::uint8_t> encode_waveform_cache(const Media_Stamp& stamp, std::span<const Peak> frames,
                                                std::span<const Speech_Frame> speech) {
    std::vector<std::uint8_t> out;
    out.reserve(64 + stamp.path.size() * 2 + frames.size() * frame_bytes);
    Writer w(out);
    w.bytes(cache_magic, sizeof cache_magic);
    w.u32(cache_version);
    w.u64(stamp.size);
    w.u64(static_cast<std::uint64_t>(stamp.write_time));
    w.u32(static_cast<std::uint32_t>(stamp.path.size()));
    for (char16_t c : stamp.path) w.u16(c);
    w.u32(audio_frame_ms);
    w.u64(frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        w.u16(static_cast<std::uint16_t>(frames[k].low));
        w.u16(static_cast<std::uint16_t>(frames[k].high));
        const Speech_Frame f = k < speech.size() ? speech[k] : Speech_Frame{};
        const std::uint8_t features[4] = {f.level, f.voice, f.noise, f.change};
        w.bytes(features, sizeof features);
    }
    w.u64(fnv(fnv_offset, out.data(), out.size()));
    return out;
}

bool decode_waveform_cache(std::span<const std::uint8_t> bytes, const Media_Stamp& stamp, std::vector<Peak>& frames,
                           std::vector<Speech_Frame>& speech) {
    if (bytes.size() < 8) return false;
    const std::size_t body = bytes.size() - 8;
    Reader tail(bytes.subspan(body));
    std::uint64_t checksum = 0;
    if (!tail.u64(checksum) || checksum != fnv(fnv_offset, bytes.data(), body)) return false;

    Reader r(bytes.first(body));
    char magic[4] = {};
    std::uint32_t version = 0, path_length = 0, frame_ms = 0;
    Media_Stamp found;
    std::uint64_t write_time = 0, count = 0;
    if (!r.bytes(magic, 4) || std::memcmp(magic, cache_magic, 4) != 0 || !r.u32(version) ||
        version != cache_version || !r.u64(found.size) || !r.u64(write_time) || !r.u32(path_length) ||
        path_length > r.left() / 2)
        return false;
    found.write_time = static_cast<std::int64_t>(write_time);
    found.path.resize(path_length);
    for (char16_t& c : found.path) {
        std::uint16_t unit = 0;
        r.u16(unit);
        c = static_cast<char16_t>(unit);
    }
    if (found.size != stamp.size || found.write_time != stamp.write_time || compare_nocase(found.path, stamp.path) != 0)
        return false;
    if (!r.u32(frame_ms) || frame_ms != audio_frame_ms || !r.u64(count) || count != r.left() / frame_bytes ||
        r.left() % frame_bytes != 0)
        return false;
    std::vector<Peak> peaks(static_cast<std::size_t>(count));
    std::vector<Speech_Frame> features(static_cast<std::size_t>(count));
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        std::uint16_t low = 0, high = 0;
        r.u16(low);
        r.u16(high);
        peaks[k] = Peak{static_cast<std::int16_t>(low), static_cast<std::int16_t>(high)};
        if (peaks[k].low > peaks[k].high) return false;
        std::uint8_t f[4] = {};
        r.bytes(f, sizeof f);
        features[k] = Speech_Frame{f[0], f[1], f[2], f[3]};
    }
    frames = std::move(peaks);
    speech = std::move(features);
    return true;
}

std::vector<std::u16string> entries_over_limit(std::vector<Cache_Entry> entries, std::uint64_t limit) {
    std::uint64_t total = 0;
    for (const Cache_Entry& entry : entries) total += entry.size;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Cache_Entry& a, const Cache_Entry& b) { return a.time < b.time; });
    std::vector<std::u16string> removed;
    for (const Cache_Entry& entry : entries) {
        if (total <= limit) break;
        removed.push_back(entry.name);
        total -= entry.size;
    }
    return removed;
}

std::vector<std::u16string> waveform_cache_folders(const std::vector<std::u16string>& recovery_folders) {
    std::vector<std::u16string> folders;
    for (const std::u16string& recovery : recovery_folders) {
        const std::size_t slash = recovery.find_last_of(u"\\/");
        folders.push_back((slash == std::u16string::npos ? std::u16string() : recovery.substr(0, slash + 1)) +
                          u"Waveforms");
    }
    return folders;
}

bool load_cached_waveform(const std::vector<std::u16string>& folders, const Media_Stamp& stamp,
                          std::vector<Peak>& frames, std::vector<Speech_Frame>& speech) {
    const std::u16string name = waveform_cache_name(stamp);
    for (const std::u16string& folder : folders) {
        const fs::path file = path_of(folder, name);
        std::vector<std::uint8_t> bytes;
        if (!read_file_bytes(file.u16string(), bytes) || !decode_waveform_cache(bytes, stamp, frames, speech)) continue;
        std::error_code ignored;
        fs::last_write_time(file, fs::file_time_type::clock::now(), ignored);
        return true;
    }
    return false;
}

std::u16string store_cached_waveform(const std::vector<std::u16string>& folders, const Media_Stamp& stamp,
                                     std::span<const Peak> frames, std::span<const Speech_Frame> speech,
                                     std::uint64_t limit) {
    const std::u16string name = waveform_cache_name(stamp);
    const std::vector<std::uint8_t> bytes = encode_waveform_cache(stamp, frames, speech);
    for (const std::u16string& folder : folders) {
        std::error_code error;
        fs::create_directories(fs::path(folder), error);
        if (!write_whole_file(path_of(folder, name).u16string(), bytes.data(), bytes.size())) continue;
        std::vector<Cache_Entry> entries;
        for (fs::directory_iterator it(fs::path(folder), error), end; !error && it != end; it.increment(error)) {
            const fs::path& file = it->path();
            if (!has_extension(file.u16string(), waveform_cache_extension)) continue;
            std::error_code ignored;
            const std::uintmax_t size = fs::file_size(file, ignored);
            if (ignored) continue;
            const std::int64_t time = fs::last_write_time(file, ignored).time_since_epoch().count();
            entries.push_back(Cache_Entry{file.filename().u16string(), static_cast<std::uint64_t>(size), time});
        }
        for (const std::u16string& old : entries_over_limit(std::move(entries), limit)) {
            std::error_code ignored;
            fs::remove(path_of(folder, old), ignored);
        }
        return folder;
    }
    return {};
}
