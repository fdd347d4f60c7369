#pragma once
// Regular expressions in ECMAScript syntax over UTF-16 text, for Replace.
//
// The standard library's regex has no char16_t traits, its wchar_t is 16 bits on Windows but
// 32 on Linux (so surrogate pairs would match differently in the two builds), its letter case
// follows the C locale, and it reports a bad expression only by throwing, which this program
// is built without. So the expressions are compiled here: a parser to a small program run by
// a backtracking machine with its own stack (no recursion on the text, so a long text cannot
// overflow the thread's stack) and a bound on its steps (so `(a*)*b` cannot hang the window).
//
// Syntax: alternatives `|`; groups `( )`, `(?: )`, lookaheads `(?= )` and `(?! )`; the
// quantifiers `* + ? {n} {n,} {n,m}`, lazy with a trailing `?`; `.`; classes `[a-z]`, `[^ ]`;
// `^ $ \b \B`; back references `\1`..; the escapes `\d \D \w \W \s \S \t \n \r \f \v \0
// \cX \xHH \uHHHH` and a backslash before any other character for that character. `{` that
// does not start a quantifier is a character, as browsers take it.
// Unlike ECMAScript without its `u` flag, a surrogate pair is one character: `.` takes a
// whole emoji and a class may hold one. `\w`, `\d` and `\b` are ASCII, as in ECMAScript.
// Ignoring case compares the upper-case forms (`to_upper`, the platform's on Windows).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// Where a match and its groups lie: group k spans [start(k), end(k)); a group that took no
/// part in the match is `unset` at both ends. Group 0 is the whole match.
struct Regex_Match {
    static constexpr std::size_t unset = static_cast<std::size_t>(-1);
    std::vector<std::size_t> bounds;  ///< two per group
    std::size_t start(std::size_t group = 0) const { return bounds[2 * group]; }
    std::size_t end(std::size_t group = 0) const { return bounds[2 * group + 1]; }
    std::size_t groups() const { return bounds.size() / 2; }
};

enum class Regex_Result { no_match, match, gave_up };

/// One search at a time: a search keeps its working memory in the object.
class Text_Regex {
public:
    /// Steps one search may take before it gives up; a few milliseconds of work.
    static constexpr std::uint64_t step_budget = 4000000;

    /// False, with error_text saying what is wrong and at which character, when the
    /// expression is not valid; the previous expression is gone either way.
    bool compile(std::u16string_view expression, bool ignore_case, std::u16string* error_text = nullptr);
    /// The leftmost match that starts at or after `from`; `gave_up` when the search went
    /// over its step budget.
    Regex_Result search(std::u16string_view text, std::size_t from, Regex_Match& match) const;
    /// Capturing groups, not counting the whole match.
    std::size_t group_count() const { return groups; }
    /// Whether the expression names a line break character (`\n`, `\r`, `\x0A`, ...).
    bool names_line_breaks() const { return line_breaks; }

private:
    friend class Regex_Compiler;
    enum class Op : std::uint8_t {
        character, any, char_class, split, jump, save, line_start, line_end, word_boundary,
        not_word_boundary, back_reference, look_ahead, mark, progress, match
    };
    struct Instruction {
        Op op;
        bool flag = false;  ///< look_ahead: negative
        std::uint32_t x = 0;
        std::uint32_t y = 0;
    };
    /// Ranges of characters, sorted and apart; with ignored case, of upper-case forms.
    struct Char_Class {
        std::vector<std::pair<char32_t, char32_t>> ranges;
        bool negated = false;
    };

    /// A choice to go back to, or a value to restore when going back past it.
    struct Frame {
        enum Kind : std::uint8_t { choice, restore_bound, restore_register };
        Kind kind;
        std::uint32_t index;
        std::size_t value;
    };
    struct Machine;
    bool run(Machine& machine, std::uint32_t pc, std::size_t& pos) const;
    bool in_class(const Char_Class& set, char32_t c) const;
    /// The form compared: the upper case when case is ignored (within the BMP, and never an
    /// ASCII letter for a character beyond ASCII, as ECMAScript has it).
    char32_t canonical(char32_t c) const;

    std::vector<Instruction> program;
    std::vector<Char_Class> classes;
    std::size_t groups = 0;
    std::size_t registers = 0;
    bool ignore_case = false;
    bool line_breaks = false;
    /// Kept from one search to the next, so that searching many short texts allocates nothing.
    mutable std::vector<std::size_t> bounds_buffer, registers_buffer;
    mutable std::vector<Frame> stack_buffer;
};
