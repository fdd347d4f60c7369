// Arbitrary bytes through decoding and parsing. Besides not crashing: a failure always has a
// message, and a list whose subs meet the writer's conditions reads back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/srt_reader.h"
#include "core/srt_writer.h"
#include "io/strings.h"

namespace {

// The writer's round-trip conditions: lines (at "\r\n") free of other breaks and of white space
// at their ends, none blank after the first, times with two hour digits.
bool reads_back(const Sub_Item& sub) {
    if (sub.start >= 360000000 || sub.end >= 360000000)
        return false;
    std::size_t from = 0;
    for (bool first = true;; first = false) {
        const std::size_t at = sub.text.find(u"\r\n", from);
        const std::u16string_view line =
            std::u16string_view(sub.text).substr(from, at == std::u16string::npos ? std::u16string::npos : at - from);
        if (line.find_first_of(u"\r\n") != std::u16string_view::npos || trimmed(line) != line ||
            (!first && line.empty()))
            return false;
        if (at == std::u16string::npos)
            return true;
        from = at + 2;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sub_List list = {{1, 2, u"before"}};
    std::u16string error;
    const bool ok = parse_srt_bytes(data, size, list, &error);
    if (ok && !error.empty() && error.rfind(u"Some subs discarded", 0) != 0)
        std::abort();  // a success carries no message but the warning
    if (!ok && error.empty())
        std::abort();  // a failure always says why
    if (!ok)
        return 0;

    bool round_trip = true;
    for (const Sub_Item& sub : list)
        round_trip = round_trip && reads_back(sub);
    if (round_trip && !list.empty()) {
        Sub_List again;
        if (!parse_srt_text(write_srt(list), again) || !lists_equal(list, again))
            std::abort();
    }
    return 0;
}
