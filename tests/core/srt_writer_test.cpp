#include "core/srt_writer.h"

#include <random>

#include <gtest/gtest.h>

#include "core/srt_reader.h"
#include "io/file.h"
#include "io/strings.h"
#include "tests/core/temp_folder.h"

namespace {

TEST(SrtWriter, Texts) {
    const struct { Sub_List list; const char16_t* text; } cases[] = {
        {{}, u""},  // empty list, empty text
        // the example: one block per sub, a blank line after each, the last included
        {{{1000, 2500, u"Hello"}, {3000, 4000, u"Two\r\nlines"}},
         u"1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo\r\nlines\r\n\r\n"},
        // 100 hours and over print three digits
        {{{360000000, 362439999, u"x"}}, u"1\r\n100:00:00,000 --> 100:40:39,999\r\nx\r\n\r\n"},
        // empty text: two blank lines
        {{{0, 1, u""}}, u"1\r\n00:00:00,000 --> 00:00:00,001\r\n\r\n\r\n"},
        // the text is written unchanged, and the order as it is
        {{{5000, 1000, u" a\nb "}, {0, 0, u"c"}},
         u"1\r\n00:00:05,000 --> 00:00:01,000\r\n a\nb \r\n\r\n2\r\n00:00:00,000 --> 00:00:00,000\r\nc\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(write_srt(c.list), c.text);
}

TEST(SrtWriter, SameCharactersAsTheFormatString) {
    std::mt19937_64 rng(2024);
    Sub_List list;
    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t scale = std::uint64_t{1} << (rng() % 64);  // small times and huge ones
        list.push_back({rng() % scale, rng(), u"t"});
    }
    std::u16string expected;
    for (std::size_t i = 0; i < list.size(); ++i) {
        expected += to_decimal(static_cast<std::int64_t>(i + 1)) + u"\r\n";
        const Timecode a = ms_to_timecode(list[i].start);
        const Timecode b = ms_to_timecode(list[i].end);
        expected += format(u"%02u:%02u:%02u,%03u --> %02u:%02u:%02u,%03u\r\n", unsigned{a.hours},
                           unsigned{a.minutes}, unsigned{a.seconds}, unsigned{a.milliseconds},
                           unsigned{b.hours}, unsigned{b.minutes}, unsigned{b.seconds},
                           unsigned{b.milliseconds});
        expected += list[i].text + u"\r\n\r\n";
    }
    EXPECT_EQ(write_srt(list), expected);
}

TEST(SrtWriter, BytesOnDisk) {
    Temp_Folder folder;
    const std::u16string path = folder.write("out.srt", std::string(500, 'z'));  // longer file there
    const Sub_List list = {{1000, 2500, u"Caf\u00e9"}};
    std::u16string error = u"stale";
    ASSERT_TRUE(write_text_file(path, write_srt(list), &error));
    EXPECT_EQ(error, u"");
    EXPECT_EQ(Temp_Folder::read(path), "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,500\r\nCaf\xC3\xA9\r\n\r\n");

    ASSERT_TRUE(write_text_file(path, write_srt(Sub_List{}), &error));
    EXPECT_EQ(Temp_Folder::read(path), "");  // empty list: zero bytes, no mark
}

// Texts the reader gives back unchanged: no blank line after the first, no white space at
// line ends, times below 100 hours.
Sub_List random_list(std::mt19937_64& rng) {
    static const char16_t* const words[] = {u"Hello", u"caf\u00e9", u"na\u00efve", u"<i>why</i>",
                                            u"\u00c0 bient\u00f4t", u"stra\u00dfe", u"-", u"42",
                                            u"\u20ac5", u"\u4e2d\u6587", u"x\ty", u"a\nb"};
    Sub_List list;
    const int n = static_cast<int>(rng() % 40);
    std::uint64_t t = 0;
    for (int i = 0; i < n; ++i) {
        Sub_Item sub;
        t += rng() % 5000;
        sub.start = t % 360000000;
        sub.end = rng() % 360000000;
        const int lines = static_cast<int>(rng() % 4);  // zero lines: empty text
        for (int l = 0; l < lines; ++l) {
            if (l > 0)
                sub.text += u"\r\n";
            const int count = 1 + static_cast<int>(rng() % 5);
            for (int w = 0; w < count; ++w) {
                if (w > 0)
                    sub.text += u" ";
                sub.text += words[rng() % std::size(words)];
            }
        }
        if (lines == 1 && rng() % 8 == 0)
            sub.text = u"";
        list.push_back(std::move(sub));
    }
    return list;
}

TEST(SrtWriter, WrittenFilesReadBack) {
    Temp_Folder folder;
    const std::u16string path = folder.path_of("round.srt");
    std::mt19937_64 rng(500);
    int read_back = 0;
    for (int round = 0; round < 500; ++round) {
        const Sub_List list = random_list(rng);
        std::u16string error;
        ASSERT_TRUE(write_text_file(path, write_srt(list), &error)) << to_decimal(round).size();
        Sub_List again = {{1, 2, u"old"}};
        const bool ok = read_srt_file(again, path, &error);
        if (list.empty()) {
            EXPECT_FALSE(ok);  // nothing to map in a zero-byte file
            continue;
        }
        ASSERT_TRUE(ok) << "round " << round << ": " << utf16_to_utf8(error);
        EXPECT_EQ(error, u"");
        ASSERT_TRUE(lists_equal(list, again)) << "round " << round;
        ++read_back;
    }
    EXPECT_GT(read_back, 450);
}

TEST(SrtWriter, LfAndCrLfCopiesReadTheSame) {
    std::mt19937_64 rng(77);
    for (int round = 0; round < 200; ++round) {
        const Sub_List list = random_list(rng);
        if (list.empty())
            continue;
        std::u16string text = write_srt(list);
        Sub_List crlf;
        ASSERT_TRUE(parse_srt_text(text, crlf));
        replace_all(text, u"\r\n", u"\n");
        Sub_List lf;
        ASSERT_TRUE(parse_srt_text(text, lf));
        ASSERT_TRUE(lists_equal(crlf, list)) << "round " << round;
        // Lone LF inside a text become breaks of their own in the LF copy; compare the rest.
        bool has_lone_lf = false;
        for (const Sub_Item& s : list)
            has_lone_lf = has_lone_lf || std::u16string_view(s.text).find(u"a\nb") != std::u16string_view::npos;
        if (!has_lone_lf) {
            ASSERT_TRUE(lists_equal(lf, list)) << "round " << round;
        }
    }
}

}  // namespace
