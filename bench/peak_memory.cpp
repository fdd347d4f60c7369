// Loads one SRT file and prints "<peak resident bytes> <file bytes> <subs>" for tools/bench.

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

#include "core/srt_reader.h"
#include "io/strings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cuemill_peak_memory FILE.srt\n");
        return 2;
    }
    Sub_List list;
    std::u16string error;
    if (!read_srt_file(list, utf8_to_utf16(argv[1]), &error)) {
        std::fprintf(stderr, "%s\n", utf16_to_utf8(error).c_str());
        return 1;
    }
    if (!error.empty())
        std::fprintf(stderr, "%s\n", utf16_to_utf8(error).substr(0, 300).c_str());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::error_code ignored;
    const auto file_size = std::filesystem::file_size(argv[1], ignored);
    std::printf("%llu %llu %zu\n", static_cast<unsigned long long>(usage.ru_maxrss) * 1024,
                static_cast<unsigned long long>(file_size), list.size());
    return 0;
}
