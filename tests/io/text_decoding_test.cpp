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
        {b("a\xC2\xA0z"), Text_Encoding::ansi},                          // no-break space is not enough
        {b("a\xC2\xA1"), Text_Encoding::utf8},                           // inverted exclamation mark
        {b("a\xC3\xBF"), Text_Encoding::utf8},                           // y diaeresis, last of the range
        {b("abc\xC3"), Text_Encoding::ansi},                             // lead byte at the very end
        {b("\xCE\xB1\xCE\xB2"), Text_Encoding::ansi},                    // Greek only
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
        {b("a\xC2\xA0"), u"a\u00c2\u00a0"},                              // read as Windows-1252
        {b({0x41, 0x00, 0x42}), u"A"},                                   // cut at U+0000
        {b({0x00, 0x41}), u""},
        {b("\x80\x8A\x9F\x81\x8D\x8F\x90\x9D"), u"\u20ac\u0160\u0178\u0081\u008d\u008f\u0090\u009d"},
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
    const struct { Bytes bytes; const char16_t* message; } cases[] = {
        {b({0xFE, 0xFF, 0x00, 0x41}), u"UTF-16 big endian: encoding not implemented."},
        {b({0xFF, 0xFE, 0x41, 0x00}), u"UTF-16 little endian: encoding not implemented."},
        {b({0x00, 0x00, 0xFE, 0xFF}), u"UTF-32 big endian: encoding not implemented."},
        {b({0xFF, 0xFE, 0x00, 0x00}), u"UTF-32 little endian: encoding not implemented."},
        {b({0x0E, 0xFE, 0xFF}), u"Standard compression scheme for Unicode: encoding not implemented."},
        {b({0xFB, 0xEE, 0x28}), u"Binary ordered compression for Unicode: encoding not implemented."},
    };
    for (const auto& c : cases) {
        std::u16string out = u"untouched";
        std::u16string error;
        EXPECT_FALSE(decode_text(c.bytes.data(), c.bytes.size(), out, &error));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(out, u"untouched");
        EXPECT_FALSE(decode_text(c.bytes.data(), c.bytes.size(), out));  // no error text wanted
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
