#include "core/srt_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "io/file.h"
#include "io/strings.h"
#include "io/text_decoding.h"

namespace {

void set_error(std::u16string* error_text, std::u16string message) {
    if (error_text)
        *error_text = std::move(message);
}

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool is_blank_char(char16_t c) {
    if (c <= 0xFF)
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0;
    return is_space(c);
}

// The same as `trimmed`, inlined for the hot loop: cut at U+0000 (only looked for when the
// text holds one), then strip white space.
std::u16string_view trim_view(std::u16string_view line, bool may_hold_nul) {
    const char16_t* p = line.data();
    std::size_t n = line.size();
    if (may_hold_nul) {
        for (std::size_t i = 0; i < n; ++i) {
            if (p[i] == 0) {
                n = i;
                break;
            }
        }
    }
    std::size_t b = 0;
    while (b < n && is_blank_char(p[b]))
        ++b;
    while (n > b && is_blank_char(p[n - 1]))
        --n;
    return std::u16string_view(p + b, n - b);
}

// hh:mm:ss,mmm at p (12 characters are there).
bool parse_time(const char16_t* p, std::uint64_t& out) {
    static constexpr char16_t pattern[] = u"00:00:00,000";
    for (int i = 0; i < 12; ++i) {
        if (pattern[i] == u'0' ? !is_digit(p[i]) : p[i] != pattern[i])
            return false;
    }
    const auto d = [p](int i) { return static_cast<std::uint32_t>(p[i] - u'0'); };
    out = timecode_to_ms(d(0) * 10 + d(1), d(3) * 10 + d(4), d(6) * 10 + d(7),
                         d(9) * 100 + d(10) * 10 + d(11));
    return true;
}

// The lines of the text at one separator, walked front to back.
class Line_Cursor {
public:
    Line_Cursor(std::u16string_view text, std::u16string_view separator)
        : text_(text), separator_(separator) {}

    bool done() const { return done_; }
    /// The next raw line; the piece after the last separator is the last line.
    std::u16string_view next() {
        const std::size_t from = pos_;
        const std::size_t at = find_separator(from);
        if (at == std::u16string_view::npos) {
            done_ = true;
            pos_ = text_.size();
            return text_.substr(from);
        }
        pos_ = at + separator_.size();
        return text_.substr(from, at - from);
    }

private:
    std::size_t find_separator(std::size_t from) const {
        const char16_t first = separator_[0];
        const char16_t* p = text_.data();
        const std::size_t n = text_.size();
        const std::size_t len = separator_.size();
        const std::uint64_t ones = 0x0001000100010001ull;
        const std::uint64_t pattern = ones * first;
        std::size_t i = from;
        while (i < n) {
            // Four units at a time until one of them may be the separator's first unit.
            if (i + 4 <= n) {
                std::uint64_t word;
                std::memcpy(&word, p + i, sizeof word);
                const std::uint64_t x = word ^ pattern;
                if (((x - ones) & ~x & 0x8000800080008000ull) == 0) {
                    i += 4;
                    continue;
                }
            }
            if (p[i] == first && (len == 1 || (i + 1 < n && p[i + 1] == separator_[1])))
                return i;
            ++i;
        }
        return std::u16string_view::npos;
    }

    std::u16string_view text_;
    std::u16string_view separator_;
    std::size_t pos_ = 0;
    bool done_ = false;
};

// The first CR or LF that is not the text's last character decides the line break.
std::u16string_view choose_separator(std::u16string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r')
            return text[i + 1] == u'\n' ? std::u16string_view(u"\r\n") : std::u16string_view(u"\r");
        if (c == u'\n')
            return text[i + 1] == u'\r' ? std::u16string_view(u"\n\r") : std::u16string_view(u"\n");
    }
    return {};
}

struct Text_Survey {
    std::size_t breaks = 0;  // units equal to the separator's first unit
    bool has_nul = false;
};

constexpr char16_t discarded_text[] = u"Some subs discarded due to faulty timecodes at line(s): ";

// One pass the compiler can vectorise.
Text_Survey survey(std::u16string_view text, char16_t first) {
    std::size_t breaks = 0;
    unsigned nul = 0;
    for (char16_t c : text) {
        breaks += c == first;
        nul |= c == 0;
    }
    return {breaks, nul != 0};
}

// Lines joined by CR LF; one allocation. When nothing was trimmed between them and the file
// already uses CR LF, the joined text is one piece of the file's text.
void join_lines(const std::vector<std::u16string_view>& pieces, std::size_t length,
                std::u16string_view separator, std::u16string& out) {
    bool contiguous = separator == u"\r\n";
    for (std::size_t i = 1; i < pieces.size() && contiguous; ++i)
        contiguous = pieces[i].data() == pieces[i - 1].data() + pieces[i - 1].size() + 2;
    if (contiguous) {
        out.assign(pieces.front().data(), length);
        return;
    }
    out.reserve(length);
    out.append(pieces.front());
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        out.append(u"\r\n", 2);
        out.append(pieces[i]);
    }
}

}  // namespace

bool parse_timecode_line(std::u16string_view line, std::uint64_t& start, std::uint64_t& end) {
    if (line.size() < 24)
        return false;
    std::uint64_t first = 0;
    if (!parse_time(line.data(), first))
        return false;
    std::size_t k = 12;
    while (k < line.size() && !is_digit(line[k]))
        ++k;
    if (line.size() - k < 12)
        return false;
    std::uint64_t second = 0;
    if (!parse_time(line.data() + k, second))
        return false;
    start = first;
    end = second;
    return true;
}

bool parse_srt_text(std::u16string_view text, Sub_List& list, std::u16string* error_text) {
    const std::u16string_view separator = choose_separator(text);
    if (separator.empty()) {
        set_error(error_text, u"Empty file.");
        return false;
    }
    const Text_Survey facts = survey(text, separator[0]);
    {
        Line_Cursor probe(text, separator);
        bool any = false;
        while (!any && !probe.done())
            any = !trim_view(probe.next(), facts.has_nul).empty();
        if (!any) {
            set_error(error_text, u"File has only blank lines.");
            return false;
        }
    }
    if (error_text)
        error_text->clear();
    list.clear();
    // Every block but the last takes at least four lines, and real blocks take 40 characters
    // or more: a large file of blank or short lines must not ask for memory up front.
    list.reserve(std::min(facts.breaks / 4 + 1, text.size() / 40 + 1));

    // One line of lookahead: the walk asks whether a non-blank line follows.
    Line_Cursor cursor(text, separator);
    std::size_t number = 0;  // 1-based number of `line`
    std::u16string_view line;
    bool have = false;
    const auto advance = [&]() {
        have = !cursor.done();
        if (have) {
            line = trim_view(cursor.next(), facts.has_nul);
            ++number;
        }
        return have;
    };

    std::vector<std::size_t> faulty;
    std::vector<std::u16string_view> pieces;
    advance();
    while (have) {
        // `line` is the index line, never examined.
        if (!advance())
            break;
        std::uint64_t start = 0;
        std::uint64_t end = 0;
        const bool valid = parse_timecode_line(line, start, end);
        if (!valid)
            faulty.push_back(number);
        if (!advance())
            break;
        // The first text line is taken even when blank; the rest up to a blank line.
        pieces.clear();
        pieces.push_back(line);
        std::size_t length = line.size();
        while (advance() && !line.empty()) {
            pieces.push_back(line);
            length += 2 + line.size();
        }
        if (valid) {
            Sub_Item& sub = list.emplace_back();
            sub.start = start;
            sub.end = end;
            join_lines(pieces, length, separator, sub.text);
        }
        // `line`, when there is one, is the blank line that ended the text.
        if (!have || !advance())
            break;
    }

    if (faulty.empty())
        return true;
    if (error_text) {
        std::u16string& message = *error_text;
        message = discarded_text;
        for (std::size_t i = 0; i < faulty.size(); ++i) {
            if (i > 0)
                message += u", ";
            message += to_decimal(static_cast<std::int64_t>(faulty[i]));
        }
        message += u".";
        if (list.empty())
            message += u" Loading failed.";
    }
    return !list.empty();
}

std::u16string shorten_discarded_lines(std::u16string_view text, std::size_t shown) {
    const std::u16string_view head = discarded_text;
    if (text.substr(0, head.size()) != head) return std::u16string(text);
    const std::size_t end = text.find(u'.', head.size());
    if (end == std::u16string_view::npos) return std::u16string(text);
    const std::u16string_view numbers = text.substr(head.size(), end - head.size());
    std::size_t count = 1, cut = std::u16string_view::npos;
    for (std::size_t at = numbers.find(u", "); at != std::u16string_view::npos; at = numbers.find(u", ", at + 2))
        if (++count == shown + 1) cut = at;
    if (cut == std::u16string_view::npos) return std::u16string(text);
    // The list's closing full stop goes; " Loading failed." stays.
    return std::u16string(text.substr(0, head.size() + cut)) + u", ..." + std::u16string(text.substr(end + 1)) +
           u"\n" + group_thousands(static_cast<std::int32_t>(std::min<std::size_t>(count - shown, INT32_MAX))) +
           u" more not listed.";
}

bool parse_srt_bytes(const std::uint8_t* bytes, std::size_t size, Sub_List& list,
                     std::u16string* error_text, unsigned code_page, unsigned* read_as) {
    std::u16string text;
    unsigned used = 0;
    if (!decode_text(bytes, size, text, error_text, code_page, &used))
        return false;
    if (!parse_srt_text(text, list, error_text))
        return false;
    if (read_as)
        *read_as = used;
    return true;
}

bool read_srt_file(Sub_List& list, const std::u16string& path, std::u16string* error_text,
                   unsigned code_page, unsigned* read_as) {
    if (path.empty()) {
        set_error(error_text, u"File path not specified.");
        return false;
    }
    if (!path_exists(path)) {
        set_error(error_text, format(u"File does not exist:\n%s", path));
        return false;
    }
    std::u16string text;
    unsigned used = 0;
    {
        // Copied out of the mapping and released before decoding, as read_file_bytes does,
        // but into a buffer that is not zero-filled first.
        Mapped_File file;
        if (!file.open_and_map(path, error_text))
            return false;
        const std::uint64_t size = file.get_size();
        if (size == 0) {
            set_error(error_text, u"Offset is beyond end of file.");
            return false;
        }
        // The bytes, the decoded text and the subs' texts take about six times the file at the
        // peak; asking for more than there is would end the program.
        if (!memory_available(size * 6)) {
            set_error(error_text, u"There is not enough memory to read this file.");
            return false;
        }
        const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
        std::memcpy(bytes.get(), file.view, size);
        file.release();
        if (!decode_text(bytes.get(), size, text, error_text, code_page, &used))
            return false;
    }
    if (!parse_srt_text(text, list, error_text))
        return false;
    if (read_as)
        *read_as = used;
    return true;
}
