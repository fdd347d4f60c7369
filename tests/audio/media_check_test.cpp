#include "audio/media_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/temp_folder.h"

namespace {

// A box: its 32-bit length (header included) and type, then `body` bytes of zeros.
std::string box(const char* type, std::uint32_t body, std::uint32_t stated = 0) {
    const std::uint32_t length = stated ? stated : body + 8;
    std::string b{static_cast<char>(length >> 24), static_cast<char>(length >> 16), static_cast<char>(length >> 8),
                  static_cast<char>(length)};
    return b + type + std::string(body, '\0');
}

bool present(const std::string& bytes) {
    return iso_index_present(bytes.size(), [&](std::uint64_t at, std::uint8_t* out, std::size_t n) {
        if (at > bytes.size() || bytes.size() - at < n) return false;
        std::memcpy(out, bytes.data() + at, n);
        return true;
    });
}

TEST(MediaCheck, AnIsoFileNeedsAWholeIndex) {
    const std::string large_moov =  // a 64-bit length
        std::string{0, 0, 0, 1} + "moov" + std::string{0, 0, 0, 0, 0, 0, 0, 24} + std::string(8, '\0');
    const struct {
        std::string bytes;
        bool want;
        const char* why;
    } cases[] = {
        {box("ftyp", 16) + box("moov", 40) + box("mdat", 100), true, "index first"},
        {box("ftyp", 16) + box("mdat", 100) + box("moov", 40), true, "index last"},
        {box("ftyp", 16) + box("mdat", 100), false, "no index"},
        {box("ftyp", 16) + box("mdat", 100, 5000) + box("moov", 40), false, "media data cut short"},
        {box("ftyp", 16) + box("mdat", 100) + box("moov", 40).substr(0, 30), false, "index cut short"},
        {box("ftyp", 16) + std::string(4, '\0') + "mdat" + box("moov", 8), false, "media data to the end, over all after it"},
        {box("ftyp", 16) + large_moov, true, "an index with a 64-bit length"},
        {box("ftyp", 16) + box("free", 0, 3), false, "a length shorter than its header"},
        {box("ftyp", 16), false, "nothing but the type"},
        {"RIFF....WAVEfmt ", true, "not an ISO file: its decoder judges it"},
        {"ID3", true, "too short to tell"},
    };
    for (const auto& c : cases) EXPECT_EQ(present(c.bytes), c.want) << c.why;
}

TEST(MediaCheck, ReadsTheFileAtAPath) {
    Temp_Folder temp;
    EXPECT_TRUE(iso_index_present(temp.write("whole.mp4", box("ftyp", 16) + box("moov", 8) + box("mdat", 20))));
    EXPECT_FALSE(iso_index_present(temp.write("cut.mp4", box("ftyp", 16) + box("mdat", 20, 900))));
    EXPECT_FALSE(iso_index_present(temp.path_of("missing.mp4")));
}

}  // namespace
