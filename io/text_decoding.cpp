#include "io/text_decoding.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct Mark {
    std::uint8_t bytes[4];
    std::size_t length;
    Text_Encoding encoding;
};

// Order matters: FF FE 00 00 must be tried before FF FE.
constexpr Mark marks[] = {
    {{0xEF, 0xBB, 0xBF}, 3, Text_Encoding::utf8},
    {{0xFE, 0xFF}, 2, Text_Encoding::utf16_be},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, Text_Encoding::utf32_le},
    {{0xFF, 0xFE}, 2, Text_Encoding::utf16_le},
    {{0x00, 0x00, 0xFE, 0xFF}, 4, Text_Encoding::utf32_be},
    {{0x0E, 0xFE, 0xFF}, 3, Text_Encoding::scsu},
    {{0xFB, 0xEE, 0x28}, 3, Text_Encoding::bocu1},
};

// 0x80..0x9F of code page 1252; the unassigned five keep their own value.
constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
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
        if (size >= m.length && std::memcmp(bytes, m.bytes, m.length) == 0) return {m.encoding, m.length};
    }
    bool high = false;
    std::size_t i = 0;
    while (i < size) {
        // Skip ASCII eight bytes at a time.
        if (i + 8 <= size && (load64(bytes + i) & 0x8080808080808080ull) == 0) {
            i += 8;
            continue;
        }
        const std::uint8_t b = bytes[i];
        if (b >= 0x80) {
            high = true;
            if (i + 1 < size) {
                const std::uint8_t n = bytes[i + 1];
                if ((b == 0xC2 && n >= 0xA1 && n <= 0xBF) || (b == 0xC3 && n >= 0x80 && n <= 0xBF))
                    return {Text_Encoding::utf8, 0};
            }
        }
        ++i;
    }
    return {high ? Text_Encoding::ansi : Text_Encoding::ascii, 0};
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
    out.resize(size);
    char16_t* d = out.data();
    std::size_t i = 0;
    while (i < size) {
        const std::size_t run = copy_ascii_run(bytes, i, size, d + i);
        i += run;
        if (i >= size) break;
        const std::uint8_t b = bytes[i];
        d[i] = (b >= 0x80 && b < 0xA0) ? cp1252_high[b - 0x80] : b;
        ++i;
    }
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
        std::size_t need;
        std::uint32_t cp;
        std::uint8_t lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            else if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            else if (b == 0xF4) hi = 0x8F;
        } else {
            *d++ = 0xFFFD;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        std::size_t got = 0;
        while (got < need && j < size) {
            const std::uint8_t c = bytes[j];
            if (c < lo || c > hi) break;
            cp = (cp << 6) | (c & 0x3F);
            lo = 0x80;
            hi = 0xBF;
            ++j;
            ++got;
        }
        if (got < need) {
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

bool decode_text(const std::uint8_t* bytes, std::size_t size, std::u16string& out, std::u16string* error_text) {
    if (!bytes || size == 0) return true;
    const Encoding_Detection found = detect_encoding(bytes, size);
    const std::uint8_t* body = bytes + found.mark_length;
    std::size_t length = size - found.mark_length;
    // In all three decoded encodings U+0000 comes from a zero byte and only from one,
    // so the cut can be made before converting.
    if (const void* nul = std::memchr(body, 0, length)) length = static_cast<const std::uint8_t*>(nul) - body;
    switch (found.encoding) {
    case Text_Encoding::none:
    case Text_Encoding::ascii: decode_latin1(body, length, out); break;
    case Text_Encoding::ansi: decode_windows_1252(body, length, out); break;
    case Text_Encoding::utf8: decode_utf8(body, length, out); break;
    default:
        if (error_text) *error_text = error_message(found.encoding);
        return false;
    }
    if (error_text) error_text->clear();
    return true;
}
