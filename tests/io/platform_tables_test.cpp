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
