// Reading arbitrary bytes in an encoding the user chose (the first byte picks it) must
// succeed, give well-formed UTF-16 of a bounded length, and agree with the detector's answer
// being one of the legacy code pages.
#include "io/code_pages.h"
#include "io/text_decoding.h"

#include <cstdlib>
#include <vector>

namespace {

bool well_formed(const std::u16string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF) {
            if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::vector<unsigned> pages;
    for (const Readable_Encoding& e : readable_encodings()) pages.push_back(e.code_page);
    pages.push_back(code_page_utf32_le);
    pages.push_back(code_page_utf32_be);
    const unsigned code_page = pages[data[0] % pages.size()];
    const std::uint8_t* bytes = data + 1;
    const std::size_t count = size - 1;

    std::u16string out;
    unsigned read_as = 0;
    std::u16string error;
    const bool ok = decode_text(bytes, count, out, &error, code_page, &read_as);
    if (count == 0) return 0;
    if (!ok || read_as != code_page || !error.empty()) std::abort();
    if (!well_formed(out)) std::abort();
    if (out.find(u'\0') != std::u16string::npos) std::abort();
    // Never more units than bytes, except a UTF-16 or UTF-32 text's odd end.
    if (out.size() > count + 1) std::abort();
    if (is_legacy_code_page(code_page)) {
        std::u16string direct;
        if (!decode_code_page(code_page, bytes, count, direct)) std::abort();
        if (direct.size() > count) std::abort();
        // Without a zero byte the whole input is read, so the two agree.
        bool zero = false;
        for (std::size_t i = 0; i < count; ++i) zero |= bytes[i] == 0;
        if (!zero && direct != out) std::abort();
    }
    const unsigned guessed = detect_code_page(bytes, count);
    if (!is_legacy_code_page(guessed)) std::abort();
    return 0;
}
