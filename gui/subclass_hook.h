#pragma once
// Intercepts the messages of a window we did not create (a dialog item, another object's
// window) through comctl32 subclassing.

#include <cstdint>

#include "gui/msg_table.h"

class subclass_hook : public virtual msg_table {
public:
    subclass_hook();
    /// Removes the subclass if it is still installed; the window lives on.
    ~subclass_hook();

    /// Hooks the window (unhooking the previous one first); null only unhooks.
    void attach(HWND window);
    void detach();

    std::uint32_t subclass_id = 0;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR reference) noexcept;
    HWND hooked = nullptr;
};
