#pragma once
// One subtitle and the fixed text forms of its times.

#include <cstddef>
#include <cstdint>
#include <string>

/// One sub. Times are whole milliseconds from the start of the video; `end` is absolute.
/// Nothing enforces end >= start: the reader stores what the file says.
struct Sub_Item {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::u16string text;  ///< lines joined by "\r\n"; may be empty
};

/// The latest time an SRT file holds in a form the reader takes back: 99:59:59.999 (the
/// reader takes two hour digits). Nothing stores a later time.
inline constexpr std::uint64_t max_srt_time = 99 * 3600000ull + 59 * 60000 + 59 * 1000 + 999;

/// A time split into its fields. Hours keep only their low 16 bits.
struct Timecode {
    std::uint16_t hours = 0;
    std::uint16_t minutes = 0;
    std::uint16_t seconds = 0;
    std::uint16_t milliseconds = 0;
};

Timecode ms_to_timecode(std::uint64_t t);
/// h * 3 600 000 + m * 60 000 + s * 1000 + ms; minutes and seconds above 59 are simply added.
std::uint64_t timecode_to_ms(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
                             std::uint32_t milliseconds);

/// "0:01:05.250": hours unpadded.
std::u16string format_clock_time(const Timecode& tc);
/// "04.500": only the seconds and milliseconds fields.
std::u16string format_duration(const Timecode& tc);
/// The same of the sub's end - start (unsigned, as every time comparison here).
std::u16string format_duration(const Sub_Item& sub);
/// "0007" of a 1-based sub number.
std::u16string format_sub_number(std::size_t number);
/// "00:01:05,250": hours padded to two digits, more when 100 and over.
std::u16string format_srt_time(const Timecode& tc);
/// "1:32:07".
std::u16string format_hms(const Timecode& tc);
