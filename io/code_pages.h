#pragma once
// The encodings the program reads, named by their Windows code page numbers, and the guess
// of a legacy code page from a file's bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr unsigned code_page_utf8 = 65001;
inline constexpr unsigned code_page_utf16_le = 1200;
inline constexpr unsigned code_page_utf16_be = 1201;
inline constexpr unsigned code_page_utf32_le = 12000;
inline constexpr unsigned code_page_utf32_be = 12001;
inline constexpr unsigned code_page_western = 1252;

struct Readable_Encoding {
    unsigned code_page;
    /// Script and code page, as a menu shows them: "Cyrillic (Windows-1251)".
    const char16_t* name;
};

/// Every encoding a user may choose to read a file in: UTF-8, UTF-16 of both byte orders,
/// then the legacy code pages, in menu order.
std::span<const Readable_Encoding> readable_encodings();

/// The name of any code page decode_text reads (UTF-32 included); empty for others.
std::u16string encoding_name(unsigned code_page);

/// Whether decode_code_page knows this legacy code page (1250..1258, 874, 932, 936, 949, 950).
bool is_legacy_code_page(unsigned code_page);

/// The legacy code page in which the bytes read most plausibly: each candidate decodes the
/// bytes from the first one above 0x7F on (at most a few hundred kilobytes), and the
/// characters it gives are scored against the character frequencies of the languages written
/// in it. Windows-1252 is the answer unless another code page wins clearly, so that Western
/// European text never reads as something else.
unsigned detect_code_page(const std::uint8_t* bytes, std::size_t size);
