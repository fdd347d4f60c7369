#include "gui/recent_menu.h"

#include "gui/win_str.h"
#include "io/strings.h"

namespace {
// Ids handed out to the menus in the order they are initialised.
std::uint16_t next_first_id = 0xE110;

std::u16string key_of(std::uint32_t n) { return format(u"file%u", static_cast<unsigned long long>(n)); }
}  // namespace

recent_menu::recent_menu() {
    hook.on_message(WM_COMMAND, [this](params& p) { return on_command(p); });
}

void recent_menu::init(HWND owner, unsigned placeholder_id, Ini_File* settings, const std::u16string& section_name,
                       bool hook_owner) {
    if (first_id) return;
    ini = settings;
    section = section_name;
    max_count = 9;
    first_id = next_first_id;
    next_first_id = static_cast<std::uint16_t>(next_first_id + max_count);

    HMENU file_menu = GetSubMenu(GetMenu(owner), 0);
    wchar_t text[64] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 63;
    if (placeholder_id) GetMenuItemInfoW(file_menu, placeholder_id, FALSE, &item);
    popup = CreatePopupMenu();
    if (placeholder_id)
        InsertMenuW(file_menu, placeholder_id, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text);
    else
        AppendMenuW(file_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text);
    DeleteMenu(file_menu, placeholder_id, MF_BYCOMMAND);
    build_items(load());
    if (hook_owner) hook.attach(owner);
}

std::vector<std::u16string> recent_menu::load() const {
    std::vector<std::u16string> list;
    if (!ini || section.empty()) return list;
    const Ini_Section* s = find_section(*ini, section);
    if (!s) return list;
    for (std::uint32_t n = 1; n <= max_count; ++n)
        if (const Ini_Entry* e = find_entry(*s, key_of(n))) list.push_back(e->value);
    return list;
}

std::u16string recent_menu::entry(std::uint32_t index) const {
    if (!ini || section.empty() || index >= max_count) return {};
    const std::u16string* value = get_value(*ini, section, key_of(index + 1));
    return value ? *value : std::u16string();
}

void recent_menu::add(const std::u16string& path) {
    std::vector<std::u16string> list = load();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (lstrcmpiW(as_wcstr(*it), as_wcstr(path)) == 0) {
            list.erase(it);
            break;
        }
    }
    if (list.size() >= max_count) list.resize(max_count - 1);
    list.insert(list.begin(), path);
    save(list);
    build_items(list);
}

void recent_menu::remove(std::uint32_t index) {
    std::vector<std::u16string> list = load();
    if (index >= list.size()) return;
    list.erase(list.begin() + index);
    save(list);
    build_items(list);
}

void recent_menu::save(const std::vector<std::u16string>& list) {
    if (!ini || section.empty()) return;
    // Without its section the list would never be kept: make the section.
    Ini_Section& s = add_section(*ini, section);
    clear_entries(s);
    for (std::size_t i = 0; i < list.size(); ++i) add_entry(s, key_of(static_cast<std::uint32_t>(i + 1))).value = list[i];
}

void recent_menu::build_items(const std::vector<std::u16string>& list) {
    if (!popup) return;
    for (int i = GetMenuItemCount(popup); i-- > 0;) DeleteMenu(popup, i, MF_BYPOSITION);
    if (list.empty()) {
        InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING | MF_GRAYED, first_id, L"(none)");
        return;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::u16string text = format(i < 9 ? u"&%u %s" : u"%u %s", static_cast<unsigned long long>(i + 1), list[i]);
        AppendMenuW(popup, MF_STRING, first_id + i, as_wcstr(text));
    }
}

bool recent_menu::command(unsigned id) {
    if (!first_id || id < first_id || id > first_id + max_count - 1 || !on_select) return false;
    on_select(id - first_id);
    return true;
}

LRESULT recent_menu::on_command(params& p) {
    if (command(LOWORD(p.wParam))) return 0;
    return DefSubclassProc(hook.hwnd, p.msg, p.wParam, p.lParam);
}
