// Typed amounts and rates, and re-timing through any points: what parses formats back to the
// same time, and any step a map gives fits its document, sorted, and undoes exactly.
#include "core/time_map.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text(reinterpret_cast<const char16_t*>(data), size / 2);
    std::int64_t ms = 0;
    if (parse_signed_time(text, ms)) {
        std::int64_t again = 0;
        if (!parse_signed_time(format_signed_time(ms), again) || again != ms) std::abort();
    }
    Frame_Rate rate;
    if (parse_frame_rate(text, rate) && (rate.num == 0 || rate.num > 1000 * rate.den)) std::abort();

    // Points and a document from the bytes: four bytes a value.
    std::vector<std::uint64_t> values;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, data + at, 4);
        values.push_back(v % 300000000u);  // within what a file holds, with room
    }
    if (values.size() < 4) return 0;
    std::vector<Sync_Point> points;
    for (std::size_t k = 0; k + 1 < values.size() && k < 6; k += 2) points.push_back({values[k], values[k + 1]});
    Time_Map map;
    if (!Time_Map::through(points, map)) return 0;
    Sub_List list;
    std::vector<std::size_t> rows;
    for (std::size_t k = 6; k < values.size(); ++k) {
        list.push_back({values[k], values[k] + k, u"x"});
        if (values[k] % 3) rows.push_back(list.size() - 1);
    }
    std::sort(list.begin(), list.end(), [](const Sub_Item& a, const Sub_Item& b) { return a.start < b.start; });
    const Retiming r = retime(list, rows, map, u"sync");
    Sub_List after = list;
    if (!apply_step(after, r.step, true)) std::abort();
    for (std::size_t k = 1; k < after.size(); ++k)
        if (after[k - 1].start > after[k].start) std::abort();
    for (const Sub_Item& sub : after)
        if (sub.start > max_srt_time || sub.end > max_srt_time) std::abort();
    if (!apply_step(after, r.step, false) || !lists_equal(after, list)) std::abort();
    return 0;
}
