#pragma once
// UTF-16 strings at the Win32 boundary: wchar_t is 16-bit here, so the same buffer is viewed
// as either type (we build with -fno-strict-aliasing).

#include <string>
#include <string_view>

#include "gui/win32.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are UTF-16 units");

inline const wchar_t* as_wcstr(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline wchar_t* as_wcstr(std::u16string& s) { return reinterpret_cast<wchar_t*>(s.data()); }
inline const wchar_t* as_wcstr(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* as_wcstr(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }

inline const char16_t* as_u16cstr(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
/// A copy of a zero-terminated wide string; empty for null.
inline std::u16string as_u16(const wchar_t* s) { return s ? std::u16string(as_u16cstr(s)) : std::u16string(); }
inline std::u16string as_u16(const wchar_t* s, std::size_t length) { return std::u16string(as_u16cstr(s), length); }
inline std::u16string as_u16(std::wstring_view s) { return std::u16string(as_u16cstr(s.data()), s.size()); }

/// The window's text, whatever its length; empty for a null or dead window.
std::u16string window_text(HWND window);
bool set_window_text(HWND window, const std::u16string& text);
