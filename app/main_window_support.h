#pragma once
// Pieces of the main window that need no window: its texts.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

/// The video extensions, in the order a same-named video is looked for.
inline constexpr const char16_t* video_extensions[] = {u".avi", u".mp4", u".mpg", u".mpeg",
                                                       u".mov", u".mkv", u".rmvb"};

/// The audio extensions, opened as media with a waveform and no picture.
inline constexpr const char16_t* audio_extensions[] = {u".wav", u".mp3", u".m4a", u".aac",
                                                       u".flac", u".ogg", u".opus"};
/// Whether the path has one of the video or audio extensions.
bool is_media_path(std::u16string_view path);

/// "Wed, 9 Dec 2026, 7:05:09" for a local time.
std::u16string format_local_time(const SYSTEMTIME& local);
/// "Saved: " and the local time.
std::u16string format_saved_time(const SYSTEMTIME& local);

/// "Notice: there is 1 sub past ..." for `count` subs past the video's end.
std::u16string subs_past_end_text(std::uint32_t count);
