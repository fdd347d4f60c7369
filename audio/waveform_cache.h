#pragma once
// Waveforms kept on disk, so that a media file is read once: one file per media file in a
// cache folder, named from the media file's path, size and last write time, and holding
// them too, so that a name shared by two files is never taken for the other. The folder is
// kept under a bound, the entries used longest ago removed first.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/audio_peaks.h"
#include "audio/speech_detection.h"

/// What tells one version of a media file from another.
struct Media_Stamp {
    std::u16string path;
    std::uint64_t size = 0;
    std::int64_t write_time = 0;  ///< the file system's count, compared for equality only
    bool operator==(const Media_Stamp&) const = default;
};

inline constexpr std::uint64_t waveform_cache_limit = 256ull * 1024 * 1024;
inline constexpr char16_t waveform_cache_extension[] = u".peaks";

/// The stamp of the file at `path`; false when it cannot be read.
bool media_stamp(const std::u16string& path, Media_Stamp& out);

/// 16 hexadecimal digits and ".peaks", from the path (letter case ignored), size and time.
std::u16string waveform_cache_name(const Media_Stamp& stamp);

/// The bytes of an entry: the stamp, each frame's peak and speech features (those missing
/// from `speech` written as silence), and a checksum.
std::vector<std::uint8_t> encode_waveform_cache(const Media_Stamp& stamp, std::span<const Peak> frames,
                                                std::span<const Speech_Frame> speech);
/// The peaks and speech features of an entry made for exactly `stamp`; false for any other
/// stamp and for bytes that are cut short, damaged or of another version (an older one
/// without the speech features included).
bool decode_waveform_cache(std::span<const std::uint8_t> bytes, const Media_Stamp& stamp, std::vector<Peak>& frames,
                           std::vector<Speech_Frame>& speech);

/// A file of a cache folder.
struct Cache_Entry {
    std::u16string name;
    std::uint64_t size = 0;
    std::int64_t time = 0;  ///< last write time; an entry is rewritten when used
};
/// The entries to remove, oldest first, until the others take at most `limit` bytes.
std::vector<std::u16string> entries_over_limit(std::vector<Cache_Entry> entries, std::uint64_t limit);

/// The cache folders beside the recovery folders: "Waveforms" next to each "Recovery".
std::vector<std::u16string> waveform_cache_folders(const std::vector<std::u16string>& recovery_folders);

/// Looks for the entry of `stamp` in each folder in turn; the first that can be read is
/// marked as used and its frames returned. Entries that cannot be read are passed over.
bool load_cached_waveform(const std::vector<std::u16string>& folders, const Media_Stamp& stamp,
                          std::vector<Peak>& frames, std::vector<Speech_Frame>& speech);
/// Writes the entry into the first folder where that works, then removes that folder's
/// oldest entries while they take more than `limit` bytes. The folder written, or empty.
std::u16string store_cached_waveform(const std::vector<std::u16string>& folders, const Media_Stamp& stamp,
                                     std::span<const Peak> frames, std::span<const Speech_Frame> speech,
                                     std::uint64_t limit = waveform_cache_limit);
