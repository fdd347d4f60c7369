#include "core/srt_writer.h"

#include <cstdint>

namespace {

// Decimal digits of v, at least min_width of them (zero padded), written at out.
char16_t* put_number(char16_t* out, std::uint64_t v, int min_width) {
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < min_width)
        digits[n++] = u'0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

// The same characters as "%02u:%02u:%02u,%03u" of the time's Timecode.
char16_t* put_time(char16_t* out, std::uint64_t t) {
    const Timecode tc = ms_to_timecode(t);
    out = put_number(out, tc.hours, 2);
    *out++ = u':';
    out = put_number(out, tc.minutes, 2);
    *out++ = u':';
    out = put_number(out, tc.seconds, 2);
    *out++ = u',';
    return put_number(out, tc.milliseconds, 3);
}

}  // namespace

std::u16string write_srt(const Sub_List& list) {
    std::u16string out;
    std::size_t text_length = 0;
    for (const Sub_Item& sub : list)
        text_length += sub.text.size();
    out.reserve(list.size() * 49 + text_length);

    // Number line and timecode line: at most 20 + 2 + 2 * 14 + 5 + 2 characters.
    char16_t head[64];
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Sub_Item& sub = list[i];
        char16_t* p = put_number(head, i + 1, 1);
        *p++ = u'\r';
        *p++ = u'\n';
        p = put_time(p, sub.start);
        for (char16_t c : u" --> ")
            if (c)
                *p++ = c;
        p = put_time(p, sub.end);
        *p++ = u'\r';
        *p++ = u'\n';
        out.append(head, static_cast<std::size_t>(p - head));
        out.append(sub.text);
        out.append(u"\r\n\r\n", 4);
    }
    return out;
}

std::mutex& document_write_lock() {
    static std::mutex lock;
    return lock;
}
