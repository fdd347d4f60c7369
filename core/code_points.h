#pragma once
// Characters of UTF-16 text: a surrogate pair is one character, and a "\r\n" line break is
// one gap between words. Shared by the expressions, the replacing and the splitting of texts.

#include <cstddef>
#include <string_view>

/// The character at `i` (< text.size()) and its length in units: 2 for a whole surrogate
/// pair, else 1 (a lone surrogate is a character of its own).
inline char32_t code_point_at(std::u16string_view text, std::size_t i, std::size_t& length) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        length = 2;
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    }
    length = 1;
    return c;
}

/// The character that ends just before `i` (> 0), and its length.
inline char32_t code_point_before(std::u16string_view text, std::size_t i, std::size_t& length) {
    if (i >= 2 && text[i - 1] >= 0xDC00 && text[i - 1] <= 0xDFFF && text[i - 2] >= 0xD800 && text[i - 2] <= 0xDBFF)
        return code_point_at(text, i - 2, length);
    length = 1;
    return text[i - 1];
}

/// Whether a character belongs to a word for "Whole words": letters and digits of every
/// script and '_'. Without a character database this is by ranges: below U+00C0 only ASCII
/// letters, digits and '_'; above, everything but the blocks of punctuation, symbols, spaces
/// and surrogate halves, and the two signs among the Latin-1 letters.
inline bool is_word_character(char32_t c) {
    if (c < 0xC0) return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    if (c == 0xD7 || c == 0xF7) return false;                    // multiplication and division signs
    if (c >= 0x2000 && c <= 0x2BFF) return false;                 // punctuation, symbols, arrows, shapes
    if (c >= 0x3000 && c <= 0x303F) return false;                 // CJK spaces and punctuation
    if (c >= 0xD800 && c <= 0xDFFF) return false;                 // a lone surrogate half
    if (c >= 0xFE30 && c <= 0xFE4F) return false;                 // CJK compatibility forms
    if (c >= 0xFF00 && c <= 0xFF0F) return false;                 // full-width punctuation
    if ((c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65)) return false;
    if (c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF)) return false;  // byte-order mark, specials
    if (c >= 0x1F000 && c <= 0x1FAFF) return false;               // emoji and pictographs
    return true;
}
