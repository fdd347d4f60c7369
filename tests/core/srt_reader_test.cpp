#include "core/srt_reader.h"
#include "io/file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "io/strings.h"
#include "tests/core/temp_folder.h"

namespace {

using namespace std::string_literals;

// Reads bytes written to a fresh file; the list starts with one marker sub.
struct Read_Result {
    bool ok;
    Sub_List list;
    std::u16string error;
};

Read_Result read_bytes(const std::string& bytes) {
    Temp_Folder folder;
    const std::u16string path = folder.write("in.srt", bytes);
    Read_Result r{false, {{7, 8, u"marker"}}, u"stale"};
    r.ok = read_srt_file(r.list, path, &r.error);
    return r;
}

const Sub_List marker = {{7, 8, u"marker"}};

std::string to_utf8(const std::u16string& s) { return utf16_to_utf8(s); }

TEST(SrtReader, Parses) {
    const struct { std::string bytes; Sub_List subs; } cases[] = {
        // the basic block; the last, empty line ends the walk
        {"1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n", {{1000, 2500, u"Hello"}}},
        // no final line break
        {"1\r\n00:00:01,000 --> 00:00:02,500\r\nHello", {{1000, 2500, u"Hello"}}},
        // no text line: the block is dropped, no message
        {"1\r\n00:00:01,000 --> 00:00:02,500", {}},
        // lines joined by CR LF, two blocks
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nTwo\r\nlines\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n",
         {{1000, 2000, u"Two\r\nlines"}, {3000, 4000, u"B"}}},
        // LF throughout reads like CR LF
        {"1\n00:00:01,000 --> 00:00:02,000\nTwo\nlines\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n",
         {{1000, 2000, u"Two\r\nlines"}, {3000, 4000, u"B"}}},
        // CR only
        {"1\r00:00:01,000 --> 00:00:02,000\rTwo\rlines\r\r2\r00:00:03,000 --> 00:00:04,000\rB\r",
         {{1000, 2000, u"Two\r\nlines"}, {3000, 4000, u"B"}}},
        // LF CR
        {"1\n\r00:00:01,000 --> 00:00:02,000\n\rTwo\n\rlines\n\r\n\r2\n\r00:00:03,000 --> 00:00:04,000\n\rB\n\r",
         {{1000, 2000, u"Two\r\nlines"}, {3000, 4000, u"B"}}},
        // first break CR LF: lone LF stays inside a line
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nA\nB\r\n", {{1000, 2000, u"A\nB"}}},
        // ... and is trimmed at a line's end
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nA\n\r\n", {{1000, 2000, u"A"}}},
        // text lines are trimmed; a line of spaces ends the text
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\n  A \t\r\n\tB\r\n   \r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nC\r\n",
         {{1000, 2000, u"A\r\nB"}, {3000, 4000, u"C"}}},
        // one blank line after the timecode: the next block becomes text
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n",
         {{1000, 2000, u"\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB"}}},
        // two blank lines after the timecode: empty text
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\n\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n",
         {{1000, 2000, u""}, {3000, 4000, u"B"}}},
        // index lines are not examined; minutes and seconds above 59 are added
        {"x\r\n00:00:75,000 --> 00:99:00,000\r\nA\r\n", {{75000, 5940000, u"A"}}},
        // end before start is stored as it is; file order is kept
        {"1\r\n00:00:05,000 --> 00:00:01,000\r\nA\r\n\r\n2\r\n00:00:01,000 --> 00:00:02,000\r\nB\r\n",
         {{5000, 1000, u"A"}, {1000, 2000, u"B"}}},
        // UTF-8 with a mark
        {"\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xC3\xA9 <i>na\xC3\xAFve</i>\r\n",
         {{1000, 2000, u"Caf\u00e9 <i>na\u00efve</i>"}}},
        // UTF-8 without a mark
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xC3\xA9\r\n", {{1000, 2000, u"Caf\u00e9"}}},
        // Windows-1252
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xE9 \x80\x93\r\n", {{1000, 2000, u"Caf\u00e9 \u20ac\u201c"}}},
        // the largest readable time
        {"1\r\n99:99:99,999 --> 99:99:99,999\r\nA\r\n", {{362439999, 362439999, u"A"}}},
    };
    for (const auto& c : cases) {
        const Read_Result r = read_bytes(c.bytes);
        EXPECT_TRUE(r.ok) << c.bytes;
        EXPECT_EQ(r.error, u"") << c.bytes;
        EXPECT_TRUE(lists_equal(r.list, c.subs)) << c.bytes << " -> " << r.list.size() << " subs"
                                                 << (r.list.empty() ? "" : " first: " + to_utf8(r.list[0].text));
    }
}

TEST(SrtReader, FaultyTimecodesAreReported) {
    const struct { std::string bytes; bool ok; Sub_List subs; const char16_t* error; } cases[] = {
        // two blank lines between blocks: the real index line is read as a timecode
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n",
         true, {{1000, 2000, u"A"}}, u"Some subs discarded due to faulty timecodes at line(s): 6."},
        // a leading blank line shifts every block
        {"\r\n1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n", false, {},
         u"Some subs discarded due to faulty timecodes at line(s): 2. Loading failed."},
        // line numbers in the order found, a valid block between
        {"1\r\n00:00:01.000 --> 00:00:02.000\r\nA\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n"
         "3\r\n0:00:05,000 --> 0:00:06,000\r\nC\r\n",
         true, {{3000, 4000, u"B"}}, u"Some subs discarded due to faulty timecodes at line(s): 2, 10."},
        // a faulty timecode on the last line stays remembered
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n2\r\nbad", true, {{1000, 2000, u"A"}},
         u"Some subs discarded due to faulty timecodes at line(s): 6."},
    };
    for (const auto& c : cases) {
        const Read_Result r = read_bytes(c.bytes);
        EXPECT_EQ(r.ok, c.ok) << c.bytes;
        EXPECT_EQ(r.error, c.error) << c.bytes;
        EXPECT_TRUE(lists_equal(r.list, c.subs)) << c.bytes;  // replaced, emptied on failure
    }
}

TEST(SrtReader, FailsBeforeParsingWithListUntouched) {
    const struct { std::string bytes; const char16_t* error; } cases[] = {
        {"1", u"Empty file."},                                   // one line, no break
        {"00:00:01,000 --> 00:00:02,000\n", u"Empty file."},     // the only break is the last character
        {"1\r", u"Empty file."},                                 // a lone CR at the end
        {"\xEF\xBB\xBF", u"Empty file."},                        // a mark only
        {"\x00" "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n"s, u"Empty file."},  // first byte 00
        {"\r\n", u"File has only blank lines."},                 // CR LF: two empty lines
        {" \r\n\t\r\n  ", u"File has only blank lines."},        // spaces and breaks
        {"\r\n\r\n", u"File has only blank lines."},             // breaks only
        {"\xFE\xFF\x00" "1"s, u"Empty file."},                   // UTF-16 without a break
        {"\xFF\xFE\x00\x00"s, u"Empty file."},                    // a UTF-32 mark only
        {"\x0E\xFE\xFF" "1\r\n"s, u"Standard compression scheme for Unicode: encoding not implemented."},
    };
    for (const auto& c : cases) {
        const Read_Result r = read_bytes(c.bytes);
        EXPECT_FALSE(r.ok) << c.bytes;
        EXPECT_EQ(r.error, c.error) << c.bytes;
        EXPECT_TRUE(lists_equal(r.list, marker)) << c.bytes;
    }
}

TEST(SrtReader, PathFailures) {
    Temp_Folder folder;
    const std::u16string missing = folder.path_of("missing.srt");
    const std::u16string empty = folder.write("empty.srt", "");
    const struct { std::u16string path; std::u16string error_prefix; bool exact; } cases[] = {
        {u"", u"File path not specified.", true},                             // empty path
        {missing, u"File does not exist:\n" + missing, true},                 // nothing there
        {empty, u"CreateFileMapping() failed to create file mapping, error code ", false},  // zero bytes
    };
    for (const auto& c : cases) {
        Sub_List list = marker;
        std::u16string error = u"stale";
        EXPECT_FALSE(read_srt_file(list, c.path, &error)) << to_utf8(c.path);
        if (c.exact)
            EXPECT_EQ(error, c.error_prefix);
        else
            EXPECT_EQ(error.substr(0, c.error_prefix.size()), c.error_prefix) << to_utf8(error);
        EXPECT_TRUE(lists_equal(list, marker));
    }
}

TEST(SrtReader, FileTooLargeForTheMemoryIsRefused) {
    Temp_Folder folder;
    const std::u16string big = folder.write("big.srt", "1");
    std::error_code ec;
    std::filesystem::resize_file(std::filesystem::path(big), 0xFFFFFFFFull, ec);  // sparse where possible
    if (ec || memory_available(0xFFFFFFFFull * 6)) GTEST_SKIP() << "this machine could read it";
    Sub_List list = marker;
    std::u16string error;
    EXPECT_FALSE(read_srt_file(list, big, &error));
    EXPECT_EQ(error, u"There is not enough memory to read this file.");
    EXPECT_TRUE(lists_equal(list, marker));
}

TEST(SrtReader, ShortenedListOfDiscardedLines) {
    const std::u16string head = u"Some subs discarded due to faulty timecodes at line(s): ";
    const auto numbers = [](int from, int to) {
        std::u16string list;
        for (int n = from; n <= to; ++n) list += (n > from ? u", " : u"") + to_decimal(n);
        return list;
    };
    const struct { std::u16string text, shown; } cases[] = {
        {head + numbers(1, 20) + u".", head + numbers(1, 20) + u"."},  // twenty: as it is
        {head + numbers(1, 21) + u".", head + numbers(1, 20) + u", ...\n1 more not listed."},
        {head + numbers(1, 5000) + u". Loading failed.",
         head + numbers(1, 20) + u", ... Loading failed.\n4,980 more not listed."},
        {u"Empty file.", u"Empty file."},  // other texts
    };
    for (const auto& c : cases) EXPECT_EQ(shorten_discarded_lines(c.text), c.shown) << to_utf8(c.shown);
    // The reader's own text for a file with many bad blocks.
    std::string bytes;
    for (int i = 0; i < 30; ++i) bytes += "1\r\nbad\r\nX\r\n\r\n";
    bytes += "1\r\n00:00:01,000 --> 00:00:02,000\r\nGood\r\n";
    const Read_Result r = read_bytes(bytes);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(shorten_discarded_lines(r.error),
              head + u"2, 6, 10, 14, 18, 22, 26, 30, 34, 38, 42, 46, 50, 54, 58, 62, 66, 70, 74, 78, ...\n"
                     u"10 more not listed.");
}

TEST(SrtReader, WorksWithoutErrorText) {
    Temp_Folder folder;
    Sub_List list;
    const std::u16string path =
        folder.write("a.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n\r\n2\r\nX\r\nB\r\n");
    EXPECT_TRUE(read_srt_file(list, path));  // warning, not built
    EXPECT_TRUE(lists_equal(list, Sub_List{{1000, 2000, u"A"}}));
    EXPECT_FALSE(read_srt_file(list, folder.path_of("none.srt")));
}

TEST(SrtReader, TextIsCutAtNul) {
    Sub_List list;
    std::u16string error;
    const std::u16string text = u"1\r\n00:00:01,000 --> 00:00:02,000\r\nA\0junk\r\n \0B\r\n"s;
    EXPECT_TRUE(parse_srt_text(text, list, &error));
    // Trimming cuts a line at U+0000, so the second line is blank and ends the text.
    EXPECT_TRUE(lists_equal(list, Sub_List{{1000, 2000, u"A"}}));
}

TEST(SrtReader, TimecodeLineGrammar) {
    const struct { const char16_t* line; bool valid; std::uint64_t start, end; } cases[] = {
        {u"00:00:01,000 --> 00:00:02,000", true, 1000, 2000},                  // usual
        {u"00:00:01,000-->00:00:02,000", true, 1000, 2000},                    // no spaces around the arrow
        {u"00:00:01,000 00:00:02,000", true, 1000, 2000},                      // one space
        {u"00:00:01,00000:00:02,000", true, 1000, 2000},                       // nothing between
        {u"00:00:01,000 --> 00:00:02,000 X1:100 X2:200", true, 1000, 2000},    // position hints
        {u"00:00:01,000 to ~ 00:00:02,000", true, 1000, 2000},                 // any text without digits
        {u"01:02:03,004 --> 10:20:30,400", true, 3723004, 37230400},           // every field
        {u"00:00:01.000 --> 00:00:02.000", false, 0, 0},                       // dot before the milliseconds
        {u"0:00:01,000 --> 0:00:02,000", false, 0, 0},                         // one-digit hours
        {u"00:00:01,000 --> ", false, 0, 0},                                   // no second time
        {u"00:00:01,000 --> 00:00:02,00", false, 0, 0},                        // second time too short
        {u"00:00:01,000 --> 0:00:02,0000", false, 0, 0},                       // second time misaligned
        {u"00:00:01,000 --> x0:00:02,000", false, 0, 0},                       // first digit starts the time
        {u"00:00:01,000 --> 00:00:02,000", true, 1000, 2000},                  // repeated for the table
        {u"\u00b20:00:01,000 --> 00:00:02,000", false, 0, 0},                  // superscript two is no digit
        {u"00:00:01,000 --> \u0660\u0660:00:02,000", false, 0, 0},             // Arabic-Indic digits are not digits
        {u"00:00:01,000 --> \uff10\uff10:00:02,000", false, 0, 0},             // nor fullwidth ones
        {u"", false, 0, 0},                                                    // empty
        {u"1", false, 0, 0},                                                   // an index line
    };
    for (const auto& c : cases) {
        std::uint64_t start = 77;
        std::uint64_t end = 77;
        EXPECT_EQ(parse_timecode_line(c.line, start, end), c.valid) << to_utf8(c.line);
        if (c.valid) {
            EXPECT_EQ(start, c.start) << to_utf8(c.line);
            EXPECT_EQ(end, c.end) << to_utf8(c.line);
        }
    }
}

// The encoding a file was read in is reported, and a chosen one wins over the guess.
TEST(SrtReader, ReadsInEveryEncoding) {
    const std::string block = "1\r\n00:00:01,000 --> 00:00:02,000\r\n";
    const struct { std::string bytes; unsigned code_page; const char16_t* text; unsigned read_as; } cases[] = {
        // UTF-16 little endian with its mark
        {"\xFF\xFE" "1\0\r\0\n\0" "0\0" "0\0:\0" "0\0" "0\0:\0" "0\0" "1\0,\0" "0\0" "0\0" "0\0 \0-\0-\0>\0 \0"
         "0\0" "0\0:\0" "0\0" "0\0:\0" "0\0" "2\0,\0" "0\0" "0\0" "0\0\r\0\n\0\x1F\x04\x40\x04\r\0\n\0"s,
         0, u"\u041f\u0440", 1200},
        // Windows-1251, guessed from the text
        {block + "\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0? \xD5\xEE\xF0\xEE\xF8\xEE, \xF1\xEF\xE0\xF1\xE8\xE1\xEE.\r\n",
         0, u"\u041f\u0440\u0438\u0432\u0435\u0442, \u043a\u0430\u043a \u0434\u0435\u043b\u0430? "
            u"\u0425\u043e\u0440\u043e\u0448\u043e, \u0441\u043f\u0430\u0441\u0438\u0431\u043e.", 1251},
        // the same bytes read in Windows-1252 when the user says so
        {block + "\xCF\xF0\xE8\r\n", 1252, u"\u00cf\u00f0\u00e8", 1252},
        // GBK chosen: the pair's trail byte is not taken for ASCII
        {block + "\xD6\xD0\xCE\xC4\r\n", 936, u"\u4e2d\u6587", 936},
        // a file in plain ASCII reads as UTF-8
        {block + "A\r\n", 0, u"A", 65001},
    };
    for (const auto& c : cases) {
        Temp_Folder folder;
        const std::u16string path = folder.write("in.srt", c.bytes);
        Sub_List list;
        std::u16string error;
        unsigned read_as = 0;
        ASSERT_TRUE(read_srt_file(list, path, &error, c.code_page, &read_as)) << to_utf8(error);
        ASSERT_EQ(list.size(), 1u) << c.bytes;
        EXPECT_EQ(list[0].text, c.text) << c.bytes;
        EXPECT_EQ(read_as, c.read_as) << c.bytes;
        Sub_List from_bytes;
        unsigned bytes_as = 0;
        EXPECT_TRUE(parse_srt_bytes(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(),
                                    from_bytes, nullptr, c.code_page, &bytes_as));
        EXPECT_TRUE(lists_equal(from_bytes, list));
        EXPECT_EQ(bytes_as, c.read_as);
    }
}

TEST(SrtReader, BytesAndTextStepsAgreeWithFile) {
    const std::string bytes = "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xC3\xA9\r\n\r\n"
                              "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n";
    Sub_List from_bytes;
    std::u16string error;
    EXPECT_TRUE(parse_srt_bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), from_bytes, &error));
    const Read_Result from_file = read_bytes(bytes);
    EXPECT_TRUE(lists_equal(from_bytes, from_file.list));
    EXPECT_EQ(from_bytes.size(), 2u);
    Sub_List empty_input = marker;
    EXPECT_FALSE(parse_srt_bytes(nullptr, 0, empty_input, &error));  // nothing decoded
    EXPECT_EQ(error, u"Empty file.");
    EXPECT_TRUE(lists_equal(empty_input, marker));
}

}  // namespace
