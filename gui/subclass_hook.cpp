#include "gui/subclass_hook.h"

namespace {
// Touched on the GUI thread only.
std::uint32_t next_subclass_id = 0;
}  // namespace

subclass_hook::subclass_hook() {
    default_handler = [this](params& p) { return DefSubclassProc(hwnd, p.msg, p.wParam, p.lParam); };
    handled_result = 0;
}

subclass_hook::~subclass_hook() { detach(); }

void subclass_hook::attach(HWND window) {
    detach();
    hwnd = window;
    if (!window) return;
    subclass_id = next_subclass_id++;
    if (SetWindowSubclass(window, procedure, subclass_id, reinterpret_cast<DWORD_PTR>(this)))
        hooked = window;
    else
        hwnd = nullptr;
}

void subclass_hook::detach() {
    if (hooked) {
        RemoveWindowSubclass(hooked, procedure, subclass_id);
        hooked = nullptr;
        hwnd = nullptr;
    }
}

LRESULT CALLBACK subclass_hook::procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR reference) noexcept {
    auto* object = reinterpret_cast<subclass_hook*>(reference);
    if (object && object->hwnd) {
        if (handler* h = object->find_handler(msg)) {
            params p{msg, wParam, lParam};
            const LRESULT result = (*h)(p);
            if (msg == WM_NCDESTROY) object->detach();
            return result;
        }
    }
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(window, procedure, id);
        if (object && object->hooked == window) {
            object->hooked = nullptr;
            object->hwnd = nullptr;
        }
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}
