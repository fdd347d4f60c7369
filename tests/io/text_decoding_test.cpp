#include "io/text_decoding.h"

#include "io/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes b(std::initializer_list<int> list) {
    Bytes out;
    for (int v : list) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

// From a literal, embedded zero bytes included.
template <std::size_t N>
Bytes b(const char (&s)[N]) {
    return Bytes(s, s + N - 1);
}

TEST(DetectEncoding, Marks) {
    const struct { Bytes bytes; Text_Encoding encoding; std::size_t mark; } cases[] = {
        {b({0xEF, 0xBB, 0xBF, 0x41}), Text_Encoding::utf8, 3},
        {b({0xEF, 0xBB, 0xBF}), Text_Encoding::utf8, 3},                 // mark only
        {b({0xFE, 0xFF, 0x00, 0x41}), Text_Encoding::utf16_be, 2},
        {b({0xFF, 0xFE, 0x00, 0x00}), Text_Encoding::utf32_le, 4},       // before UTF-16 LE
        {b({0xFF, 0xFE, 0x41, 0x00}), Text_Encoding::utf16_le, 2},
        {b({0xFF, 0xFE, 0x00}), Text_Encoding::utf16_le, 2},             // too short for UTF-32
        {b({0x00, 0x00, 0xFE, 0xFF}), Text_Encoding::utf32_be, 4},
        {b({0x0E, 0xFE, 0xFF}), Text_Encoding::scsu, 3},
        {b({0xFB, 0xEE, 0x28, 0x41}), Text_Encoding::bocu1, 3},
        {b({0xEF, 0xBB}), Text_Encoding::ansi, 0},                       // truncated mark
    };
    for (const auto& c : cases) {
        const Encoding_Detection d = detect_encoding(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(d.encoding, c.encoding) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(d.mark_length, c.mark) << ::testing::PrintToString(c.bytes);
    }
}

TEST(DetectEncoding, Guesses) {
    const struct { Bytes bytes; Text_Encoding encoding; } cases[] = {
        {b("Caf\xC3\xA9"), Text_Encoding::utf8},                         // e acute in UTF-8
        {b("Caf\xE9"), Text_Encoding::ansi},                             // the same in Windows-1252
        {b("a\xC2\xA0z"), Text_Encoding::utf8},                          // a no-break space in UTF-8
        {b("a\xC2\xA1"), Text_Encoding::utf8},                           // inverted exclamation mark
        {b("a\xC3\xBF"), Text_Encoding::utf8},                           // y diaeresis, last of the range
        {b("abc\xC3"), Text_Encoding::ansi},                             // lead byte at the very end
        {b("\xCE\xB1\xCE\xB2"), Text_Encoding::utf8},                    // Greek only, in UTF-8
        {b("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
           "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9 \xE9"), Text_Encoding::utf8},   // one stray byte among sixteen good
        {b("\xC3\xA9\xC3\xA9\xC3\xA9 \xE9"), Text_Encoding::ansi},         // too few good ones to outweigh it
        {b("\xC3\xA9 caf\xE9"), Text_Encoding::ansi},                     // a UTF-8 pair in a 1252 file
        {b("\xB5\xC4\xC3\xA8\xCA\xF6"), Text_Encoding::ansi},           // GBK holding C3 A8: not UTF-8
        {b("\xE2\x80\x9Cq\xE2\x80\x9D \xC3\xA9"), Text_Encoding::utf8},  // pair found after other bytes
        {b("plain text"), Text_Encoding::ascii},
        {b(""), Text_Encoding::ascii},
        {b("0123456789abcdef\xC3\xA9"), Text_Encoding::utf8},            // past the eight-byte skip
        {b("0123456\xC3\xA9" "0123456789"), Text_Encoding::utf8},        // pair across a word boundary
    };
    for (const auto& c : cases) {
        const Encoding_Detection d = detect_encoding(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(d.encoding, c.encoding) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(d.mark_length, 0u);
    }
}

TEST(DecodeText, Results) {
    const struct { Bytes bytes; std::u16string text; } cases[] = {
        {b({0xEF, 0xBB, 0xBF, 0x41}), u"A"},                             // the mark is not text
        {b({0xEF, 0xBB, 0xBF}), u""},
        {b("Caf\xC3\xA9"), u"Caf\u00e9"},
        {b("Caf\xE9"), u"Caf\u00e9"},
        {b("a\xC2\xA0"), u"a\u00a0"},                                     // UTF-8 without a mark
        {b({0x41, 0x00, 0x42}), u"A"},                                   // cut at U+0000
        {b({0x00, 0x41}), u""},
        {b("\xEF\xBB\xBF\xE2\x82\xAC \xF0\x9F\x98\x80"), u"\u20ac \U0001F600"},
        {b("\xEF\xBB\xBF" "a\xFF" "b"), u"a\uFFFDb"},                   // invalid byte replaced
        {b("\xEF\xBB\xBF\xE2\x82"), u"\uFFFD"},                          // truncated at the end
        {b("\xEF\xBB\xBF\xE2\x82" "a"), u"\uFFFDa"},                     // truncated, then ASCII
        {b("\xEF\xBB\xBF\xC0\xAF"), u"\uFFFD\uFFFD"},                    // overlong form
        {b("\xEF\xBB\xBF\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"},          // encoded surrogate
        {b("\xEF\xBB\xBF\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {b("\xEF\xBB\xBF\xF0\x9F\x98"), u"\uFFFD"},                      // three of four bytes
        {b("\xEF\xBB\xBF" "abcdefgh\xC3\xA9ijklmnop"), u"abcdefgh\u00e9ijklmnop"},
        {b("\xEF\xBB\xBF\xC3\xA9\x00\xC3\xA9"), u"\u00e9"},             // cut in UTF-8 too
    };
    for (const auto& c : cases) {
        std::u16string out = u"old";
        std::u16string error = u"old";
        EXPECT_TRUE(decode_text(c.bytes.data(), c.bytes.size(), out, &error)) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(out, c.text) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(error, u"");
    }
}

TEST(DecodeText, Failures) {
    const struct { Bytes bytes; unsigned code_page; const char16_t* message; } cases[] = {
        {b({0x0E, 0xFE, 0xFF}), 0, u"Standard compression scheme for Unicode: encoding not implemented."},
        {b({0xFB, 0xEE, 0x28}), 0, u"Binary ordered compression for Unicode: encoding not implemented."},
        {b("abc"), 12345, u"Failed to parse: unknown encoding."},   // a code page not read
        {b("abc"), 20127, u"Failed to parse: unknown encoding."},
    };
    for (const auto& c : cases) {
        std::u16string out = u"untouched";
        std::u16string error;
        EXPECT_FALSE(decode_text(c.bytes.data(), c.bytes.size(), out, &error, c.code_page));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(out, u"untouched");
        EXPECT_FALSE(decode_text(c.bytes.data(), c.bytes.size(), out, nullptr, c.code_page));  // no error text wanted
    }
}

TEST(DecodeText, Utf16AndUtf32) {
    const struct { Bytes bytes; std::u16string text; unsigned read_as; } cases[] = {
        {b({0xFF, 0xFE, 0x41, 0x00}), u"A", 1200},
        {b({0xFE, 0xFF, 0x00, 0x41}), u"A", 1201},
        {b({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}), u"\U0001F600", 1200},              // a surrogate pair kept
        {b({0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00, 0x00, 0x42}), u"\U0001F600B", 1201},
        {b({0xFF, 0xFE, 0x00, 0xD8, 0x41, 0x00}), u"\uFFFDA", 1200},                 // high surrogate alone
        {b({0xFF, 0xFE, 0x00, 0xDC, 0x00, 0xD8}), u"\uFFFD\uFFFD", 1200},            // low before high
        {b({0xFF, 0xFE, 0x3D, 0xD8}), u"\uFFFD", 1200},                             // high surrogate last
        {b({0xFF, 0xFE, 0x41, 0x00, 0x42}), u"A\uFFFD", 1200},                      // odd last byte
        {b({0xFF, 0xFE, 0x41, 0x00, 0x00, 0x00, 0x42, 0x00}), u"A", 1200},            // cut at U+0000
        {b({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00}), u"A", 12000},
        {b({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x01, 0xF6, 0x00}), u"\U0001F600", 12001},  // beyond the BMP
        {b({0xFF, 0xFE, 0x00, 0x00, 0x00, 0xD8, 0x00, 0x00}), u"\uFFFD", 12000},      // a surrogate value
        {b({0xFF, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x11, 0x00}), u"\uFFFD", 12000},      // above U+10FFFF
        {b({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0x42}), u"A\uFFFD", 12000},  // short last group
        {b({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00}), u"A", 12000},
    };
    for (const auto& c : cases) {
        std::u16string out = u"old";
        std::u16string error = u"old";
        unsigned read_as = 0;
        EXPECT_TRUE(decode_text(c.bytes.data(), c.bytes.size(), out, &error, 0, &read_as))
            << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(out, c.text) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(read_as, c.read_as) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(error, u"");
    }
}

TEST(DecodeText, ChosenEncoding) {
    const struct { Bytes bytes; unsigned code_page; std::u16string text; } cases[] = {
        {b("\xEF\xBB\xBF\xC3\xA9"), 65001, u"\u00e9"},                        // its own mark skipped
        {b("\xEF\xBB\xBF\xC3\xA9"), 1252, u"\u00ef\u00bb\u00bf\u00c3\u00a9"},   // another's mark is text
        {b({0x41, 0x00, 0x42, 0x00}), 1200, u"AB"},                                     // UTF-16 without a mark
        {b("\xCF\xF0\xE8"), 1251, u"\u041f\u0440\u0438"},
        {b("\xD6\xD0\xCE\xC4"), 936, u"\u4e2d\u6587"},                         // GBK
        {b("\xA4\xA4\xA4\xE5"), 950, u"\u4e2d\u6587"},                         // Big5
        {b("\x93\xFA\x96\x7B"), 932, u"\u65e5\u672c"},                         // Shift-JIS, trail byte 7B
        {b("\xB1"), 932, u"\uff71"},                                        // half-width katakana
        {b("\xC7\xD1\xB1\xB9"), 949, u"\ud55c\uad6d"},                         // Korean
        {b("A\xD6"), 936, u"A\uFFFD"},                                      // lead byte last
        {b("\xD6\r\n"), 936, u"\uFFFD\r\n"},                                 // lead byte before a line break
        {b("\xD6\xD0\x00\xD6\xD0"), 936, u"\u4e2d"},                           // cut at U+0000
        {b("\x80\x8A\x9F\x81\x8D\x8F\x90\x9D"), 1252, u"\u20ac\u0160\u0178\u0081\u008d\u008f\u0090\u009d"},  // C1 kept
        {b("\xAA"), 1253, u"\uFFFD"},                                       // undefined in Greek
        {b("\x81"), 1251, u"\u0403"},
        {b("\x98"), 1251, u"\u0098"},                                       // undefined in 80..9F
        {b("Vi\xEA\xF2t"), 1258, u"Vi\u00ea\u0323t"},                           // a tone mark on its own
        {b("\xA1"), 874, u"\u0e01"},                                        // Thai
    };
    for (const auto& c : cases) {
        std::u16string out;
        unsigned read_as = 0;
        EXPECT_TRUE(decode_text(c.bytes.data(), c.bytes.size(), out, nullptr, c.code_page, &read_as))
            << ::testing::PrintToString(c.bytes) << " in " << c.code_page;
        EXPECT_EQ(out, c.text) << ::testing::PrintToString(c.bytes) << " in " << c.code_page;
        EXPECT_EQ(read_as, c.code_page);
    }
}

TEST(DecodeText, EmptyInputLeavesEverything) {
    std::u16string out = u"before";
    std::u16string error = u"earlier";
    const std::uint8_t byte = 0x41;
    EXPECT_TRUE(decode_text(nullptr, 5, out, &error));
    EXPECT_TRUE(decode_text(&byte, 0, out, &error));
    EXPECT_EQ(out, u"before");
    EXPECT_EQ(error, u"earlier");
}

TEST(DecodeUtf8, AgreesWithReferenceOnEveryTwoAndThreeByteForm) {
    // Every well-formed scalar value outside ASCII, encoded by hand.
    std::string utf8;
    std::u16string expected;
    for (std::uint32_t cp = 0x80; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 97)) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        if (cp < 0x800) {
            utf8 += char(0xC0 | (cp >> 6));
            utf8 += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            utf8 += char(0xE0 | (cp >> 12));
            utf8 += char(0x80 | ((cp >> 6) & 0x3F));
            utf8 += char(0x80 | (cp & 0x3F));
        } else {
            utf8 += char(0xF0 | (cp >> 18));
            utf8 += char(0x80 | ((cp >> 12) & 0x3F));
            utf8 += char(0x80 | ((cp >> 6) & 0x3F));
            utf8 += char(0x80 | (cp & 0x3F));
        }
        if (cp < 0x10000) {
            expected += char16_t(cp);
        } else {
            expected += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            expected += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    std::u16string out;
    decode_utf8(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), out);
    EXPECT_EQ(out == expected, true);
    EXPECT_EQ(out.size(), expected.size());
}

TEST(DecodeWindows1252, EveryByte) {
    Bytes all;
    for (int i = 1; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    std::u16string out;
    decode_windows_1252(all.data(), all.size(), out);
    ASSERT_EQ(out.size(), 255u);
    for (int i = 1; i < 256; ++i) {
        if (i < 0x80 || i >= 0xA0) {
            EXPECT_EQ(out[i - 1], char16_t(i)) << i;  // same as Latin-1 outside 80..9F
        }
    }
    EXPECT_EQ(out[0x85 - 1], u'\u2026');  // ellipsis
    EXPECT_EQ(out[0x93 - 1], u'\u201c');  // left double quote
    EXPECT_EQ(out[0x99 - 1], u'\u2122');  // trade mark
}

}  // namespace

namespace {

// The ASCII fast paths work in blocks; a non-ASCII byte at any offset within or across
// a block must be decoded in place.
TEST(DecodeFastPaths, NonAsciiAtEveryOffset) {
    for (std::size_t at = 0; at < 40; ++at) {
        for (std::size_t tail = 0; tail < 20; tail += 7) {
            const std::string ascii_head(at, 'a');
            const std::string ascii_tail(tail, 'z');
            const std::string utf8 = ascii_head + "\xC3\xA9" + ascii_tail + "\xFF";
            std::u16string out;
            decode_utf8(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), out);
            EXPECT_EQ(out, std::u16string(at, u'a') + u"\u00e9" + std::u16string(tail, u'z') + u"\uFFFD")
                << at << " " << tail;
            const std::string cp1252 = ascii_head + "\x80" + ascii_tail + "\xE9";
            decode_windows_1252(reinterpret_cast<const std::uint8_t*>(cp1252.data()), cp1252.size(), out);
            EXPECT_EQ(out, std::u16string(at, u'a') + u"\u20ac" + std::u16string(tail, u'z') + u"\u00e9")
                << at << " " << tail;
            const std::string plain = ascii_head + "\x7F" + ascii_tail;
            decode_latin1(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(), out);
            EXPECT_EQ(out, std::u16string(at, u'a') + u"\u007f" + std::u16string(tail, u'z')) << at;
        }
    }
}

}  // namespace
