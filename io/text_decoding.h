#pragma once
// Turning the raw bytes of a text file into one UTF-16 string.

#include <cstddef>
#include <cstdint>
#include <string>

/// The encodings a text file is recognised in. `ansi` stands for a legacy Windows code page
/// (which one is in Encoding_Detection::code_page); scsu and bocu1 are recognised only so
/// that the user gets a precise message.
enum class Text_Encoding { none = 0, ascii, ansi, utf8, utf16_be, utf16_le, utf32_be, utf32_le, scsu, bocu1 };

struct Encoding_Detection {
    Text_Encoding encoding;
    std::size_t mark_length;  ///< bytes of the byte-order mark found, 0 when none
    /// The code page the text is read in (io/code_pages.h): UTF-8 for ascii, 0 for the
    /// encodings that are not read.
    unsigned code_page = 0;
};

/// From a byte-order mark when there is one; otherwise ascii when no byte is 0x80 or more,
/// utf8 when the bytes are UTF-8 (a stray invalid byte among many good sequences allowed),
/// else ansi in the code page detect_code_page chooses.
Encoding_Detection detect_encoding(const std::uint8_t* bytes, std::size_t size);

/// Decodes after the mark and cuts the text at its first U+0000. Null or empty input
/// succeeds at once and leaves `out` and `error_text` as they were. An encoding that is
/// not decoded fails with its message; `out` is then untouched.
/// `code_page` other than 0 reads the bytes in that encoding instead of the detected one
/// (a mark of that same encoding is still skipped); one the program does not read fails with
/// "Failed to parse: unknown encoding.". `read_as`, when given, receives the code page used.
bool decode_text(const std::uint8_t* bytes, std::size_t size, std::u16string& out,
                 std::u16string* error_text = nullptr, unsigned code_page = 0, unsigned* read_as = nullptr);

/// UTF-8 to UTF-16; each invalid sequence (maximal ill-formed part) becomes U+FFFD.
/// Replaces the content of `out`.
void decode_utf8(const std::uint8_t* bytes, std::size_t size, std::u16string& out);
/// UTF-16 of either byte order; surrogate pairs are kept, an unpaired surrogate and an odd
/// last byte become U+FFFD.
void decode_utf16(const std::uint8_t* bytes, std::size_t size, bool big_endian, std::u16string& out);
/// UTF-32 of either byte order; a value that is no scalar value (a surrogate, above
/// U+10FFFF) and a last group of fewer than four bytes become U+FFFD.
void decode_utf32(const std::uint8_t* bytes, std::size_t size, bool big_endian, std::u16string& out);
/// Windows-1252 to UTF-16; the five unassigned bytes map to the C1 controls of the same value.
void decode_windows_1252(const std::uint8_t* bytes, std::size_t size, std::u16string& out);
/// One legacy code page (1250..1258, 874, 932, 936, 949, 950) to UTF-16, replacing `out`.
/// Bytes a one-byte code page leaves undefined become U+FFFD (80..9F keep their value as C1
/// controls). In a two-byte code page a lead byte not followed by a trail byte becomes U+FFFD
/// and the next byte is read on its own; a pair with no character becomes one U+FFFD.
/// False, `out` untouched, for a code page it does not know.
bool decode_code_page(unsigned code_page, const std::uint8_t* bytes, std::size_t size, std::u16string& out);
/// Each byte to the UTF-16 unit of the same value.
void decode_latin1(const std::uint8_t* bytes, std::size_t size, std::u16string& out);
