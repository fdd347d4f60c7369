// The waveform read from real media files by the platform's decoder on the reader's thread,
// and drawn by a real timeline.

#include "audio/waveform_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "audio/audio_decoder.h"
#include "audio/waveform_cache.h"
#include "tests/core/temp_folder.h"
#include "tests/timeline/timeline_host.h"

namespace {

using Clock = std::chrono::steady_clock;

std::u16string media(const char16_t* name) {
    const wchar_t* dir = _wgetenv(L"CUEMILL_MEDIA_DIR");
    return (dir ? std::u16string(reinterpret_cast<const char16_t*>(dir)) : u"") + u"\\" + name;
}

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

bool wait_until(const std::function<bool()>& done, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Reads the whole file; the reader's end is waited for.
std::shared_ptr<const Waveform> read_whole(const std::u16string& path, std::vector<std::u16string> folders = {}) {
    Waveform_Reader reader;
    auto waveform = reader.start(path, std::move(folders), [] {});
    EXPECT_TRUE(waveform);
    EXPECT_TRUE(wait_until([&] { return reader.idle(); }, 60000)) << narrow(path);
    return waveform;
}

int loudness(Peak p) { return std::max(-static_cast<int>(p.low), static_cast<int>(p.high)); }

class WaveformReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(_wgetenv(L"CUEMILL_MEDIA_DIR")) << "run through with_media.sh"; }
};

TEST_F(WaveformReaderTest, TonesAreWhereTheyWereMadeToTheFrame) {
    // Tone bursts at 1.0-1.5 s and 3.0-3.2 s: frames 100-149 and 300-319.
    const struct {
        const char16_t* file;
        const char* what;
    } cases[] = {
        {u"burst.mp4", "AAC, stereo, 48 kHz, in MP4 beside a video"},
        {u"burst.mkv", "FLAC, stereo, 44.1 kHz, in Matroska beside a video"},
        {u"burst.wav", "PCM, mono, 22.05 kHz, audio only"},
    };
    const auto in_burst = [](std::size_t f) { return (f >= 100 && f < 150) || (f >= 300 && f < 320); };
    const auto near_edge = [](std::size_t f) {
        for (std::size_t edge : {100, 150, 300, 320})
            if (f + 1 >= edge && f <= edge) return true;
        return false;
    };
    for (const auto& c : cases) {
        const auto waveform = read_whole(media(c.file));
        EXPECT_EQ(waveform->state(), Waveform::State::done) << c.what;
        const std::vector<Peak> frames = waveform->frames();
        const std::vector<Speech_Frame> speech = waveform->speech_frames();
        EXPECT_NEAR(static_cast<double>(frames.size()), 500.0, 3.0) << c.what;
        ASSERT_EQ(speech.size(), frames.size()) << c.what;
        for (std::size_t f = 0; f < frames.size(); ++f) {
            // Within 10 ms of an edge a frame holds part of the tone: either way is right.
            if (near_edge(f)) continue;
            // The tone's level is -9 dB of full scale (182 half decibels above -100 dB).
            if (in_burst(f)) {
                EXPECT_GT(loudness(frames[f]), 12000) << c.what << ": frame " << f;
                EXPECT_NEAR(speech[f].level, 182, 4) << c.what << ": frame " << f;
            } else {
                EXPECT_LT(loudness(frames[f]), 300) << c.what << ": frame " << f;
                EXPECT_LT(speech[f].level, 80) << c.what << ": frame " << f;
            }
        }
        // The source reader, which Windows needs for compressed audio, gives the same peaks.
        std::vector<Peak> through_reader;
        Peak_Builder builder(through_reader);
        const std::atomic<bool> stop{false};
        EXPECT_EQ(decode_audio(media(c.file), builder, stop, {}, Decode_Route::source_reader), Decode_End::finished);
        ASSERT_EQ(through_reader.size(), frames.size()) << c.what;
        for (std::size_t f = 0; f < frames.size(); ++f)
            EXPECT_NEAR(loudness(through_reader[f]), loudness(frames[f]), 2) << c.what << ": frame " << f;
    }
}

TEST_F(WaveformReaderTest, TheTimelineDrawsTheBurstsWhereTheyAre) {
    const auto waveform = read_whole(media(u"burst.mp4"));
    const double read_ms = static_cast<double>(waveform->frames().size() * audio_frame_ms);
    timeline_test::Host host;
    host.timeline.playhead = 100000;  // out of the view
    host.timeline.set_range(20000);  // 5 s in view: 6.25 ms a pixel
    ASSERT_EQ(host.timeline.view_span, 5000u);
    host.timeline.waveform = waveform;
    const COLORREF wave = RGB(70, 130, 180);
    const auto tall = [&](const timeline_test::Canvas& c, int x) { return c.count_in_column(x, 30, 94, wave) > 20; };
    {
        const timeline_test::Canvas c(host.timeline, timeline_test::Host::width, timeline_test::Host::height, true);
        for (int x = 0; x < timeline_test::Host::width; ++x) {
            const double ms = x * 6.25;
            // A column holds 6.25 ms, a frame 10 ms: a column next to an edge may go either way.
            if (std::abs(ms - 1000) <= 16 || std::abs(ms - 1500) <= 16 || std::abs(ms - 3000) <= 16 ||
                std::abs(ms - 3200) <= 16)
                continue;
            const bool burst = (ms > 1000 && ms < 1500) || (ms > 3000 && ms < 3200);
            EXPECT_EQ(tall(c, x), burst) << "x " << x;
            // Silence read is a line through the middle, past the end nothing.
            if (!burst && std::abs(ms - read_ms) > 10) {
                EXPECT_EQ(c.count_in_column(x, 30, 94, wave), ms < read_ms ? 1 : 0) << "x " << x;
            }
        }
    }
    // Hidden, nothing of it is drawn.
    host.timeline.show_waveform = false;
    const timeline_test::Canvas hidden(host.timeline, timeline_test::Host::width, timeline_test::Host::height, true);
    EXPECT_EQ(hidden.count_in_column(200, 30, 94, wave), 0);
}

TEST_F(WaveformReaderTest, FilesWithoutReadableAudioHaveNone) {
    const struct {
        const char16_t* file;
        const char* what;
    } cases[] = {
        {u"silent_film.mp4", "a video without audio"},
        {u"cut.mp4", "an MP4 cut before its index"},
        {u"text.mp3", "text named as MP3"},
        {u"missing.wav", "no such file"},
    };
    for (const auto& c : cases) {
        const auto waveform = read_whole(media(c.file));
        EXPECT_EQ(waveform->state(), Waveform::State::none) << c.what;
        EXPECT_TRUE(waveform->frames().empty()) << c.what;
    }
}

TEST_F(WaveformReaderTest, ACutStreamEndsWithWhatWasRead) {
    const auto waveform = read_whole(media(u"cut.mkv"));
    EXPECT_EQ(waveform->state(), Waveform::State::done);
    const std::vector<Peak> frames = waveform->frames();
    // Three fifths of 5 s, give or take the container's share; the first burst is in it.
    EXPECT_GT(frames.size(), 200u);
    EXPECT_LT(frames.size(), 400u);
    EXPECT_GT(loudness(frames[120]), 12000);
}

TEST_F(WaveformReaderTest, StopEndsTheReadingAtOnce) {
    Waveform_Reader reader;
    std::atomic<int> changes{0};
    const auto waveform = reader.start(media(u"long.mp3"), {}, [&] { ++changes; });
    ASSERT_TRUE(wait_until([&] { return waveform->frames().size() > 500; }, 30000));
    ASSERT_EQ(waveform->state(), Waveform::State::reading);
    const auto before = Clock::now();
    reader.stop();
    const auto stopping = Clock::now() - before;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(stopping).count(), 200);
    EXPECT_TRUE(reader.idle());
    EXPECT_FALSE(reader.waveform());
    // Nothing more comes in, and nobody is told.
    const std::size_t read = waveform->frames().size();
    const int told = changes;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(waveform->frames().size(), read);
    EXPECT_EQ(changes, told);
    EXPECT_LT(read, 120000u);  // 20 minutes were not read whole
}

TEST_F(WaveformReaderTest, ASecondOpeningReadsTheCache) {
    Temp_Folder temp;
    const std::vector<std::u16string> folders{temp.path_of("Waveforms")};
    const auto first = read_whole(media(u"burst.wav"), folders);
    const std::vector<Peak> decoded = first->frames();
    const std::vector<Speech_Frame> decoded_speech = first->speech_frames();
    ASSERT_EQ(decoded_speech.size(), decoded.size());  // the same pass gave both
    Media_Stamp stamp;
    ASSERT_TRUE(media_stamp(media(u"burst.wav"), stamp));
    std::vector<Peak> cached;
    std::vector<Speech_Frame> cached_speech;
    ASSERT_TRUE(load_cached_waveform(folders, stamp, cached, cached_speech));
    EXPECT_EQ(cached, decoded);
    EXPECT_EQ(cached_speech, decoded_speech);
    // An entry that differs from the file shows that the file itself was not read again.
    std::vector<Peak> marked = decoded;
    marked[7] = Peak{-1234, 4321};
    std::vector<Speech_Frame> marked_speech = decoded_speech;
    marked_speech[7] = Speech_Frame{1, 2, 3, 4};
    store_cached_waveform(folders, stamp, marked, marked_speech);
    const auto again = read_whole(media(u"burst.wav"), folders);
    EXPECT_EQ(again->state(), Waveform::State::done);
    EXPECT_EQ(again->frames(), marked);
    EXPECT_EQ(again->speech_frames(), marked_speech);
    // A damaged entry is read past, and the reading writes it anew.
    const std::filesystem::path entry = std::filesystem::path(folders[0]) / std::filesystem::path(waveform_cache_name(stamp));
    std::filesystem::resize_file(entry, 64);
    EXPECT_EQ(read_whole(media(u"burst.wav"), folders)->frames(), decoded);
    ASSERT_TRUE(load_cached_waveform(folders, stamp, cached, cached_speech));
    EXPECT_EQ(cached, decoded);
}

}  // namespace
