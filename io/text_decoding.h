#pragma once
// Turning the raw bytes of a text file into one UTF-16 string.

#include <cstddef>
#include <cstdint>
#include <string>

/// The encodings a text file is recognised in. Only ascii, ansi (Windows-1252) and utf8
/// are decoded; the others are recognised so that the user gets a precise message.
enum class Text_Encoding { none = 0, ascii, ansi, utf8, utf16_be, utf16_le, utf32_be, utf32_le, scsu, bocu1 };

struct Encoding_Detection {
    Text_Encoding encoding;
    std::size_t mark_length;  ///< bytes of the byte-order mark found, 0 when none
};

/// From a byte-order mark when there is one; otherwise utf8 when the bytes hold a UTF-8
/// form of U+00A1..U+00FF, ansi when any byte is 0x80 or more, else ascii.
Encoding_Detection detect_encoding(const std::uint8_t* bytes, std::size_t size);

/// Decodes after the mark and cuts the text at its first U+0000. Null or empty input
/// succeeds at once and leaves `out` and `error_text` as they were. An encoding that is
/// not decoded fails with its message; `out` is then untouched.
bool decode_text(const std::uint8_t* bytes, std::size_t size, std::u16string& out,
                 std::u16string* error_text = nullptr);

/// UTF-8 to UTF-16; each invalid sequence (maximal ill-formed part) becomes U+FFFD.
/// Replaces the content of `out`.
void decode_utf8(const std::uint8_t* bytes, std::size_t size, std::u16string& out);
/// Windows-1252 to UTF-16; the five unassigned bytes map to the C1 controls of the same value.
void decode_windows_1252(const std::uint8_t* bytes, std::size_t size, std::u16string& out);
/// Each byte to the UTF-16 unit of the same value.
void decode_latin1(const std::uint8_t* bytes, std::size_t size, std::u16string& out);
