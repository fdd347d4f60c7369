// The share of texts that open as they were written (the text read with the guessed encoding
// is the text read in the right code page; a text without any byte above 0x7F reads right in
// every one), over the files bench/make_legacy_texts.py writes, and how many Western European
// texts read as anything but Windows-1252. Prints
// "detect_accuracy 99.2" and "detect_false_1252 0"; each wrong guess goes to stderr.

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "io/file.h"
#include "io/strings.h"
#include "io/text_decoding.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cuemill_detect_accuracy LEGACY_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::ifstream index(folder + "/index.tsv");
    std::string line;
    int total = 0, right = 0, false_western = 0;
    std::map<std::string, int> wrong_by_language;
    while (std::getline(index, line)) {
        std::istringstream fields(line);
        std::string name, language;
        unsigned code_page = 0;
        if (!(fields >> name >> code_page >> language)) continue;
        std::vector<std::uint8_t> bytes;
        std::u16string error;
        if (!read_file_bytes(utf8_to_utf16(folder + "/" + name), bytes, &error)) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), utf16_to_utf8(error).c_str());
            return 1;
        }
        std::u16string guessed, meant;
        unsigned read_as = 0;
        decode_text(bytes.data(), bytes.size(), guessed, nullptr, 0, &read_as);
        decode_text(bytes.data(), bytes.size(), meant, nullptr, code_page);
        ++total;
        if (guessed == meant) {
            ++right;
        } else {
            ++wrong_by_language[language];
            std::fprintf(stderr, "%s: %u, not %u\n", name.c_str(), read_as, code_page);
            if (code_page == 1252) ++false_western;
        }
    }
    if (total == 0) {
        std::fprintf(stderr, "no texts in %s\n", folder.c_str());
        return 1;
    }
    std::printf("detect_accuracy %.1f\n", 100.0 * right / total);
    std::printf("detect_false_1252 %d\n", false_western);
    std::printf("detect_texts %d\n", total);
    return 0;
}
