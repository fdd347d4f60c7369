#include "core/text_replace.h"

#include <algorithm>

#include "core/code_points.h"
#include "io/strings.h"

namespace {

std::size_t next_character(std::u16string_view text, std::size_t at) {
    std::size_t length = 1;
    if (at < text.size()) code_point_at(text, at, length);
    return at + length;
}

std::u16string gave_up_text(std::size_t sub) {
    return format(u"The expression takes too long on sub #%u", static_cast<unsigned long long>(sub + 1));
}

// Visits the subs searched, in order from the first at or after `first`, while `visit` (given
// a position) returns true.
template <class Visit>
void for_each_sub(const Sub_List& subs, const std::vector<std::size_t>* only, std::size_t first, Visit visit) {
    if (!only) {
        for (std::size_t k = first; k < subs.size(); ++k)
            if (!visit(k)) return;
        return;
    }
    for (auto it = std::lower_bound(only->begin(), only->end(), first); it != only->end(); ++it)
        if (*it < subs.size() && !visit(*it)) return;
}

// Runs `each` (a position, giving how its search went) over the subs searched, and stops at
// the first that gives up, naming it in error_text. `match` when any found one.
template <class Each>
Regex_Result search_subs(const Sub_List& subs, const std::vector<std::size_t>* only, std::u16string* error_text,
                         Each each) {
    if (error_text) error_text->clear();
    Regex_Result result = Regex_Result::no_match;
    for_each_sub(subs, only, 0, [&](std::size_t k) {
        const Regex_Result r = each(k);
        if (r == Regex_Result::gave_up && error_text) *error_text = gave_up_text(k);
        if (r != Regex_Result::no_match) result = r;
        return r != Regex_Result::gave_up;
    });
    return result;
}

}  // namespace

bool Text_Search::prepare(std::u16string_view find, const Replace_Options& chosen, std::u16string* error_text) {
    options = chosen;
    ready = false;
    needle.clear();
    regex.compile(u"", false);
    as_shown = true;
    if (find.empty()) {
        if (error_text) *error_text = u"Nothing to find";
        return false;
    }
    if (options.regular_expression) {
        if (!regex.compile(find, !options.match_case, error_text)) return false;
        as_shown = !regex.names_line_breaks();
    } else {
        needle = find;
        if (!options.match_case) to_upper(needle);
    }
    if (error_text) error_text->clear();
    ready = true;
    return true;
}

void Text_Search::show(std::u16string_view text) const {
    origin.clear();
    shown = text;
    if (as_shown && text.find(u"\r\n") != std::u16string_view::npos) {
        shown_buffer.clear();
        for (std::size_t i = 0; i < text.size(); ++i) {
            origin.push_back(i);
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                shown_buffer += u'|';
                ++i;
            } else {
                shown_buffer += text[i];
            }
        }
        origin.push_back(text.size());
        shown = shown_buffer;
    }
    haystack = shown;
    if (!options.regular_expression && !options.match_case) {
        folded_buffer.assign(shown);
        to_upper(folded_buffer);
        haystack = folded_buffer;
    }
}

bool Text_Search::whole_word(std::size_t start, std::size_t end) const {
    // A word may not go on past either end of the match.
    const auto boundary = [this](std::size_t at) {
        std::size_t length = 1;
        const bool before = at > 0 && is_word_character(code_point_before(shown, at, length));
        const bool after = at < shown.size() && is_word_character(code_point_at(shown, at, length));
        return !(before && after);
    };
    return boundary(start) && boundary(end);
}

Regex_Result Text_Search::find_shown(std::size_t from, Regex_Match& match) const {
    for (std::size_t at = from; at <= shown.size();) {
        if (options.regular_expression) {
            const Regex_Result result = regex.search(shown, at, match);
            if (result != Regex_Result::match) return result;
        } else {
            const std::size_t found = haystack.find(needle, at);
            if (found == std::u16string_view::npos) return Regex_Result::no_match;
            match.bounds = {found, found + needle.size()};
        }
        if (!options.whole_words || whole_word(match.start(), match.end())) return Regex_Result::match;
        if (match.start() >= shown.size()) break;
        at = next_character(shown, match.start());
    }
    return Regex_Result::no_match;
}

void Text_Search::to_text_places(Regex_Match& match) const {
    if (origin.empty()) return;
    for (std::size_t& place : match.bounds)
        if (place != Regex_Match::unset) place = origin[place];
}

Regex_Result Text_Search::find(std::u16string_view text, std::size_t from, Regex_Match& match) const {
    if (!ready || from > text.size()) return Regex_Result::no_match;
    show(text);
    // The first unit shown at or after the place in the text.
    const std::size_t at = origin.empty() ? from : std::lower_bound(origin.begin(), origin.end(), from) - origin.begin();
    const Regex_Result result = find_shown(at, match);
    if (result == Regex_Result::match) to_text_places(match);
    return result;
}

template <class Visit>
Regex_Result Text_Search::each_match(std::u16string_view text, Visit visit) const {
    if (!ready) return Regex_Result::no_match;
    show(text);
    Regex_Result found = Regex_Result::no_match;
    for (std::size_t at = 0; at <= shown.size();) {
        const Regex_Result result = find_shown(at, scratch);
        if (result == Regex_Result::gave_up) return result;
        if (result == Regex_Result::no_match) break;
        at = after_match(shown, scratch);
        to_text_places(scratch);
        visit(scratch);
        found = result;
    }
    return found;
}

Regex_Result Text_Search::find_all(std::u16string_view text, std::vector<Regex_Match>& matches) const {
    matches.clear();
    return each_match(text, [&](const Regex_Match& match) { matches.push_back(match); });
}

Regex_Result Text_Search::count_all(std::u16string_view text, std::size_t& count) const {
    count = 0;
    return each_match(text, [&](const Regex_Match&) { ++count; });
}

std::u16string Text_Search::replacement(std::u16string_view text, const Regex_Match& match,
                                        std::u16string_view with) const {
    std::u16string out;
    append_replacement(out, text, match, with);
    return out;
}

void Text_Search::append_replacement(std::u16string& out, std::u16string_view text, const Regex_Match& match,
                                     std::u16string_view with) const {
    const auto piece = [&](std::size_t from, std::size_t to) {
        if (from != Regex_Match::unset && to != Regex_Match::unset && from <= to && to <= text.size())
            out.append(text.substr(from, to - from));
    };
    const auto digit = [&](std::size_t i) { return i < with.size() && with[i] >= u'0' && with[i] <= u'9' ? with[i] - u'0' : -1; };
    const std::size_t groups = match.groups() > 0 ? match.groups() - 1 : 0;
    for (std::size_t i = 0; i < with.size(); ++i) {
        const char16_t c = with[i];
        if (c == u'|') {
            out += u"\r\n";
            continue;
        }
        if (options.regular_expression && c == u'$' && i + 1 < with.size()) {
            const char16_t next = with[i + 1];
            const int one = digit(i + 1), two = one >= 0 && digit(i + 2) >= 0 ? one * 10 + digit(i + 2) : -1;
            if (next == u'$') {
                out += u'$';
            } else if (next == u'&') {
                piece(match.start(), match.end());
            } else if (next == u'`') {
                piece(0, match.start());
            } else if (next == u'\'') {
                piece(match.end(), text.size());
            } else if (two >= 1 && static_cast<std::size_t>(two) <= groups) {
                piece(match.start(static_cast<std::size_t>(two)), match.end(static_cast<std::size_t>(two)));
                ++i;
            } else if (one >= 1 && static_cast<std::size_t>(one) <= groups) {
                piece(match.start(static_cast<std::size_t>(one)), match.end(static_cast<std::size_t>(one)));
            } else {
                out += c;  // no such reference: the "$" itself
                continue;
            }
            ++i;
            continue;
        }
        out += c;
    }
}

Regex_Result Text_Search::replace_all(std::u16string_view text, std::u16string_view with, std::u16string& result,
                                      std::size_t& count) const {
    count = 0;
    std::size_t kept = 0;
    const Regex_Result found = each_match(text, [&](const Regex_Match& match) {
        if (count++ == 0) result.clear();
        result.append(text.substr(kept, match.start() - kept));
        append_replacement(result, text, match, with);
        kept = match.end();
    });
    if (found == Regex_Result::gave_up) count = 0;
    if (found != Regex_Result::match) return found;
    result.append(text.substr(kept));
    return found;
}

std::size_t after_match(std::u16string_view text, const Regex_Match& match) {
    return match.end() > match.start() ? match.end() : next_character(text, match.end());
}

Regex_Result find_next_match(const Sub_List& subs, const Text_Search& search, const std::vector<std::size_t>* only,
                             std::size_t sub, std::size_t from, Sub_Match& found, std::u16string* error_text) {
    if (error_text) error_text->clear();
    Regex_Result result = Regex_Result::no_match;
    const auto look = [&](std::size_t k, std::size_t at, std::size_t before) {
        Regex_Match match;
        const Regex_Result r = search.find(subs[k].text, at, match);
        if (r == Regex_Result::gave_up) {
            found.sub = k;
            if (error_text) *error_text = gave_up_text(k);
            result = r;
            return false;
        }
        if (r == Regex_Result::match && match.start() < before) {
            found = {k, match};
            result = r;
            return false;
        }
        return true;
    };
    const std::size_t none = static_cast<std::size_t>(-1);
    if (sub >= subs.size()) sub = from = 0;
    // From the place on, then the rest of the list, then round from the top to the place.
    const bool searched = !only || std::binary_search(only->begin(), only->end(), sub);
    bool going = !searched || look(sub, from, none);
    if (going) for_each_sub(subs, only, sub + 1, [&](std::size_t k) { return going = look(k, 0, none); });
    if (going) for_each_sub(subs, only, 0, [&](std::size_t k) {
        if (k > sub) return false;
        return going = look(k, 0, k == sub ? from : none);
    });
    return result;
}

Regex_Result count_matches(const Sub_List& subs, const Text_Search& search, const std::vector<std::size_t>* only,
                           std::size_t& count, std::u16string* error_text) {
    count = 0;
    return search_subs(subs, only, error_text, [&](std::size_t k) {
        std::size_t here = 0;
        const Regex_Result r = search.count_all(subs[k].text, here);
        count += here;
        return r;
    });
}

Regex_Result replace_all_step(const Sub_List& subs, const Text_Search& search, std::u16string_view with,
                              const std::vector<std::size_t>* only, History_Step& step, std::size_t& count,
                              std::u16string* error_text) {
    count = 0;
    History_Step made;
    std::u16string text;
    const Regex_Result result = search_subs(subs, only, error_text, [&](std::size_t k) {
        std::size_t here = 0;
        const Regex_Result r = search.replace_all(subs[k].text, with, text, here);
        count += here;
        if (here > 0 && text != subs[k].text) {
            made.removed_at.push_back(k);
            made.removed.push_back(subs[k]);
            made.inserted.push_back({subs[k].start, subs[k].end, text});
        }
        return r;
    });
    if (result == Regex_Result::gave_up) {
        count = 0;
        return result;
    }
    if (made.removed.empty()) return Regex_Result::no_match;
    made.name = format(u"replace %u", static_cast<unsigned long long>(count));
    made.inserted_at = made.removed_at;
    step = std::move(made);
    return Regex_Result::match;
}

History_Step replace_one_step(const Sub_List& subs, const Text_Search& search, std::u16string_view with,
                              const Sub_Match& found, std::size_t& resume) {
    const Sub_Item& sub = subs[found.sub];
    const std::u16string_view text = sub.text;
    const std::u16string put = search.replacement(text, found.match, with);
    Sub_Item changed{sub.start, sub.end, std::u16string(text.substr(0, found.match.start()))};
    changed.text += put;
    resume = changed.text.size();
    changed.text.append(text.substr(found.match.end()));
    // An empty match replaced: the search goes on one character further.
    if (found.match.end() == found.match.start()) resume = after_match(changed.text, {{resume, resume}});
    return {u"replace", {found.sub}, {sub}, {found.sub}, {changed}, 0};
}
