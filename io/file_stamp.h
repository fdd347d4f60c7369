#pragma once
// What tells that another program changed a file: its size and its last write time.

#include <cstdint>
#include <string>

struct File_Stamp {
    bool exists = false;
    std::uint64_t size = 0;
    /// The platform's own units (100 ns on Windows, ns on POSIX); only compared.
    std::uint64_t write_time = 0;

    bool operator==(const File_Stamp&) const = default;
};

/// The file's stamp now; `exists` is false (and the rest 0) when its attributes cannot be read.
File_Stamp file_stamp(const std::u16string& path);

/// Whether the file at the path was changed since `known` was taken: created, removed,
/// or of another size or last write time. A file never stamped (untitled) is never changed.
bool changed_since(const File_Stamp& known, const File_Stamp& now);
