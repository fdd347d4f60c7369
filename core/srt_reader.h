#pragma once
// Reading SubRip files into a Sub_List.
//
// Blocks are: an index line (not examined), a timecode line "hh:mm:ss,mmm --> hh:mm:ss,mmm",
// text lines up to a blank line, that blank line. The line break is the first one found in
// the text. Subs keep the file's order; nothing is sorted or checked for overlaps.
//
// All three functions leave `list` untouched when they fail before parsing begins (path,
// file, decoding, "Empty file.", "File has only blank lines."); from then on it is replaced.
// Blocks whose timecode line is faulty are dropped and their line numbers reported:
// a warning in `error_text` on success, or a failure when no sub was read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/sub_list.h"

/// `code_page` other than 0 reads the file in that encoding instead of the one its bytes
/// suggest (decode_text); `read_as`, when given, receives the encoding used on success.
bool read_srt_file(Sub_List& list, const std::u16string& path, std::u16string* error_text = nullptr,
                   unsigned code_page = 0, unsigned* read_as = nullptr);
/// The decoding and parsing steps on a file's raw bytes.
bool parse_srt_bytes(const std::uint8_t* bytes, std::size_t size, Sub_List& list,
                     std::u16string* error_text = nullptr, unsigned code_page = 0, unsigned* read_as = nullptr);
/// The parsing step on decoded text.
bool parse_srt_text(std::u16string_view text, Sub_List& list, std::u16string* error_text = nullptr);

/// The reader's text about discarded subs cut to its first `shown` line numbers, with a last
/// line saying how many more there were, so that a message box stays on the screen. Any other
/// text, or one that lists no more than that, comes back as it is.
std::u16string shorten_discarded_lines(std::u16string_view text, std::size_t shown = 20);

/// One timecode line, already trimmed. False when it does not follow the format.
bool parse_timecode_line(std::u16string_view line, std::uint64_t& start, std::uint64_t& end);
