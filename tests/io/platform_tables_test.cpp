// The portable upper-case and white-space tables used by the native build, compared
// with the platform's own answers for every UTF-16 unit.
#include "io/strings.h"
#include "io/strings_platform.h"

#include <gtest/gtest.h>

namespace {

TEST(PlatformTables, UpperCaseAgreesOnEveryUnit) {
    int differences = 0;
    for (unsigned c = 0x80; c <= 0xFFFF; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        if (portable_to_upper(unit) != to_upper(unit)) {
            if (++differences <= 10)
                ADD_FAILURE() << std::hex << "U+" << c << ": portable " << unsigned(portable_to_upper(unit))
                              << ", platform " << unsigned(to_upper(unit));
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST(PlatformTables, WhiteSpaceAgreesAboveLatin1) {
    for (unsigned c = 0x100; c <= 0xFFFF; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        EXPECT_EQ(portable_is_space(unit), is_space(unit)) << std::hex << "U+" << c;
    }
}

}  // namespace

#include <windows.h>

#include "io/code_pages.h"
#include "io/text_decoding.h"

namespace {

// The generated code page tables read every byte and pair as the platform does, wherever
// the tables define a character.
TEST(PlatformTables, CodePagesAgreeWithTheSystem) {
    for (const Readable_Encoding& e : readable_encodings()) {
        if (!is_legacy_code_page(e.code_page)) continue;
        int differences = 0, compared = 0;
        const auto check = [&](const std::uint8_t* bytes, int count) {
            std::u16string ours;
            decode_code_page(e.code_page, bytes, count, ours);
            if (ours.size() != 1 || ours[0] == 0xFFFD || (count == 1 && ours[0] >= 0x80 && ours[0] < 0xA0))
                return;  // undefined in our tables: the platform's choice for them is its own
            wchar_t theirs[4] = {};
            const int n = MultiByteToWideChar(e.code_page, 0, reinterpret_cast<const char*>(bytes), count, theirs, 4);
            ++compared;
            if (n != 1 || static_cast<char16_t>(theirs[0]) != ours[0]) {
                if (++differences <= 5)
                    ADD_FAILURE() << e.code_page << std::hex << ": bytes " << unsigned(bytes[0]) << " "
                                  << (count == 2 ? unsigned(bytes[1]) : 0u) << " ours U+" << unsigned(ours[0])
                                  << ", platform U+" << unsigned(theirs[0]);
            }
        };
        for (unsigned b = 0x80; b < 0x100; ++b) {
            const std::uint8_t one[1] = {static_cast<std::uint8_t>(b)};
            check(one, 1);
            for (unsigned t = 0x40; t < 0xFF; ++t) {
                const std::uint8_t two[2] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(t)};
                std::u16string ours;
                decode_code_page(e.code_page, two, 2, ours);
                if (ours.size() == 1) check(two, 2);  // a pair in this code page
            }
        }
        EXPECT_EQ(differences, 0) << e.code_page;
        EXPECT_GE(compared, 90) << e.code_page;  // Thai, the smallest, defines 97 bytes
    }
}

}  // namespace
