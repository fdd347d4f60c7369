#include "app/main_window_settings.h"

#include "io/strings.h"

namespace {

// Digits after optional white space and sign, nothing but white space after them.
bool parse_decimal(std::u16string_view text, bool allow_minus, std::int64_t limit_pos, std::int64_t& out) {
    std::u16string_view t = trimmed(text);
    bool negative = false;
    std::size_t i = 0;
    if (i < t.size() && (t[i] == u'+' || (allow_minus && t[i] == u'-'))) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size()) return false;
    std::int64_t value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9') return false;
        value = value * 10 + (t[i] - u'0');
        if (value > limit_pos + 1) return false;
    }
    if (negative) value = -value;
    if (value > limit_pos || value < -(limit_pos + 1)) return false;
    out = value;
    return true;
}

bool fail(std::u16string* error_text, std::u16string reason) {
    if (error_text) *error_text = std::move(reason);
    return false;
}

const std::u16string* lookup(const Ini_File& ini, std::u16string_view section, std::u16string_view key,
                             std::u16string* error_text) {
    if (!find_section(ini, section)) {
        fail(error_text, format(u"The section [%s] is missing.", section));
        return nullptr;
    }
    const std::u16string* value = get_value(ini, section, key);
    if (!value) fail(error_text, format(u"The key \"%s\" is missing from [%s].", key, section));
    return value;
}

template <class T, class Parse>
bool read_number(const Ini_File& ini, std::u16string_view section, std::u16string_view key, T& out,
                 Parse parse, std::u16string* error_text) {
    const std::u16string* value = lookup(ini, section, key, error_text);
    if (!value) return false;
    if (!parse(*value, out))
        return fail(error_text, format(u"The value \"%s\" of \"%s\" in [%s] is not a valid number.",
                                       *value, key, section));
    return true;
}

template <class T, class Parse>
bool read_optional_number(const Ini_File& ini, std::u16string_view section, std::u16string_view key, T& out,
                          Parse parse, std::u16string* error_text) {
    return !get_value(ini, section, key) || read_number(ini, section, key, out, parse, error_text);
}

}  // namespace

bool parse_setting_int(std::u16string_view text, std::int32_t& out) {
    std::int64_t v = 0;
    if (!parse_decimal(text, true, INT32_MAX, v)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

bool parse_setting_uint(std::u16string_view text, std::uint32_t& out) {
    std::int64_t v = 0;
    if (!parse_decimal(text, false, UINT32_MAX, v)) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

bool check_settings_version(Ini_File& ini, bool& upgraded, std::u16string* error_text) {
    upgraded = false;
    const std::u16string* found = lookup(ini, u"Program", u"version", error_text);
    if (!found) return false;
    std::u16string* version = get_value(ini, u"Program", u"version");
    if (*version == u"1.0.0" || *version == u"1.1.0" || *version == u"1.2.0") {
        *version = u"1.3.0";
        upgraded = true;
    } else if (*version != u"1.3.0") {
        return fail(error_text, format(u"The version \"%s\" is not known.", *version));
    }
    if (error_text) error_text->clear();
    return true;
}

bool read_startup_settings(const Ini_File& ini, Startup_Settings& out, std::u16string* error_text) {
    Startup_Settings s;
    std::uint32_t show_waveform = 1;
    const auto as_int = [](std::u16string_view t, std::int32_t& v) { return parse_setting_int(t, v); };
    const auto as_uint = [](std::u16string_view t, std::uint32_t& v) { return parse_setting_uint(t, v); };
    if (!read_number(ini, u"Params", u"playbackSeek", s.seek_step, as_uint, error_text) ||
        !read_number(ini, u"Params", u"timelineSnap", s.timeline_snap, as_int, error_text) ||
        !read_number(ini, u"Params", u"newSubLength", s.new_sub_length, as_int, error_text) ||
        !lookup(ini, u"Params", u"vmr", error_text) ||
        !read_optional_number(ini, u"Params", u"autosaveSeconds", s.autosave_seconds, as_uint, error_text) ||
        !read_optional_number(ini, u"Params", u"showWaveform", show_waveform, as_uint, error_text) ||
        !read_number(ini, u"Window", u"left", s.left, as_int, error_text) ||
        !read_number(ini, u"Window", u"top", s.top, as_int, error_text) ||
        !read_number(ini, u"Window", u"width", s.width, as_int, error_text) ||
        !read_number(ini, u"Window", u"height", s.height, as_int, error_text))
        return false;
    s.show_waveform = show_waveform != 0;
    out = s;
    if (error_text) error_text->clear();
    return true;
}

std::uint32_t renderer_kind(const Ini_File& ini) {
    const std::u16string* vmr = get_value(ini, u"Params", u"vmr");
    if (!vmr) return 0;
    if (*vmr == u"VMR7") return 1;
    if (*vmr == u"VMR9") return 2;
    return 0;
}

void set_setting(Ini_File& ini, std::u16string_view section, std::u16string_view key, std::u16string value) {
    Ini_Section& s = add_section(ini, section);
    Ini_Entry* e = find_entry(s, key);
    if (!e) e = &add_entry(s, key);
    e->value = std::move(value);
}
