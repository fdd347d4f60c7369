#include "io/ini_file.h"

#include "io/file.h"
#include "io/strings.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
using Layout = std::vector<std::pair<std::u16string, Pairs>>;

Layout layout_of(const Ini_File& ini) {
    Layout out;
    for (const Ini_Section& s : ini.sections) {
        Pairs entries;
        for (const Ini_Entry& e : s.entries) entries.emplace_back(e.key, e.value);
        out.emplace_back(s.name, entries);
    }
    return out;
}

TEST(ParseIni, Lines) {
    const struct { const char16_t* text; Layout expected; } cases[] = {
        {u"  [ Window ]  \r\nleft=1", {{u"Window", {{u"left", u"1"}}}}},  // trimmed header and name
        {u"[]\r\na=b", {{u"", {{u"a", u"b"}}}}},                           // empty name
        {u"[A]\r\n[Window\r\nx=1", {{u"A", {{u"x", u"1"}}}}},              // not a header, no '=': skipped
        {u"[A]\r\nkey = a=b", {{u"A", {{u"key", u"a=b"}}}}},               // further '=' in the value
        {u"x=1\r\n[A]\r\ny=2", {{u"A", {{u"y", u"2"}}}}},                  // before any section: ignored
        {u"[A]\r\n; left=5\r\nleft=5 ; note", {{u"A", {{u"left", u"5 ; note"}}}}},
        {u"[A]\r\n   ;x=1\r\n\r\n  \r\n", {{u"A", {}}}},                  // indented comment, blank lines
        {u"[A]\r\nx=1\r\n[B]\r\ny=2\r\n[A]\r\nz=3",                        // repeated header
         {{u"A", {{u"z", u"3"}}}, {u"B", {{u"y", u"2"}}}}},
        {u"[A]\r\nk=1\r\nk=2", {{u"A", {{u"k", u"2"}}}}},                  // last occurrence wins
        {u"[A]\nx=1\ny=2", {}},                                            // LF only: one line, no header
        {u"[A]\r\n=v\r\nk=\r\n", {{u"A", {{u"", u"v"}, {u"k", u""}}}}},    // empty key, empty value
        {u"[a]\r\nx=1\r\n[A]\r\ny=2", {{u"a", {{u"x", u"1"}}}, {u"A", {{u"y", u"2"}}}}},  // case-sensitive
        {u"[A]\r\n  k\t=\t v v \r\n", {{u"A", {{u"k", u"v v"}}}}},
        {u"[A]", {}},                                                      // no "\r\n": no lines at all
        {u"[A]\r\n[B]\r\n[C]\r\n", {{u"A", {}}, {u"B", {}}, {u"C", {}}}},
    };
    for (const auto& c : cases) {
        Ini_File ini;
        parse_ini_text(ini, c.text);
        EXPECT_EQ(layout_of(ini), c.expected) << utf16_to_utf8(c.text);
    }
}

TEST(ParseIni, AddsToWhatIsHeld) {
    Ini_File ini;
    add_entry(add_section(ini, u"Keep"), u"a").value = u"1";
    add_entry(add_section(ini, u"Params"), u"old").value = u"x";
    parse_ini_text(ini, u"[Params]\r\nnew=y\r\n[More]\r\nz=1\r\n");
    EXPECT_EQ(layout_of(ini), (Layout{{u"Keep", {{u"a", u"1"}}}, {u"Params", {{u"new", u"y"}}}, {u"More", {{u"z", u"1"}}}}));
}

TEST(SerializeIni, Example) {
    Ini_File ini;
    add_entry(add_section(ini, u"Program"), u"version").value = u"1.3.0";
    Ini_Section& window = add_section(ini, u"Window");
    add_entry(window, u"left").value = u"10";
    add_entry(window, u"top").value = u"20";
    EXPECT_EQ(serialize_ini(ini), u"[Program]\r\nversion=1.3.0\r\n\r\n[Window]\r\nleft=10\r\ntop=20\r\n");
    EXPECT_EQ(serialize_ini(Ini_File{}), u"");
}

TEST(IniLookup, FindGetAddClear) {
    Ini_File ini;
    parse_ini_text(ini, u"[Params]\r\nvmr=9\r\nfont=Arial\r\n[RecentSubs]\r\nfile1=a.srt\r\n");
    ASSERT_NE(find_section(ini, u"Params"), nullptr);
    EXPECT_EQ(find_section(ini, u"params"), nullptr);  // exact, case-sensitive
    EXPECT_EQ(find_section(ini, u"Nope"), nullptr);
    ASSERT_NE(get_value(ini, u"Params", u"vmr"), nullptr);
    EXPECT_EQ(*get_value(ini, u"Params", u"vmr"), u"9");
    EXPECT_EQ(get_value(ini, u"Params", u"VMR"), nullptr);
    EXPECT_EQ(get_value(ini, u"Missing", u"vmr"), nullptr);
    *get_value(ini, u"Params", u"vmr") = u"7";  // change in place
    const Ini_File& view = ini;
    EXPECT_EQ(*get_value(view, u"Params", u"vmr"), u"7");

    Ini_Section* recent = find_section(ini, u"RecentSubs");
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(find_entry(*recent, u"file2"), nullptr);
    Ini_Entry& added = add_entry(*recent, u"file2");
    EXPECT_EQ(added.key, u"file2");
    EXPECT_EQ(added.value, u"");
    added.value = u"b.srt";
    EXPECT_EQ(*get_value(ini, u"RecentSubs", u"file2"), u"b.srt");
    clear_entries(*recent);
    EXPECT_TRUE(recent->entries.empty());
    EXPECT_EQ(get_value(ini, u"RecentSubs", u"file1"), nullptr);
    EXPECT_EQ(&add_section(ini, u"Params"), find_section(ini, u"Params"));  // no second section
    EXPECT_EQ(ini.sections.size(), 2u);
}

class Ini_File_Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    Temp_Folder dir;
};

TEST_F(Ini_File_Test, SaveAndLoadRoundTrip) {
    Ini_File ini;
    add_entry(add_section(ini, u"Program"), u"version").value = u"1.3.0";
    Ini_Section& recent = add_section(ini, u"RecentSubs");
    add_entry(recent, u"file1").value = u"C:\\Films\\\u00e9t\u00e9 = summer.srt";
    add_entry(recent, u"file2").value = u"";
    add_section(ini, u"Empty");
    add_entry(add_section(ini, u"Window"), u"left").value = u"-10";
    std::u16string error = u"old";
    ASSERT_TRUE(save_ini(ini, dir.file(u"Cuemill.ini"), &error));
    EXPECT_EQ(error, u"");
    const auto bytes = dir.get(u"Cuemill.ini");
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 3), (std::vector<std::uint8_t>{0xEF, 0xBB, 0xBF}));
    Ini_File back;
    ASSERT_TRUE(load_ini(back, dir.file(u"Cuemill.ini"), &error));
    EXPECT_EQ(error, u"");
    EXPECT_EQ(layout_of(back), layout_of(ini));
}

TEST_F(Ini_File_Test, LoadEncodings) {
    const struct { std::string bytes; Layout expected; } cases[] = {
        {"[P]\r\nname=Caf\xE9", {{u"P", {{u"name", u"Caf\u00e9"}}}}},                 // Windows-1252
        {"[P]\r\nname=Caf\xC3\xA9", {{u"P", {{u"name", u"Caf\u00e9"}}}}},             // UTF-8 without a mark
        {"\xEF\xBB\xBF[P]\r\nq=\xE2\x80\x9C\r\n", {{u"P", {{u"q", u"\u201c"}}}}},     // UTF-8 with a mark
        {std::string("\xFF\xFE[\0P\0]\0\r\0\n\0q\0=\0\x1C\x20", 18), {{u"P", {{u"q", u"\u201c"}}}}},  // UTF-16
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dir.put(u"e.ini", c.bytes));
        Ini_File ini;
        EXPECT_TRUE(load_ini(ini, dir.file(u"e.ini")));
        EXPECT_EQ(layout_of(ini), c.expected) << c.bytes;
    }
}

TEST_F(Ini_File_Test, LoadFailuresLeaveIniUntouched) {
#if defined(_WIN32)
    constexpr unsigned empty_mapping = 1006;
#else
    constexpr unsigned empty_mapping = 22;
#endif
    ASSERT_TRUE(dir.put(u"empty.ini", ""));
    ASSERT_TRUE(dir.put(u"scsu.ini", std::string("\x0E\xFE\xFF[A]", 6)));
    const struct { std::u16string name; std::u16string message; } cases[] = {
        {u"missing.ini", u"File doesn't exist."},
        {u"empty.ini", format(u"CreateFileMapping() failed to create file mapping, error code %u.", empty_mapping)},
        {u"scsu.ini", u"Standard compression scheme for Unicode: encoding not implemented."},
    };
    for (const auto& c : cases) {
        Ini_File ini;
        add_entry(add_section(ini, u"Keep"), u"k").value = u"v";
        std::u16string error;
        EXPECT_FALSE(load_ini(ini, dir.file(c.name), &error));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(layout_of(ini), (Layout{{u"Keep", {{u"k", u"v"}}}}));
    }
}

TEST_F(Ini_File_Test, SaveEmptyIniGivesEmptyFile) {
    ASSERT_TRUE(dir.put(u"s.ini", "[Old]\r\nx=1\r\n"));
    ASSERT_TRUE(save_ini(Ini_File{}, dir.file(u"s.ini")));
    EXPECT_TRUE(dir.get(u"s.ini").empty());
    EXPECT_TRUE(path_exists(dir.file(u"s.ini")));
}

}  // namespace
