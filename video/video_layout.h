#pragma once
// Geometry of the video area and the walk over italic tags of a subtitle line.
// Pure arithmetic on standard types, so it is testable without a window system.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// A rectangle in client pixels; right and bottom are exclusive.
struct video_rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const video_rect&) const = default;
};

/// Fits a picture of native size w x h into a target of width W and height H keeping the
/// picture's aspect: the wider side fills the target, the other is centred. Single-precision
/// arithmetic, truncation toward zero. False (out all zero) when the native size is not
/// positive, since no aspect can be kept then.
bool fit_picture(std::int32_t w, std::int32_t h, std::int32_t W, std::int32_t H, video_rect& out);

/// Place and font size of the subtitle band for a fitted picture rectangle.
struct text_band {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::uint32_t font_size = 0;  // fonts are made with height -(3 + font_size)
};

/// 80 % of the picture's width, 17 % of its height, 2 % of the height above its bottom.
text_band layout_text_band(const video_rect& picture);

/// Round half away from zero of a single-precision value.
std::int32_t round_half_away(float v);

/// One run of a line drawn in one font. `text` views into the line.
struct line_segment {
    std::u16string_view text;
    bool italic = false;
};

/// Splits one line at "<i>" and "</i>" (exact, lower case). `italic` is the state at the
/// line's start and is left as the state at its end, so a tag left open carries to the next
/// line. Empty runs are dropped: they are neither drawn nor wide. The tags are never part of
/// a run.
std::vector<line_segment> segment_line(std::u16string_view line, bool& italic);

/// The lines of a sub's text, split at each "\r\n". An empty text has no lines; otherwise
/// every piece is a line, empty ones included, and a text without a break is one line.
std::vector<std::u16string_view> split_sub_lines(std::u16string_view text);

/// DirectShow positions are counts of 100 ns.
std::int64_t ms_to_units(std::int64_t ms);
/// Signed division toward zero, then the low 32 bits as milliseconds.
std::uint32_t units_to_ms(std::int64_t units);

/// The playback speeds offered, in hundredths of the normal speed.
inline constexpr std::uint32_t playback_speeds[] = {50, 75, 100, 125, 150, 200};
/// A speed in hundredths as the window shows it: "0.5\u00d7", "0.75\u00d7", "1\u00d7", "2\u00d7".
std::u16string speed_label(std::uint32_t percent);

/// One picture of the video when the file does not say how long its pictures last: 40 ms.
inline constexpr std::int64_t default_frame_units = 400000;
/// The position one frame on (or back) from `now`, all in 100 ns units, kept within 0 and the
/// duration (when known, above 0). A frame length of 0 or less counts as the default.
std::int64_t frame_step_position(std::int64_t now, std::int64_t frame, std::int64_t duration, bool forward);
