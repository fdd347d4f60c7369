// Settings checks and status texts, without a window.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/main_window_settings.h"
#include "app/main_window_support.h"
#include "io/strings.h"

namespace {

const char16_t complete[] =
    u"[Program]\r\nversion=1.3.0\r\n\r\n[Params]\r\nplaybackSeek=5000\r\ntimelineSnap=100\r\n"
    u"newSubLength=2000\r\nvmr=VMR9\r\n\r\n[Window]\r\nleft=-8\r\ntop=20\r\nwidth=1000\r\nheight=700\r\n";

Ini_File parsed(std::u16string_view text) {
    Ini_File ini;
    parse_ini_text(ini, text);
    return ini;
}

TEST(Startup_Settings, CompleteFileReadsEveryValue) {
    Startup_Settings s;
    std::u16string error = u"stale";
    ASSERT_TRUE(read_startup_settings(parsed(complete), s, &error));
    EXPECT_EQ(error, u"");
    EXPECT_EQ(s.seek_step, 5000u);
    EXPECT_EQ(s.timeline_snap, 100);
    EXPECT_EQ(s.new_sub_length, 2000);
    EXPECT_EQ(s.left, -8);
    EXPECT_EQ(s.top, 20);
    EXPECT_EQ(s.width, 1000);
    EXPECT_EQ(s.height, 700);
    EXPECT_EQ(s.autosave_seconds, 60u);  // a file from before the key existed
    EXPECT_TRUE(s.show_waveform);        // the same
    std::u16string text = complete;
    replace_all(text, u"vmr=VMR9", u"vmr=VMR9\r\nautosaveSeconds=0\r\nshowWaveform=0");
    ASSERT_TRUE(read_startup_settings(parsed(text), s, &error));
    EXPECT_EQ(s.autosave_seconds, 0u);  // copies turned off
    EXPECT_FALSE(s.show_waveform);      // the waveform hidden
}

TEST(Startup_Settings, DamageIsNamed) {
    const struct {
        const char16_t* from;
        const char16_t* to;
        const char16_t* reason;
    } cases[] = {
        // a whole section gone
        {u"[Window]", u"[Windows]", u"The section [Window] is missing."},
        // one key gone
        {u"timelineSnap=100", u"snap=100", u"The key \"timelineSnap\" is missing from [Params]."},
        // the renderer key must be there even though its value is checked later
        {u"vmr=VMR9", u"renderer=VMR9", u"The key \"vmr\" is missing from [Params]."},
        // letters
        {u"playbackSeek=5000", u"playbackSeek=fast",
         u"The value \"fast\" of \"playbackSeek\" in [Params] is not a valid number."},
        // a number followed by junk is not a number either
        {u"width=1000", u"width=1000px", u"The value \"1000px\" of \"width\" in [Window] is not a valid number."},
        // the seek step is unsigned
        {u"playbackSeek=5000", u"playbackSeek=-5", u"The value \"-5\" of \"playbackSeek\" in [Params] is not a valid number."},
        // beyond 32 bits
        {u"newSubLength=2000", u"newSubLength=2147483648",
         u"The value \"2147483648\" of \"newSubLength\" in [Params] is not a valid number."},
        // empty value
        {u"top=20", u"top=", u"The value \"\" of \"top\" in [Window] is not a valid number."},
        // the optional key, when present, is a number too
        {u"vmr=VMR9", u"vmr=VMR9\r\nautosaveSeconds=-1",
         u"The value \"-1\" of \"autosaveSeconds\" in [Params] is not a valid number."},
        {u"vmr=VMR9", u"vmr=VMR9\r\nshowWaveform=yes",
         u"The value \"yes\" of \"showWaveform\" in [Params] is not a valid number."},
    };
    for (const auto& c : cases) {
        std::u16string text = complete;
        replace_all(text, c.from, c.to);
        Startup_Settings s;
        std::u16string error;
        EXPECT_FALSE(read_startup_settings(parsed(text), s, &error)) << utf16_to_utf8(c.to);
        EXPECT_EQ(utf16_to_utf8(error), utf16_to_utf8(c.reason));
    }
}

TEST(Startup_Settings, NumberForms) {
    const struct {
        const char16_t* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {u"0", true, 0},                       // zero
        {u"-2147483648", true, INT32_MIN},     // lowest
        {u"2147483647", true, INT32_MAX},      // highest
        {u"+15", true, 15},                    // explicit plus
        {u"-", false, 0},                      // sign alone
        {u"1 2", false, 0},                    // two numbers
        {u"0x10", false, 0},                   // no hex
        {u"-2147483649", false, 0},            // below the range
    };
    for (const auto& c : cases) {
        std::int32_t v = 12345;
        EXPECT_EQ(parse_setting_int(c.text, v), c.ok) << utf16_to_utf8(c.text);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }
    std::uint32_t u = 0;
    EXPECT_TRUE(parse_setting_uint(u"4294967295", u));  // whole unsigned range
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(parse_setting_uint(u"4294967296", u));  // one past it
}

TEST(Settings_Version, OlderVersionsAreRaised) {
    const struct {
        const char16_t* version;
        bool ok;
        bool upgraded;
    } cases[] = {
        {u"1.0.0", true, true},    // oldest accepted
        {u"1.1.0", true, true},    // raised
        {u"1.2.0", true, true},    // raised
        {u"1.3.0", true, false},   // current, unchanged
        {u"1.4.0", false, false},  // newer than this program
        {u"1.3", false, false},    // short form
        {u"", false, false},       // empty
    };
    for (const auto& c : cases) {
        std::u16string text = complete;
        replace_all(text, u"version=1.3.0", std::u16string(u"version=") + c.version);
        Ini_File ini = parsed(text);
        bool upgraded = false;
        std::u16string error;
        EXPECT_EQ(check_settings_version(ini, upgraded, &error), c.ok) << utf16_to_utf8(c.version);
        EXPECT_EQ(upgraded, c.upgraded);
        if (c.ok) {
            EXPECT_EQ(*get_value(ini, u"Program", u"version"), u"1.3.0");
        }
        // nothing but the version changes
        EXPECT_EQ(*get_value(ini, u"Params", u"playbackSeek"), u"5000");
    }
    Ini_File no_program = parsed(u"[Params]\r\nvmr=VMR9\r\n");
    bool upgraded = false;
    std::u16string error;
    EXPECT_FALSE(check_settings_version(no_program, upgraded, &error));
    EXPECT_EQ(error, u"The section [Program] is missing.");
}

TEST(Settings_Renderer, ExactNamesOnly) {
    const struct {
        const char16_t* value;
        std::uint32_t kind;
    } cases[] = {
        {u"VMR7", 1}, {u"VMR9", 2},  // the two renderers
        {u"vmr9", 0},                // case matters
        {u"VMR-9", 0},               // the dialog's label is not a value
        {u"", 0},                    // empty
    };
    for (const auto& c : cases) {
        std::u16string text = complete;
        replace_all(text, u"vmr=VMR9", std::u16string(u"vmr=") + c.value);
        EXPECT_EQ(renderer_kind(parsed(text)), c.kind) << utf16_to_utf8(c.value);
    }
}

TEST(Status_Texts, SavedTime) {
    SYSTEMTIME t{};
    t.wYear = 2026; t.wMonth = 12; t.wDayOfWeek = 3; t.wDay = 9;
    t.wHour = 7; t.wMinute = 5; t.wSecond = 9;
    EXPECT_EQ(utf16_to_utf8(format_saved_time(t)), "Saved: Wed, 9 Dec 2026, 7:05:09");
    t.wMonth = 1; t.wDayOfWeek = 0; t.wDay = 31; t.wHour = 23; t.wMinute = 59; t.wSecond = 0;
    EXPECT_EQ(utf16_to_utf8(format_saved_time(t)), "Saved: Sun, 31 Jan 2026, 23:59:00");
}

TEST(Status_Texts, SubsPastEnd) {
    EXPECT_EQ(utf16_to_utf8(subs_past_end_text(1)),
              "Notice: there is 1 sub past the end of the video.\nThese subs won't be displayed.");
    EXPECT_EQ(utf16_to_utf8(subs_past_end_text(3)),
              "Notice: there are 3 subs past the end of the video.\nThese subs won't be displayed.");
}

}  // namespace
