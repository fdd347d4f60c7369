#include "audio/waveform_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/core/temp_folder.h"

namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

const Media_Stamp film{u"C:\\Films\\Talk.mp4", 1234567, 133000000000000000};
const std::vector<Peak> some_peaks{{-5, 7}, {0, 0}, {-32768, 32767}};
const std::vector<Speech_Frame> some_speech{{150, 148, 10, 60}, {0, 0, 255, 0}, {255, 1, 2, 3}};

TEST(WaveformCache, NameFollowsPathSizeAndTime) {
    const std::u16string name = waveform_cache_name(film);
    EXPECT_EQ(name.size(), 16u + 6u);
    EXPECT_EQ(name.substr(16), u".peaks");
    const struct {
        Media_Stamp stamp;
        bool same;
    } cases[] = {
        {{u"c:\\films\\TALK.MP4", 1234567, 133000000000000000}, true},     // letter case of the path
        {{u"C:\\Films\\Talk2.mp4", 1234567, 133000000000000000}, false},   // another path
        {{u"C:\\Films\\Talk.mp4", 1234568, 133000000000000000}, false},    // another size
        {{u"C:\\Films\\Talk.mp4", 1234567, 133000000000000001}, false},    // written again
    };
    for (const auto& c : cases) EXPECT_EQ(waveform_cache_name(c.stamp) == name, c.same) << narrow(c.stamp.path);
}

TEST(WaveformCache, EntriesReadBackOnlyWhenWhole) {
    const std::vector<std::uint8_t> bytes = encode_waveform_cache(film, some_peaks, some_speech);
    std::vector<Peak> read;
    std::vector<Speech_Frame> speech;
    ASSERT_TRUE(decode_waveform_cache(bytes, film, read, speech));
    EXPECT_EQ(read, some_peaks);
    EXPECT_EQ(speech, some_speech);
    EXPECT_TRUE(decode_waveform_cache(bytes, {u"C:\\FILMS\\talk.mp4", film.size, film.write_time}, read, speech));  // the same file
    // Features missing from what is stored are stored as silence.
    ASSERT_TRUE(decode_waveform_cache(encode_waveform_cache(film, some_peaks, {}), film, read, speech));
    EXPECT_EQ(speech, std::vector<Speech_Frame>(3));

    const auto changed = [&](std::size_t at) {
        std::vector<std::uint8_t> b = bytes;
        b[at] ^= 0x01;
        return b;
    };
    // The entry as the version before the speech features wrote it: version 1, four bytes a
    // frame, and its own checksum.
    const auto older = [&] {
        const std::size_t peaks_at = bytes.size() - 8 - some_peaks.size() * 8;
        std::vector<std::uint8_t> b(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(peaks_at));
        b[4] = 1;
        for (std::size_t at = peaks_at; at < bytes.size() - 8; at += 8) b.insert(b.end(), &bytes[at], &bytes[at] + 4);
        std::uint64_t hash = 0xCBF29CE484222325ull;
        for (std::uint8_t byte : b) hash = (hash ^ byte) * 0x100000001B3ull;
        for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(hash >> (8 * i)));
        return b;
    };
    const struct {
        std::vector<std::uint8_t> bytes;
        Media_Stamp stamp;
        const char* why;
    } cases[] = {
        {std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1), film, "cut short"},
        {std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 12), film, "cut inside the peaks"},
        {{}, film, "empty"},
        {changed(0), film, "another magic"},
        {changed(4), film, "another version"},
        {older(), film, "the older version, without speech features"},
        {changed(bytes.size() - 20), film, "a damaged peak"},
        {bytes, {film.path, film.size + 1, film.write_time}, "another size"},
        {bytes, {film.path, film.size, film.write_time + 1}, "another time"},
        {bytes, {u"C:\\Films\\Other.mp4", film.size, film.write_time}, "another file of the same name"},
    };
    for (const auto& c : cases) {
        std::vector<Peak> out{{1, 1}};
        std::vector<Speech_Frame> out_speech{{1, 1, 1, 1}};
        EXPECT_FALSE(decode_waveform_cache(c.bytes, c.stamp, out, out_speech)) << c.why;
        EXPECT_EQ(out.size(), 1u) << c.why;  // untouched
        EXPECT_EQ(out_speech.size(), 1u) << c.why;
    }
}

TEST(WaveformCache, OldestGoFirstUntilUnderTheLimit) {
    const std::vector<Cache_Entry> entries{{u"a", 100, 30}, {u"b", 100, 10}, {u"c", 100, 20}, {u"d", 50, 40}};
    const struct {
        std::uint64_t limit;
        std::vector<std::u16string> want;
    } cases[] = {
        {350, {}},                     // all fit
        {349, {u"b"}},                 // one over: the oldest goes
        {200, {u"b", u"c"}},           // the two oldest
        {50, {u"b", u"c", u"a"}},      // only the newest stays
        {0, {u"b", u"c", u"a", u"d"}}, // nothing may stay
    };
    for (const auto& c : cases) EXPECT_EQ(entries_over_limit(entries, c.limit), c.want) << c.limit;
}

TEST(WaveformCache, FoldersBesideTheRecoveryFolders) {
    EXPECT_EQ(waveform_cache_folders({u"D:\\Cuemill\\Recovery", u"C:\\Users\\me\\AppData\\Local\\Cuemill\\Recovery"}),
              (std::vector<std::u16string>{u"D:\\Cuemill\\Waveforms", u"C:\\Users\\me\\AppData\\Local\\Cuemill\\Waveforms"}));
    EXPECT_EQ(waveform_cache_folders({u"Recovery"}), std::vector<std::u16string>{u"Waveforms"});
}

TEST(WaveformCache, StoredInTheFirstFolderThatWorksAndKeptUnderItsBound) {
    Temp_Folder temp;
    // A file where the first folder should be: that folder cannot be made.
    const std::u16string blocked = temp.write("blocked", "x");
    const std::u16string folder = temp.path_of("cache");
    const std::vector<std::u16string> folders{blocked, folder};
    const std::vector<Peak> peaks(1000, Peak{-1, 1});  // 8,000 bytes with the speech features, and the header

    const std::vector<Speech_Frame> speech(1000, Speech_Frame{1, 2, 3, 4});
    std::vector<Peak> read;
    std::vector<Speech_Frame> read_speech;
    EXPECT_FALSE(load_cached_waveform(folders, film, read, read_speech));
    EXPECT_EQ(store_cached_waveform(folders, film, peaks, speech), folder);
    ASSERT_TRUE(load_cached_waveform(folders, film, read, read_speech));
    EXPECT_EQ(read, peaks);
    EXPECT_EQ(read_speech, speech);

    // An entry that cannot be read is passed over, and the next store writes it anew.
    const auto entry_of = [&](const Media_Stamp& stamp) {
        return std::filesystem::path(folder) / std::filesystem::path(waveform_cache_name(stamp));
    };
    std::filesystem::resize_file(entry_of(film), 100);
    EXPECT_FALSE(load_cached_waveform(folders, film, read, read_speech));
    store_cached_waveform(folders, film, peaks, speech);
    EXPECT_TRUE(load_cached_waveform(folders, film, read, read_speech));

    // More films under a bound of three entries: the one used longest ago goes, and reading
    // an entry counts as using it.
    const std::uint64_t limit = 3 * std::filesystem::file_size(entry_of(film)) + 100;
    const auto now = std::filesystem::file_time_type::clock::now();
    const std::vector<Media_Stamp> films{{u"C:\\A.mp4", 1, 1}, {u"C:\\B.mp4", 1, 1}, {u"C:\\C.mp4", 1, 1}};
    for (int i = 0; i < 2; ++i) {
        store_cached_waveform(folders, films[i], peaks, speech, limit);
        std::filesystem::last_write_time(entry_of(films[i]), now - std::chrono::hours(2 - i));
    }
    std::filesystem::last_write_time(entry_of(film), now - std::chrono::hours(3));
    EXPECT_TRUE(load_cached_waveform(folders, film, read, read_speech));  // used now
    store_cached_waveform(folders, films[2], peaks, speech, limit);
    EXPECT_FALSE(load_cached_waveform(folders, films[0], read, read_speech));  // the one used longest ago
    for (const Media_Stamp& kept : {film, films[1], films[2]}) EXPECT_TRUE(load_cached_waveform(folders, kept, read, read_speech)) << narrow(kept.path);
}

}  // namespace
