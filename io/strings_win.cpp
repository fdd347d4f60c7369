#include "io/strings_platform.h"

#include <windows.h>

#include <cwctype>
#include <string>

bool platform_is_space(char16_t c) {
    return std::iswspace(static_cast<wint_t>(c)) != 0;
}

char16_t platform_to_upper(char16_t c) {
    wchar_t unit = static_cast<wchar_t>(c);
    CharUpperBuffW(&unit, 1);
    return static_cast<char16_t>(unit);
}

int platform_compare_nocase(std::u16string_view a, std::u16string_view b) {
    // lstrcmpiW wants terminated strings.
    const std::u16string sa(a);
    const std::u16string sb(b);
    return lstrcmpiW(reinterpret_cast<const wchar_t*>(sa.c_str()), reinterpret_cast<const wchar_t*>(sb.c_str()));
}
