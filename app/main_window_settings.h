#pragma once
// The values the main window takes from Cuemill.ini, checked in one place.

#include <cstdint>
#include <string>

#include "io/ini_file.h"

/// Every number the main window reads from the settings at start-up.
struct Startup_Settings {
    std::uint32_t seek_step = 0;       ///< Params playbackSeek, ms
    std::int32_t timeline_snap = 0;    ///< Params timelineSnap
    std::int32_t new_sub_length = 0;   ///< Params newSubLength, ms
    std::uint32_t autosave_seconds = 60;  ///< Params autosaveSeconds, optional; 0 writes no recovery copy
    bool show_waveform = true;            ///< Params showWaveform, optional; 0 hides the waveform
    std::int32_t left = 0, top = 0, width = 0, height = 0;  ///< Window, screen pixels
};

/// The text of the "Bad config" box, without a detail line.
inline constexpr char16_t bad_config_text[] =
    u"The configuration file \"Cuemill.ini\" has a bad format.\nCuemill cannot run.";

/// Checks `Program` `version`: an older accepted version is raised to "1.3.0" (then
/// `upgraded` is true and the caller writes the file). False for any other value, or a
/// missing section or key, with the reason in error_text.
bool check_settings_version(Ini_File& ini, bool& upgraded, std::u16string* error_text = nullptr);

/// Reads every key of `Params` and `Window` that start-up needs. A missing section or key,
/// or a value that is not a plain decimal number in range, fails with a line naming it.
/// `autosaveSeconds` and `showWaveform` may be missing: files written before them stay valid.
bool read_startup_settings(const Ini_File& ini, Startup_Settings& out, std::u16string* error_text = nullptr);

/// "VMR7" → 1, "VMR9" → 2 (exact); 0 when the key is missing or holds anything else.
std::uint32_t renderer_kind(const Ini_File& ini);

/// Sets (adding the section or key when missing) a value.
void set_setting(Ini_File& ini, std::u16string_view section, std::u16string_view key, std::u16string value);

/// Strict decimal test: optional white space, an optional sign (only '-' for signed),
/// digits, optional white space; within the type's range.
bool parse_setting_int(std::u16string_view text, std::int32_t& out);
bool parse_setting_uint(std::u16string_view text, std::uint32_t& out);
