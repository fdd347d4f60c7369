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

// The platform steps of write_text_file_safely; each failure leaves its code in `code`.

/// Makes a new empty file with an unused name in `folder`; its path goes to `temp`.
bool create_temporary_in(const std::u16string& folder, std::u16string& temp, unsigned& code);
/// Puts the file `temp` in the place of `path`, which may not exist yet. An existing file's
/// attributes and permissions carry over; on failure `path` is as it was and `temp` is still there.
bool put_in_place(const std::u16string& temp, const std::u16string& path, unsigned& code);
void remove_file(const std::u16string& path);
/// The code of the platform call that failed last on this thread.
unsigned last_system_error();
