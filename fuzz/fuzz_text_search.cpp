// Arbitrary expressions, replacements and texts through Replace. Besides not crashing: a
// refused expression always says why, matches lie in order inside the text, and replacing
// every match of a plain text by itself gives the text back.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/text_replace.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte picks the options; the rest is UTF-16: find, with, text, apart at U+0000.
    Replace_Options options{(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0};
    std::u16string units;
    for (std::size_t i = 1; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    const std::size_t a = units.find(u'\0');
    const std::size_t b = a == std::u16string::npos ? a : units.find(u'\0', a + 1);
    const std::u16string find = units.substr(0, a);
    const std::u16string with = a == std::u16string::npos ? u"" : units.substr(a + 1, b == std::u16string::npos ? b : b - a - 1);
    const std::u16string text = b == std::u16string::npos ? u"a\r\nb|c" : units.substr(b + 1);

    Text_Search search;
    std::u16string error;
    if (!search.prepare(find, options, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    std::vector<Regex_Match> matches;
    if (search.find_all(text, matches) == Regex_Result::gave_up) return 0;
    std::size_t after = 0;
    for (const Regex_Match& m : matches) {
        if (m.start() < after || m.end() < m.start() || m.end() > text.size()) std::abort();
        after = m.end();
    }
    std::u16string result;
    std::size_t count = 0;
    search.replace_all(text, with, result, count);
    if (count != matches.size()) std::abort();
    if (!options.regular_expression && !options.whole_words) {
        // "$&" is plain text here, so replace with what was found, unit for unit: nothing changes
        // unless the find text holds a "|", which writes a line break.
        if (find.find(u'|') == std::u16string::npos && options.match_case) {
            search.replace_all(text, find, result, count);
            if (count > 0 && result != text) std::abort();
        }
    }
    return 0;
}
