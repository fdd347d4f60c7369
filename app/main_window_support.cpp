#include "app/main_window_support.h"

#include "io/file.h"
#include "io/strings.h"

namespace {

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

constexpr const char16_t* weekdays[] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
constexpr const char16_t* months[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                      u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};

std::u16string system_error_text(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = n ? std::u16string(reinterpret_cast<char16_t*>(buffer), n) : std::u16string();
    if (buffer) LocalFree(buffer);
    trim(text);
    return format(u"%s (error %u)", text.empty() ? std::u16string(u"Unknown error") : text,
                  static_cast<unsigned>(code));
}

}  // namespace

std::u16string format_local_time(const SYSTEMTIME& t) {
    return format(u"%s, %u %s %u, %u:%02u:%02u", weekdays[t.wDayOfWeek % 7], unsigned{t.wDay},
                  months[(t.wMonth + 11) % 12], unsigned{t.wYear}, unsigned{t.wHour}, unsigned{t.wMinute},
                  unsigned{t.wSecond});
}

std::u16string format_saved_time(const SYSTEMTIME& local) { return u"Saved: " + format_local_time(local); }

std::u16string subs_past_end_text(std::uint32_t count) {
    return format(u"Notice: there %s %u sub%s past the end of the video.\nThese subs won't be displayed.",
                  count == 1 ? u"is" : u"are", count, count == 1 ? u"" : u"s");
}

bool save_text_safely(const std::u16string& path, std::u16string_view text, std::u16string* error_text) {
    const std::size_t slash = path.find_last_of(u"\\/");
    const std::u16string folder = slash == std::u16string::npos ? std::u16string(u".") : path.substr(0, slash);
    wchar_t temp[MAX_PATH + 1] = {};
    // The temporary file lives in the target's folder so the final rename stays on one volume.
    if (!GetTempFileNameW(wide(folder), L"cue", 0, temp)) {
        if (error_text)
            *error_text = format(u"Could not create a temporary file in \"%s\":\n%s", folder,
                                 system_error_text(GetLastError()));
        return false;
    }
    const std::u16string temp_path(reinterpret_cast<const char16_t*>(temp));
    std::u16string error;
    if (!write_text_file(temp_path, text, &error)) {
        DeleteFileW(temp);
        if (error_text) *error_text = error;
        return false;
    }
    if (!MoveFileExW(temp, wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileW(temp);
        if (error_text)
            *error_text = format(u"Could not replace \"%s\":\n%s\nThe file on disk was not changed.", path,
                                 system_error_text(code));
        return false;
    }
    if (error_text) error_text->clear();
    return true;
}

