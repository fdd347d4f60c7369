#include "gui/layout_metrics.h"

int scale_px(int px, unsigned dpi) {
    if (dpi == 0) dpi = 96;
    const long long scaled = static_cast<long long>(px) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96));
}

Main_Window_Metrics main_window_metrics(unsigned dpi) {
    const auto s = [dpi](int px) { return scale_px(px, dpi); };
    return {s(36), s(74), s(50), s(200), s(110), s(70), s(220), s(3), s(12), s(8), s(7), s(32)};
}

Timeline_Metrics timeline_metrics(unsigned dpi) {
    const auto s = [dpi](int px) { return scale_px(px, dpi); };
    return {s(30), s(94), s(50), s(2), s(2), s(12), s(5), s(7), s(4), s(5)};
}

Clock_Metrics clock_metrics(unsigned dpi) {
    const auto s = [dpi](int px) { return scale_px(px, dpi); };
    return {s(80), s(18), -s(12), s(2), s(1)};
}
