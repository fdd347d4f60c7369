#pragma once
// Small UTF-16 string utilities with exact, platform-independent behaviour.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// A position that was not found: all bits set.
inline constexpr std::size_t not_found = static_cast<std::size_t>(-1);

/// One argument of `format`: a wide string or an integer.
class format_arg {
public:
    enum class kind : std::uint8_t { text, signed_int, unsigned_int };

    format_arg(std::u16string_view s) : kind_(kind::text), text_(s) {}
    format_arg(const std::u16string& s) : kind_(kind::text), text_(s) {}
    format_arg(const char16_t* s) : kind_(kind::text), text_(s ? s : u"") {}
    format_arg(int v) : kind_(kind::signed_int), signed_(v) {}
    format_arg(long v) : kind_(kind::signed_int), signed_(v) {}
    format_arg(long long v) : kind_(kind::signed_int), signed_(v) {}
    format_arg(unsigned v) : kind_(kind::unsigned_int), unsigned_(v) {}
    format_arg(unsigned long v) : kind_(kind::unsigned_int), unsigned_(v) {}
    format_arg(unsigned long long v) : kind_(kind::unsigned_int), unsigned_(v) {}

    kind type() const { return kind_; }
    std::u16string_view text() const { return text_; }
    std::int64_t as_signed() const { return kind_ == kind::signed_int ? signed_ : static_cast<std::int64_t>(unsigned_); }
    std::uint64_t as_unsigned() const { return kind_ == kind::unsigned_int ? unsigned_ : static_cast<std::uint64_t>(signed_); }

private:
    kind kind_;
    std::u16string_view text_;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
};

/// printf-style formatting of "%s", "%u", "%d", "%X" with optional zero padding and width
/// ("%02u", "%08X"), and "%%". A specifier without a matching argument prints nothing.
std::u16string format_args(std::u16string_view fmt, const format_arg* args, std::size_t count);

template <class... Args>
std::u16string format(std::u16string_view fmt, const Args&... args) {
    const format_arg list[] = {format_arg(args)..., format_arg(0)};
    return format_args(fmt, list, sizeof...(Args));
}

/// Plain decimal, '-' for negative values.
std::u16string to_decimal(std::int64_t value);

/// Decimal conversion of a leading number (leading white space skipped, optional sign,
/// digits up to the first non-digit). On failure returns false and sets error_text to
/// "invalid stoi argument" / "stoi argument out of range" (stoul for parse_uint);
/// `out` is then unchanged.
bool parse_int(std::u16string_view text, std::int32_t& out, std::u16string* error_text = nullptr);
bool parse_uint(std::u16string_view text, std::uint32_t& out, std::u16string* error_text = nullptr);

/// True for the characters `trim` removes.
bool is_space(char16_t c);

/// Cuts at the first U+0000, then removes white space at both ends.
void trim(std::u16string& text);
/// The same on a view: a view of the part that `trim` would keep.
std::u16string_view trimmed(std::u16string_view text);

/// Pieces between occurrences of a non-empty separator; the rest after the last one is the
/// last piece. No separator in the text, or an empty text: no pieces.
std::vector<std::u16string> split(std::u16string_view text, std::u16string_view separator);
/// As `split`, but the pieces are views into `text`.
std::vector<std::u16string_view> split_views(std::u16string_view text, std::u16string_view separator);

/// Replaces every occurrence, left to right, without overlaps.
void replace_all(std::u16string& text, std::u16string_view what, std::u16string_view with);

/// Upper-case mapping of one UTF-16 unit (the platform's on Windows).
char16_t to_upper(char16_t c);
/// Upper-cases a string in place, unit by unit.
void to_upper(std::u16string& text);
/// Case-insensitive comparison, <0, 0 or >0 (the platform's on Windows).
int compare_nocase(std::u16string_view a, std::u16string_view b);

/// Position of the first case-insensitive occurrence, or not_found. An empty needle is at 0.
std::size_t find_nocase(std::u16string_view text, std::u16string_view needle);

/// Whether the path ends with the extension (given with or without its '.'), ignoring case.
bool has_extension(std::u16string_view path, std::u16string_view extension);
/// Replaces what follows the last '.' of the path, or appends '.' and the extension.
void replace_extension(std::u16string& path, std::u16string_view extension);
/// The part after the last '\'; the whole path when there is none.
std::u16string file_name_of(std::u16string_view path);

/// "1,234,567": groups of three digits joined by ',', '-' for negative values.
std::u16string group_thousands(std::int32_t n);
/// "1 bytes" up to 2000 bytes, then "2.0 KB" with KB = 1000 bytes.
std::u16string format_file_size(std::uint64_t size);

/// Splits at white space; double quotes group and are dropped; no escapes.
std::vector<std::u16string> split_command_line(std::u16string_view line);

/// UTF-8 <-> UTF-16 helpers for tests, tools and native paths.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);
/// Bytes of the UTF-8 form (a lone surrogate counts as U+FFFD).
std::size_t utf8_length(std::u16string_view utf16);
/// Writes the UTF-8 form, utf8_length bytes, and returns the end.
char* encode_utf8(std::u16string_view utf16, char* out);
