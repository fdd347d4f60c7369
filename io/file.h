#pragma once
// Whole-file input and output through one owned handle and a read-only memory mapping.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
using File_Handle = void*;  // HANDLE
inline constexpr File_Handle null_file_handle = nullptr;
#else
using File_Handle = int;  // file descriptor
inline constexpr File_Handle null_file_handle = -1;
#endif

inline constexpr std::uint64_t unknown_file_size = ~std::uint64_t{0};

/// Whether anything (file or folder) exists at the path: its attributes can be read.
bool path_exists(const std::u16string& path);

/// Owns one open file. Whenever it closes (explicitly, by a failing set_size, on
/// destruction) the fields return to null handle, not writable, unknown size.
class File {
public:
    enum Access : unsigned { access_read = 1, access_write = 2 };
    enum class Share { none, read };
    enum class Disposition { open_existing, open_always };

    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    virtual ~File();

    /// Closes what is open first. Does not set `writable`; the callers do.
    bool open(const std::u16string& path, unsigned access, Share share, Disposition disposition,
              std::u16string* error_text = nullptr);
    /// Read access, others may read, the file must exist ("File doesn't exist." otherwise).
    bool open_for_reading(const std::u16string& path, std::u16string* error_text = nullptr);
    /// The cached size, fetched from the platform when unknown (0 when not open).
    std::uint64_t get_size();
    /// Makes the file exactly `new_size` bytes long, position at the start. A failure closes
    /// the file. When the size already matches, succeeds without touching `error_text`.
    bool set_size(std::uint64_t new_size, std::u16string* error_text = nullptr);
    /// Writes all `count` bytes at the current position; a failure leaves the file open.
    bool write(const std::uint8_t* bytes, std::size_t count, std::u16string* error_text = nullptr);
    /// Makes the platform put what was written on the disk before it returns.
    bool flush(std::u16string* error_text = nullptr);
    void close();

    bool is_open() const { return handle != null_file_handle; }

    File_Handle handle = null_file_handle;
    bool writable = false;
    std::uint64_t size = unknown_file_size;
};

/// A file with a read-only mapping of all of it. Releasing unmaps the view, closes the
/// mapping, then closes the file.
class Mapped_File : public File {
public:
    Mapped_File() = default;
    ~Mapped_File() override;

    /// Opens for reading and maps the whole file. A file of zero bytes cannot be mapped;
    /// a file of 4 GiB or more is refused.
    bool open_and_map(const std::u16string& path, std::u16string* error_text = nullptr);
    /// Copies the whole mapped file into `out_bytes` (replacing its content).
    bool read_all(std::vector<std::uint8_t>& out_bytes, std::u16string* error_text = nullptr);
    /// Unmaps, closes the mapping and the file.
    void release();

    /// Mapping object (Windows) or mapped region (POSIX); null when none.
    void* mapping = nullptr;
    const std::uint8_t* view = nullptr;

private:
    std::size_t mapped_length_ = 0;
};

/// open_and_map, read_all, release.
bool read_file_bytes(const std::u16string& path, std::vector<std::uint8_t>& out,
                     std::u16string* error_text = nullptr);
/// Creates or overwrites the file so that it holds exactly these bytes.
bool write_whole_file(const std::u16string& path, const std::uint8_t* bytes, std::size_t count,
                      std::u16string* error_text = nullptr);
/// UTF-8 with a byte-order mark; an empty text gives a file of zero bytes.
bool write_text_file(const std::u16string& path, std::u16string_view text,
                     std::u16string* error_text = nullptr);

/// Stores the text as write_text_file does without ever damaging what is there: the bytes go
/// into a new file in the same folder, reach the disk, and only then take the old file's place,
/// which keeps the old file's attributes (and sets its archive mark) and permissions. On failure
/// the old file is as it was and error_text says which step failed and the system's reason; no
/// temporary file is left, except when the old file was gone already when putting the new one
/// in its place failed: the temporary file then holds the only copy, is kept, and error_text
/// names it.
/// `in_place_when_no_temporary` writes over the file directly when no temporary file can be
/// made beside it (a folder that is read-only while the file is not).
bool write_text_file_safely(const std::u16string& path, std::u16string_view text,
                            std::u16string* error_text = nullptr, bool in_place_when_no_temporary = false);

/// The folder that holds `path`, named so that the platform opens that folder: the part before
/// the last separator, E:\ for a file in a drive's root, \ or / for the root itself,
/// E: for a drive-relative name, . for a bare name.
std::u16string folder_of(const std::u16string& path);

/// Whether about this many bytes could be allocated now (memory and swap or page file
/// together), so that reading a very large file is refused instead of ending the program.
bool memory_available(std::uint64_t bytes);

/// The platform's description of an error code, then " (error N)".
std::u16string system_error_text(unsigned code);
