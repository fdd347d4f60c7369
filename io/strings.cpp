#include "io/strings.h"

#include "io/strings_platform.h"
#include "io/text_decoding.h"

#include <cmath>

namespace {

void append_unsigned(std::u16string& out, std::uint64_t v, unsigned base, unsigned width, char16_t pad) {
    char16_t digits[24];
    std::size_t n = 0;
    do {
        const unsigned d = static_cast<unsigned>(v % base);
        digits[n++] = static_cast<char16_t>(d < 10 ? u'0' + d : u'A' + (d - 10));
        v /= base;
    } while (v != 0);
    for (std::size_t i = n; i < width; ++i) out.push_back(pad);
    while (n > 0) out.push_back(digits[--n]);
}

void append_signed(std::u16string& out, std::int64_t v, unsigned width, char16_t pad) {
    // The magnitude of INT64_MIN does not fit a signed value.
    const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    if (v >= 0) {
        append_unsigned(out, magnitude, 10, width, pad);
        return;
    }
    if (pad == u'0') {
        out.push_back(u'-');
        append_unsigned(out, magnitude, 10, width > 0 ? width - 1 : 0, pad);
        return;
    }
    std::u16string body(1, u'-');
    append_unsigned(body, magnitude, 10, 0, pad);
    for (std::size_t i = body.size(); i < width; ++i) out.push_back(pad);
    out += body;
}

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

enum class Parse_Result { ok, invalid, out_of_range };

// The digits of a leading decimal number as a sign and a saturated magnitude.
Parse_Result parse_leading(std::u16string_view text, bool& negative, std::uint64_t& magnitude) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || !is_digit(text[i])) return Parse_Result::invalid;
    constexpr std::uint64_t limit = std::uint64_t{1} << 40;  // far beyond any 32-bit value
    magnitude = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        if (magnitude < limit) magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - u'0');
    }
    return Parse_Result::ok;
}

void set_error(std::u16string* error_text, const char16_t* message) {
    if (error_text) *error_text = message;
}

void clear_error(std::u16string* error_text) {
    if (error_text) error_text->clear();
}

std::u16string_view without_dot(std::u16string_view extension) {
    if (!extension.empty() && extension.front() == u'.') extension.remove_prefix(1);
    return extension;
}

std::u16string group_digits(std::uint64_t magnitude, bool negative) {
    std::u16string digits;
    append_unsigned(digits, magnitude, 10, 0, u'0');
    std::u16string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (negative) out.push_back(u'-');
    const std::size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out.append(digits, 0, first);
    for (std::size_t i = first; i < digits.size(); i += 3) {
        out.push_back(u',');
        out.append(digits, i, 3);
    }
    return out;
}

}  // namespace

std::u16string format_args(std::u16string_view fmt, const format_arg* args, std::size_t count) {
    std::u16string out;
    out.reserve(fmt.size() + 16 * count);
    std::size_t next = 0;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char16_t c = fmt[i];
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        const std::size_t start = i++;
        if (i < fmt.size() && fmt[i] == u'%') {
            out.push_back(u'%');
            continue;
        }
        bool left = false;
        char16_t pad = u' ';
        for (; i < fmt.size() && (fmt[i] == u'-' || fmt[i] == u'0'); ++i) {
            if (fmt[i] == u'-') left = true;
            else pad = u'0';
        }
        unsigned width = 0;
        for (; i < fmt.size() && is_digit(fmt[i]); ++i) width = width * 10 + (fmt[i] - u'0');
        if (width > 256) width = 256;
        // Length modifiers are accepted and ignored: the argument carries its own width.
        while (i < fmt.size() && (fmt[i] == u'l' || fmt[i] == u'h' || fmt[i] == u'z' || fmt[i] == u'I')) ++i;
        if (i >= fmt.size()) {
            out.append(fmt.substr(start));
            break;
        }
        const char16_t conversion = fmt[i];
        if (conversion != u's' && conversion != u'u' && conversion != u'd' && conversion != u'i' && conversion != u'X' && conversion != u'x') {
            out.append(fmt.substr(start, i - start + 1));  // not ours: print it as it stands
            continue;
        }
        if (next >= count) continue;
        const format_arg& arg = args[next++];
        std::u16string piece;
        if (arg.type() == format_arg::kind::text) {
            piece = arg.text();
        } else if (conversion == u'd' || conversion == u'i' || (conversion == u's' && arg.type() == format_arg::kind::signed_int)) {
            append_signed(piece, arg.as_signed(), left ? 0 : (pad == u'0' ? width : 0), u'0');
        } else {
            const unsigned base = (conversion == u'X' || conversion == u'x') ? 16 : 10;
            append_unsigned(piece, arg.as_unsigned(), base, left ? 0 : (pad == u'0' ? width : 0), u'0');
            if (conversion == u'x') {
                for (char16_t& ch : piece)
                    if (ch >= u'A' && ch <= u'F') ch = static_cast<char16_t>(ch + 32);
            }
        }
        if (piece.size() < width) {
            if (left) piece.append(width - piece.size(), u' ');
            else piece.insert(0, width - piece.size(), u' ');
        }
        out += piece;
    }
    return out;
}

std::u16string to_decimal(std::int64_t value) {
    std::u16string out;
    append_signed(out, value, 0, u' ');
    return out;
}

bool parse_int(std::u16string_view text, std::int32_t& out, std::u16string* error_text) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (parse_leading(text, negative, magnitude) != Parse_Result::ok) {
        set_error(error_text, u"invalid stoi argument");
        return false;
    }
    const std::uint64_t max = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > max) {
        set_error(error_text, u"stoi argument out of range");
        return false;
    }
    out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude)) : static_cast<std::int32_t>(magnitude);
    clear_error(error_text);
    return true;
}

bool parse_uint(std::u16string_view text, std::uint32_t& out, std::u16string* error_text) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (parse_leading(text, negative, magnitude) != Parse_Result::ok) {
        set_error(error_text, u"invalid stoul argument");
        return false;
    }
    // A negative number is outside the unsigned range rather than wrapped around.
    if (magnitude > 0xFFFFFFFFu || (negative && magnitude != 0)) {
        set_error(error_text, u"stoul argument out of range");
        return false;
    }
    out = static_cast<std::uint32_t>(magnitude);
    clear_error(error_text);
    return true;
}

bool is_space(char16_t c) {
    if (c <= 0xFF) return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0;
    return platform_is_space(c);
}

std::u16string_view trimmed(std::u16string_view text) {
    const std::size_t nul = text.find(u'\0');
    if (nul != std::u16string_view::npos) text = text.substr(0, nul);
    std::size_t begin = 0;
    while (begin < text.size() && is_space(text[begin])) ++begin;
    std::size_t end = text.size();
    while (end > begin && is_space(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void trim(std::u16string& text) {
    const std::u16string_view kept = trimmed(text);
    const std::size_t begin = static_cast<std::size_t>(kept.data() - text.data());
    const std::size_t length = kept.size();
    text.erase(begin + length);
    text.erase(0, begin);
}

std::vector<std::u16string_view> split_views(std::u16string_view text, std::u16string_view separator) {
    std::vector<std::u16string_view> pieces;
    if (text.empty() || separator.empty()) return pieces;
    std::size_t at = text.find(separator);
    if (at == std::u16string_view::npos) return pieces;
    std::size_t begin = 0;
    while (at != std::u16string_view::npos) {
        pieces.push_back(text.substr(begin, at - begin));
        begin = at + separator.size();
        at = text.find(separator, begin);
    }
    pieces.push_back(text.substr(begin));
    return pieces;
}

std::vector<std::u16string> split(std::u16string_view text, std::u16string_view separator) {
    const std::vector<std::u16string_view> views = split_views(text, separator);
    std::vector<std::u16string> pieces;
    pieces.reserve(views.size());
    for (std::u16string_view v : views) pieces.emplace_back(v);
    return pieces;
}

void replace_all(std::u16string& text, std::u16string_view what, std::u16string_view with) {
    if (text.empty() || what.empty()) return;
    std::size_t at = text.find(what);
    if (at == std::u16string::npos) return;
    std::u16string out;
    out.reserve(text.size());
    std::size_t begin = 0;
    while (at != std::u16string::npos) {
        out.append(text, begin, at - begin);
        out.append(with);
        begin = at + what.size();
        at = text.find(what, begin);
    }
    out.append(text, begin, std::u16string::npos);
    text.swap(out);
}

char16_t to_upper(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return platform_to_upper(c);
}

void to_upper(std::u16string& text) {
    for (char16_t& c : text) c = to_upper(c);
}

int compare_nocase(std::u16string_view a, std::u16string_view b) {
    return platform_compare_nocase(a, b);
}

std::size_t find_nocase(std::u16string_view text, std::u16string_view needle) {
    if (needle.empty()) return 0;
    std::u16string t(text);
    std::u16string n(needle);
    to_upper(t);
    to_upper(n);
    const std::size_t at = t.find(n);
    return at == std::u16string::npos ? not_found : at;
}

bool has_extension(std::u16string_view path, std::u16string_view extension) {
    if (path.empty() || extension.empty()) return false;
    std::u16string dotted;
    if (extension.front() != u'.') dotted.push_back(u'.');
    dotted.append(extension);
    if (dotted.size() > path.size()) return false;
    return compare_nocase(path.substr(path.size() - dotted.size()), dotted) == 0;
}

void replace_extension(std::u16string& path, std::u16string_view extension) {
    const std::u16string_view bare = without_dot(extension);
    const std::size_t dot = path.rfind(u'.');
    if (dot != std::u16string::npos) {
        path.erase(dot + 1);
    } else {
        path.push_back(u'.');
    }
    path.append(bare);
}

std::u16string file_name_of(std::u16string_view path) {
    const std::size_t slash = path.rfind(u'\\');
    if (slash == std::u16string_view::npos) return std::u16string(path);
    return std::u16string(path.substr(slash + 1));
}

std::u16string group_thousands(std::int32_t n) {
    const std::int64_t wide = n;
    return group_digits(static_cast<std::uint64_t>(wide < 0 ? -wide : wide), wide < 0);
}

std::u16string format_file_size(std::uint64_t size) {
    if (size <= 2000) return group_digits(size, false) + u" bytes";
    std::uint64_t whole = size / 1000;
    const float tenths = static_cast<float>(size % 1000) / 100.0f;
    unsigned t = static_cast<unsigned>(std::round(tenths));
    // 950..999 round up to ten tenths: carry into the whole number.
    if (t >= 10) {
        t -= 10;
        ++whole;
    }
    std::u16string out = group_digits(whole, false);
    out.push_back(u'.');
    out.push_back(static_cast<char16_t>(u'0' + t));
    out += u" KB";
    return out;
}

std::vector<std::u16string> split_command_line(std::u16string_view line) {
    std::vector<std::u16string> args;
    std::size_t i = 0;
    while (i < line.size()) {
        if (is_space(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == u'"') {
            const std::size_t close = line.find(u'"', i + 1);
            if (close == std::u16string_view::npos) break;  // unpaired quote ends the scan
            args.emplace_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        const std::size_t begin = i;
        while (i < line.size() && !is_space(line[i]) && line[i] != u'"') ++i;
        args.emplace_back(line.substr(begin, i - begin));
    }
    return args;
}

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    decode_utf8(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), out);
    return out;
}

namespace {

// Calls emit(code_point) for each character; a lone surrogate has no UTF-8 form and becomes U+FFFD.
template <class Emit>
void for_each_code_point(std::u16string_view utf16, Emit emit) {
    const std::size_t n = utf16.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < n && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
                ++i;
            } else {
                cp = 0xFFFD;
            }
        }
        emit(cp);
    }
}

}  // namespace

std::size_t utf8_length(std::u16string_view utf16) {
    std::size_t length = 0;
    for_each_code_point(utf16, [&](std::uint32_t cp) { length += cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; });
    return length;
}

char* encode_utf8(std::u16string_view utf16, char* out) {
    for_each_code_point(utf16, [&](std::uint32_t cp) {
        if (cp < 0x80) {
            *out++ = static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out++ = static_cast<char>(0xC0 | (cp >> 6));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (cp >> 12));
            *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *out++ = static_cast<char>(0xF0 | (cp >> 18));
            *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    });
    return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
    // Measure first, then convert into a buffer of the exact size: big texts are saved whole.
    std::string out(utf8_length(utf16), '\0');
    encode_utf8(utf16, out.data());
    return out;
}
