#pragma once
// The platform's halves of the string utilities: strings_win.cpp or strings_posix.cpp.

#include <string_view>

/// White space above U+00FF.
bool platform_is_space(char16_t c);
/// Upper case of a unit of U+0080 or more.
char16_t platform_to_upper(char16_t c);
int platform_compare_nocase(std::u16string_view a, std::u16string_view b);

/// The portable equivalents, built on every platform so that they can be checked
/// against the platform's own.
bool portable_is_space(char16_t c);
char16_t portable_to_upper(char16_t c);
