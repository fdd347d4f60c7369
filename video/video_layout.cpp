#include "video/video_layout.h"

#include <cmath>

bool fit_picture(std::int32_t w, std::int32_t h, std::int32_t W, std::int32_t H, video_rect& out) {
    out = video_rect{};
    if (w <= 0 || h <= 0)
        return false;
    const float picture_ratio = static_cast<float>(w) / static_cast<float>(h);
    const float target_ratio = static_cast<float>(W) / static_cast<float>(H);
    if (picture_ratio > target_ratio) {
        const auto n = static_cast<std::int32_t>(static_cast<float>(W) / static_cast<float>(w) * static_cast<float>(h));
        out.right = W;
        out.bottom = n / 2 + H / 2;
        out.top = out.bottom - n;
        out.left = 0;
    } else {
        // Equal ratios land here too: full height.
        const auto n = H > 0 ? static_cast<std::int32_t>(static_cast<float>(H) / static_cast<float>(h) * static_cast<float>(w)) : 0;
        out.bottom = H;
        out.right = n / 2 + W / 2;
        out.left = out.right - n;
        out.top = 0;
    }
    return true;
}

std::int32_t round_half_away(float v) {
    return static_cast<std::int32_t>(std::lround(v));
}

text_band layout_text_band(const video_rect& picture) {
    const std::int32_t W = picture.right - picture.left;
    const std::int32_t H = picture.bottom - picture.top;
    text_band band;
    band.width = round_half_away(static_cast<float>(W) * 0.8f);
    band.height = round_half_away(static_cast<float>(H) * 0.17f);
    const std::int32_t margin = round_half_away(static_cast<float>(H) * 0.02f);
    band.x = W / 2 - band.width / 2 + picture.left;
    band.y = (picture.bottom - margin) - band.height;
    const std::int32_t size = round_half_away(static_cast<float>(band.height) / 3.3f);
    band.font_size = size > 0 ? static_cast<std::uint32_t>(size) : 0;
    return band;
}

std::vector<line_segment> segment_line(std::u16string_view line, bool& italic) {
    static constexpr std::u16string_view open_tag = u"<i>";
    static constexpr std::u16string_view close_tag = u"</i>";
    std::vector<line_segment> runs;
    auto add = [&runs](std::u16string_view text, bool is_italic) {
        if (!text.empty())
            runs.push_back({text, is_italic});
    };
    std::size_t pos = 0;
    bool first = true;
    for (;;) {
        if (!(first && italic)) {
            const std::size_t tag = line.find(open_tag, pos);
            add(line.substr(pos, tag == std::u16string_view::npos ? std::u16string_view::npos : tag - pos), false);
            if (tag == std::u16string_view::npos)
                return runs;
            italic = true;
            pos = tag + open_tag.size();
        }
        first = false;
        const std::size_t tag = line.find(close_tag, pos);
        add(line.substr(pos, tag == std::u16string_view::npos ? std::u16string_view::npos : tag - pos), true);
        if (tag == std::u16string_view::npos)
            return runs;
        italic = false;
        pos = tag + close_tag.size();
    }
}

std::vector<std::u16string_view> split_sub_lines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    if (text.empty())
        return lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t brk = text.find(u"\r\n", start);
        if (brk == std::u16string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, brk - start));
        start = brk + 2;
    }
}

std::int64_t ms_to_units(std::int64_t ms) {
    return ms * 10000;
}

std::uint32_t units_to_ms(std::int64_t units) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(units / 10000));
}

std::u16string speed_label(std::uint32_t percent) {
    std::u16string text;
    for (char c : std::to_string(percent / 100))
        text += static_cast<char16_t>(c);
    const std::uint32_t hundredths = percent % 100;
    if (hundredths != 0) {
        text += u'.';
        text += static_cast<char16_t>(u'0' + hundredths / 10);
        if (hundredths % 10 != 0)
            text += static_cast<char16_t>(u'0' + hundredths % 10);
    }
    return text + u"\u00d7";
}

std::int64_t frame_step_position(std::int64_t now, std::int64_t frame, std::int64_t duration, bool forward) {
    if (frame <= 0)
        frame = default_frame_units;
    std::int64_t next = forward ? now + frame : now - frame;
    if (duration > 0 && next > duration)
        next = duration;
    return next < 0 ? 0 : next;
}
