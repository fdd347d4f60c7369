#pragma once
// A most-recently-used list of paths kept in a settings section (keys file1 ... file9, file1
// the newest) and shown as a submenu of the owner's File menu.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/subclass_hook.h"
#include "io/ini_file.h"

class recent_menu {
public:
    recent_menu();
    recent_menu(const recent_menu&) = delete;
    recent_menu& operator=(const recent_menu&) = delete;

    /// Once: replaces the placeholder item (or appends to the File menu when it is 0) with the
    /// submenu and hooks the owner's commands. `ini` must outlive the menu. With `hook_owner`
    /// false the owner passes its commands to `command` itself: every message to a hooked
    /// window passes the hook, which under Wine costs a lot for a list's notifications.
    void init(HWND owner, unsigned placeholder_id, Ini_File* ini, const std::u16string& section,
              bool hook_owner = true);
    /// Runs on_select for one of the menu's command ids; false for any other id.
    bool command(unsigned id);
    /// The path of entry `index`, or empty.
    std::u16string entry(std::uint32_t index) const;
    /// Puts the path at the front (once, compared ignoring case), keeping at most nine.
    void add(const std::u16string& path);
    void remove(std::uint32_t index);
    /// The stored paths in key order.
    std::vector<std::u16string> load() const;

    /// Called with the chosen entry's index; the owner's handlers do not see the command.
    std::function<void(std::uint32_t)> on_select;

    Ini_File* ini = nullptr;
    std::u16string section;
    std::uint32_t max_count = 9;
    std::uint16_t first_id = 0;
    HMENU popup = nullptr;

private:
    void save(const std::vector<std::u16string>& list);
    void build_items(const std::vector<std::u16string>& list);
    LRESULT on_command(params& p);

    subclass_hook hook;
};
