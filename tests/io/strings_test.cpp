#include "io/strings.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(Format, Specifiers) {
    EXPECT_EQ(format(u"%u:%02u:%02u.%03u", 1u, 2u, 3u, 4u), u"1:02:03.004");
    EXPECT_EQ(format(u"%02u:%02u:%02u,%03u", 0u, 0u, 1u, 5u), u"00:00:01,005");
    EXPECT_EQ(format(u"%04u", 7u), u"0007");
    EXPECT_EQ(format(u"%08X", 0xBEEFu), u"0000BEEF");
    EXPECT_EQ(format(u"%X", 255u), u"FF");
    EXPECT_EQ(format(u"%d", -42), u"-42");
    EXPECT_EQ(format(u"%05d", -42), u"-0042");         // zero padding after the sign
    EXPECT_EQ(format(u"%s - Cuemill", u"a.srt"), u"a.srt - Cuemill");
    EXPECT_EQ(format(u"100%%"), u"100%");
    EXPECT_EQ(format(u"%u", 18446744073709551615ull), u"18446744073709551615");
    EXPECT_EQ(format(u"%02u", 123u), u"123");         // width is a minimum
    EXPECT_EQ(format(u"%u and %u", 1u), u"1 and ");    // missing argument prints nothing
    EXPECT_EQ(format(u"%5s|%-3u|", u"ab", 7u), u"   ab|7  |");
    EXPECT_EQ(format(u"50%"), u"50%");                 // a lone '%' at the end stays
    EXPECT_EQ(format(u"%q%u", 3u), u"%q3");            // unknown specifier printed as it stands
}

TEST(Format, MessagesOfOtherModules) {
    EXPECT_EQ(format(u"CreateFile() failed to open file as %s, error code %u.", u"read-only", 2u),
              u"CreateFile() failed to open file as read-only, error code 2.");
    EXPECT_EQ(format(u"file%u", 9u), u"file9");
}

TEST(ToDecimal, Values) {
    const struct { std::int64_t value; const char16_t* text; } cases[] = {
        {0, u"0"},
        {7, u"7"},
        {-7, u"-7"},
        {1234567, u"1234567"},                                  // no grouping
        {INT64_MAX, u"9223372036854775807"},
        {INT64_MIN, u"-9223372036854775808"},                   // magnitude does not fit signed
    };
    for (const auto& c : cases) EXPECT_EQ(to_decimal(c.value), c.text) << c.value;
}

TEST(ParseInt, Results) {
    const struct { const char16_t* text; bool ok; std::int32_t value; const char16_t* error; } cases[] = {
        {u"0012", true, 12, u""},
        {u"12abc", true, 12, u""},                              // rest ignored
        {u"  \t-5", true, -5, u""},                             // leading white space, sign
        {u"+9", true, 9, u""},
        {u"2147483647", true, INT_MAX, u""},
        {u"-2147483648", true, INT_MIN, u""},
        {u"2147483648", false, 0, u"stoi argument out of range"},
        {u"-2147483649", false, 0, u"stoi argument out of range"},
        {u"99999999999999999999999", false, 0, u"stoi argument out of range"},  // saturates, no wrap
        {u"abc", false, 0, u"invalid stoi argument"},
        {u"", false, 0, u"invalid stoi argument"},
        {u"-", false, 0, u"invalid stoi argument"},             // sign without digits
        {u"- 5", false, 0, u"invalid stoi argument"},
    };
    for (const auto& c : cases) {
        std::int32_t out = 77;
        std::u16string error = u"old";
        EXPECT_EQ(parse_int(c.text, out, &error), c.ok) << utf16_to_utf8(c.text);
        EXPECT_EQ(error, c.error) << utf16_to_utf8(c.text);
        EXPECT_EQ(out, c.ok ? c.value : 77) << utf16_to_utf8(c.text);  // unchanged on failure
    }
}

TEST(ParseUint, Results) {
    const struct { const char16_t* text; bool ok; std::uint32_t value; const char16_t* error; } cases[] = {
        {u"0012", true, 12, u""},
        {u"12abc", true, 12, u""},
        {u"4294967295", true, 4294967295u, u""},
        {u"-0", true, 0, u""},
        {u"4294967296", false, 0, u"stoul argument out of range"},
        {u"-1", false, 0, u"stoul argument out of range"},      // negative is not wrapped around
        {u"abc", false, 0, u"invalid stoul argument"},
        {u"\u00A0 3", true, 3, u""},                            // no-break space is white space
    };
    for (const auto& c : cases) {
        std::uint32_t out = 77;
        std::u16string error = u"old";
        EXPECT_EQ(parse_uint(c.text, out, &error), c.ok) << utf16_to_utf8(c.text);
        EXPECT_EQ(error, c.error) << utf16_to_utf8(c.text);
        EXPECT_EQ(out, c.ok ? c.value : 77u) << utf16_to_utf8(c.text);
    }
    std::uint32_t out = 0;
    EXPECT_FALSE(parse_uint(u"x", out));  // no error text wanted: still just a result
}

TEST(Trim, Cases) {
    const struct { std::u16string in; std::u16string out; } cases[] = {
        {u"\t  Hello \r", u"Hello"},
        {std::u16string(u"A\0B", 3), u"A"},                     // cut at U+0000
        {std::u16string(u" \0 B", 4), u""},
        {u"   ", u""},
        {u"", u""},
        {u"\u0085x\u00A0", u"x"},                               // NEL and no-break space
        {u"\u3000x\u2003", u"x"},                               // spaces above U+00FF
        {u"\u200Bx", u"\u200Bx"},                               // zero-width space is not white space
        {u"a b", u"a b"},                                       // inner spaces stay
        {u"\v\fz\n", u"z"},
    };
    for (const auto& c : cases) {
        std::u16string s = c.in;
        trim(s);
        EXPECT_EQ(s, c.out) << utf16_to_utf8(c.in);
        EXPECT_EQ(trimmed(c.in), c.out) << utf16_to_utf8(c.in);
    }
}

TEST(Split, Cases) {
    using V = std::vector<std::u16string>;
    const struct { const char16_t* text; const char16_t* sep; V pieces; } cases[] = {
        {u"a\r\n\r\nb\r\n", u"\r\n", {u"a", u"", u"b", u""}},
        {u"a\r\nb", u"\r\n", {u"a", u"b"}},
        {u"abc", u"\r\n", {}},                                   // no separator: no pieces
        {u"", u"\r\n", {}},
        {u"\r\n", u"\r\n", {u"", u""}},
        {u"a\n\nb", u"\n", {u"a", u"", u"b"}},
        {u"a\r\r\nb", u"\r\n", {u"a\r", u"b"}},
        {u"abc", u"", {}},                                       // empty separator
        {u"x--y---z", u"--", {u"x", u"y", u"-z"}},               // no overlaps
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split(c.text, c.sep), c.pieces) << utf16_to_utf8(c.text);
        const auto views = split_views(c.text, c.sep);
        ASSERT_EQ(views.size(), c.pieces.size());
        for (std::size_t i = 0; i < views.size(); ++i) EXPECT_EQ(views[i], c.pieces[i]);
    }
}

TEST(ReplaceAll, Cases) {
    const struct { const char16_t* text; const char16_t* what; const char16_t* with; const char16_t* out; } cases[] = {
        {u"x\r\ny\r\n", u"\r\n", u"|", u"x|y|"},
        {u"aaa", u"aa", u"b", u"ba"},                            // left to right, no overlaps
        {u"abc", u"", u"X", u"abc"},                             // empty what
        {u"", u"a", u"b", u""},
        {u"aXa", u"a", u"aa", u"aaXaa"},                         // replacement not searched again
        {u"abc", u"abc", u"", u""},
    };
    for (const auto& c : cases) {
        std::u16string s = c.text;
        replace_all(s, c.what, c.with);
        EXPECT_EQ(s, c.out) << utf16_to_utf8(c.text);
    }
}

TEST(UpperCase, AsciiAndLatin1) {
    const struct { char16_t in; char16_t out; } cases[] = {
        {u'a', u'A'}, {u'z', u'Z'}, {u'A', u'A'}, {u'1', u'1'}, {u'{', u'{'},
        {0x00E9, 0x00C9},   // e acute
        {0x00E0, 0x00C0},
        {0x00FE, 0x00DE},   // thorn
        {0x00F7, 0x00F7},   // division sign has no case
        {0x00DF, 0x00DF},   // sharp s stays
        {0x00FF, 0x0178},   // y diaeresis leaves Latin-1
        {0x00B5, 0x00B5},   // micro sign stays
        {0x00C9, 0x00C9},
        {0x03B1, 0x0391},   // Greek alpha
        {0x0436, 0x0416},   // Cyrillic zhe
    };
    for (const auto& c : cases) EXPECT_EQ(to_upper(c.in), c.out) << std::hex << unsigned(c.in);
    std::u16string s = u"Caf\u00e9 \u00ff";
    to_upper(s);
    EXPECT_EQ(s, u"CAF\u00c9 \u0178");
}

TEST(CompareNocase, Equality) {
    EXPECT_EQ(compare_nocase(u".SRT", u".srt"), 0);
    EXPECT_EQ(compare_nocase(u"\u00e9", u"\u00c9"), 0);
    EXPECT_NE(compare_nocase(u".srt", u".sr"), 0);
    EXPECT_NE(compare_nocase(u"a", u"b"), 0);
    EXPECT_LT(compare_nocase(u"a", u"B"), 0);
    EXPECT_GT(compare_nocase(u"C", u"b"), 0);
}

TEST(FindNocase, Cases) {
    const struct { const char16_t* text; const char16_t* needle; std::size_t at; } cases[] = {
        {u"Hello World", u"WORLD", 6},
        {u"Hello World", u"", 0},                                // empty needle
        {u"", u"", 0},
        {u"", u"a", not_found},
        {u"abc", u"abcd", not_found},
        {u"Caf\u00c9", u"\u00e9", 3},                            // Latin-1 letters fold too
        {u"aaa", u"AA", 0},
        {u"xyz", u"q", not_found},
    };
    for (const auto& c : cases) EXPECT_EQ(find_nocase(c.text, c.needle), c.at) << utf16_to_utf8(c.text);
}

TEST(HasExtension, Cases) {
    const struct { const char16_t* path; const char16_t* ext; bool result; } cases[] = {
        {u"Movie.SRT", u".srt", true},
        {u"Movie.srt", u"srt", true},                            // dot added
        {u"Moviesrt", u"srt", false},                            // the dot is part of it
        {u"", u".srt", false},
        {u"a.srt", u"", false},
        {u"srt", u".srt", false},                                // longer than the path
        {u".srt", u".srt", true},
        {u"C:\\a\\b.mp4", u".MP4", true},
        {u"b.mp4.txt", u".mp4", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(has_extension(c.path, c.ext), c.result) << utf16_to_utf8(c.path) << " " << utf16_to_utf8(c.ext);
}

TEST(ReplaceExtension, Cases) {
    const struct { const char16_t* path; const char16_t* ext; const char16_t* out; } cases[] = {
        {u"C:\\films\\movie.srt", u".avi", u"C:\\films\\movie.avi"},
        {u"C:\\a.b\\movie", u".avi", u"C:\\a.avi"},              // '.' in a folder name counts
        {u"movie", u"avi", u"movie.avi"},
        {u"movie.", u".avi", u"movie.avi"},
        {u"a.tar.gz", u"srt", u"a.tar.srt"},
        {u"", u".srt", u".srt"},
    };
    for (const auto& c : cases) {
        std::u16string p = c.path;
        replace_extension(p, c.ext);
        EXPECT_EQ(p, c.out) << utf16_to_utf8(c.path);
    }
}

TEST(FileNameOf, Cases) {
    EXPECT_EQ(file_name_of(u"C:\\films\\movie.srt"), u"movie.srt");
    EXPECT_EQ(file_name_of(u"movie.srt"), u"movie.srt");
    EXPECT_EQ(file_name_of(u"C:\\films\\"), u"");
    EXPECT_EQ(file_name_of(u"a/b.srt"), u"a/b.srt");  // only '\' separates
}

TEST(GroupThousands, Cases) {
    const struct { std::int32_t n; const char16_t* text; } cases[] = {
        {0, u"0"}, {999, u"999"}, {1000, u"1,000"}, {1234567, u"1,234,567"}, {-1500, u"-1,500"},
        {-999, u"-999"}, {100000, u"100,000"},
        {INT_MAX, u"2,147,483,647"},
        {INT_MIN, u"-2,147,483,648"},                            // magnitude overflows int32
    };
    for (const auto& c : cases) EXPECT_EQ(group_thousands(c.n), c.text) << c.n;
}

TEST(FormatFileSize, Cases) {
    const struct { std::uint64_t size; const char16_t* text; } cases[] = {
        {0, u"0 bytes"},
        {1, u"1 bytes"},
        {1999, u"1,999 bytes"},
        {2000, u"2,000 bytes"},
        {2001, u"2.0 KB"},
        {2050, u"2.1 KB"},                                       // half rounds away from zero
        {2049, u"2.0 KB"},
        {123456, u"123.5 KB"},
        {1234567, u"1,234.6 KB"},
        {2999, u"3.0 KB"},                                       // tenths reach ten: carry
        {2950, u"3.0 KB"},
        {999999, u"1,000.0 KB"},
        {4294967295ull, u"4,294,967.3 KB"},
        {10000000000000ull, u"10,000,000,000.0 KB"},             // beyond 32 bits
    };
    for (const auto& c : cases) EXPECT_EQ(format_file_size(c.size), c.text) << c.size;
}

TEST(SplitCommandLine, Cases) {
    using V = std::vector<std::u16string>;
    const struct { const char16_t* line; V args; } cases[] = {
        {u"cuemill.exe \"C:\\My Films\\a.srt\" x", {u"cuemill.exe", u"C:\\My Films\\a.srt", u"x"}},
        {u"", {}},
        {u"   ", {}},
        {u"a  b\tc", {u"a", u"b", u"c"}},
        {u"\"\"", {u""}},                                        // empty quoted argument
        {u"a \"b c", {u"a"}},                                    // unpaired quote ends the scan
        {u"ab\"c d\"e", {u"ab", u"c d", u"e"}},                  // a quote ends a bare argument
        {u"a\\\"b\"", {u"a\\", u"b"}},                           // no escapes
    };
    for (const auto& c : cases) EXPECT_EQ(split_command_line(c.line), c.args) << utf16_to_utf8(c.line);
}

TEST(Utf8Conversion, RoundTripAndReplacement) {
    const std::u16string text = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(utf16_to_utf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(text)), text);
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, char16_t(0xDC00)) + u"a"), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(utf8_to_utf16("\xFF"), u"\uFFFD");
}

}  // namespace
