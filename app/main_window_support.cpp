#include "app/main_window_support.h"

#include "io/strings.h"

namespace {

constexpr const char16_t* weekdays[] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
constexpr const char16_t* months[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                      u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};

}  // namespace

std::u16string format_local_time(const SYSTEMTIME& t) {
    return format(u"%s, %u %s %u, %u:%02u:%02u", weekdays[t.wDayOfWeek % 7], unsigned{t.wDay},
                  months[(t.wMonth + 11) % 12], unsigned{t.wYear}, unsigned{t.wHour}, unsigned{t.wMinute},
                  unsigned{t.wSecond});
}

bool is_media_path(std::u16string_view path) {
    for (const char16_t* ext : video_extensions)
        if (has_extension(path, ext)) return true;
    for (const char16_t* ext : audio_extensions)
        if (has_extension(path, ext)) return true;
    return false;
}

std::u16string format_saved_time(const SYSTEMTIME& local) { return u"Saved: " + format_local_time(local); }

std::u16string subs_past_end_text(std::uint32_t count) {
    return format(u"Notice: there %s %u sub%s past the end of the video.\nThese subs won't be displayed.",
                  count == 1 ? u"is" : u"are", count, count == 1 ? u"" : u"s");
}
