#pragma once
// Finding and replacing text in subs the way the list shows them: a line break inside a sub's
// text is matched as "|", and "|" in the replacement writes one. An expression that names a
// line break itself (`\n`, `\r`) is matched against the text as it is, with its "\r\n".
// Text outside the matches is kept unit for unit, a "|" of the sub's own included.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/history.h"
#include "core/sub_list.h"
#include "core/text_regex.h"

struct Replace_Options {
    bool match_case = false;
    bool whole_words = false;         ///< no letter, digit or '_' of any script on either side
    bool regular_expression = false;  ///< ECMAScript; "$1" and the like in the replacement
};

/// "Find what", ready to search the texts of subs. Positions are units of the text searched.
/// Keeps working buffers between calls: one search at a time.
class Text_Search {
public:
    /// False, with error_text, for an empty text or an expression that is not valid.
    bool prepare(std::u16string_view find, const Replace_Options& options, std::u16string* error_text = nullptr);
    /// The first match that starts at or after `from`.
    Regex_Result find(std::u16string_view text, std::size_t from, Regex_Match& match) const;
    /// Every match, left to right and apart; after an empty match the next starts one
    /// character further.
    Regex_Result find_all(std::u16string_view text, std::vector<Regex_Match>& matches) const;
    /// The number of matches that `find_all` gives.
    Regex_Result count_all(std::u16string_view text, std::size_t& count) const;
    /// What replaces `match` of `text`: `with`, its "|" a line break and, for expressions,
    /// "$&" (the match), "$1" to "$99" (a group; nothing when it took no part), "$`" (the text
    /// before), "$'" (after) and "$$" (a "$") taken from the text.
    std::u16string replacement(std::u16string_view text, const Regex_Match& match, std::u16string_view with) const;
    /// The text with every match replaced, and their number.
    Regex_Result replace_all(std::u16string_view text, std::u16string_view with, std::u16string& result,
                             std::size_t& count) const;

private:
    /// The text as searched: its line breaks as "|" (and upper-cased for a plain search that
    /// ignores case), with the place in the text of every unit and of the end.
    void show(std::u16string_view text) const;
    Regex_Result find_shown(std::size_t from, Regex_Match& match) const;
    bool whole_word(std::size_t start, std::size_t end) const;
    void to_text_places(Regex_Match& match) const;
    /// Calls `visit` with every match, as `find_all` lists them.
    template <class Visit>
    Regex_Result each_match(std::u16string_view text, Visit visit) const;
    void append_replacement(std::u16string& out, std::u16string_view text, const Regex_Match& match,
                            std::u16string_view with) const;

    Replace_Options options;
    std::u16string needle;  ///< plain search, upper-cased when case is ignored
    Text_Regex regex;
    bool ready = false;    ///< prepared without error
    bool as_shown = true;  ///< line breaks as "|"
    mutable std::u16string_view shown;     ///< as searched, case kept
    mutable std::u16string_view haystack;  ///< as searched, case folded for a plain search
    mutable std::u16string shown_buffer, folded_buffer;
    mutable std::vector<std::size_t> origin;  ///< empty when the text is searched as it is
    mutable Regex_Match scratch;
};

/// A match in one sub of a list.
struct Sub_Match {
    std::size_t sub = no_position;
    Regex_Match match;
};

/// Where a search goes on after `match` of `text`: its end, or one character further when
/// it is empty.
std::size_t after_match(std::u16string_view text, const Regex_Match& match);

/// The subs searched: every sub when `only` is null, else the ascending positions it holds.
/// An expression that goes over its budget on a sub stops these with `gave_up` and
/// error_text naming the sub.

/// The next match from place `from` of sub `sub` on: further in that sub, then in the subs
/// after it, then from the first sub searched round to where it began.
Regex_Result find_next_match(const Sub_List& subs, const Text_Search& search, const std::vector<std::size_t>* only,
                             std::size_t sub, std::size_t from, Sub_Match& found, std::u16string* error_text = nullptr);
/// The number of matches in the subs searched.
Regex_Result count_matches(const Sub_List& subs, const Text_Search& search, const std::vector<std::size_t>* only,
                           std::size_t& count, std::u16string* error_text = nullptr);
/// One step, "replace N", that replaces every match in the subs searched; `count` is N.
/// `match` when a sub changed; `step` is left alone otherwise.
Regex_Result replace_all_step(const Sub_List& subs, const Text_Search& search, std::u16string_view with,
                              const std::vector<std::size_t>* only, History_Step& step, std::size_t& count,
                              std::u16string* error_text = nullptr);
/// The step, "replace", that replaces one match found by `find_next_match`; `resume` is the
/// place after the replacement in the new text, where the search goes on.
History_Step replace_one_step(const Sub_List& subs, const Text_Search& search, std::u16string_view with,
                              const Sub_Match& found, std::size_t& resume);
