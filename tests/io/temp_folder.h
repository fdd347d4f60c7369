#pragma once
// A fresh, uniquely named folder under the system's temporary folder, removed afterwards.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "io/strings.h"

class Temp_Folder {
public:
    Temp_Folder() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        std::error_code ec;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = "cuemill-io-" + std::to_string(stamp) + "-" + std::to_string(counter++);
            path_ = std::filesystem::temp_directory_path(ec) / name;
            if (std::filesystem::create_directory(path_, ec)) return;
        }
        path_.clear();
    }
    ~Temp_Folder() {
        if (path_.empty()) return;
        std::error_code ec;
        // Read-only files would stop the removal on Windows.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    Temp_Folder(const Temp_Folder&) = delete;
    Temp_Folder& operator=(const Temp_Folder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    /// The UTF-16 path of an entry in the folder.
    std::u16string file(const std::u16string& name) const { return (path_ / name).u16string(); }

    /// Writes the bytes with the standard library, independent of the code under test.
    bool put(const std::u16string& name, const std::vector<std::uint8_t>& bytes) const {
        std::FILE* f = open_native(file(name), "wb");
        if (!f) return false;
        const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }
    bool put(const std::u16string& name, const std::string& bytes) const {
        return put(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    /// Reads a whole file with the standard library; empty when missing.
    std::vector<std::uint8_t> get(const std::u16string& name) const {
        std::vector<std::uint8_t> bytes;
        std::FILE* f = open_native(file(name), "rb");
        if (!f) return bytes;
        std::uint8_t buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
        return bytes;
    }

private:
    static std::FILE* open_native(const std::u16string& path, const char* mode) {
#if defined(_WIN32)
        const std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
        return _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), wmode.c_str());
#else
        return std::fopen(utf16_to_utf8(path).c_str(), mode);
#endif
    }

    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> bytes_of(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}
