// The parser of expressions and the emitter of the programs that text_regex.cpp runs.
#include "core/text_regex.h"

#include <algorithm>

#include "core/code_points.h"
#include "io/strings.h"

namespace {

using Ranges = std::vector<std::pair<char32_t, char32_t>>;

constexpr std::uint32_t unbounded = 0xFFFFFFFF;
constexpr std::uint32_t max_repeat = 100000;  // the largest number in {n,m}
constexpr std::size_t max_program = 100000;   // instructions; {n,m} copies its operand
constexpr char32_t last_code_point = 0x10FFFF;

struct Node {
    enum Kind : std::uint8_t {
        empty, character, any, char_class, concat, alternate, capture, repeat, line_start, line_end,
        word_boundary, not_word_boundary, back_reference, look_ahead
    };
    Kind kind = empty;
    bool flag = false;        ///< repeat: greedy; look_ahead: negative
    std::uint32_t value = 0;  ///< the character, class, or group
    std::uint32_t min = 0, max = 0;
    std::vector<std::size_t> kids;
};

bool is_decimal(char32_t c) { return c >= u'0' && c <= u'9'; }
int hex_value(char32_t c) {
    if (c >= u'0' && c <= u'9') return static_cast<int>(c - u'0');
    if (c >= u'a' && c <= u'f') return static_cast<int>(c - u'a' + 10);
    if (c >= u'A' && c <= u'F') return static_cast<int>(c - u'A' + 10);
    return -1;
}

Ranges merged(Ranges r) {
    std::sort(r.begin(), r.end());
    Ranges out;
    for (const auto& range : r) {
        if (!out.empty() && range.first <= out.back().second + 1)
            out.back().second = std::max(out.back().second, range.second);
        else
            out.push_back(range);
    }
    return out;
}

Ranges complement(const Ranges& r) {
    Ranges out;
    char32_t next = 0;
    for (const auto& range : merged(r)) {
        if (range.first > next) out.push_back({next, range.first - 1});
        next = range.second + 1;
    }
    if (next <= last_code_point) out.push_back({next, last_code_point});
    return out;
}

// The sets of \d, \w and \s, and their complements for \D, \W and \S.
Ranges escape_set(char32_t letter) {
    Ranges r;
    switch (letter | 0x20) {
    case u'd': r = {{u'0', u'9'}}; break;
    case u'w': r = {{u'0', u'9'}, {u'A', u'Z'}, {u'_', u'_'}, {u'a', u'z'}}; break;
    default:
        r = {{0x09, 0x0D}, {0x20, 0x20}, {0xA0, 0xA0}, {0x1680, 0x1680}, {0x2000, 0x200A}, {0x2028, 0x2029},
             {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000}, {0xFEFF, 0xFEFF}};
    }
    return letter >= u'a' ? r : complement(r);
}

// Where the capturing groups are, counted before parsing so that a reference may come
// before its group, as ECMAScript allows.
std::size_t count_groups(std::u16string_view source) {
    std::size_t count = 0;
    bool in_class = false;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char16_t c = source[i];
        if (c == u'\\')
            ++i;
        else if (in_class)
            in_class = c != u']';
        else if (c == u'[')
            in_class = true;
        else if (c == u'(' && (i + 1 >= source.size() || source[i + 1] != u'?'))
            ++count;
    }
    return count;
}

}  // namespace

/// Parses an expression into nodes and emits the program; the first error stops it.
class Regex_Compiler {
public:
    Regex_Compiler(Text_Regex& regex, std::u16string_view source) : re(regex), source(source) {}

    bool compile(std::u16string* error_text) {
        re.program.clear();
        re.classes.clear();
        re.registers = 0;
        re.line_breaks = false;
        total_groups = count_groups(source);
        re.groups = total_groups;
        const std::size_t root = parse_disjunction();
        if (!failed() && pos < source.size()) fail(u"Unmatched ')'", pos);
        if (!failed()) {
            re.program.push_back({Text_Regex::Op::save, false, 0, 0});
            emit(root);
            re.program.push_back({Text_Regex::Op::save, false, 1, 0});
            re.program.push_back({Text_Regex::Op::match});
            if (re.program.size() > max_program) error = u"The expression is too long";
        }
        if (failed()) {
            re.program.clear();
            re.classes.clear();
            re.groups = 0;
        }
        if (error_text) *error_text = error;
        return !failed();
    }

private:
    bool failed() const { return !error.empty(); }
    void fail(const char16_t* what, std::size_t at) {
        if (!failed()) error = format(u"%s at character %u", what, static_cast<unsigned long long>(at + 1));
    }
    bool at_end() const { return pos >= source.size(); }
    char16_t peek(std::size_t ahead = 0) const { return pos + ahead < source.size() ? source[pos + ahead] : u'\0'; }
    char32_t take() {
        std::size_t length = 1;
        const char32_t c = code_point_at(source, pos, length);
        pos += length;
        return c;
    }
    std::size_t add(Node node) {
        nodes.push_back(std::move(node));
        return nodes.size() - 1;
    }
    std::size_t add(Node::Kind kind, std::uint32_t value = 0) {
        Node node;
        node.kind = kind;
        node.value = value;
        return add(std::move(node));
    }
    std::size_t add_class(Ranges ranges, bool negated) {
        if (re.ignore_case) ranges = canonical_ranges(ranges);
        re.classes.push_back({merged(std::move(ranges)), negated});
        return add(Node::char_class, static_cast<std::uint32_t>(re.classes.size() - 1));
    }
    // The upper-case forms of every member: a class matches a character whose form is among them.
    Ranges canonical_ranges(const Ranges& ranges) const {
        std::vector<bool> bmp(0x10000, false);
        Ranges out;
        for (const auto& [first, last] : ranges) {
            for (char32_t c = first; c <= std::min<char32_t>(last, 0xFFFF); ++c) bmp[re.canonical(c)] = true;
            if (last > 0xFFFF) out.push_back({std::max<char32_t>(first, 0x10000), last});
        }
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (!bmp[c]) continue;
            char32_t end = c;
            while (end + 1 < 0x10000 && bmp[end + 1]) ++end;
            out.push_back({c, end});
            c = end;
        }
        return out;
    }

    std::size_t parse_disjunction() {
        std::vector<std::size_t> alternatives{parse_alternative()};
        while (!failed() && peek() == u'|' && !at_end()) {
            ++pos;
            alternatives.push_back(parse_alternative());
        }
        if (alternatives.size() == 1) return alternatives[0];
        Node node;
        node.kind = Node::alternate;
        node.kids = std::move(alternatives);
        return add(std::move(node));
    }

    std::size_t parse_alternative() {
        std::vector<std::size_t> items;
        while (!failed() && !at_end() && peek() != u'|' && peek() != u')') items.push_back(parse_term());
        if (items.size() == 1) return items[0];
        Node node;
        node.kind = items.empty() ? Node::empty : Node::concat;
        node.kids = std::move(items);
        return add(std::move(node));
    }

    std::size_t parse_term() {
        const std::size_t start = pos;
        bool quantifiable = true;
        std::size_t atom = 0;
        const char16_t c = peek();
        std::uint32_t min = 0, max = 0;
        bool greedy = true;
        if (c == u'^' || c == u'$') {
            ++pos;
            atom = add(c == u'^' ? Node::line_start : Node::line_end);
            quantifiable = false;
        } else if (c == u'\\' && (peek(1) == u'b' || peek(1) == u'B')) {
            pos += 2;
            atom = add(source[start + 1] == u'b' ? Node::word_boundary : Node::not_word_boundary);
            quantifiable = false;
        } else if (c == u'(') {
            atom = parse_group(quantifiable);
        } else if (c == u'.') {
            ++pos;
            atom = add(Node::any);
        } else if (c == u'[') {
            atom = parse_class();
        } else if (c == u'\\') {
            atom = parse_escape();
        } else if (c == u'*' || c == u'+' || c == u'?' || (c == u'{' && read_quantifier(min, max, greedy, false))) {
            fail(u"Nothing to repeat", start);
            return 0;
        } else {
            atom = add(Node::character, take());
        }
        if (failed()) return 0;
        const std::size_t quantifier_at = pos;
        if (!read_quantifier(min, max, greedy, true)) return atom;
        if (failed()) return 0;
        if (!quantifiable) {
            fail(u"Nothing to repeat", quantifier_at);
            return 0;
        }
        Node node;
        node.kind = Node::repeat;
        node.min = min;
        node.max = max;
        node.flag = greedy;
        node.kids = {atom};
        return add(std::move(node));
    }

    // `* + ? {n} {n,} {n,m}` and a lazy `?`; `consume` false only looks. False when none is here.
    bool read_quantifier(std::uint32_t& min, std::uint32_t& max, bool& greedy, bool consume) {
        std::size_t at = pos;
        const char16_t c = peek();
        if (c == u'*' || c == u'+' || c == u'?') {
            min = c == u'+' ? 1 : 0;
            max = c == u'?' ? 1 : unbounded;
            ++at;
        } else if (c == u'{') {
            ++at;
            bool too_large = false;
            const auto number = [&](std::uint32_t& out) {
                const std::size_t first = at;
                std::uint64_t value = 0;
                while (at < source.size() && is_decimal(source[at])) {
                    value = std::min<std::uint64_t>(value * 10 + (source[at] - u'0'), std::uint64_t{max_repeat} + 1);
                    ++at;
                }
                too_large = too_large || value > max_repeat;
                out = static_cast<std::uint32_t>(value);
                return at > first;
            };
            if (!number(min)) return false;
            max = min;
            if (at < source.size() && source[at] == u',') {
                ++at;
                if (!number(max)) max = unbounded;
            }
            if (at >= source.size() || source[at] != u'}') return false;
            ++at;
            if (consume && too_large) {
                fail(u"Number too large in {}", pos);
                return true;
            }
            if (consume && max < min) {
                fail(u"Numbers out of order in {}", pos);
                return true;
            }
        } else {
            return false;
        }
        if (!consume) return true;
        greedy = !(at < source.size() && source[at] == u'?');
        pos = greedy ? at : at + 1;
        return true;
    }

    std::size_t parse_group(bool& quantifiable) {
        const std::size_t open = pos++;
        Node node;
        node.kind = Node::capture;
        if (peek() == u'?') {
            const char16_t kind = peek(1);
            if (kind != u':' && kind != u'=' && kind != u'!') {
                fail(u"Unsupported kind of group", open);
                return 0;
            }
            pos += 2;
            node.kind = kind == u':' ? Node::empty : Node::look_ahead;
            node.flag = kind == u'!';
            quantifiable = kind == u':';
        } else {
            node.value = static_cast<std::uint32_t>(++next_group);
        }
        const std::size_t inner = parse_disjunction();
        if (failed()) return 0;
        if (peek() != u')' || at_end()) {
            fail(u"Missing ')'", open);
            return 0;
        }
        ++pos;
        if (node.kind == Node::empty) return inner;  // (?: ) only groups
        node.kids = {inner};
        return add(std::move(node));
    }

    // After a backslash outside classes: a set, a back reference or one character.
    std::size_t parse_escape() {
        const std::size_t at = pos++;
        if (at_end()) {
            fail(u"Nothing after \\", at);
            return 0;
        }
        const char16_t c = peek();
        if (c == u'd' || c == u'D' || c == u'w' || c == u'W' || c == u's' || c == u'S') {
            ++pos;
            return add_class(escape_set(c), false);
        }
        if (c >= u'1' && c <= u'9') {
            std::uint64_t group = 0;
            while (!at_end() && is_decimal(peek()) && group <= total_groups) group = group * 10 + (source[pos++] - u'0');
            if (group > total_groups) {
                error = format(u"There is no group %u for the reference at character %u", static_cast<unsigned long long>(group),
                               static_cast<unsigned long long>(at + 1));
                return 0;
            }
            return add(Node::back_reference, static_cast<std::uint32_t>(group));
        }
        return add(Node::character, escaped_character());
    }

    // The character a backslash sequence stands for; `pos` is just after the backslash.
    char32_t escaped_character() {
        const char32_t c = take();
        char32_t value = c;
        switch (c) {
        case u't': value = u'\t'; break;
        case u'n': value = u'\n'; break;
        case u'v': value = u'\v'; break;
        case u'f': value = u'\f'; break;
        case u'r': value = u'\r'; break;
        case u'0': value = 0; break;
        case u'c':
            if ((peek() | 0x20) >= u'a' && (peek() | 0x20) <= u'z') value = take() % 32;
            break;
        case u'x':
        case u'u': {
            const std::size_t digits = c == u'x' ? 2 : 4;
            char32_t code = 0;
            std::size_t k = 0;
            while (k < digits && hex_value(peek(k)) >= 0) code = code * 16 + static_cast<char32_t>(hex_value(peek(k++)));
            if (k < digits) break;  // not a code: the letter itself
            pos += digits;
            value = code;
            // Two \u escapes of a surrogate pair are one character.
            if (c == u'u' && code >= 0xD800 && code <= 0xDBFF && peek() == u'\\' && peek(1) == u'u') {
                char32_t low = 0;
                std::size_t j = 0;
                while (j < 4 && hex_value(peek(2 + j)) >= 0) low = low * 16 + static_cast<char32_t>(hex_value(peek(2 + j++)));
                if (j == 4 && low >= 0xDC00 && low <= 0xDFFF) {
                    pos += 6;
                    value = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
            }
            break;
        }
        default: break;
        }
        if (value == u'\n' || value == u'\r') re.line_breaks = true;
        return value;
    }

    std::size_t parse_class() {
        const std::size_t open = pos++;
        bool negated = false;
        if (peek() == u'^' && !at_end()) {
            negated = true;
            ++pos;
        }
        Ranges ranges;
        while (!at_end() && peek() != u']') {
            const std::size_t first_at = pos;
            Ranges set;
            const char32_t first = class_atom(set);
            if (!set.empty() || peek() != u'-' || pos + 1 >= source.size() || source[pos + 1] == u']') {
                if (set.empty()) set = {{first, first}};
                ranges.insert(ranges.end(), set.begin(), set.end());
                continue;
            }
            ++pos;  // the '-'
            Ranges second_set;
            const char32_t last = class_atom(second_set);
            if (!second_set.empty()) {
                // A set on one side: the '-' is a character, as browsers take it.
                ranges.push_back({first, first});
                ranges.push_back({u'-', u'-'});
                ranges.insert(ranges.end(), second_set.begin(), second_set.end());
            } else if (last < first) {
                fail(u"Range out of order in []", first_at);
                return 0;
            } else {
                ranges.push_back({first, last});
            }
        }
        if (at_end()) {
            fail(u"Missing ']'", open);
            return 0;
        }
        ++pos;
        return add_class(std::move(ranges), negated);
    }

    // One member of a class: a character (returned) or, for \d and the like, a set.
    char32_t class_atom(Ranges& set) {
        if (peek() != u'\\') return take();
        ++pos;
        if (at_end()) return u'\\';  // the missing ']' is reported
        const char16_t c = peek();
        if (c == u'd' || c == u'D' || c == u'w' || c == u'W' || c == u's' || c == u'S') {
            ++pos;
            set = escape_set(c);
            return 0;
        }
        if (c == u'b') {
            ++pos;
            return u'\b';
        }
        return escaped_character();
    }

    bool can_be_empty(std::size_t id) const {
        const Node& node = nodes[id];
        switch (node.kind) {
        case Node::character:
        case Node::any:
        case Node::char_class: return false;
        case Node::concat:
            return std::all_of(node.kids.begin(), node.kids.end(), [this](std::size_t k) { return can_be_empty(k); });
        case Node::alternate:
            return std::any_of(node.kids.begin(), node.kids.end(), [this](std::size_t k) { return can_be_empty(k); });
        case Node::capture: return can_be_empty(node.kids[0]);
        case Node::repeat: return node.min == 0 || can_be_empty(node.kids[0]);
        default: return true;
        }
    }

    std::size_t emit_op(Text_Regex::Op op, std::uint32_t x = 0, std::uint32_t y = 0, bool flag = false) {
        re.program.push_back({op, flag, x, y});
        return re.program.size() - 1;
    }
    std::uint32_t here() const { return static_cast<std::uint32_t>(re.program.size()); }

    void emit(std::size_t id) {
        using Op = Text_Regex::Op;
        if (re.program.size() > max_program) return;  // reported by compile
        const Node& node = nodes[id];
        switch (node.kind) {
        case Node::empty: break;
        case Node::character: emit_op(Op::character, re.canonical(node.value)); break;
        case Node::any: emit_op(Op::any); break;
        case Node::char_class: emit_op(Op::char_class, node.value); break;
        case Node::concat:
            for (std::size_t kid : node.kids) emit(kid);
            break;
        case Node::alternate: {
            std::vector<std::size_t> jumps;
            for (std::size_t k = 0; k < node.kids.size(); ++k) {
                if (k + 1 == node.kids.size()) {
                    emit(node.kids[k]);
                    break;
                }
                const std::size_t split = emit_op(Op::split, here() + 1);
                emit(node.kids[k]);
                jumps.push_back(emit_op(Op::jump));
                re.program[split].y = here();
            }
            for (std::size_t jump : jumps) re.program[jump].x = here();
            break;
        }
        case Node::capture:
            emit_op(Op::save, 2 * node.value);
            emit(node.kids[0]);
            emit_op(Op::save, 2 * node.value + 1);
            break;
        case Node::repeat: emit_repeat(node); break;
        case Node::line_start: emit_op(Op::line_start); break;
        case Node::line_end: emit_op(Op::line_end); break;
        case Node::word_boundary: emit_op(Op::word_boundary); break;
        case Node::not_word_boundary: emit_op(Op::not_word_boundary); break;
        case Node::back_reference: emit_op(Op::back_reference, node.value); break;
        case Node::look_ahead: {
            const std::size_t look = emit_op(Op::look_ahead, 0, 0, node.flag);
            emit(node.kids[0]);
            emit_op(Op::match);
            re.program[look].x = here();
            break;
        }
        }
    }

    void emit_repeat(const Node& node) {
        using Op = Text_Regex::Op;
        const std::size_t kid = node.kids[0];
        for (std::uint32_t k = 0; k < node.min && re.program.size() <= max_program; ++k) emit(kid);
        if (node.max == unbounded) {
            // A loop whose body can match nothing stops when a turn did not move on.
            const bool guard = can_be_empty(kid);
            const std::uint32_t reg = static_cast<std::uint32_t>(re.registers);
            if (guard) ++re.registers;
            const std::size_t loop = emit_op(Op::split);
            const std::uint32_t body = here();
            if (guard) emit_op(Op::mark, reg);
            emit(kid);
            if (guard) emit_op(Op::progress, reg);
            emit_op(Op::jump, static_cast<std::uint32_t>(loop));
            re.program[loop].x = node.flag ? body : here();
            re.program[loop].y = node.flag ? here() : body;
            return;
        }
        std::vector<std::size_t> splits;
        for (std::uint32_t k = node.min; k < node.max && re.program.size() <= max_program; ++k) {
            splits.push_back(emit_op(Op::split));
            emit(kid);
        }
        for (std::size_t split : splits) {
            re.program[split].x = node.flag ? static_cast<std::uint32_t>(split + 1) : here();
            re.program[split].y = node.flag ? here() : static_cast<std::uint32_t>(split + 1);
        }
    }

    Text_Regex& re;
    std::u16string_view source;
    std::size_t pos = 0;
    std::vector<Node> nodes;
    std::size_t total_groups = 0;
    std::size_t next_group = 0;
    std::u16string error;
};

bool Text_Regex::compile(std::u16string_view expression, bool ignore_case_now, std::u16string* error_text) {
    ignore_case = ignore_case_now;
    return Regex_Compiler(*this, expression).compile(error_text);
}
