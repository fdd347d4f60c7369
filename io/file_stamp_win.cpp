#include "io/file_stamp.h"

#include <windows.h>

File_Stamp file_stamp(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() ||
        !GetFileAttributesExW(reinterpret_cast<const wchar_t*>(path.c_str()), GetFileExInfoStandard, &data))
        return {};
    File_Stamp stamp;
    stamp.exists = true;
    stamp.size = std::uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp.write_time = std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}
