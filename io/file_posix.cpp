#include "io/file.h"

#include "io/file_platform.h"
#include "io/strings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace {

std::string native(const std::u16string& path) {
    return utf16_to_utf8(path);
}

bool fail(std::u16string* error_text, std::u16string message) {
    if (error_text) *error_text = std::move(message);
    return false;
}

}  // namespace

bool path_exists(const std::u16string& path) {
    struct stat st;
    return !path.empty() && stat(native(path).c_str(), &st) == 0;
}

void append_utf8_with_mark(std::u16string_view text, std::vector<std::uint8_t>& out) {
    // One exact-size buffer, encoded in place: no intermediate copy of a large text.
    const std::size_t old = out.size();
    out.resize(old + 3 + utf8_length(text));
    out[old] = 0xEF;
    out[old + 1] = 0xBB;
    out[old + 2] = 0xBF;
    encode_utf8(text, reinterpret_cast<char*>(out.data() + old + 3));
}

bool File::open(const std::u16string& path, unsigned access, Share share, Disposition disposition,
                std::u16string* error_text) {
    (void)share;  // no mandatory sharing modes here
    if (path.empty()) return fail(error_text, u"Path is empty.");
    close();
    int flags = O_CLOEXEC;
    if (access & access_write) flags |= (access & access_read) ? O_RDWR : O_WRONLY;
    else flags |= O_RDONLY;
    if (disposition == Disposition::open_always) flags |= O_CREAT;
    const char16_t* as = (access & access_write) ? u"read-write" : u"read-only";
    int fd;
    do {
        fd = ::open(native(path).c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int code = errno;
        return fail(error_text, format(u"CreateFile() failed to open file as %s, error code %u.", as, code));
    }
    // A folder opens read-only here but is not a file; refuse it as CreateFileW does.
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail(error_text, format(u"CreateFile() failed to open file as %s, error code %u.", as, EISDIR));
    }
    handle = fd;
    size = unknown_file_size;
    if (error_text) error_text->clear();
    return true;
}

std::uint64_t File::get_size() {
    if (size == unknown_file_size && is_open()) {
        struct stat st;
        if (fstat(handle, &st) == 0) size = static_cast<std::uint64_t>(st.st_size);
    }
    return size == unknown_file_size ? 0 : size;
}

bool File::set_size(std::uint64_t new_size, std::u16string* error_text) {
    if (!check_open_for_writing(*this, error_text)) return false;
    if (get_size() == new_size) return true;
    if (new_size > max_file_size) return fail(error_text, too_large_message);
    if (lseek(handle, static_cast<off_t>(new_size), SEEK_SET) < 0) {
        const int code = errno;
        close();
        return fail(error_text, format(u"SetFilePointer() failed with offset of %u, error code %u.", new_size, code));
    }
    int rc;
    do {
        rc = ftruncate(handle, static_cast<off_t>(new_size));
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        const int code = errno;
        close();
        return fail(error_text, format(u"SetEndOfFile() failed with offset of %u, error code %u.", new_size, code));
    }
    if (lseek(handle, 0, SEEK_SET) < 0) {
        const int code = errno;
        close();
        return fail(error_text, format(u"SetFilePointer() failed to rewind the file, error code %u.", code));
    }
    size = new_size;
    if (error_text) error_text->clear();
    return true;
}

bool File::write(const std::uint8_t* bytes, std::size_t count, std::u16string* error_text) {
    if (!check_open_for_writing(*this, error_text)) return false;
    size = unknown_file_size;
    // write() may store less than asked: carry on until all is stored or it fails.
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(handle, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(error_text, format(u"WriteFile() failed to write %u bytes.", count));
        done += static_cast<std::size_t>(n);
    }
    if (error_text) error_text->clear();
    return true;
}

bool File::flush(std::u16string* error_text) {
    if (!check_open_for_writing(*this, error_text)) return false;
    if (fsync(handle) != 0) return fail(error_text, format(u"FlushFileBuffers() failed, error code %u.", errno));
    if (error_text) error_text->clear();
    return true;
}

void File::close() {
    if (handle != null_file_handle) ::close(handle);
    handle = null_file_handle;
    writable = false;
    size = unknown_file_size;
}

void Mapped_File::release() {
    // The mapping and the view are one region here.
    if (mapping) munmap(mapping, mapped_length_);
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
    // mmap of zero bytes fails with EINVAL, as the mapping of an empty file does elsewhere.
    void* region = mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_PRIVATE, handle, 0);
    if (region == MAP_FAILED) {
        const int code = errno;
        release();
        return fail(error_text, format(u"CreateFileMapping() failed to create file mapping, error code %u.", code));
    }
    mapping = region;
    view = static_cast<const std::uint8_t*>(region);
    mapped_length_ = static_cast<std::size_t>(length);
    if (error_text) error_text->clear();
    return true;
}

std::u16string system_error_text(unsigned code) {
    return format(u"%s (error %u)", utf8_to_utf16(std::strerror(static_cast<int>(code))), code);
}

bool memory_available(std::uint64_t bytes) {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) return true;  // no answer: let the allocation tell
    const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    return bytes / unit <= std::uint64_t{info.freeram} + info.bufferram + info.freeswap;
}

unsigned last_system_error() { return static_cast<unsigned>(errno); }

void remove_file(const std::u16string& path) { ::unlink(native(path).c_str()); }

bool create_temporary_in(const std::u16string& folder, std::u16string& temp, unsigned& code) {
    std::string name = native(folder);
    if (name.empty() || name.back() != '/') name += '/';
    name += ".cueXXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        code = static_cast<unsigned>(errno);
        return false;
    }
    ::close(fd);
    temp = utf8_to_utf16(name);
    return true;
}

bool put_in_place(const std::u16string& temp, const std::u16string& path, unsigned& code) {
    const std::string from = native(temp), to = native(path);
    struct stat old;
    if (stat(to.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            code = EISDIR;
            return false;
        }
        // A file this process may not write is not written over by other means either.
        if (access(to.c_str(), W_OK) != 0) {
            code = static_cast<unsigned>(errno);
            return false;
        }
        // The new file takes the old one's permissions, and its owner where that is allowed.
        chmod(from.c_str(), old.st_mode & 07777);
        [[maybe_unused]] const int owned = chown(from.c_str(), old.st_uid, old.st_gid);
    } else {
        // As a newly created file would be: the usual permissions less the process's mask.
        const mode_t mask = umask(0);
        umask(mask);
        chmod(from.c_str(), 0666 & ~mask);
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        code = static_cast<unsigned>(errno);
        return false;
    }
    // The rename itself reaches the disk with its folder.
    const int folder = ::open(native(folder_of(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        ::close(folder);
    }
    return true;
}
