#include "gui/msg_table.h"

#include <process.h>

#include <memory>

#include "gui/win_str.h"

namespace {

std::function<void(const std::u16string&)>& debug_observer() {
    static std::function<void(const std::u16string&)> observer;
    return observer;
}

unsigned __stdcall thread_main(void* argument) {
    std::unique_ptr<std::function<void()>> closure(static_cast<std::function<void()>*>(argument));
    (*closure)();
    return 0;
}

}  // namespace

void debug_output(const char16_t* text) {
    OutputDebugStringW(as_wcstr(text));
    if (debug_observer()) debug_observer()(text);
}

void set_debug_observer(std::function<void(const std::u16string&)> observer) { debug_observer() = std::move(observer); }

msg_table::msg_table() {
    on_message(run_closure_message, [this](params& p) {
        std::unique_ptr<std::function<void()>> closure(reinterpret_cast<std::function<void()>*>(p.lParam));
        if (closure && *closure) (*closure)();
        return handled_result;
    });
}

void msg_table::on_message(UINT msg, handler h) { messages.add(msg, std::move(h)); }

handler* msg_table::find_handler(UINT msg) {
    const std::size_t i = messages.find(msg);
    return i ? &messages.at(i) : nullptr;
}

command_table::command_table() {
    on_message(WM_COMMAND, [this](params& p) {
        const std::size_t i = commands.find(LOWORD(p.wParam));
        if (i) return commands.at(i)(p);
        return default_handler ? default_handler(p) : 0;
    });
}

void command_table::on_command(unsigned id, handler h) { commands.add(static_cast<std::uint16_t>(id), std::move(h)); }

void command_table::on_command(std::initializer_list<unsigned> ids, handler h) {
    if (ids.size() == 0) return;
    const std::uint16_t first = static_cast<std::uint16_t>(*ids.begin());
    const std::size_t position = commands.add(first, std::move(h));
    for (auto it = ids.begin() + 1; it != ids.end(); ++it) {
        const std::uint16_t id = static_cast<std::uint16_t>(*it);
        if (id == first) continue;
        commands.add(id, [this, position](params& p) { return commands.at(position)(p); });
    }
}

notify_table::notify_table() {
    on_message(WM_NOTIFY, [this](params& p) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(p.lParam);
        if (header) {
            const std::size_t i = notifications.find(key{header->idFrom, header->code});
            if (i) return notifications.at(i)(p);
        }
        return default_handler ? default_handler(p) : 0;
    });
}

void notify_table::on_notify(UINT_PTR control_id, UINT code, handler h) {
    notifications.add(key{control_id, code}, std::move(h));
}

popup_menu_table::popup_menu_table() {
    on_message(WM_INITMENUPOPUP, [this](params& p) {
        const UINT first = GetMenuItemID(reinterpret_cast<HMENU>(p.wParam), 0);
        const std::size_t i = popups.find(static_cast<std::uint16_t>(first));
        if (i) return popups.at(i)(p);
        return default_handler ? default_handler(p) : 0;
    });
}

void popup_menu_table::on_init_menu_popup(unsigned first_item_id, handler h) {
    popups.add(static_cast<std::uint16_t>(first_item_id), std::move(h));
}

dlgcode_table::dlgcode_table() {
    on_message(WM_GETDLGCODE, [this](params& p) {
        const std::size_t i = keys.find(static_cast<std::uint8_t>(p.wParam & 0xFF));
        if (i) return keys.at(i)(p);
        return default_handler ? default_handler(p) : 0;
    });
}

void dlgcode_table::on_dlg_code(std::uint8_t virtual_key, handler h) { keys.add(virtual_key, std::move(h)); }

LRESULT run_on_ui_thread(window_base& object, std::function<void()> closure) {
    if (!object.hwnd) return 0;
    auto* heap = new std::function<void()>(std::move(closure));
    return SendMessageW(object.hwnd, run_closure_message, 0, reinterpret_cast<LPARAM>(heap));
}

bool start_thread(std::function<void()> closure) {
    auto* heap = new std::function<void()>(std::move(closure));
    const uintptr_t thread = _beginthreadex(nullptr, 0, thread_main, heap, 0, nullptr);
    if (!thread) {
        delete heap;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

void center_on_parent(window_base& object) {
    if (!object.hwnd) return;
    HWND parent = GetParent(object.hwnd);
    if (!parent) return;
    RECT outer{}, own{};
    if (!GetWindowRect(parent, &outer) || !GetWindowRect(object.hwnd, &own)) return;
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = outer.left + (outer.right - outer.left) / 2 - width / 2;
    const int y = outer.top + (outer.bottom - outer.top) / 2 - height / 2;
    SetWindowPos(object.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

std::u16string window_text(HWND window) {
    if (!window) return {};
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(window, as_wcstr(text), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

bool set_window_text(HWND window, const std::u16string& text) {
    return window && SetWindowTextW(window, as_wcstr(text));
}
