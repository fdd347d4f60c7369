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

namespace {

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

bool is_drive(std::u16string_view s) {
    return s.size() == 2 && s[1] == u':' && ((s[0] >= u'A' && s[0] <= u'Z') || (s[0] >= u'a' && s[0] <= u'z'));
}

}  // namespace

std::u16string folder_of(const std::u16string& path) {
    std::size_t slash = path.size();
    while (slash > 0 && !is_separator(path[slash - 1])) --slash;
    if (slash == 0) return is_drive(std::u16string_view(path).substr(0, 2)) ? path.substr(0, 2) : u".";
    const std::u16string folder = path.substr(0, slash - 1);
    // "E:" alone names the current folder of drive E, not its root; an empty folder is the root.
    if (folder.empty() || is_drive(folder)) return path.substr(0, slash);
    return folder;
}

bool write_text_file_safely(const std::u16string& path, std::u16string_view text, std::u16string* error_text,
                            bool in_place_when_no_temporary) {
    std::vector<std::uint8_t> bytes;
    if (!text.empty()) append_utf8_with_mark(text, bytes);
    const bool existed = path_exists(path);
    const char16_t* unchanged = existed ? u"\nThe file on disk was not changed." : u"";

    const std::u16string folder = folder_of(path);
    std::u16string temp;
    unsigned code = 0;
    if (!create_temporary_in(folder, temp, code)) {
        if (in_place_when_no_temporary) return write_whole_file(path, bytes.data(), bytes.size(), error_text);
        if (error_text)
            *error_text = format(u"Could not create a temporary file in \"%s\":\n%s%s", folder,
                                 system_error_text(code), unchanged);
        return false;
    }

    std::u16string error;
    File file;
    bool ok = file.open(temp, File::access_read | File::access_write, File::Share::none,
                        File::Disposition::open_always, &error);
    if (ok) {
        file.writable = true;
        ok = file.set_size(bytes.size(), &error) && file.write(bytes.data(), bytes.size(), &error) &&
             file.flush(&error);
    }
    code = ok ? 0 : last_system_error();
    file.close();
    if (!ok) {
        remove_file(temp);
        if (error_text) *error_text = format(u"%s\n%s%s", error, system_error_text(code), unchanged);
        return false;
    }
    if (!put_in_place(temp, path, code)) {
        // Should the old file be gone already, the temporary file holds the only copy: keep it.
        if (existed && !path_exists(path)) {
            if (error_text)
                *error_text = format(u"Could not replace \"%s\":\n%s\nThe new text was kept in \"%s\".", path,
                                     system_error_text(code), temp);
            return false;
        }
        remove_file(temp);
        if (error_text)
            *error_text = format(u"Could not replace \"%s\":\n%s%s", path, system_error_text(code), unchanged);
        return false;
    }
    if (error_text) error_text->clear();
    return true;
}
