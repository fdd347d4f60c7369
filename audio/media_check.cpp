#include "audio/media_check.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::uint64_t big_endian(const std::uint8_t* p, int size) {
    std::uint64_t v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

// Far more boxes than any file holds at its top level.
constexpr int most_boxes = 100000;

}  // namespace

bool iso_index_present(std::uint64_t size, const Read_At& read) {
    std::uint8_t head[16];
    if (size < 8 || !read(0, head, 8) || std::memcmp(head + 4, "ftyp", 4) != 0) return true;
    std::uint64_t at = 0;
    for (int box = 0; box < most_boxes && size - at >= 8; ++box) {
        if (!read(at, head, 8)) return false;
        std::uint64_t length = big_endian(head, 4);
        std::uint64_t header = 8;
        if (length == 1) {
            // The length follows in 64 bits.
            if (size - at < 16 || !read(at + 8, head + 8, 8)) return false;
            length = big_endian(head + 8, 8);
            header = 16;
        } else if (length == 0) {
            length = size - at;  // to the end of the file
        }
        if (length < header || length > size - at) return false;  // cut short, or not boxes
        if (std::memcmp(head + 4, "moov", 4) == 0) return true;
        at += length;
    }
    return false;
}

bool iso_index_present(const std::u16string& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(path), error);
    if (!file || error) return false;
    return iso_index_present(size, [&file](std::uint64_t offset, std::uint8_t* out, std::size_t count) {
        file.clear();
        file.seekg(static_cast<std::streamoff>(offset));
        file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        return file.gcount() == static_cast<std::streamsize>(count);
    });
}
