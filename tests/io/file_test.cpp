#include "io/file.h"

#include "io/file_stamp.h"
#include "io/strings.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>

#if defined(_WIN32)
#include <windows.h>
#endif

#if defined(_WIN32)
// Windows error codes as the platform reports them.
constexpr unsigned code_access_denied = 5;        // ERROR_ACCESS_DENIED
constexpr unsigned code_path_not_found = 3;       // ERROR_PATH_NOT_FOUND
constexpr unsigned code_empty_mapping = 1006;     // ERROR_FILE_INVALID
constexpr unsigned code_folder = 5;               // a folder without backup semantics
#else
#include <cerrno>
constexpr unsigned code_access_denied = EACCES;
constexpr unsigned code_path_not_found = ENOENT;
constexpr unsigned code_empty_mapping = EINVAL;
constexpr unsigned code_folder = EISDIR;
#endif

namespace {

class File_Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    Temp_Folder dir;
};

void make_read_only(const std::u16string& path) {
    std::filesystem::permissions(std::filesystem::path(path),
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
}

// Whether a read-only file refuses writing here: not so for a superuser, natively or
// under an emulator that maps the attribute to permissions.
bool read_only_binds(const Temp_Folder& dir, const std::u16string& name) {
    std::FILE* f =
#if defined(_WIN32)
        _wfopen(reinterpret_cast<const wchar_t*>(dir.file(name).c_str()), L"r+b");
#else
        std::fopen(utf16_to_utf8(dir.file(name)).c_str(), "r+b");
#endif
    if (f) std::fclose(f);
    return f == nullptr;
}

TEST_F(File_Test, PathExists) {
    ASSERT_TRUE(dir.put(u"a.txt", "x"));
    EXPECT_TRUE(path_exists(dir.file(u"a.txt")));
    EXPECT_TRUE(path_exists(dir.path().u16string()));  // folders exist too
    EXPECT_FALSE(path_exists(dir.file(u"missing.txt")));
    EXPECT_FALSE(path_exists(u""));
}

// Another program's write shows in the size or the last write time; reading does not.
TEST_F(File_Test, FileStampSeesChangesFromOutside) {
    namespace fs = std::filesystem;
    const struct { const char* name; void (*change)(const fs::path&); bool changed; } cases[] = {
        {"read", [](const fs::path& p) { std::vector<std::uint8_t> b; read_file_bytes(p.u16string(), b); }, false},
        {"longer", [](const fs::path& p) { write_whole_file(p.u16string(), reinterpret_cast<const std::uint8_t*>("abcd"), 4); }, true},
        {"same size, later time", [](const fs::path& p) {
             write_whole_file(p.u16string(), reinterpret_cast<const std::uint8_t*>("xyz"), 3);
             fs::last_write_time(p, fs::last_write_time(p) + std::chrono::seconds(5));
         }, true},
        {"removed", [](const fs::path& p) { fs::remove(p); }, true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dir.put(u"s.srt", "abc"));
        const fs::path path = dir.path() / "s.srt";
        const File_Stamp before = file_stamp(path.u16string());
        ASSERT_TRUE(before.exists);
        EXPECT_EQ(before.size, 3u);
        c.change(path);
        EXPECT_EQ(changed_since(before, file_stamp(path.u16string())), c.changed) << c.name;
    }
    // A document never stamped (untitled) never changed; a missing file has no stamp.
    EXPECT_FALSE(file_stamp(dir.file(u"missing.srt")).exists);
    EXPECT_FALSE(changed_since(File_Stamp{}, file_stamp(dir.file(u"s.srt"))));
}

TEST_F(File_Test, ReadWholeFile) {
    const std::string content = std::string("abc\0def", 7) + std::string(70000, 'z');
    ASSERT_TRUE(dir.put(u"f.bin", content));
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    std::u16string error = u"old";
    ASSERT_TRUE(read_file_bytes(dir.file(u"f.bin"), bytes, &error));
    EXPECT_EQ(error, u"");
    EXPECT_EQ(bytes, bytes_of(content));
}

TEST_F(File_Test, NonAsciiPath) {
    const std::u16string name = u"\u00e9t\u00e9 \u65e5\u672c.srt";
    ASSERT_TRUE(write_text_file(dir.file(name), u"x"));
    EXPECT_TRUE(path_exists(dir.file(name)));
    EXPECT_EQ(dir.get(name), bytes_of("\xEF\xBB\xBFx"));
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(read_file_bytes(dir.file(name), bytes));
    EXPECT_EQ(bytes, bytes_of("\xEF\xBB\xBFx"));
}

TEST_F(File_Test, ReadFailures) {
    ASSERT_TRUE(dir.put(u"empty.txt", ""));
    const struct { std::u16string path; std::u16string message; } cases[] = {
        {dir.file(u"missing.txt"), u"File doesn't exist."},     // before any open is attempted
        {u"", u"File doesn't exist."},
        {dir.file(u"empty.txt"),                                // zero bytes cannot be mapped
         format(u"CreateFileMapping() failed to create file mapping, error code %u.", code_empty_mapping)},
        {dir.path().u16string(),                                // a folder is not a file
         format(u"CreateFile() failed to open file as read-only, error code %u.", code_folder)},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = {9};
        std::u16string error;
        EXPECT_FALSE(read_file_bytes(c.path, bytes, &error)) << utf16_to_utf8(c.path);
        EXPECT_EQ(error, c.message) << utf16_to_utf8(c.path);
        EXPECT_EQ(bytes, std::vector<std::uint8_t>{9});
    }
}

TEST_F(File_Test, WriteWholeFile) {
    const std::u16string path = dir.file(u"out.bin");
    const struct { std::string before; std::string bytes; } cases[] = {
        {"", "hello"},                                  // created when missing
        {"a much longer earlier content", "short"},     // cut to the new length
        {"abc", "abcdefgh"},                            // grown
        {"12345", "abcde"},                             // same size: set_size has nothing to do
        {"something", ""},                              // nothing left
    };
    for (const auto& c : cases) {
        std::filesystem::remove(std::filesystem::path(path));
        if (!c.before.empty()) {
            ASSERT_TRUE(dir.put(u"out.bin", c.before));
        }
        std::u16string error = u"old";
        const auto bytes = bytes_of(c.bytes);
        EXPECT_TRUE(write_whole_file(path, bytes.data(), bytes.size(), &error)) << c.bytes;
        EXPECT_EQ(error, u"");
        EXPECT_EQ(dir.get(u"out.bin"), bytes) << c.bytes;
    }
}

TEST_F(File_Test, WriteTextFile) {
    const struct { std::u16string text; std::string bytes; } cases[] = {
        {u"", ""},                                                          // no mark for an empty text
        {u"A", "\xEF\xBB\xBF" "A"},
        {u"1\r\nCaf\u00e9 \u20ac", "\xEF\xBB\xBF" "1\r\nCaf\xC3\xA9 \xE2\x82\xAC"},
        {u"\U0001F600", "\xEF\xBB\xBF\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBB\xBF\xEF\xBF\xBDx"},  // lone surrogate
    };
    for (const auto& c : cases) {
        std::u16string error = u"old";
        EXPECT_TRUE(write_text_file(dir.file(u"t.txt"), c.text, &error));
        EXPECT_EQ(error, u"");
        EXPECT_EQ(dir.get(u"t.txt"), bytes_of(c.bytes)) << c.bytes;
    }
}

TEST_F(File_Test, WriteFailures) {
    const std::uint8_t byte = 'x';
    std::u16string error;
    EXPECT_FALSE(write_whole_file(u"", &byte, 1, &error));
    EXPECT_EQ(error, u"Path is empty.");
    EXPECT_FALSE(write_whole_file((dir.path() / u"nofolder" / u"y.txt").u16string(), &byte, 1, &error));
    EXPECT_EQ(error, format(u"CreateFile() failed to open file as read-write, error code %u.", code_path_not_found));
    // A folder cannot be written as a file.
    EXPECT_FALSE(write_whole_file(dir.path().u16string(), &byte, 1, &error));
    EXPECT_EQ(error, format(u"CreateFile() failed to open file as read-write, error code %u.", code_folder));
}

TEST_F(File_Test, ReadOnlyFileOpenedForWriting) {
    ASSERT_TRUE(dir.put(u"ro.txt", "keep"));
    make_read_only(dir.file(u"ro.txt"));
    if (!read_only_binds(dir, u"ro.txt")) GTEST_SKIP() << "read-only files are writable for this user";
    const std::uint8_t byte = 'x';
    std::u16string error;
    EXPECT_FALSE(write_text_file(dir.file(u"ro.txt"), u"new", &error));
    EXPECT_EQ(error, format(u"CreateFile() failed to open file as read-write, error code %u.", code_access_denied));
    EXPECT_FALSE(write_whole_file(dir.file(u"ro.txt"), &byte, 1));
    EXPECT_EQ(dir.get(u"ro.txt"), bytes_of("keep"));
    // Reading it is still fine.
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(read_file_bytes(dir.file(u"ro.txt"), bytes, &error));
    EXPECT_EQ(bytes, bytes_of("keep"));
}

TEST_F(File_Test, OperationsOnAClosedOrReadOnlyFile) {
    ASSERT_TRUE(dir.put(u"r.txt", "abc"));
    const std::uint8_t byte = 'x';
    File file;
    std::u16string error;
    EXPECT_FALSE(file.set_size(1, &error));
    EXPECT_EQ(error, u"File has not been opened.");
    EXPECT_FALSE(file.write(&byte, 1, &error));
    EXPECT_EQ(error, u"File has not been opened.");
    EXPECT_EQ(file.get_size(), 0u);

    ASSERT_TRUE(file.open_for_reading(dir.file(u"r.txt"), &error));
    EXPECT_EQ(error, u"");
    EXPECT_FALSE(file.writable);
    EXPECT_EQ(file.get_size(), 3u);
    EXPECT_FALSE(file.set_size(1, &error));
    EXPECT_EQ(error, u"File is opened for read-only access.");
    EXPECT_FALSE(file.write(&byte, 1, &error));
    EXPECT_EQ(error, u"File is opened for read-only access.");
    EXPECT_TRUE(file.is_open());  // refusals do not close it
    file.close();
    EXPECT_FALSE(file.is_open());
    EXPECT_FALSE(file.writable);
    EXPECT_EQ(file.size, unknown_file_size);
    EXPECT_EQ(dir.get(u"r.txt"), bytes_of("abc"));
}

TEST_F(File_Test, SetSizeAndWrite) {
    File file;
    std::u16string error;
    ASSERT_TRUE(file.open(dir.file(u"w.bin"), File::access_read | File::access_write, File::Share::none,
                          File::Disposition::open_always, &error));
    EXPECT_FALSE(file.writable);  // open leaves that to its callers
    file.writable = true;
    EXPECT_EQ(file.get_size(), 0u);
    ASSERT_TRUE(file.set_size(10, &error));
    EXPECT_EQ(file.size, 10u);
    error = u"kept";
    EXPECT_TRUE(file.set_size(10, &error));  // already that size: nothing done, nothing cleared
    EXPECT_EQ(error, u"kept");
    const std::uint8_t bytes[] = {'1', '2', '3'};
    ASSERT_TRUE(file.write(bytes, 3, &error));  // position was left at the start
    EXPECT_EQ(error, u"");
    EXPECT_EQ(file.size, unknown_file_size);
    EXPECT_EQ(file.get_size(), 10u);
    ASSERT_TRUE(file.set_size(2, &error));
    ASSERT_TRUE(file.write(bytes + 2, 1));
    file.close();
    EXPECT_EQ(dir.get(u"w.bin"), bytes_of("32"));
}

TEST_F(File_Test, OpenExistingAndEmptyPath) {
    File file;
    std::u16string error;
    EXPECT_FALSE(file.open(u"", File::access_read, File::Share::read, File::Disposition::open_existing, &error));
    EXPECT_EQ(error, u"Path is empty.");
    EXPECT_FALSE(file.open(dir.file(u"none.txt"), File::access_read, File::Share::read,
                           File::Disposition::open_existing, &error));
    EXPECT_EQ(error, format(u"CreateFile() failed to open file as read-only, error code %u.", 2u));
    EXPECT_FALSE(file.is_open());
    EXPECT_FALSE(path_exists(dir.file(u"none.txt")));  // open-existing creates nothing
}

TEST_F(File_Test, MappedFile) {
    ASSERT_TRUE(dir.put(u"m.txt", "mapped"));
    Mapped_File file;
    std::vector<std::uint8_t> bytes;
    std::u16string error;
    EXPECT_FALSE(file.read_all(bytes, &error));
    EXPECT_EQ(error, u"File is not mapped into memory.");
    ASSERT_TRUE(file.open_and_map(dir.file(u"m.txt"), &error));
    EXPECT_EQ(error, u"");
    ASSERT_NE(file.view, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.view), 6), "mapped");
    ASSERT_TRUE(file.read_all(bytes, &error));
    EXPECT_EQ(bytes, bytes_of("mapped"));
    // Mapping another file releases the first; a failure leaves nothing held.
    EXPECT_FALSE(file.open_and_map(dir.file(u"gone.txt"), &error));
    EXPECT_EQ(error, u"File doesn't exist.");
    EXPECT_EQ(file.view, nullptr);
    EXPECT_EQ(file.mapping, nullptr);
    EXPECT_FALSE(file.is_open());
    EXPECT_FALSE(file.read_all(bytes, &error));
    EXPECT_EQ(error, u"File is not mapped into memory.");
    // After release the file can be replaced (nothing keeps it open).
    ASSERT_TRUE(file.open_and_map(dir.file(u"m.txt")));
    file.release();
    EXPECT_TRUE(write_text_file(dir.file(u"m.txt"), u"new"));
}

TEST_F(File_Test, FilesOf4GiBOrMoreAreRefused) {
    ASSERT_TRUE(dir.put(u"big.bin", "x"));
    std::error_code ec;
    std::filesystem::resize_file(dir.path() / u"big.bin", 0x100000000ull, ec);  // sparse where possible
    if (ec) GTEST_SKIP() << "cannot make a 4 GiB file here: " << ec.message();
    std::vector<std::uint8_t> bytes;
    std::u16string error;
    EXPECT_FALSE(read_file_bytes(dir.file(u"big.bin"), bytes, &error));  // not read truncated to 0 bytes
    EXPECT_EQ(error, u"File is too large (4 GB or more).");
    EXPECT_TRUE(bytes.empty());
    std::filesystem::resize_file(dir.path() / u"big.bin", 0xFFFFFFFFull, ec);
    ASSERT_FALSE(ec);
    File file;
    ASSERT_TRUE(file.open_for_reading(dir.file(u"big.bin"), &error));
    EXPECT_EQ(file.get_size(), 0xFFFFFFFFull);  // the largest size that is accepted
    file.close();
    std::filesystem::remove(dir.path() / u"big.bin", ec);
}

TEST(Folder_Of, NamesTheFolderThePlatformOpens) {
    const struct { std::u16string path, folder; } cases[] = {
        {u"C:\\films\\movie.srt", u"C:\\films"},
        {u"E:\\x.srt", u"E:\\"},  // "E:" alone would be the drive's current folder
        {u"E:x.srt", u"E:"},      // drive-relative: that current folder is right
        {u"\\x.srt", u"\\"},
        {u"/home/u/x.srt", u"/home/u"},
        {u"/x.srt", u"/"},
        {u"\\\\server\\share\\x.srt", u"\\\\server\\share"},
        {u"x.srt", u"."},
        {u"a/b\\c.srt", u"a/b"},
    };
    for (const auto& c : cases) EXPECT_EQ(folder_of(c.path), c.folder) << utf16_to_utf8(c.path);
}

class Safe_Write : public File_Test {
protected:
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
    }
};

TEST_F(Safe_Write, WritesWholeTextAndLeavesNothingElse) {
    const struct { std::string before; std::u16string text; std::string bytes; } cases[] = {
        {"", u"1\r\nx\u00e9\r\n", "\xEF\xBB\xBF" "1\r\nx\xC3\xA9\r\n"},  // created
        {"old content that is longer", u"new", "\xEF\xBB\xBFnew"},      // replaced
        {"something", u"", ""},                                          // emptied
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dir.path() / u"a.srt");
        if (!c.before.empty()) {
            ASSERT_TRUE(dir.put(u"a.srt", c.before));
        }
        std::u16string error = u"stale";
        ASSERT_TRUE(write_text_file_safely(dir.file(u"a.srt"), c.text, &error)) << utf16_to_utf8(error);
        EXPECT_EQ(error, u"");
        EXPECT_EQ(dir.get(u"a.srt"), bytes_of(c.bytes));
        EXPECT_EQ(entries(), 1u);  // no temporary file left
    }
}

TEST_F(Safe_Write, KeepsTheOldFilesAttributes) {
    ASSERT_TRUE(dir.put(u"a.srt", "old"));
#if defined(_WIN32)
    const auto name = reinterpret_cast<const wchar_t*>(dir.file(u"a.srt").c_str());
    ASSERT_TRUE(SetFileAttributesW(name, FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(write_text_file_safely(dir.file(u"a.srt"), u"new"));
    // hidden kept; the archive mark (cleared above) set again, as any write sets it
    EXPECT_EQ(GetFileAttributesW(name) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
#else
    const auto perms = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                       std::filesystem::perms::group_read;
    std::filesystem::permissions(dir.path() / u"a.srt", perms);
    ASSERT_TRUE(write_text_file_safely(dir.file(u"a.srt"), u"new"));
    EXPECT_EQ(std::filesystem::status(dir.path() / u"a.srt").permissions(), perms);
#endif
    EXPECT_EQ(dir.get(u"a.srt"), bytes_of("\xEF\xBB\xBFnew"));
}

TEST_F(Safe_Write, FailureKeepsTheOldFileAndLeavesNoTemporary) {
    ASSERT_TRUE(dir.put(u"a.srt", "precious"));
    ASSERT_TRUE(std::filesystem::create_directory(dir.path() / u"folder"));
    std::u16string error;
    // A folder in the way: the new text cannot take its place.
    EXPECT_FALSE(write_text_file_safely(dir.file(u"folder"), u"new", &error));
    EXPECT_EQ(error.rfind(u"Could not replace \"" + dir.file(u"folder") + u"\":\n", 0), 0u) << utf16_to_utf8(error);
    EXPECT_NE(error.find(u" (error "), std::u16string::npos) << utf16_to_utf8(error);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / u"folder"));
    // No folder to put a temporary file in.
    EXPECT_FALSE(write_text_file_safely(dir.file(u"nowhere/a.srt"), u"x", &error));
    EXPECT_EQ(error.rfind(u"Could not create a temporary file in \"" + dir.file(u"nowhere") + u"\":\n", 0), 0u)
        << utf16_to_utf8(error);
#if defined(_WIN32)
    // Another program holds the file open without sharing.
    const HANDLE lock = CreateFileW(reinterpret_cast<const wchar_t*>(dir.file(u"a.srt").c_str()), GENERIC_READ, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(write_text_file_safely(dir.file(u"a.srt"), u"new", &error));
    CloseHandle(lock);
    EXPECT_NE(error.find(u"\nThe file on disk was not changed."), std::u16string::npos) << utf16_to_utf8(error);
#endif
    ASSERT_TRUE(dir.put(u"ro.srt", "kept"));
    make_read_only(dir.file(u"ro.srt"));
    if (read_only_binds(dir, u"ro.srt")) {
        EXPECT_FALSE(write_text_file_safely(dir.file(u"ro.srt"), u"new", &error));
        EXPECT_EQ(dir.get(u"ro.srt"), bytes_of("kept"));
    }
    EXPECT_EQ(dir.get(u"a.srt"), bytes_of("precious"));
    EXPECT_EQ(entries(), 3u);  // a.srt, ro.srt and the folder: nothing else
}

#if defined(_WIN32)
TEST_F(File_Test, SharingOnWindows) {
    // A file being written is not shared; one being read may be read by others.
    File writer;
    ASSERT_TRUE(writer.open(dir.file(u"s.txt"), File::access_read | File::access_write, File::Share::none,
                            File::Disposition::open_always));
    std::vector<std::uint8_t> bytes;
    std::u16string error;
    EXPECT_FALSE(read_file_bytes(dir.file(u"s.txt"), bytes, &error));
    EXPECT_EQ(error, u"CreateFile() failed to open file as read-only, error code 32.");  // sharing violation
    writer.close();
    ASSERT_TRUE(write_text_file(dir.file(u"s.txt"), u"x"));
    Mapped_File first;
    ASSERT_TRUE(first.open_and_map(dir.file(u"s.txt")));
    EXPECT_TRUE(read_file_bytes(dir.file(u"s.txt"), bytes, &error));
    const std::uint8_t byte = 'y';
    EXPECT_FALSE(write_whole_file(dir.file(u"s.txt"), &byte, 1, &error));
    EXPECT_EQ(error, u"CreateFile() failed to open file as read-write, error code 32.");
}
#endif

}  // namespace
