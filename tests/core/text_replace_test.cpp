#include "core/text_replace.h"

#include <gtest/gtest.h>

#include "io/strings.h"

namespace {

constexpr Replace_Options plain{}, exact{true, false, false}, words{false, true, false}, regex{false, false, true},
    regex_exact{true, false, true}, regex_words{false, true, true};

std::string utf8(std::u16string_view s) { return utf16_to_utf8(s); }

Sub_List document(std::initializer_list<const char16_t*> texts) {
    Sub_List subs;
    for (const char16_t* text : texts) subs.push_back({subs.size() * 1000, subs.size() * 1000 + 500, text});
    return subs;
}

}  // namespace

TEST(TextReplace, ReplacesEveryMatchInAText) {
    const struct {
        const char16_t* find;
        const char16_t* with;
        Replace_Options options;
        const char16_t* text;
        const char16_t* result;
        std::size_t count;
    } cases[] = {
        {u"hello", u"bye", plain, u"Hello hello HELLO", u"bye bye bye", 3},              // case ignored
        {u"hello", u"bye", exact, u"Hello hello", u"Hello bye", 1},                       // match case
        {u"\u00c9T\u00c9", u"x", plain, u"\u00e9t\u00e9!", u"x!", 1},                      // case ignored beyond ASCII
        {u"cat", u"dog", words, u"cat concat cats cat.", u"dog concat cats dog.", 2},     // whole words
        {u"\u00e9t\u00e9", u"X", words, u"\u00e9t\u00e9 \u00e9t\u00e9s", u"X \u00e9t\u00e9s", 1},  // accented letters are letters
        {u"\u043a\u043e\u0442", u"X", words, u"\u043a\u043e\u0442 \u043a\u043e\u0442\u0438\u043a", u"X \u043a\u043e\u0442\u0438\u043a", 1},  // Cyrillic too
        {u"ok", u"OK", words, u"\U0001F600ok\U0001F600", u"\U0001F600OK\U0001F600", 1},  // an emoji is no letter
        {u"one|two", u"one two", plain, u"one\r\ntwo", u"one two", 1},                     // "|" finds a line break
        {u" ", u"|", plain, u"a b", u"a\r\nb", 1},                                          // and writes one
        {u"|", u" ", plain, u"a\r\nb\r\nc", u"a b c", 2},                                   // every break
        {u"q", u"Q", plain, u"q|q", u"Q|Q", 2},                                             // a "|" of the text stays
        {u"\U0001F600", u"x", plain, u"a\U0001F600b", u"axb", 1},                          // a surrogate pair
        {u"(\\w+) (\\w+)", u"$2 $1", regex, u"hello world", u"world hello", 1},             // groups
        {u"o", u"[$&]$$", regex, u"foo", u"f[o]$[o]$", 2},                                  // the match and a "$"
        {u"b", u"($`-$')", regex, u"abc", u"a(a-c)c", 1},                                   // before and after
        {u"(a)|b", u"[$1]", regex, u"b", u"[]", 1},                                         // a group that took no part
        {u"(a)", u"$2$0", regex, u"a", u"$2$0", 1},                                         // no such group: "$" kept
        {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", u"$10$1", regex, u"abcdefghij", u"ja", 1},    // two digits when that group is there
        {u"one\\|two", u"$&!", regex, u"one\r\ntwo", u"one\r\ntwo!", 1},                   // "\|" finds a break, "$&" copies it
        {u"\\r\\n", u" ", regex, u"one\r\ntwo", u"one two", 1},                             // an expression naming the break
        {u"^\\w+", u"X", regex, u"one\r\ntwo", u"X\r\ntwo", 1},                             // "^" is the text's start
        {u"hel+o", u"x", regex, u"HELLO", u"x", 1},                                         // case ignored
        {u"hel+o", u"x", regex_exact, u"HELLO", u"HELLO", 0},                               // case matched
        {u"[\u00e0-\u00f6]+", u"x", regex, u"\u00c9T\u00c9", u"xTx", 2},                    // class members of both cases
        {u"[^a-z]", u"_", regex, u"aB1", u"aB_", 1},                                        // negated, case ignored: B is a letter
        {u".", u"x", regex, u"\U0001F600\U0001F600", u"xx", 2},                             // "." takes a whole pair
        {u"a.b", u"ok", regex, u"a\U0001F600b", u"ok", 1},                                  // within a match too
        {u"[\U0001F600-\U0001F602]", u"x", regex, u"\U0001F601!", u"x!", 1},              // a class of pairs
        {u"\\uD83D\\uDE00", u"x", regex, u"\U0001F600", u"x", 1},                           // a pair as two escapes
        {u"x*", u"-", regex, u"abc", u"-a-b-c-", 4},                                        // empty matches
        {u"a*", u"-", regex, u"aaa", u"--", 2},                                             // a long one, then an empty one
        {u"<.+?>", u"", regex, u"<i>hi</i>", u"hi", 2},                                     // lazy
        {u"<.+>", u"", regex, u"<i>hi</i>", u"", 1},                                        // greedy
        {u"cat|dog", u"pet", regex, u"cat dog", u"pet pet", 2},                             // alternatives
        {u"(\\w)\\1", u"$1", regex, u"aabbc", u"abc", 2},                                   // a back reference
        {u"(\\w)\\1", u"$1", regex, u"aAb", u"ab", 1},                                      // of either case
        {u"Mr(?=\\.)", u"Mister", regex, u"Mr. Mr", u"Mister. Mr", 1},                      // a lookahead
        {u"a(?!b)", u"X", regex, u"ab ac", u"ab Xc", 1},                                    // a negative one
        {u"\\d{2,3}", u"#", regex, u"1 12 1234", u"1 # #4", 2},                             // counted
        {u"\\d{2,}?", u"#", regex, u"1234", u"##", 2},                                      // counted, lazy
        {u"$", u"!", regex, u"ab", u"ab!", 1},                                              // the end
        {u"\\bis\\b", u"IS", regex, u"this is", u"this IS", 1},                             // word boundaries
        {u"(?:ab)+", u"x", regex, u"ababa", u"xa", 1},                                      // a group that captures nothing
        {u"\\{\\\\an8\\}", u"", regex, u"{\\an8}Top", u"Top", 1},                           // escaped punctuation
        {u"{x", u"y", regex, u"{x}", u"y}", 1},                                             // "{" that is no quantifier
        {u"\\u00e9\\x41\\t", u"-", regex_exact, u"\u00e9A\t", u"-", 1},                     // code escapes
        {u"[\\d\\s-]+", u"_", regex, u"a1 -2b", u"a_b", 1},                                 // sets and "-" in a class
        {u"\\w+", u"w", regex_words, u"ab c\u00e9", u"w c\u00e9", 1},                      // whole words: "c" goes on in an accented letter
        {u"(a|)*b", u"x", regex, u"aab", u"x", 1},                                          // a loop that may match nothing
    };
    for (const auto& c : cases) {
        Text_Search search;
        std::u16string error;
        ASSERT_TRUE(search.prepare(c.find, c.options, &error)) << utf8(c.find) << ": " << utf8(error);
        std::u16string result;
        std::size_t count = 0;
        const Regex_Result r = search.replace_all(c.text, c.with, result, count);
        if (r != Regex_Result::match) result = c.text;
        EXPECT_EQ(utf8(result), utf8(c.result)) << utf8(c.find) << " in " << utf8(c.text);
        EXPECT_EQ(count, c.count) << utf8(c.find) << " in " << utf8(c.text);
    }
}

TEST(TextReplace, InvalidExpressionsSayWhy) {
    const struct {
        const char16_t* find;
        Replace_Options options;
        const char16_t* error;
    } cases[] = {
        {u"", plain, u"Nothing to find"},                                               // nothing typed
        {u"a)", regex, u"Unmatched ')' at character 2"},                                // a stray ")"
        {u"(a", regex, u"Missing ')' at character 1"},                                  // an open group
        {u"[ab", regex, u"Missing ']' at character 1"},                                 // an open class
        {u"*a", regex, u"Nothing to repeat at character 1"},                            // a quantifier first
        {u"a**", regex, u"Nothing to repeat at character 3"},                           // two in a row
        {u"^*", regex, u"Nothing to repeat at character 2"},                            // after an anchor
        {u"{2}", regex, u"Nothing to repeat at character 1"},                           // a counted one first
        {u"[z-a]", regex, u"Range out of order in [] at character 2"},                  // a range backwards
        {u"a{3,1}", regex, u"Numbers out of order in {} at character 2"},               // counts backwards
        {u"a{1000000}", regex, u"Number too large in {} at character 2"},               // a count too large
        {u"(a)\\2", regex, u"There is no group 2 for the reference at character 4"},    // a missing group
        {u"a\\", regex, u"Nothing after \\ at character 2"},                            // a trailing backslash
        {u"(?<n>a)", regex, u"Unsupported kind of group at character 1"},               // named groups
        {u"(a{1000}){1000}", regex, u"The expression is too long"},                     // too large a program
    };
    for (const auto& c : cases) {
        Text_Search search;
        std::u16string error;
        EXPECT_FALSE(search.prepare(c.find, c.options, &error)) << utf8(c.find);
        EXPECT_EQ(utf8(error), utf8(c.error)) << utf8(c.find);
        Regex_Match match;
        EXPECT_EQ(search.find(u"a)(a*", 0, match), Regex_Result::no_match) << "a failed search finds nothing";
    }
    // The same texts without the expression box are plain text, and valid.
    Text_Search search;
    EXPECT_TRUE(search.prepare(u"a)", plain));
}

TEST(TextReplace, AnExpressionThatWouldRunForeverGivesUp) {
    Text_Search search;
    ASSERT_TRUE(search.prepare(u"(a*)*b", regex));
    std::u16string result;
    std::size_t count = 7;
    EXPECT_EQ(search.replace_all(std::u16string(40, u'a'), u"x", result, count), Regex_Result::gave_up);
    EXPECT_EQ(count, 0u);
    std::u16string error;
    EXPECT_EQ(count_matches(document({u"fine", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}), search, nullptr, count, &error),
              Regex_Result::gave_up);
    EXPECT_EQ(utf8(error), "The expression takes too long on sub #2");
}

TEST(TextReplace, FindsFromAPlaceOnInTheTextsUnits) {
    const struct {
        const char16_t* text;
        std::size_t from;
        std::size_t start, end;  // of the match; start == end == 99 for none
    } cases[] = {
        {u"ab ab", 0, 0, 2},            // the first
        {u"ab ab", 1, 3, 5},            // the next one
        {u"ab ab", 5, 99, 99},          // none after the last
        {u"x\r\nab", 0, 3, 5},          // places count the text's "\r\n" as two units
        {u"x\r\nab", 2, 3, 5},          // a place inside a break
    };
    Text_Search search;
    ASSERT_TRUE(search.prepare(u"ab", plain));
    for (const auto& c : cases) {
        Regex_Match match;
        const bool found = search.find(c.text, c.from, match) == Regex_Result::match;
        EXPECT_EQ(found ? match.start() : 99, c.start) << utf8(c.text) << " from " << c.from;
        EXPECT_EQ(found ? match.end() : 99, c.end) << utf8(c.text) << " from " << c.from;
    }
}

TEST(TextReplace, NextMatchGoesOnThroughTheListAndRound) {
    const Sub_List subs = document({u"ab", u"none", u"x ab ab", u"none", u"ab"});
    const std::vector<std::size_t> selected{1, 2, 3};
    const struct {
        const std::vector<std::size_t>* only;
        std::size_t sub, from;
        std::size_t found_sub, found_at;
    } cases[] = {
        {nullptr, 0, 0, 0, 0},          // at the place itself
        {nullptr, 0, 1, 2, 2},          // further on, in a later sub
        {nullptr, 2, 3, 2, 5},          // further in the same sub
        {nullptr, 2, 6, 4, 0},          // the next sub
        {nullptr, 4, 1, 0, 0},          // round from the top
        {nullptr, 99, 0, 0, 0},         // from nowhere: the top
        {&selected, 0, 0, 2, 2},        // only the selected subs
        {&selected, 2, 6, 2, 2},        // round within them
        {&selected, 4, 0, 2, 2},        // from a sub outside them
    };
    Text_Search search;
    ASSERT_TRUE(search.prepare(u"ab", plain));
    for (const auto& c : cases) {
        Sub_Match found;
        ASSERT_EQ(find_next_match(subs, search, c.only, c.sub, c.from, found), Regex_Result::match) << c.sub << "/" << c.from;
        EXPECT_EQ(found.sub, c.found_sub) << c.sub << "/" << c.from;
        EXPECT_EQ(found.match.start(), c.found_at) << c.sub << "/" << c.from;
    }
    Sub_Match found;
    const std::vector<std::size_t> without{1, 3};
    EXPECT_EQ(find_next_match(subs, search, &without, 0, 0, found), Regex_Result::no_match);
    std::size_t count = 0;
    EXPECT_EQ(count_matches(subs, search, nullptr, count), Regex_Result::match);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(count_matches(subs, search, &selected, count), Regex_Result::match);
    EXPECT_EQ(count, 2u);
}

TEST(TextReplace, ReplaceAllIsOneStepThatUndoes) {
    const Sub_List subs = document({u"red\r\nred", u"blue", u"Red", u"red"});
    Text_Search search;
    ASSERT_TRUE(search.prepare(u"red", plain));
    History_Step step;
    std::size_t count = 0;
    ASSERT_EQ(replace_all_step(subs, search, u"green", nullptr, step, count), Regex_Result::match);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(utf8(step.name), "replace 4");
    EXPECT_EQ(step.removed_at, (std::vector<std::size_t>{0, 2, 3}));
    EXPECT_EQ(step.inserted_at, step.removed_at);
    ASSERT_EQ(step.inserted.size(), 3u);
    EXPECT_EQ(utf8(step.inserted[0].text), "green\r\ngreen");
    EXPECT_EQ(step.inserted[1].start, 2000u);  // times kept

    History history;
    Sub_List doc = subs;
    ASSERT_TRUE(apply_change(doc, step.removed_at, step.inserted_at, step.inserted));
    history.record(step);
    ASSERT_TRUE(history.undo(doc));
    EXPECT_TRUE(lists_equal(doc, subs));

    // Only the selected subs; a replacement that changes nothing makes no step.
    const std::vector<std::size_t> only{1, 2};
    ASSERT_EQ(replace_all_step(subs, search, u"green", &only, step, count), Regex_Result::match);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(step.removed_at, (std::vector<std::size_t>{2}));
    History_Step untouched;
    ASSERT_TRUE(search.prepare(u"blue", exact));
    EXPECT_EQ(replace_all_step(subs, search, u"blue", nullptr, untouched, count), Regex_Result::no_match);
    EXPECT_TRUE(untouched.name.empty());
}

TEST(TextReplace, ReplaceOneGoesOnAfterTheReplacement) {
    const Sub_List subs = document({u"aa a", u"x*y"});
    const struct {
        const char16_t* find;
        Replace_Options options;
        const char16_t* with;
        std::size_t sub;
        const char16_t* text;
        std::size_t resume;
    } cases[] = {
        {u"a", plain, u"aa", 0, u"aaa a", 2},   // the replacement holds the text searched: skipped
        {u"\\*", regex, u"|", 1, u"x\r\ny", 3},  // after the line break written
        {u"q*", regex, u"-", 0, u"-aa a", 2},    // empty: one character further
    };
    for (const auto& c : cases) {
        Text_Search search;
        ASSERT_TRUE(search.prepare(c.find, c.options));
        Sub_Match found;
        ASSERT_EQ(find_next_match(subs, search, nullptr, c.sub, 0, found), Regex_Result::match);
        std::size_t resume = 0;
        const History_Step step = replace_one_step(subs, search, c.with, found, resume);
        EXPECT_EQ(utf8(step.name), "replace");
        EXPECT_EQ(step.removed_at, (std::vector<std::size_t>{c.sub}));
        ASSERT_EQ(step.inserted.size(), 1u);
        EXPECT_EQ(utf8(step.inserted[0].text), utf8(c.text)) << utf8(c.find);
        EXPECT_EQ(resume, c.resume) << utf8(c.find);
    }
}
