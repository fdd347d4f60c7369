#pragma once
// Message dispatch: every window object keeps its handlers as closures in tables keyed by
// message, command id, notification, popup menu or virtual key. Handlers are registered in
// constructors, before a window exists; registering a key again replaces its handler.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "gui/win32.h"

/// One message as handed to a handler; a handler may change it, nobody reads it back.
struct params {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

using handler = std::function<LRESULT(params&)>;

/// The window handle that all parts of one object share; null while no window is bound.
class window_base {
public:
    HWND hwnd = nullptr;

protected:
    window_base() = default;
    ~window_base() = default;
    window_base(const window_base&) = delete;
    window_base& operator=(const window_base&) = delete;
};

/// Private message that runs a heap closure (lParam) on the window's thread.
inline constexpr UINT run_closure_message = 0xBFFF;

/// (key, handler) pairs in registration order behind a sentinel at element 0; the last
/// registration of a key wins.
template <typename Key>
class keyed_handlers {
public:
    explicit keyed_handlers(std::size_t reserve = 8) {
        items.reserve(reserve + 1);
        items.emplace_back(Key{}, handler{});
    }
    std::size_t add(Key key, handler h) {
        items.emplace_back(key, std::move(h));
        return items.size() - 1;
    }
    /// The entry's position, or 0 (the sentinel) when the key has none.
    std::size_t find(Key key) {
        items[0].first = key;
        std::size_t i = items.size() - 1;
        while (!(items[i].first == key)) --i;
        return i;
    }
    handler& at(std::size_t position) { return items[position].second; }
    std::size_t size() const { return items.size() - 1; }

private:
    std::vector<std::pair<Key, handler>> items;
};

/// The message table of one object, shared (virtual base) by all its parts.
class msg_table : public virtual window_base {
public:
    void on_message(UINT msg, handler h);
    /// The handler for a message, or null when none is registered.
    handler* find_handler(UINT msg);

    /// What the sub-tables call when none of their entries matches.
    handler default_handler;
    /// What the run-closure message returns.
    LRESULT handled_result = 0;

protected:
    msg_table();
    ~msg_table() = default;

private:
    keyed_handlers<UINT> messages{16};
};

/// WM_COMMAND by LOWORD(wParam).
class command_table : public virtual msg_table {
public:
    void on_command(unsigned id, handler h);
    /// The first id gets the handler; every further id that differs from it forwards to the
    /// first id's entry, even if that id is registered again later.
    void on_command(std::initializer_list<unsigned> ids, handler h);

protected:
    command_table();
    ~command_table() = default;

private:
    keyed_handlers<std::uint16_t> commands{32};
};

/// WM_NOTIFY by (idFrom, code); both must match.
class notify_table : public virtual msg_table {
public:
    void on_notify(UINT_PTR control_id, UINT code, handler h);

protected:
    notify_table();
    ~notify_table() = default;

private:
    struct key {
        UINT_PTR id;
        UINT code;
        bool operator==(const key&) const = default;
    };
    keyed_handlers<key> notifications;
};

/// WM_INITMENUPOPUP by the id of the popup's first item.
class popup_menu_table : public virtual msg_table {
public:
    void on_init_menu_popup(unsigned first_item_id, handler h);

protected:
    popup_menu_table();
    ~popup_menu_table() = default;

private:
    keyed_handlers<std::uint16_t> popups;
};

/// WM_GETDLGCODE by the low byte of wParam (the key asked about). A character message whose
/// code equals a key byte matches too: the table does not look at the MSG.
class dlgcode_table : public virtual msg_table {
public:
    void on_dlg_code(std::uint8_t virtual_key, handler h);

protected:
    dlgcode_table();
    ~dlgcode_table() = default;

private:
    keyed_handlers<std::uint8_t> keys;
};

/// Runs the closure on the thread of the object's window and waits until it has run there;
/// returns what SendMessageW returns (the object's handled_result). With no window the
/// closure is dropped unrun and 0 is returned.
LRESULT run_on_ui_thread(window_base& object, std::function<void()> closure);
/// Runs the closure on a new detached thread.
bool start_thread(std::function<void()> closure);
/// Centres the object's window on its parent's (or owner's) window rectangle.
void center_on_parent(window_base& object);

/// Framework misuse goes here: OutputDebugStringW, and the observer if one is set.
void debug_output(const char16_t* text);
/// Lets a test watch the debug output; an empty function removes the observer.
void set_debug_observer(std::function<void(const std::u16string&)> observer);
