// Shows a timeline with overlapping, selected and unselected subs at three zoom levels, a few
// seconds each, for looking at on screen. Prints "level N" when each level is showing.

#include <cstdio>

#include "tests/timeline/timeline_host.h"

int main() {
    using namespace timeline_test;
    Host host;
    host.load(make_subs({{1000, 2600}, {2200, 4000}, {4000, 5200}, {6000, 7500}, {7800, 9000},
                         {9000, 9400}, {11000, 13500}, {12000, 12800}, {15000, 17000}}));
    host.subs[0].text = u"Hello there\r\nsecond line";
    host.subs[1].text = u"Overlaps the first";
    host.subs[2].text = u"Touches the second";
    host.subs[6].text = u"Holds the next one";
    host.timeline.set_range(60000);
    host.select({1, 4, 7});
    host.timeline.playhead = 8200;
    SetFocus(host.timeline.hwnd);
    const unsigned spans[] = {15000, 9000, 3000};
    for (int level = 0; level < 3; ++level) {
        for (int i = 0; i < 100 && host.timeline.view_span > spans[level]; ++i)
            SendMessageW(host.timeline.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        UpdateWindow(host.timeline.hwnd);
        pump_until([] { return false; }, 300);
        std::printf("level %d span %u start %d\n", level + 1, host.timeline.view_span, host.timeline.view_start);
        std::fflush(stdout);
        pump_until([] { return false; }, 5000);
    }
    return 0;
}
