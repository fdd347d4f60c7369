#include "io/file.h"

#include "io/file_platform.h"
#include "io/strings.h"

#include <windows.h>

namespace {

const wchar_t* wide(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

bool fail(std::u16string* error_text, std::u16string message) {
    if (error_text) *error_text = std::move(message);
    return false;
}

}  // namespace

bool path_exists(const std::u16string& path) {
    return !path.empty() && GetFileAttributesW(wide(path)) != INVALID_FILE_ATTRIBUTES;
}

void append_utf8_with_mark(std::u16string_view text, std::vector<std::uint8_t>& out) {
    out.push_back(0xEF);
    out.push_back(0xBB);
    out.push_back(0xBF);
    // WideCharToMultiByte takes an int length; convert in pieces that fit, never
    // splitting a surrogate pair.
    constexpr std::size_t piece = 1u << 28;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t n = text.size() - at < piece ? text.size() - at : piece;
        if (at + n < text.size() && text[at + n - 1] >= 0xD800 && text[at + n - 1] <= 0xDBFF) --n;
        const wchar_t* src = reinterpret_cast<const wchar_t*>(text.data() + at);
        const int needed = WideCharToMultiByte(CP_UTF8, 0, src, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        if (needed > 0) {
            const std::size_t old = out.size();
            out.resize(old + static_cast<std::size_t>(needed));
            WideCharToMultiByte(CP_UTF8, 0, src, static_cast<int>(n), reinterpret_cast<char*>(out.data() + old),
                                needed, nullptr, nullptr);
        }
        at += n;
    }
}

bool File::open(const std::u16string& path, unsigned access, Share share, Disposition disposition,
                std::u16string* error_text) {
    if (path.empty()) return fail(error_text, u"Path is empty.");
    close();
    const DWORD rights = ((access & access_read) ? GENERIC_READ : 0) | ((access & access_write) ? GENERIC_WRITE : 0);
    const DWORD sharing = share == Share::read ? FILE_SHARE_READ : 0;
    const DWORD how = disposition == Disposition::open_always ? OPEN_ALWAYS : OPEN_EXISTING;
    HANDLE h = CreateFileW(wide(path), rights, sharing, nullptr, how, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return fail(error_text, format(u"CreateFile() failed to open file as %s, error code %u.",
                                       (access & access_write) ? u"read-write" : u"read-only",
                                       static_cast<unsigned>(code)));
    }
    handle = h;
    size = unknown_file_size;
    if (error_text) error_text->clear();
    return true;
}

std::uint64_t File::get_size() {
    if (size == unknown_file_size && is_open()) {
        LARGE_INTEGER length;
        if (GetFileSizeEx(handle, &length)) size = static_cast<std::uint64_t>(length.QuadPart);
    }
    return size == unknown_file_size ? 0 : size;
}

bool File::set_size(std::uint64_t new_size, std::u16string* error_text) {
    if (!check_open_for_writing(*this, error_text)) return false;
    if (get_size() == new_size) return true;
    if (new_size > max_file_size) return fail(error_text, too_large_message);
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(new_size);
    if (!SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN)) {
        const DWORD code = GetLastError();
        close();
        return fail(error_text, format(u"SetFilePointer() failed with offset of %u, error code %u.", new_size,
                                       static_cast<unsigned>(code)));
    }
    if (!SetEndOfFile(handle)) {
        const DWORD code = GetLastError();
        close();
        return fail(error_text, format(u"SetEndOfFile() failed with offset of %u, error code %u.", new_size,
                                       static_cast<unsigned>(code)));
    }
    offset.QuadPart = 0;
    if (!SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN)) {
        const DWORD code = GetLastError();
        close();
        return fail(error_text,
                    format(u"SetFilePointer() failed to rewind the file, error code %u.", static_cast<unsigned>(code)));
    }
    size = new_size;
    if (error_text) error_text->clear();
    return true;
}

bool File::write(const std::uint8_t* bytes, std::size_t count, std::u16string* error_text) {
    if (!check_open_for_writing(*this, error_text)) return false;
    if (count > max_file_size) return fail(error_text, format(u"WriteFile() failed to write %u bytes.", count));
    DWORD written = 0;
    const BOOL ok = WriteFile(handle, bytes, static_cast<DWORD>(count), &written, nullptr);
    size = unknown_file_size;
    // A short write (a full disk) loses data as surely as a failed one.
    if (!ok || written != count) return fail(error_text, format(u"WriteFile() failed to write %u bytes.", count));
    if (error_text) error_text->clear();
    return true;
}

bool File::flush(std::u16string* error_text) {
    if (!check_open_for_writing(*this, error_text)) return false;
    if (!FlushFileBuffers(handle))
        return fail(error_text,
                    format(u"FlushFileBuffers() failed, error code %u.", static_cast<unsigned>(GetLastError())));
    if (error_text) error_text->clear();
    return true;
}

void File::close() {
    if (handle) CloseHandle(handle);
    handle = null_file_handle;
    writable = false;
    size = unknown_file_size;
}

void Mapped_File::release() {
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
    view = nullptr;
    mapping = nullptr;
    mapped_length_ = 0;
    close();
}

bool Mapped_File::open_and_map(const std::u16string& path, std::u16string* error_text) {
    release();
    if (!open_for_reading(path, error_text)) {
        release();
        return false;
    }
    const std::uint64_t length = get_size();
    if (length > max_file_size) {
        release();
        return fail(error_text, too_large_message);
    }
    mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        const DWORD code = GetLastError();
        release();
        return fail(error_text, format(u"CreateFileMapping() failed to create file mapping, error code %u.",
                                       static_cast<unsigned>(code)));
    }
    view = static_cast<const std::uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (!view) {
        const DWORD code = GetLastError();
        release();
        return fail(error_text,
                    format(u"MapViewOfFile() failed to map view of file, error code %u.", static_cast<unsigned>(code)));
    }
    mapped_length_ = static_cast<std::size_t>(length);
    if (error_text) error_text->clear();
    return true;
}

std::u16string system_error_text(unsigned code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = n ? std::u16string(reinterpret_cast<const char16_t*>(buffer), n) : std::u16string();
    if (buffer) LocalFree(buffer);
    trim(text);
    return format(u"%s (error %u)", text.empty() ? std::u16string(u"Unknown error") : text, code);
}

bool memory_available(std::uint64_t bytes) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return true;  // no answer: let the allocation tell
    return bytes <= status.ullAvailPageFile && bytes <= status.ullAvailVirtual;
}

unsigned last_system_error() { return static_cast<unsigned>(GetLastError()); }

void remove_file(const std::u16string& path) { DeleteFileW(wide(path)); }

bool create_temporary_in(const std::u16string& folder, std::u16string& temp, unsigned& code) {
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(wide(folder), L"cue", 0, name)) {
        code = static_cast<unsigned>(GetLastError());
        return false;
    }
    temp.assign(reinterpret_cast<const char16_t*>(name));
    return true;
}

bool put_in_place(const std::u16string& temp, const std::u16string& path, unsigned& code) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (MoveFileExW(wide(temp), wide(path), MOVEFILE_WRITE_THROUGH)) return true;
        code = static_cast<unsigned>(GetLastError());
        return false;
    }
    // A read-only file is not written over, as opening it for writing would not be either.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        code = ERROR_ACCESS_DENIED;
        return false;
    }
    // A file that another program holds without sharing its deletion cannot be replaced; find
    // out before replacing, which on some systems leaves a file of its own behind when it fails.
    const HANDLE probe = CreateFileW(wide(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        code = static_cast<unsigned>(GetLastError());
        return false;
    }
    CloseHandle(probe);
    // Replacing keeps the old file's security, streams and attributes where the file system
    // supports it; elsewhere a plain move does, with the attributes set again afterwards.
    if (!ReplaceFileW(wide(path), wide(temp), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        code = static_cast<unsigned>(GetLastError());
        switch (code) {
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_ACCESS_DENIED:
            return false;  // in use or protected: a move would fail the same way
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
            // The old file is gone already; the new one still has its temporary name.
            if (!MoveFileExW(wide(temp), wide(path), MOVEFILE_WRITE_THROUGH)) {
                code = static_cast<unsigned>(GetLastError());
                return false;
            }
            break;
        default:
            if (!MoveFileExW(wide(temp), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                code = static_cast<unsigned>(GetLastError());
                return false;
            }
        }
    }
    // The old attributes, and the archive mark any write sets, so that backups see the change.
    const DWORD wanted = (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL)) | FILE_ATTRIBUTE_ARCHIVE;
    if (GetFileAttributesW(wide(path)) != wanted) SetFileAttributesW(wide(path), wanted);
    return true;
}
