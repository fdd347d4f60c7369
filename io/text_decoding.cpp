#include "io/text_decoding.h"

#include <cstring>

#include "io/code_page_tables.h"
#include "io/code_pages.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct Mark {
    std::uint8_t bytes[4];
    std::size_t length;
    Text_Encoding encoding;
    unsigned code_page;
};

// Order matters: FF FE 00 00 must be tried before FF FE.
constexpr Mark marks[] = {
    {{0xEF, 0xBB, 0xBF}, 3, Text_Encoding::utf8, code_page_utf8},
    {{0xFE, 0xFF}, 2, Text_Encoding::utf16_be, code_page_utf16_be},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, Text_Encoding::utf32_le, code_page_utf32_le},
    {{0xFF, 0xFE}, 2, Text_Encoding::utf16_le, code_page_utf16_le},
    {{0x00, 0x00, 0xFE, 0xFF}, 4, Text_Encoding::utf32_be, code_page_utf32_be},
    {{0x0E, 0xFE, 0xFF}, 3, Text_Encoding::scsu, 0},
    {{0xFB, 0xEE, 0x28}, 3, Text_Encoding::bocu1, 0},
};

std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Widens the ASCII bytes at the start of bytes[i..size) into d; returns how many were copied.
std::size_t copy_ascii_run(const std::uint8_t* bytes, std::size_t i, std::size_t size, char16_t* d) {
    const std::size_t start = i;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= size) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        if (_mm_movemask_epi8(v) != 0) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + (i - start)), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + (i - start) + 8), _mm_unpackhi_epi8(v, zero));
        i += 16;
    }
#endif
    while (i + 8 <= size && (load64(bytes + i) & 0x8080808080808080ull) == 0) {
        for (int k = 0; k < 8; ++k) d[i - start + k] = bytes[i + k];
        i += 8;
    }
    return i - start;
}

// What a UTF-8 lead byte asks of the bytes after it: how many, and the range of the first
// (the rest are 80..BF). need == 0 for a byte that leads nothing.
struct Utf8_Lead {
    std::size_t need;
    std::uint32_t bits;
    std::uint8_t lo, hi;
};

Utf8_Lead utf8_lead(std::uint8_t b) {
    if (b >= 0xC2 && b <= 0xDF) return {1, b & 0x1Fu, 0x80, 0xBF};
    if (b >= 0xE0 && b <= 0xEF)
        return {2, b & 0x0Fu, std::uint8_t(b == 0xE0 ? 0xA0 : 0x80), std::uint8_t(b == 0xED ? 0x9F : 0xBF)};
    if (b >= 0xF0 && b <= 0xF4)
        return {3, b & 0x07u, std::uint8_t(b == 0xF0 ? 0x90 : 0x80), std::uint8_t(b == 0xF4 ? 0x8F : 0xBF)};
    return {0, 0, 0, 0};
}

// The bytes are UTF-8 when every sequence is well formed, or when a few stray bytes (a file
// cut inside its last character, one pasted line) stand among sixteen times as many good
// multi-byte sequences. Text in a legacy code page fails within its first few lines.
bool reads_as_utf8(const std::uint8_t* bytes, std::size_t size) {
    std::size_t good = 0, bad = 0;
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size && (load64(bytes + i) & 0x8080808080808080ull) == 0) {
            i += 8;
            continue;
        }
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const Utf8_Lead lead = utf8_lead(b);
        std::size_t got = 0;
        if (lead.need > 0) {
            std::uint8_t lo = lead.lo, hi = lead.hi;
            while (got < lead.need && i + 1 + got < size && bytes[i + 1 + got] >= lo && bytes[i + 1 + got] <= hi) {
                lo = 0x80;
                hi = 0xBF;
                ++got;
            }
        }
        if (lead.need > 0 && got == lead.need) {
            ++good;
            i += 1 + got;
            continue;
        }
        ++bad;
        ++i;
        if (bad >= 64 && good < 16 * bad) return false;
    }
    return good >= 16 * bad;
}

// Widens a one-byte code page: ASCII as it is, 0x80..0xFF through its table.
void decode_single_byte(const char16_t* high, const std::uint8_t* bytes, std::size_t size, std::u16string& out) {
    out.resize(size);
    char16_t* d = out.data();
    std::size_t i = 0;
    while (i < size) {
        i += copy_ascii_run(bytes, i, size, d + i);
        if (i >= size) break;
        const std::uint8_t b = bytes[i];
        d[i] = b < 0x80 ? b : high[b - 0x80];
        ++i;
    }
}

void decode_double_byte(const Double_Byte_Table& table, const std::uint8_t* bytes, std::size_t size,
                        std::u16string& out) {
    // Never more units than bytes.
    out.resize(size);
    char16_t* const begin = out.data();
    char16_t* d = begin;
    std::size_t i = 0;
    while (i < size) {
        const std::size_t run = copy_ascii_run(bytes, i, size, d);
        d += run;
        i += run;
        if (i >= size) break;
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            *d++ = b;
            ++i;
            continue;
        }
        const char16_t single = table.singles[b - 0x80];
        if (single != 0) {
            *d++ = single;
            ++i;
            continue;
        }
        if (i + 1 < size && bytes[i + 1] >= trail_first && bytes[i + 1] < trail_first + trail_count) {
            *d++ = table.rows[b - 0x80][bytes[i + 1] - trail_first];
            i += 2;
            continue;
        }
        *d++ = 0xFFFD;
        ++i;
    }
    out.resize(static_cast<std::size_t>(d - begin));
}

const char16_t* error_message(Text_Encoding encoding) {
    switch (encoding) {
    case Text_Encoding::utf16_be: return u"UTF-16 big endian: encoding not implemented.";
    case Text_Encoding::utf16_le: return u"UTF-16 little endian: encoding not implemented.";
    case Text_Encoding::utf32_be: return u"UTF-32 big endian: encoding not implemented.";
    case Text_Encoding::utf32_le: return u"UTF-32 little endian: encoding not implemented.";
    case Text_Encoding::scsu: return u"Standard compression scheme for Unicode: encoding not implemented.";
    case Text_Encoding::bocu1: return u"Binary ordered compression for Unicode: encoding not implemented.";
    default: return u"Failed to parse: unknown encoding.";
    }
}

}  // namespace

Encoding_Detection detect_encoding(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes) size = 0;
    for (const Mark& m : marks) {
        if (size >= m.length && std::memcmp(bytes, m.bytes, m.length) == 0) return {m.encoding, m.length, m.code_page};
    }
    std::size_t first_high = 0;
    while (first_high < size) {
        if (first_high + 8 <= size && (load64(bytes + first_high) & 0x8080808080808080ull) == 0) {
            first_high += 8;
            continue;
        }
        if (bytes[first_high] >= 0x80) break;
        ++first_high;
    }
    if (first_high == size) return {Text_Encoding::ascii, 0, code_page_utf8};
    if (reads_as_utf8(bytes + first_high, size - first_high)) return {Text_Encoding::utf8, 0, code_page_utf8};
    return {Text_Encoding::ansi, 0, detect_code_page(bytes, size)};
}

void decode_latin1(const std::uint8_t* bytes, std::size_t size, std::u16string& out) {
    out.resize(size);
    char16_t* d = out.data();
    std::size_t i = 0;
    while (i < size) {
        i += copy_ascii_run(bytes, i, size, d + i);
        if (i < size) {
            d[i] = bytes[i];
            ++i;
        }
    }
}

void decode_windows_1252(const std::uint8_t* bytes, std::size_t size, std::u16string& out) {
    decode_code_page(code_page_western, bytes, size, out);
}

bool decode_code_page(unsigned code_page, const std::uint8_t* bytes, std::size_t size, std::u16string& out) {
    for (std::size_t k = 0; k < single_byte_table_count; ++k) {
        if (single_byte_tables[k].code_page == code_page) {
            decode_single_byte(single_byte_tables[k].high, bytes, size, out);
            return true;
        }
    }
    for (std::size_t k = 0; k < double_byte_table_count; ++k) {
        if (double_byte_tables[k].code_page == code_page) {
            decode_double_byte(double_byte_tables[k], bytes, size, out);
            return true;
        }
    }
    return false;
}

void decode_utf8(const std::uint8_t* bytes, std::size_t size, std::u16string& out) {
    // Never more UTF-16 units than bytes: decode into the presized string, then cut.
    out.resize(size);
    char16_t* const begin = out.data();
    char16_t* d = begin;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            const std::size_t run = copy_ascii_run(bytes, i, size, d);
            if (run > 0) {
                d += run;
                i += run;
                continue;
            }
            *d++ = b;
            ++i;
            continue;
        }
        // Well-formed sequences per the Unicode table; on a mismatch the maximal
        // ill-formed prefix becomes one U+FFFD.
        const Utf8_Lead lead = utf8_lead(b);
        if (lead.need == 0) {
            *d++ = 0xFFFD;
            ++i;
            continue;
        }
        std::uint32_t cp = lead.bits;
        std::uint8_t lo = lead.lo, hi = lead.hi;
        std::size_t j = i + 1;
        std::size_t got = 0;
        while (got < lead.need && j < size) {
            const std::uint8_t c = bytes[j];
            if (c < lo || c > hi) break;
            cp = (cp << 6) | (c & 0x3F);
            lo = 0x80;
            hi = 0xBF;
            ++j;
            ++got;
        }
        if (got < lead.need) {
            *d++ = 0xFFFD;
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *d++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *d++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *d++ = static_cast<char16_t>(cp);
        }
        i = j;
    }
    out.resize(static_cast<std::size_t>(d - begin));
}

void decode_utf16(const std::uint8_t* bytes, std::size_t size, bool big_endian, std::u16string& out) {
    const std::size_t units = size / 2;
    out.resize(units + size % 2);
    char16_t* d = out.data();
    const int hi = big_endian ? 0 : 1;
    const auto unit = [&](std::size_t k) {
        return static_cast<char16_t>(bytes[2 * k + hi] << 8 | bytes[2 * k + 1 - hi]);
    };
    for (std::size_t k = 0; k < units; ++k) {
        const char16_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const char16_t next = unit(k + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                d[k] = u;
                d[k + 1] = next;
                ++k;
                continue;
            }
        }
        d[k] = (u >= 0xD800 && u <= 0xDFFF) ? char16_t(0xFFFD) : u;
    }
    if (size % 2) d[units] = 0xFFFD;
}

void decode_utf32(const std::uint8_t* bytes, std::size_t size, bool big_endian, std::u16string& out) {
    out.clear();
    out.reserve(size / 4 + 1);
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const std::uint8_t* p = bytes + i;
        const std::uint32_t v = big_endian ? std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]
                                           : std::uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0];
        if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
            out += u'\uFFFD';
        } else if (v >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(v);
        }
    }
    if (size % 4) out += u'\uFFFD';
}

namespace {

// The mark that introduces a file in this encoding, for skipping it when the user chose it.
std::size_t own_mark_length(const std::uint8_t* bytes, std::size_t size, unsigned code_page) {
    for (const Mark& m : marks) {
        if (m.code_page == code_page && size >= m.length && std::memcmp(bytes, m.bytes, m.length) == 0)
            return m.length;
    }
    return 0;
}

}  // namespace

bool decode_text(const std::uint8_t* bytes, std::size_t size, std::u16string& out, std::u16string* error_text,
                 unsigned code_page, unsigned* read_as) {
    if (!bytes || size == 0) return true;
    Encoding_Detection found{};
    if (code_page == 0) {
        found = detect_encoding(bytes, size);
        if (found.code_page == 0) {
            if (error_text) *error_text = error_message(found.encoding);
            return false;
        }
    } else {
        found = {Text_Encoding::ansi, own_mark_length(bytes, size, code_page), code_page};
    }
    const std::uint8_t* body = bytes + found.mark_length;
    std::size_t length = size - found.mark_length;
    switch (found.code_page) {
    case code_page_utf16_le:
    case code_page_utf16_be: decode_utf16(body, length, found.code_page == code_page_utf16_be, out); break;
    case code_page_utf32_le:
    case code_page_utf32_be: decode_utf32(body, length, found.code_page == code_page_utf32_be, out); break;
    default: {
        // In the byte encodings U+0000 comes from a zero byte and only from one (no trail
        // byte of a two-byte code page is zero), so the cut can be made before converting.
        if (const void* nul = std::memchr(body, 0, length)) length = static_cast<const std::uint8_t*>(nul) - body;
        if (found.code_page == code_page_utf8) {
            if (found.encoding == Text_Encoding::ascii) decode_latin1(body, length, out);
            else decode_utf8(body, length, out);
        } else {
            std::u16string decoded;
            if (!decode_code_page(found.code_page, body, length, decoded)) {
                if (error_text) *error_text = error_message(Text_Encoding::none);
                return false;
            }
            out.swap(decoded);
        }
        if (read_as) *read_as = found.code_page;
        if (error_text) error_text->clear();
        return true;
    }
    }
    const std::size_t nul = out.find(u'\0');
    if (nul != std::u16string::npos) out.resize(nul);
    if (read_as) *read_as = found.code_page;
    if (error_text) error_text->clear();
    return true;
}
