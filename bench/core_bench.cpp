// Reader, writer and list operations at 10,000 and 100,000 subs, with the two floors they are
// measured against: read = map + decode + count line breaks; write = encode + one write.
// The files come from make_srt_files.py in the folder named by CUEMILL_BENCH_DATA.

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "core/srt_reader.h"
#include "core/srt_writer.h"
#include "core/text_replace.h"
#include "io/file.h"
#include "io/strings.h"
#include "io/text_decoding.h"

namespace {

std::string data_dir() {
    const char* dir = std::getenv("CUEMILL_BENCH_DATA");
    return dir ? dir : "bench-data";
}

std::u16string data_file(const std::string& name) { return utf8_to_utf16(data_dir() + "/" + name); }

const char* size_name(std::int64_t subs) { return subs >= 100000 ? "100k" : "10k"; }

const Sub_List& loaded(std::int64_t subs) {
    static std::map<std::int64_t, Sub_List> cache;
    Sub_List& list = cache[subs];
    if (list.empty()) {
        std::u16string error;
        if (!read_srt_file(list, data_file(std::string("subs_") + size_name(subs) + ".srt"), &error)) {
            std::fprintf(stderr, "cannot load the benchmark file: %s\n", utf16_to_utf8(error).c_str());
            std::exit(1);
        }
    }
    return list;
}

void read_floor(benchmark::State& state, const std::string& name) {
    const std::u16string path = data_file(name);
    for (auto _ : state) {
        Mapped_File file;
        std::u16string text;
        if (!file.open_and_map(path) || !decode_text(file.view, file.get_size(), text)) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(std::count(text.begin(), text.end(), u'\n'));
    }
}

void read_file(benchmark::State& state, const std::string& name) {
    const std::u16string path = data_file(name);
    for (auto _ : state) {
        Sub_List list;
        std::u16string error;
        if (!read_srt_file(list, path, &error)) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(list.data());
        // Freeing the list is not part of reading it.
        state.PauseTiming();
        Sub_List().swap(list);
        state.ResumeTiming();
    }
}

void BM_read_floor(benchmark::State& state) {
    read_floor(state, std::string("subs_") + size_name(state.range(0)) + ".srt");
}
void BM_read_srt_file(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + ".srt");
}
void BM_read_srt_file_lf(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + "_lf.srt");
}
void BM_read_srt_file_1252(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + "_1252.srt");
}
// Russian and Chinese text whose code page is guessed, and the same in UTF-8
// (make_legacy_texts.py writes them).
void BM_read_srt_file_1251(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + "_1251.srt");
}
void BM_read_srt_file_1251_utf8(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + "_1251_utf8.srt");
}
void BM_read_srt_file_936(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + "_936.srt");
}
void BM_read_srt_file_936_utf8(benchmark::State& state) {
    read_file(state, std::string("subs_") + size_name(state.range(0)) + "_936_utf8.srt");
}

std::u16string out_path() { return utf8_to_utf16(data_dir() + "/written.srt"); }

void BM_write_floor(benchmark::State& state) {
    const std::u16string text = write_srt(loaded(state.range(0)));
    const std::u16string path = out_path();
    // The text is ready: what is left is encoding it and writing it once.
    for (auto _ : state) {
        if (!write_text_file(path, text)) {
            state.SkipWithError("cannot write");
            break;
        }
    }
}

void BM_write_srt(benchmark::State& state) {
    const Sub_List& list = loaded(state.range(0));
    const std::u16string path = out_path();
    for (auto _ : state) {
        if (!write_text_file(path, write_srt(list))) {
            state.SkipWithError("cannot write");
            break;
        }
    }
}

void BM_write_srt_text_only(benchmark::State& state) {
    const Sub_List& list = loaded(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(write_srt(list));
}

void BM_find_overlaps(benchmark::State& state) {
    const Sub_List& list = loaded(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(find_overlaps(list));
}

// One lookup per iteration at times spread over the whole list.
template <std::size_t (*Lookup)(const Sub_List&, std::uint64_t)>
void lookup(benchmark::State& state) {
    const Sub_List& list = loaded(state.range(0));
    std::mt19937_64 rng(1);
    std::vector<std::uint64_t> times(4096);
    for (auto& t : times)
        t = rng() % (list.back().end + 1000);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(Lookup(list, times[i++ & 4095]));
}

void BM_find_at(benchmark::State& state) { lookup<find_at>(state); }
void BM_lower_bound_start(benchmark::State& state) { lookup<lower_bound_start>(state); }
void BM_count_from(benchmark::State& state) { lookup<count_from>(state); }

// Replace all of "xyz", held by every other sub, as one step; plain text and an expression.
void replace_all(benchmark::State& state, const char16_t* find, bool expression) {
    Sub_List list = loaded(state.range(0));
    for (std::size_t k = 0; k < list.size(); k += 2) list[k].text += u" xyz";
    Text_Search search;
    if (!search.prepare(find, {false, false, expression})) state.SkipWithError("the search was refused");
    for (auto _ : state) {
        History_Step step;
        std::size_t count = 0;
        replace_all_step(list, search, u"abcd", nullptr, step, count);
        if (count != (list.size() + 1) / 2) state.SkipWithError("a wrong count");
        benchmark::DoNotOptimize(step);
    }
}

void BM_replace_all_step(benchmark::State& state) { replace_all(state, u"xyz", false); }
void BM_replace_all_step_expression(benchmark::State& state) { replace_all(state, u"x[a-z]z", true); }

}  // namespace

BENCHMARK(BM_read_floor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file_lf)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file_1252)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file_1251)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file_1251_utf8)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file_936)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_srt_file_936_utf8)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_write_floor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_write_srt)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_write_srt_text_only)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_find_overlaps)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_find_at)->Arg(10000)->Arg(100000);
BENCHMARK(BM_lower_bound_start)->Arg(10000)->Arg(100000);
BENCHMARK(BM_count_from)->Arg(10000)->Arg(100000);
BENCHMARK(BM_replace_all_step)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_replace_all_step_expression)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
