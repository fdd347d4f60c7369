// Sync to speech on two hours of made media (bench/make_speech_media.py): flite's voices
// saying each sub's text at its time over pink noise and music 13 to 19 dB lower, mixed here at
// 48 kHz and read frame by frame as the reading pass reads a video's audio. The subs are then
// moved (-95 s, +12.3 s, 25 to 23.976 frames a second, 30 s cut out in the middle) and synced
// back: how long the command takes once the audio has been read (speech detection, the
// search and the re-timing step), and how close each start comes to where it is spoken.
// Prints a Markdown table and `name value` lines. Usage: cuemill_speech_sync_bench MEDIA_DIR

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "audio/speech_detection.h"
#include "audio/speech_sync.h"
#include "core/time_map.h"

namespace {

constexpr std::uint32_t rate = 48000;
constexpr double noise_gain = 0.05, music_gain = 0.12;

struct Spoken {
    std::uint64_t start = 0, end = 0;
    std::size_t clip = 0;
    std::u16string text;
};

std::vector<std::int16_t> read_raw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t j = 0; j < samples.size(); ++j)
        samples[j] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * j]) | (static_cast<std::uint8_t>(bytes[2 * j + 1]) << 8));
    return samples;
}

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Case {
    const char* name;
    std::function<std::int64_t(std::int64_t t, std::int64_t start)> move;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MEDIA_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<Spoken> spoken;
    {
        std::ifstream in(dir + "/subs.txt");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            Spoken s;
            std::string text;
            fields >> s.start >> s.end >> s.clip;
            std::getline(fields, text);
            for (char c : text) s.text += static_cast<char16_t>(static_cast<unsigned char>(c));
            spoken.push_back(s);
        }
    }
    std::vector<std::vector<std::int16_t>> clips;
    for (std::size_t k = 0;; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "/clips/%03zu.raw", k);
        std::vector<std::int16_t> clip = read_raw(dir + name);
        if (clip.empty()) break;
        clips.push_back(std::move(clip));
    }
    const std::vector<std::int16_t> noise = read_raw(dir + "/noise.raw"), music = read_raw(dir + "/music.raw");
    if (spoken.empty() || clips.empty() || noise.empty() || music.empty()) {
        std::fprintf(stderr, "missing media in %s\n", dir.c_str());
        return 1;
    }

    // The reading pass: the mix, 10 ms at a time, into the features.
    const std::uint64_t total = 2ull * 3600 * rate;
    std::vector<Speech_Frame> frames;
    frames.reserve(total / (rate / 100) + 1);
    Speech_Features features(frames);
    features.begin(rate);
    std::vector<std::int16_t> block(rate / 100);
    double features_ms = 0;
    std::size_t next = 0;
    for (std::uint64_t at = 0; at < total; at += block.size()) {
        for (std::size_t j = 0; j < block.size(); ++j) {
            const std::uint64_t sample = at + j;
            double v = noise_gain * noise[sample % noise.size()] + music_gain * music[sample % music.size()];
            while (next < spoken.size() && (spoken[next].start * rate / 1000 + clips[spoken[next].clip].size()) <= sample) ++next;
            if (next < spoken.size()) {
                const std::uint64_t from = spoken[next].start * rate / 1000;
                if (sample >= from) v += clips[spoken[next].clip][sample - from];
            }
            block[j] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
        }
        const auto start = std::chrono::steady_clock::now();
        features.frame(block);
        features_ms += ms_since(start);
    }

    const std::int64_t middle = 3600000;
    const Case cases[] = {
        {"in sync", [](std::int64_t t, std::int64_t) { return t; }},
        {"-95 s", [](std::int64_t t, std::int64_t) { return t - 95000; }},
        {"+12.3 s", [](std::int64_t t, std::int64_t) { return t + 12300; }},
        {"25 to 23.976", [](std::int64_t t, std::int64_t) { return t * 24000 / 25025; }},
        {"30 s cut", [=](std::int64_t t, std::int64_t start) { return start < middle ? t : t + 30000; }},
    };
    std::printf("\n| Case | Command | Found | Cuts | Fit before | Fit after | Within 100 ms | Within 250 ms |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    double worst_ms = 0, worst_100 = 100, worst_250 = 100;
    std::size_t false_moves = 0;
    for (const Case& c : cases) {
        Sub_List list;
        std::vector<Sub_Span> spans;
        std::vector<std::size_t> rows;
        for (const Spoken& s : spoken) {
            const std::int64_t start = static_cast<std::int64_t>(s.start);
            const std::uint64_t a = static_cast<std::uint64_t>(c.move(start, start));
            const std::uint64_t b = static_cast<std::uint64_t>(c.move(static_cast<std::int64_t>(s.end), start));
            list.push_back({a, b, s.text});
            spans.push_back({a, b});
            rows.push_back(rows.size());
        }
        // The command, from the features read: detection, the search, the re-timing step.
        std::vector<double> times;
        Speech_Sync sync;
        Retiming step;
        for (int run = 0; run < 3; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const std::vector<std::uint8_t> speech = detect_speech(frames);
            sync = sync_to_speech(speech, spans);
            if (sync.found) step = retime(list, rows, sync.map(), u"sync to speech");
            times.push_back(ms_since(start));
        }
        std::sort(times.begin(), times.end());
        const Time_Map map = sync.found ? sync.map() : Time_Map::shift(0);
        std::size_t within_100 = 0, within_250 = 0;
        for (std::size_t i = 0; i < spoken.size(); ++i) {
            const std::int64_t now = map(list[i].start);
            const std::int64_t off = std::abs(now - static_cast<std::int64_t>(spoken[i].start));
            within_100 += off <= 100;
            within_250 += off <= 250;
            if (c.name == std::string("in sync")) false_moves += std::abs(now - static_cast<std::int64_t>(list[i].start)) > 100;
        }
        const double share_100 = 100.0 * static_cast<double>(within_100) / static_cast<double>(spoken.size());
        const double share_250 = 100.0 * static_cast<double>(within_250) / static_cast<double>(spoken.size());
        std::printf("| %s | %.0f ms | %s | %zu | %.1f %% | %.1f %% | %.1f %% | %.1f %% |\n", c.name, times[1],
                    sync.found ? "yes" : "no", sync.cuts(), sync.fit_before, sync.fit_after, share_100, share_250);
        worst_ms = std::max(worst_ms, times[1]);
        if (std::string(c.name) != "in sync") {
            worst_100 = std::min(worst_100, share_100);
            worst_250 = std::min(worst_250, share_250);
        }
    }
    std::printf("\n%zu subs, %zu clips; reading two hours of audio into the features took %.0f ms (%zu frames, %zu KB).\n\n",
                spoken.size(), clips.size(), features_ms, frames.size(), frames.size() * sizeof(Speech_Frame) / 1024);
    std::printf("speech_features_2h_ms %.0f\n", features_ms);
    std::printf("sync_speech_2h_ms %.0f\n", worst_ms);
    std::printf("sync_speech_within_100ms %.1f\n", worst_100);
    std::printf("sync_speech_within_250ms %.1f\n", worst_250);
    std::printf("sync_speech_false_moves %zu\n", false_moves);
    return 0;
}
