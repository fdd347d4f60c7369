#include "io/file.h"

#include "io/file_platform.h"
#include "io/strings.h"

#include <cstring>

File::~File() {
    close();
}

bool check_open_for_writing(const File& file, std::u16string* error_text) {
    if (!file.is_open()) {
        if (error_text) *error_text = u"File has not been opened.";
        return false;
    }
    if (!file.writable) {
        if (error_text) *error_text = u"File is opened for read-only access.";
        return false;
    }
    return true;
}

bool File::open_for_reading(const std::u16string& path, std::u16string* error_text) {
    if (!path_exists(path)) {
        close();
        if (error_text) *error_text = u"File doesn't exist.";
        return false;
    }
    if (!open(path, access_read, Share::read, Disposition::open_existing, error_text)) return false;
    writable = false;
    if (error_text) error_text->clear();
    return true;
}

Mapped_File::~Mapped_File() {
    release();
}

bool Mapped_File::read_all(std::vector<std::uint8_t>& out_bytes, std::u16string* error_text) {
    if (!mapping || !view || !is_open()) {
        if (error_text) *error_text = u"File is not mapped into memory.";
        return false;
    }
    const std::uint64_t length = get_size();
    // The file may have shrunk or grown since it was mapped: copy only what is mapped.
    if (length == 0 || mapped_length_ == 0) {
        if (error_text) *error_text = u"Offset is beyond end of file.";
        return false;
    }
    const std::size_t copied = length < mapped_length_ ? static_cast<std::size_t>(length) : mapped_length_;
    out_bytes.resize(copied);
    std::memcpy(out_bytes.data(), view, copied);
    if (error_text) error_text->clear();
    return true;
}

bool read_file_bytes(const std::u16string& path, std::vector<std::uint8_t>& out, std::u16string* error_text) {
    Mapped_File file;
    const bool ok = file.open_and_map(path, error_text) && file.read_all(out, error_text);
    file.release();
    return ok;
}

bool write_whole_file(const std::u16string& path, const std::uint8_t* bytes, std::size_t count,
                      std::u16string* error_text) {
    File file;
    if (!file.open(path, File::access_read | File::access_write, File::Share::none, File::Disposition::open_always,
                   error_text))
        return false;
    file.writable = true;
    if (error_text) error_text->clear();
    const bool ok = file.set_size(count, error_text) && file.write(bytes, count, error_text);
    file.close();
    return ok;
}

bool write_text_file(const std::u16string& path, std::u16string_view text, std::u16string* error_text) {
    std::vector<std::uint8_t> bytes;
    if (!text.empty()) append_utf8_with_mark(text, bytes);
    return write_whole_file(path, bytes.data(), bytes.size(), error_text);
}
