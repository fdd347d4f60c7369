// Modal results, the main dialog's loop with its accelerators, the shared font and wheel
// forwarding, on the real templates.
#include <gtest/gtest.h>

#include <vector>

#include "gui/dialogs.h"
#include "gui/native_controls.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_test_ids.h"
#include "tests/gui/gui_test_support.h"

using namespace gui_test;

namespace {

/// The demonstration dialog: OK and Cancel end it, and a test action runs once it is shown.
class demo_dialog : public modal_dialog, public command_table {
public:
    explicit demo_dialog(std::function<void(demo_dialog&)> action) : modal_dialog(IDD_TEST_MODAL), action(std::move(action)) {
        on_message(WM_INITDIALOG, [this](params&) {
            center_on_parent(*this);
            PostMessageW(hwnd, WM_APP, 0, 0);
            return LRESULT{1};
        });
        on_message(WM_APP, [this](params&) {
            font_seen = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
            child_font_seen = reinterpret_cast<HFONT>(SendDlgItemMessageW(hwnd, IDC_TEST_EDIT, WM_GETFONT, 0, 0));
            if (this->action) this->action(*this);
            return LRESULT{0};
        });
        on_command(IDOK, [this](params&) {
            EndDialog(hwnd, 1);
            return LRESULT{1};
        });
        on_command(IDCANCEL, [this](params&) {
            EndDialog(hwnd, 2);
            return LRESULT{1};
        });
    }
    std::function<void(demo_dialog&)> action;
    HFONT font_seen = nullptr;
    HFONT child_font_seen = nullptr;
};

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override { owner = make_host(); }
    void TearDown() override { DestroyWindow(owner); }
    HWND owner = nullptr;
};

TEST_F(Dialogs, ModalResults) {
    const struct {
        const char* how;
        std::function<void(demo_dialog&)> action;
        INT_PTR result;
    } cases[] = {
        {"close box", [](demo_dialog& d) { PostMessageW(d.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, 1},
        {"Escape in the edit field",
         [](demo_dialog& d) { PostMessageW(GetDlgItem(d.hwnd, IDC_TEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }, 2},
        {"Cancel button", [](demo_dialog& d) { PostMessageW(GetDlgItem(d.hwnd, IDCANCEL), BM_CLICK, 0, 0); }, 2},
        {"OK button", [](demo_dialog& d) { PostMessageW(GetDlgItem(d.hwnd, IDOK), BM_CLICK, 0, 0); }, 1},
    };
    for (const auto& c : cases) {
        demo_dialog dialog(c.action);
        EXPECT_EQ(dialog.show(owner), c.result) << c.how;
        EXPECT_EQ(dialog.hwnd, nullptr) << c.how;  // unbound once it is gone
    }
}

TEST_F(Dialogs, OwnCloseHandlerWins) {
    demo_dialog dialog([](demo_dialog& d) { PostMessageW(d.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
    dialog.on_message(WM_CLOSE, [&](params&) {
        EndDialog(dialog.hwnd, 7);
        return LRESULT{1};
    });
    EXPECT_EQ(dialog.show(owner), 7);
}

TEST_F(Dialogs, EveryDialogSharesOneFont) {
    demo_dialog first([](demo_dialog& d) { EndDialog(d.hwnd, 1); });
    demo_dialog second([](demo_dialog& d) { EndDialog(d.hwnd, 1); });
    first.show(owner);
    second.show(owner);
    ASSERT_NE(ui_font(), nullptr);
    // The dialog manager keeps no font sent to the dialog itself; its controls do.
    EXPECT_EQ(first.child_font_seen, ui_font());
    EXPECT_EQ(second.child_font_seen, ui_font());
}

TEST_F(Dialogs, ShowWithoutTemplateIsRefused) {
    debug_capture capture;
    demo_dialog dialog(nullptr);
    dialog.dialog_id = 0;
    EXPECT_EQ(dialog.show(owner), -1);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(narrow(capture.lines[0]), "ERROR: dialog not created, no resource ID given.\n");
}

TEST_F(Dialogs, ShownTwiceIsRefused) {
    debug_capture capture;
    INT_PTR inner = 0;
    demo_dialog dialog([&](demo_dialog& d) {
        inner = d.show(d.hwnd);
        EndDialog(d.hwnd, 1);
    });
    EXPECT_EQ(dialog.show(owner), 1);
    EXPECT_EQ(inner, -1);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(narrow(capture.lines[0]), "ERROR: tried to create dialog twice.\n");
}

TEST_F(Dialogs, WheelActsOnTheControlUnderThePointer) {
    int top_after = -1;
    demo_dialog dialog([&](demo_dialog& d) {
        HWND list = GetDlgItem(d.hwnd, IDC_TEST_LIST);
        HWND edit = GetDlgItem(d.hwnd, IDC_TEST_EDIT);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        for (int i = 0; i < 100; ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(L"row");
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        SetFocus(edit);
        RECT r{};
        GetWindowRect(list, &r);
        const LPARAM where = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        // The wheel message goes to the focus window, the edit field.
        SendMessageW(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * 3)), where);
        top_after = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        EndDialog(d.hwnd, 1);
    });
    dialog.show(owner);
    EXPECT_GT(top_after, 0);
}

/// The main window's template with its menu and accelerators.
class demo_main : public main_dialog, public command_table {
public:
    demo_main() : main_dialog(IDD_MAIN, IDI_CUEMILL, IDR_ACCELERATORS) {
        on_message(WM_INITDIALOG, [this](params&) {
            PostMessageW(hwnd, WM_APP, 0, 0);
            return LRESULT{1};
        });
        on_message(WM_APP, [this](params&) { return start(); });
        on_command(IDM_OPEN_SUB, [this](params&) { return note(IDM_OPEN_SUB); });
        on_command(IDM_PLAY_PAUSE, [this](params&) {
            note(IDM_PLAY_PAUSE);
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return LRESULT{1};
        });
        list_hook.on_message(WM_KEYDOWN, [this](params& p) {
            list_keys.push_back(static_cast<UINT>(p.wParam));
            return DefSubclassProc(list_hook.hwnd, p.msg, p.wParam, p.lParam);
        });
    }
    LRESULT note(UINT id) {
        commands.push_back(id);
        return 1;
    }
    LRESULT start() {
        small_icon = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0) != 0;
        big_icon = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0) != 0;
        HWND list = GetDlgItem(hwnd, IDC_SUBS_LIST);
        list_hook.attach(list);
        SetFocus(list);
        // Ctrl held in this thread's key state, then the keys posted to the focused list.
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        PostMessageW(list, WM_KEYDOWN, 'O', 0x00180001);
        PostMessageW(hwnd, WM_APP + 1, 0, 0);
        return 0;
    }
    std::vector<UINT> commands;
    std::vector<UINT> list_keys;
    bool small_icon = false, big_icon = false;
    subclass_hook list_hook;
};

TEST(MainDialog, AcceleratorsReachTheMainWindowWhileTheListHasTheFocus) {
    demo_main window;
    window.on_message(WM_APP + 1, [&](params&) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        PostMessageW(GetDlgItem(window.hwnd, IDC_SUBS_LIST), WM_KEYDOWN, VK_F5, 0x003F0001);
        return LRESULT{0};
    });
    // A safety net: a stuck loop ends after a while instead of hanging the suite.
    UINT_PTR guard = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
    const int result = window.run(GetModuleHandleW(nullptr), SW_SHOW);
    KillTimer(nullptr, guard);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(window.commands, (std::vector<UINT>{IDM_OPEN_SUB, IDM_PLAY_PAUSE}));
    EXPECT_TRUE(window.list_keys.empty());  // the list never saw the keys
    EXPECT_TRUE(window.small_icon);
    EXPECT_TRUE(window.big_icon);
    EXPECT_EQ(window.hwnd, nullptr);
}

TEST(MainDialog, RunRefusesWithoutTemplate) {
    debug_capture capture;
    demo_main window;
    window.dialog_id = 0;
    EXPECT_EQ(window.run(GetModuleHandleW(nullptr), SW_SHOW), -1);
    EXPECT_EQ(window.hwnd, nullptr);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(narrow(capture.lines[0]), "ERROR: dialog not created, no resource ID given.\n");
}

TEST(MainDialog, RunReportsAMissingTemplate) {
    debug_capture capture;
    demo_main window;
    window.dialog_id = 4242;
    EXPECT_EQ(window.run(GetModuleHandleW(nullptr), SW_SHOW), -1);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(narrow(capture.lines[0]), "ERROR: main dialog not created, CreateDialogParam failed.\n");
}

}  // namespace
