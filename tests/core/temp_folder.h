#pragma once
// A fresh folder under the system's temporary directory, removed with everything in it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

class Temp_Folder {
public:
    Temp_Folder() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("cuemill-core-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~Temp_Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Temp_Folder(const Temp_Folder&) = delete;
    Temp_Folder& operator=(const Temp_Folder&) = delete;

    std::u16string path_of(std::string_view name) const { return (path_ / name).u16string(); }

    /// Writes the bytes as they are and returns the file's path.
    std::u16string write(std::string_view name, std::string_view bytes) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good()) << "cannot write " << name;
        return path_of(name);
    }

    static std::string read(const std::u16string& path) {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};
