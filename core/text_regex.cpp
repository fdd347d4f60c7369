// The machine that runs a compiled expression over a text.
#include "core/text_regex.h"

#include <algorithm>

#include "core/code_points.h"
#include "io/strings.h"

namespace {

bool is_line_terminator(char32_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }
bool is_ascii_word(char32_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

}  // namespace

char32_t Text_Regex::canonical(char32_t c) const {
    if (!ignore_case || c > 0xFFFF) return c;
    const char32_t upper = to_upper(static_cast<char16_t>(c));
    return c >= 0x80 && upper < 0x80 ? c : upper;
}

bool Text_Regex::in_class(const Char_Class& set, char32_t c) const {
    const char32_t x = canonical(c);
    const auto it = std::upper_bound(set.ranges.begin(), set.ranges.end(), x,
                                     [](char32_t v, const std::pair<char32_t, char32_t>& r) { return v < r.first; });
    const bool member = it != set.ranges.begin() && x <= std::prev(it)->second;
    return member != set.negated;
}

/// The state of one search: the text, the groups' bounds, the loops' registers and the
/// stack of choices and of values to restore when a choice is taken back.
struct Text_Regex::Machine {
    std::u16string_view text;
    std::vector<std::size_t>& bounds;
    std::vector<std::size_t>& registers;
    std::vector<Frame>& stack;
    std::uint64_t steps = 0;
    bool exhausted = false;
};

// Runs from `pc` at `pos` until a match (true, `pos` at its end) or until every choice made
// since the call failed (false, the bounds as they were).
bool Text_Regex::run(Machine& m, std::uint32_t pc, std::size_t& pos) const {
    const std::size_t base = m.stack.size();
    const std::u16string_view text = m.text;
    for (;;) {
        if (++m.steps > step_budget) {
            m.exhausted = true;
            return false;
        }
        const Instruction& in = program[pc];
        bool ok = true;
        std::size_t length = 1;
        switch (in.op) {
        case Op::character:
            ok = pos < text.size() && canonical(code_point_at(text, pos, length)) == in.x;
            pos += ok ? length : 0;
            ++pc;
            break;
        case Op::any:
            ok = pos < text.size() && !is_line_terminator(code_point_at(text, pos, length));
            pos += ok ? length : 0;
            ++pc;
            break;
        case Op::char_class:
            ok = pos < text.size() && in_class(classes[in.x], code_point_at(text, pos, length));
            pos += ok ? length : 0;
            ++pc;
            break;
        case Op::split:
            m.stack.push_back({Frame::choice, in.y, pos});
            pc = in.x;
            break;
        case Op::jump: pc = in.x; break;
        case Op::save:
            m.stack.push_back({Frame::restore_bound, in.x, m.bounds[in.x]});
            m.bounds[in.x] = pos;
            ++pc;
            break;
        case Op::line_start: ok = pos == 0; ++pc; break;
        case Op::line_end: ok = pos == text.size(); ++pc; break;
        case Op::word_boundary:
        case Op::not_word_boundary: {
            const bool before = pos > 0 && is_ascii_word(text[pos - 1]);
            const bool after = pos < text.size() && is_ascii_word(text[pos]);
            ok = (before != after) == (in.op == Op::word_boundary);
            ++pc;
            break;
        }
        case Op::back_reference: {
            const std::size_t from = m.bounds[2 * in.x], to = m.bounds[2 * in.x + 1];
            ++pc;
            if (from == Regex_Match::unset || to == Regex_Match::unset || to < from) break;  // matches nothing
            std::size_t at = pos;
            for (std::size_t k = from; ok && k < to;) {
                std::size_t a = 1, b = 1;
                ok = at < text.size() && canonical(code_point_at(text, k, a)) == canonical(code_point_at(text, at, b));
                k += a;
                at += b;
            }
            if (ok) pos = at;
            break;
        }
        case Op::look_ahead: {
            const std::vector<std::size_t> before = m.bounds;
            std::size_t end = pos;
            const bool found = run(m, pc + 1, end);
            if (m.exhausted) return false;
            ok = found != in.flag;
            if (ok && found) {
                // The groups it set stay set, and are restored if the choices go back past it.
                for (std::size_t slot = 0; slot < before.size(); ++slot)
                    if (m.bounds[slot] != before[slot])
                        m.stack.push_back({Frame::restore_bound, static_cast<std::uint32_t>(slot), before[slot]});
            } else {
                m.bounds = before;
            }
            pc = in.x;
            break;
        }
        case Op::mark:
            m.stack.push_back({Frame::restore_register, in.x, m.registers[in.x]});
            m.registers[in.x] = pos;
            ++pc;
            break;
        case Op::progress: ok = m.registers[in.x] != pos; ++pc; break;
        case Op::match:
            m.stack.resize(base);
            return true;
        }
        while (!ok) {
            if (m.stack.size() == base) return false;
            const Frame frame = m.stack.back();
            m.stack.pop_back();
            if (frame.kind == Frame::restore_bound) {
                m.bounds[frame.index] = frame.value;
            } else if (frame.kind == Frame::restore_register) {
                m.registers[frame.index] = frame.value;
            } else {
                pc = frame.index;
                pos = frame.value;
                ok = true;
            }
        }
    }
}

Regex_Result Text_Regex::search(std::u16string_view text, std::size_t from, Regex_Match& match) const {
    if (program.empty() || from > text.size()) return Regex_Result::no_match;
    Machine m{text, bounds_buffer, registers_buffer, stack_buffer};
    m.bounds.assign(2 * (groups + 1), Regex_Match::unset);
    m.registers.assign(registers, Regex_Match::unset);
    m.stack.clear();
    for (std::size_t start = from;;) {
        std::size_t end = start;
        if (run(m, 0, end)) {
            match.bounds = m.bounds;
            return Regex_Result::match;
        }
        if (m.exhausted) return Regex_Result::gave_up;
        if (start >= text.size()) return Regex_Result::no_match;
        std::size_t length = 1;
        code_point_at(text, start, length);
        start += length;
    }
}
