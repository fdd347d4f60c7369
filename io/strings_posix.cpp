#include "io/strings_platform.h"

#include "io/strings.h"

#include <algorithm>

bool platform_is_space(char16_t c) {
    return portable_is_space(c);
}

char16_t platform_to_upper(char16_t c) {
    return portable_to_upper(c);
}

// Ordinal comparison of the upper-cased units.
int platform_compare_nocase(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = to_upper(a[i]);
        const char16_t y = to_upper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
