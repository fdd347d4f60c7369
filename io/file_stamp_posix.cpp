#include "io/file_stamp.h"

#include <sys/stat.h>

#include "io/strings.h"

File_Stamp file_stamp(const std::u16string& path) {
    struct stat st;
    if (path.empty() || stat(utf16_to_utf8(path).c_str(), &st) != 0) return {};
    File_Stamp stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.write_time = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u + st.st_mtim.tv_nsec;
    return stamp;
}
