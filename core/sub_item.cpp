#include "core/sub_item.h"

#include "io/strings.h"

Timecode ms_to_timecode(std::uint64_t t) {
    Timecode tc;
    tc.milliseconds = static_cast<std::uint16_t>(t % 1000);
    tc.seconds = static_cast<std::uint16_t>((t / 1000) % 60);
    tc.minutes = static_cast<std::uint16_t>((t / 60000) % 60);
    tc.hours = static_cast<std::uint16_t>(t / 3600000);
    return tc;
}

std::uint64_t timecode_to_ms(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
                             std::uint32_t milliseconds) {
    return std::uint64_t{hours} * 3600000 + std::uint64_t{minutes} * 60000 +
           std::uint64_t{seconds} * 1000 + milliseconds;
}

std::u16string format_clock_time(const Timecode& tc) {
    return format(u"%u:%02u:%02u.%03u", unsigned{tc.hours}, unsigned{tc.minutes}, unsigned{tc.seconds},
                  unsigned{tc.milliseconds});
}

std::u16string format_duration(const Timecode& tc) {
    return format(u"%02u.%03u", unsigned{tc.seconds}, unsigned{tc.milliseconds});
}

std::u16string format_duration(const Sub_Item& sub) {
    return format_duration(ms_to_timecode(sub.end - sub.start));
}

std::u16string format_sub_number(std::size_t number) {
    return format(u"%04u", static_cast<unsigned long long>(number));
}

std::u16string format_srt_time(const Timecode& tc) {
    return format(u"%02u:%02u:%02u,%03u", unsigned{tc.hours}, unsigned{tc.minutes}, unsigned{tc.seconds},
                  unsigned{tc.milliseconds});
}

std::u16string format_hms(const Timecode& tc) {
    return format(u"%u:%02u:%02u", unsigned{tc.hours}, unsigned{tc.minutes}, unsigned{tc.seconds});
}
