#include "app/replace_dialog.h"

#include <gtest/gtest.h>

#include "gui/win_str.h"
#include "io/strings.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

const wchar_t* const title = L"Replace";

Sub_List document() {
    Sub_List subs;
    for (const char16_t* text : {u"red", u"Red fish", u"a cat|a dog", u"two\r\nlines", u"scarlet red", u"redder"})
        subs.push_back({subs.size() * 1000, subs.size() * 1000 + 500, text});
    return subs;
}

std::vector<std::string> texts(const Sub_List& subs) {
    std::vector<std::string> out;
    for (const Sub_Item& sub : subs) out.push_back(utf16_to_utf8(sub.text));
    return out;
}

// What the main window does with a step: applies it, keeps it for undo, selects the rows.
struct Window_Side {
    Sub_List subs = document();
    std::vector<History_Step> steps;
    std::vector<std::vector<std::size_t>> selections;
    Replace_Dialog::Apply apply() {
        return [this](History_Step step, const std::vector<std::size_t>& select) {
            EXPECT_TRUE(apply_change(subs, step.removed_at, step.inserted_at, step.inserted));
            steps.push_back(std::move(step));
            selections.push_back(select);
        };
    }
};

void set_check(HWND dialog, int id, bool on) {
    if (is_checked(dialog, id) != on) SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::wstring wait_count(HWND dialog, const std::wstring& want) {
    wait_for([&] { return item_text(dialog, IDC_REPLACE_COUNT) == want; }, 5000);
    return item_text(dialog, IDC_REPLACE_COUNT);
}

}  // namespace

TEST(ReplaceDialog, ReplaceAllIsOneStepAndSaysHowMany) {
    const struct {
        const wchar_t* find;
        const wchar_t* with;
        bool match_case, whole_words, expression;
        std::vector<int> selected;  // in the main list when the dialog opens: more than one checks "Only selected subs"
        const wchar_t* count;
        std::vector<std::string> texts;
    } cases[] = {
        {L"red", L"blue", false, false, false, {}, L"4 replaced",
         {"blue", "blue fish", "a cat|a dog", "two\r\nlines", "scarlet blue", "blueder"}},       // everywhere, any case
        {L"red", L"blue", true, true, false, {}, L"2 replaced",
         {"blue", "Red fish", "a cat|a dog", "two\r\nlines", "scarlet blue", "redder"}},          // whole words, case matched
        {L"red", L"blue", false, false, false, {1, 2, 3}, L"1 replaced",
         {"red", "blue fish", "a cat|a dog", "two\r\nlines", "scarlet red", "redder"}},           // only the selected subs
        {L"(\\w+) (\\w+)", L"$2 $1", false, false, true, {}, L"4 replaced",
         {"red", "fish Red", "cat a|dog a", "two\r\nlines", "red scarlet", "redder"}},            // an expression with groups
        {L"o|l", L"o.|.l", true, false, false, {}, L"1 replaced",
         {"red", "Red fish", "a cat|a dog", "two.\r\n.lines", "scarlet red", "redder"}},          // "|" a line break both ways
        {L"green", L"blue", false, false, false, {}, L"0 replaced", texts(document())},          // nothing found
        {L"(red", L"blue", false, false, true, {}, L"Missing ')' at character 1", texts(document())},  // an invalid expression
    };
    for (const auto& c : cases) {
        Owner owner;
        const Sub_List subs = document();
        Main_List main(owner, subs.size());
        for (int row : c.selected) set_state(main.hwnd, row, LVIS_SELECTED, LVIS_SELECTED);
        Window_Side window;
        Replace_Dialog dialog(window.subs, main.list, window.apply());
        std::wstring count;
        bool only_checked = false;
        run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            only_checked = is_checked(d, IDC_REPLACE_SELECTED);
            set_item_text(d, IDC_REPLACE_FIND, c.find);
            set_item_text(d, IDC_REPLACE_WITH, c.with);
            set_check(d, IDC_REPLACE_MATCH_CASE, c.match_case);
            set_check(d, IDC_REPLACE_WHOLE_WORDS, c.whole_words);
            set_check(d, IDC_REPLACE_EXPRESSION, c.expression);
            click(d, IDC_REPLACE_ALL);
            count = wait_count(d, c.count);
            click(d, IDCANCEL);
        });
        EXPECT_EQ(only_checked, c.selected.size() > 1) << c.find;
        EXPECT_EQ(count, c.count) << c.find;
        EXPECT_EQ(texts(window.subs), c.texts) << c.find;
        const bool changed = texts(window.subs) != texts(document());
        ASSERT_EQ(window.steps.size(), changed ? 1u : 0u) << c.find;
        if (!changed) continue;
        EXPECT_EQ(u"replace " + as_u16(count.substr(0, count.find(L' '))), window.steps[0].name);
        EXPECT_EQ(window.selections[0], std::vector<std::size_t>{window.steps[0].inserted_at.front()})
            << "the first sub changed is selected";
        // Undone, the step gives the document back.
        History history;
        history.record(window.steps[0]);
        ASSERT_TRUE(history.undo(window.subs));
        EXPECT_EQ(texts(window.subs), texts(document()));
    }
}

TEST(ReplaceDialog, ReplacesOneByOneWithTheListFollowing) {
    Owner owner;
    Window_Side window;
    window.subs = {{0, 500, u"cat"}, {1000, 1500, u"dog"}, {2000, 2500, u"cat and cat"}, {3000, 3500, u"bird"}};
    Main_List main(owner, window.subs.size());
    set_state(main.hwnd, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // the user is on "dog"
    Replace_Dialog dialog(window.subs, main.list, window.apply());
    struct Seen {
        std::wstring count;
        std::vector<int> selected;
        int focused;
    };
    std::vector<Seen> seen;
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        set_item_text(d, IDC_REPLACE_FIND, L"cat");
        set_item_text(d, IDC_REPLACE_WITH, L"lion");
        const struct {
            int button;
            const wchar_t* count;
        } presses[] = {
            {IDC_REPLACE_ONE, L"3 found"},             // the first press only finds: from "dog" on, in sub 3
            {IDC_REPLACE_ONE, L"1 replaced, 2 left"},  // then replaces and goes on in the same sub
            {IDC_REPLACE_FIND_NEXT, L"1 replaced, 2 left"},  // skips that one: round to sub 1
            {IDC_REPLACE_ONE, L"2 replaced, 1 left"},  // back in sub 3
            {IDC_REPLACE_ONE, L"3 replaced, 0 left"},  // the last
        };
        for (const auto& press : presses) {
            SetDlgItemTextW(d, IDC_REPLACE_COUNT, L"");
            click(d, press.button);
            seen.push_back({wait_count(d, press.count), main.selected(), main.focused()});
        }
        click(d, IDCANCEL);
    });
    const std::vector<Seen> expected = {
        {L"3 found", {2}, 2},
        {L"1 replaced, 2 left", {2}, 2},
        {L"1 replaced, 2 left", {0}, 0},
        {L"2 replaced, 1 left", {2}, 2},
        {L"3 replaced, 0 left", {2}, 2},  // none left: the list stays
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].count, expected[k].count) << k;
        EXPECT_EQ(seen[k].selected, expected[k].selected) << k;
        EXPECT_EQ(seen[k].focused, expected[k].focused) << k;
    }
    EXPECT_EQ(texts(window.subs), (std::vector<std::string>{"lion", "dog", "lion and lion", "bird"}));
    ASSERT_EQ(window.steps.size(), 3u) << "each Replace is one step";
    for (const History_Step& step : window.steps) EXPECT_EQ(step.name, u"replace");
    EXPECT_EQ(window.selections, (std::vector<std::vector<std::size_t>>{{2}, {0}, {2}}));
}

TEST(ReplaceDialog, ButtonsWaitForTextAndEnterFindsNext) {
    Owner owner;
    Window_Side window;
    Main_List main(owner, window.subs.size());
    set_state(main.hwnd, 4, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // one row only
    Replace_Dialog dialog(window.subs, main.list, window.apply());
    bool enabled_before = true, enabled_after = false, only_enabled = false, only_checked = true;
    std::wstring count;
    std::vector<int> selected;
    run_dialog(title, [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        enabled_before = IsWindowEnabled(GetDlgItem(d, IDC_REPLACE_ALL)) || IsWindowEnabled(GetDlgItem(d, IDC_REPLACE_FIND_NEXT));
        only_enabled = IsWindowEnabled(GetDlgItem(d, IDC_REPLACE_SELECTED));
        only_checked = is_checked(d, IDC_REPLACE_SELECTED);
        set_item_text(d, IDC_REPLACE_FIND, L"fish");
        enabled_after = IsWindowEnabled(GetDlgItem(d, IDC_REPLACE_ALL)) && IsWindowEnabled(GetDlgItem(d, IDC_REPLACE_ONE));
        HWND find = GetDlgItem(d, IDC_REPLACE_FIND);
        PostMessageW(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(find), TRUE);
        PostMessageW(find, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        count = wait_count(d, L"1 found");
        selected = main.selected();
        click(d, IDCANCEL);
    });
    EXPECT_FALSE(enabled_before);
    EXPECT_TRUE(enabled_after);
    EXPECT_TRUE(only_enabled) << "one row selected: the box may be checked";
    EXPECT_FALSE(only_checked) << "but one row is where the user is, not what to change";
    EXPECT_EQ(count, L"1 found");
    EXPECT_EQ(selected, (std::vector<int>{1})) << "round from sub 5 to sub 2";
    EXPECT_TRUE(window.steps.empty());
}
