// The recent files menu on the main window's template: storage in the settings section and
// the submenu's items.
#include <gtest/gtest.h>

#include <vector>

#include "gui/dialogs.h"
#include "gui/recent_menu.h"
#include "io/strings.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_test_support.h"

using namespace gui_test;

namespace {

/// The main window's template with a command table of its own.
class owner_dialog : public modal_dialog, public command_table {
public:
    owner_dialog() : modal_dialog(IDD_MAIN) {
        on_message(WM_INITDIALOG, [](params&) { return LRESULT{1}; });
        default_handler = [this](params& p) {
            owner_commands.push_back(LOWORD(p.wParam));
            return LRESULT{0};
        };
    }
    HWND create() {
        return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, dialog_procedure,
                                  reinterpret_cast<LPARAM>(static_cast<msg_table*>(this)));
    }
    std::vector<unsigned> owner_commands;
};

struct item {
    std::u16string text;
    UINT id;
    bool grayed;
    bool operator==(const item&) const = default;
};

std::ostream& operator<<(std::ostream& os, const item& i) {
    return os << "{" << narrow(i.text) << ", " << i.id << (i.grayed ? ", grayed}" : "}");
}

std::vector<item> items_of(HMENU popup) {
    std::vector<item> items;
    const int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        wchar_t text[300] = {};
        GetMenuStringW(popup, i, text, 300, MF_BYPOSITION);
        items.push_back({as_u16(text), GetMenuItemID(popup, i), (GetMenuState(popup, i, MF_BYPOSITION) & MF_GRAYED) != 0});
    }
    return items;
}

std::vector<std::pair<std::u16string, std::u16string>> section_of(const Ini_File& ini, const char16_t* name) {
    std::vector<std::pair<std::u16string, std::u16string>> out;
    if (const Ini_Section* s = find_section(ini, name))
        for (const auto& e : s->entries) out.emplace_back(e.key, e.value);
    return out;
}

class RecentMenu : public ::testing::Test {
protected:
    void SetUp() override {
        window = owner.create();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }
    void init(recent_menu& menu, unsigned placeholder = IDM_RECENT_SUBS, const char16_t* name = u"RecentSubs") {
        menu.init(window, placeholder, &ini, name);
    }
    owner_dialog owner;
    HWND window = nullptr;
    Ini_File ini;
};

TEST_F(RecentMenu, ReplacesThePlaceholderWithASubmenu) {
    recent_menu menu;
    init(menu);
    HMENU file = GetSubMenu(GetMenu(window), 0);
    // The submenu stands where the placeholder stood, under the placeholder's text.
    const int position = 4;
    EXPECT_EQ(GetSubMenu(file, position), menu.popup);
    wchar_t text[64] = {};
    GetMenuStringW(file, position, text, 64, MF_BYPOSITION);
    EXPECT_EQ(narrow(as_u16(text)), "&Recent sub");
    EXPECT_EQ(GetMenuState(file, IDM_RECENT_SUBS, MF_BYCOMMAND), static_cast<UINT>(-1));  // placeholder gone
    // An empty list shows one disabled "(none)" with the first id.
    EXPECT_EQ(items_of(menu.popup), (std::vector<item>{{u"(none)", menu.first_id, true}}));

    recent_menu videos;
    init(videos, IDM_RECENT_VIDEOS, u"RecentVids");
    EXPECT_EQ(videos.first_id, menu.first_id + 9);  // ids handed out nine at a time
    const std::uint16_t first = menu.first_id;
    init(menu);  // a second init does nothing
    EXPECT_EQ(menu.first_id, first);
}

TEST_F(RecentMenu, TenthPathDropsTheOldest) {
    recent_menu menu;
    init(menu);
    for (unsigned i = 1; i <= 10; ++i) menu.add(format(u"C:\\subs\\%u.srt", i));
    std::vector<item> expected;
    for (unsigned i = 0; i < 9; ++i)
        expected.push_back({format(u"&%u C:\\subs\\%u.srt", i + 1, 10 - i), menu.first_id + i, false});
    EXPECT_EQ(items_of(menu.popup), expected);
    const auto stored = section_of(ini, u"RecentSubs");
    ASSERT_EQ(stored.size(), 9u);
    EXPECT_EQ(stored.front(), std::make_pair(std::u16string(u"file1"), std::u16string(u"C:\\subs\\10.srt")));
    EXPECT_EQ(stored.back(), std::make_pair(std::u16string(u"file9"), std::u16string(u"C:\\subs\\2.srt")));
}

TEST_F(RecentMenu, ReAddingMovesToTheFrontInTheNewCase) {
    recent_menu menu;
    init(menu);
    menu.add(u"C:\\a.srt");
    menu.add(u"C:\\b.srt");
    menu.add(u"C:\\c.srt");
    menu.add(u"c:\\B.SRT");
    EXPECT_EQ(section_of(ini, u"RecentSubs"), (std::vector<std::pair<std::u16string, std::u16string>>{
                                                  {u"file1", u"c:\\B.SRT"}, {u"file2", u"C:\\c.srt"}, {u"file3", u"C:\\a.srt"}}));
    EXPECT_EQ(items_of(menu.popup).size(), 3u);
}

TEST_F(RecentMenu, GapsInTheKeysAreSkipped) {
    Ini_Section& s = add_section(ini, u"RecentSubs");
    add_entry(s, u"file5").value = u"C:\\five.srt";
    add_entry(s, u"file2").value = u"C:\\two.srt";
    add_entry(s, u"File3").value = u"C:\\wrong-case-key.srt";  // keys match exactly
    recent_menu menu;
    init(menu);
    EXPECT_EQ(menu.load(), (std::vector<std::u16string>{u"C:\\two.srt", u"C:\\five.srt"}));
    const struct {
        std::uint32_t index;
        std::u16string value;
    } entries[] = {
        {0, u""},              // file1 is missing
        {1, u"C:\\two.srt"},   // entry(i) reads key file(i + 1)
        {4, u"C:\\five.srt"},
        {9, u""},              // beyond the menu's nine
    };
    for (const auto& e : entries) EXPECT_EQ(menu.entry(e.index), e.value) << e.index;

    menu.add(u"C:\\new.srt");
    EXPECT_EQ(section_of(ini, u"RecentSubs"),
              (std::vector<std::pair<std::u16string, std::u16string>>{
                  {u"file1", u"C:\\new.srt"}, {u"file2", u"C:\\two.srt"}, {u"file3", u"C:\\five.srt"}}));
}

TEST_F(RecentMenu, MissingSectionIsCreatedOnSave) {
    recent_menu menu;
    init(menu, IDM_RECENT_VIDEOS, u"RecentVids");
    EXPECT_EQ(find_section(ini, u"RecentVids"), nullptr);
    menu.add(u"C:\\v.avi");
    EXPECT_EQ(section_of(ini, u"RecentVids"),
              (std::vector<std::pair<std::u16string, std::u16string>>{{u"file1", u"C:\\v.avi"}}));
}

TEST_F(RecentMenu, RemoveErasesOneEntry) {
    recent_menu menu;
    init(menu);
    menu.add(u"C:\\1.srt");
    menu.add(u"C:\\2.srt");
    menu.remove(5);  // beyond the list: nothing
    EXPECT_EQ(menu.load().size(), 2u);
    menu.remove(0);
    EXPECT_EQ(menu.load(), (std::vector<std::u16string>{u"C:\\1.srt"}));
    EXPECT_EQ(items_of(menu.popup), (std::vector<item>{{u"&1 C:\\1.srt", menu.first_id, false}}));
    menu.remove(0);
    EXPECT_EQ(items_of(menu.popup), (std::vector<item>{{u"(none)", menu.first_id, true}}));
}

TEST_F(RecentMenu, ItsCommandsGoToTheCallbackOthersToTheOwner) {
    recent_menu menu;
    init(menu);
    for (int i = 0; i < 4; ++i) menu.add(format(u"C:\\%d.srt", i));
    std::vector<std::uint32_t> chosen;
    menu.on_select = [&](std::uint32_t index) { chosen.push_back(index); };

    const struct {
        unsigned id;
        bool to_menu;
    } cases[] = {
        {menu.first_id + 2u, true},    // the third item
        {menu.first_id + 0u, true},
        {menu.first_id + 8u, true},    // the menu's whole range, filled or not
        {menu.first_id + 9u, false},   // the next menu's first id
        {IDM_OPEN_SUB, false},
    };
    std::vector<std::uint32_t> expected_chosen;
    std::vector<unsigned> expected_owner;
    for (const auto& c : cases) {
        SendMessageW(window, WM_COMMAND, c.id, 0);
        if (c.to_menu)
            expected_chosen.push_back(c.id - menu.first_id);
        else
            expected_owner.push_back(c.id);
    }
    EXPECT_EQ(chosen, expected_chosen);
    EXPECT_EQ(owner.owner_commands, expected_owner);

    // Without a callback the owner sees its commands.
    menu.on_select = nullptr;
    SendMessageW(window, WM_COMMAND, menu.first_id, 0);
    EXPECT_EQ(owner.owner_commands.back(), menu.first_id);
}

}  // namespace
