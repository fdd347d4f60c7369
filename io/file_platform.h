#pragma once
// Shared between file.cpp and the platform halves file_win.cpp / file_posix.cpp.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class File;

/// EF BB BF and the UTF-8 form of the text, appended to `out`.
void append_utf8_with_mark(std::u16string_view text, std::vector<std::uint8_t>& out);

/// The checks set_size and write make first; false with the message when they fail.
bool check_open_for_writing(const File& file, std::u16string* error_text);

/// Sizes are handled as 32-bit values throughout: larger files are refused.
inline constexpr std::uint64_t max_file_size = 0xFFFFFFFFu;
inline constexpr char16_t too_large_message[] = u"File is too large (4 GB or more).";
