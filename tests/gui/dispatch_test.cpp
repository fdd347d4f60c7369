// Dispatch through the message tables of real windows: which handler saw which message.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gui/control_window.h"
#include "gui/subclass_hook.h"
#include "tests/gui/gui_test_support.h"

using namespace gui_test;

namespace {

struct seen {
    std::string who;
    UINT msg;
    bool operator==(const seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const seen& s) { return os << s.who << ":0x" << std::hex << s.msg; }

/// A control with every sub-table; each handler records what it saw.
class recorder : public control_window, public command_table, public notify_table, public popup_menu_table,
                 public dlgcode_table {
public:
    recorder() { class_name = u"CTL_TEST_RECORDER"; }
    handler record(const std::string& who, LRESULT result) {
        return [this, who, result](params& p) {
            log.push_back({who, p.msg});
            return result;
        };
    }
    std::vector<seen> log;
};

HWND create_child(recorder& r, HWND host) {
    EXPECT_TRUE(r.create(host));
    return r.hwnd;
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { host = make_host(); }
    void TearDown() override { DestroyWindow(host); }
    HWND host = nullptr;
};

TEST_F(Dispatch, LaterRegistrationReplacesEarlier) {
    recorder r;
    r.on_message(WM_USER + 1, r.record("first", 1));
    r.on_message(WM_USER + 1, r.record("second", 2));
    r.on_message(WM_USER + 2, r.record("other", 3));
    create_child(r, host);
    EXPECT_EQ(SendMessageW(r.hwnd, WM_USER + 1, 0, 0), 2);
    EXPECT_EQ(SendMessageW(r.hwnd, WM_USER + 2, 0, 0), 3);
    EXPECT_EQ(r.log, (std::vector<seen>{{"second", WM_USER + 1}, {"other", WM_USER + 2}}));
}

TEST_F(Dispatch, CommandIdsAndLists) {
    recorder r;
    r.on_command({1, 2}, r.record("ok-cancel", 12));
    r.on_command({5, 5, 6}, r.record("five-six", 56));
    r.on_command({10, 11}, r.record("ten-old", 10));
    r.on_command(10, r.record("ten-new", 100));  // 11 keeps forwarding to the old entry
    r.on_command(0x10007, r.record("seven", 7));  // ids compare as 16 bits
    r.default_handler = r.record("default", -1);
    create_child(r, host);

    const struct {
        WPARAM wParam;
        LRESULT result;
        const char* who;
    } cases[] = {
        {IDOK, 12, "ok-cancel"},                           // first id of a list
        {IDCANCEL, 12, "ok-cancel"},                       // further id forwards
        {MAKEWPARAM(IDCANCEL, BN_CLICKED), 12, "ok-cancel"},  // only the low word is the key
        {5, 56, "five-six"},                               // a repeated first id adds nothing
        {6, 56, "five-six"},
        {10, 100, "ten-new"},                              // re-registered first id
        {11, 10, "ten-old"},                               // the forwarder keeps its entry
        {7, 7, "seven"},
        {8, -1, "default"},                                // no entry: default handler
    };
    for (const auto& c : cases) {
        r.log.clear();
        EXPECT_EQ(SendMessageW(r.hwnd, WM_COMMAND, c.wParam, 0), c.result) << c.who;
        ASSERT_EQ(r.log.size(), 1u) << c.who;
        EXPECT_EQ(r.log[0].who, c.who);
    }
}

TEST_F(Dispatch, NotifyNeedsBothIdAndCode) {
    recorder r;
    r.on_notify(1001, NM_CLICK, r.record("click", 1));
    r.on_notify(1001, NM_DBLCLK, r.record("dblclick", 2));
    r.on_notify(1002, NM_CLICK, r.record("other-click", 3));
    r.default_handler = r.record("default", 0);
    create_child(r, host);

    const struct {
        UINT_PTR id;
        UINT code;
        const char* who;
    } cases[] = {
        {1001, static_cast<UINT>(NM_CLICK), "click"},
        {1001, static_cast<UINT>(NM_DBLCLK), "dblclick"},
        {1002, static_cast<UINT>(NM_CLICK), "other-click"},
        {1001, static_cast<UINT>(NM_RCLICK), "default"},   // right id, other code
        {1003, static_cast<UINT>(NM_CLICK), "default"},    // right code, other id
        {0x100000000ull + 1001, static_cast<UINT>(NM_CLICK), "default"},  // id compared in full
    };
    for (const auto& c : cases) {
        r.log.clear();
        NMHDR header{nullptr, c.id, c.code};
        SendMessageW(r.hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
        ASSERT_EQ(r.log.size(), 1u);
        EXPECT_EQ(r.log[0].who, c.who) << c.id << "/" << static_cast<int>(c.code);
    }
}

TEST_F(Dispatch, PopupMenusByTheirFirstItem) {
    recorder r;
    r.on_init_menu_popup(40001, r.record("file", 0));
    r.on_init_menu_popup(40011, r.record("playback", 0));
    r.default_handler = r.record("default", 0);
    create_child(r, host);

    const struct {
        UINT first;
        const char* who;
    } cases[] = {
        {40001, "file"},
        {40011, "playback"},
        {40016, "default"},  // no entry
    };
    for (const auto& c : cases) {
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, c.first, L"first");
        AppendMenuW(menu, MF_STRING, 40001 + 100, L"second");  // only the first item counts
        r.log.clear();
        SendMessageW(r.hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        DestroyMenu(menu);
        ASSERT_EQ(r.log.size(), 1u);
        EXPECT_EQ(r.log[0].who, c.who);
    }
}

TEST_F(Dispatch, DialogCodesByLowByteOfTheKey) {
    recorder r;
    r.on_dlg_code(VK_LEFT, r.record("left", DLGC_WANTARROWS));
    r.on_dlg_code(VK_HOME, r.record("home", DLGC_WANTALLKEYS));
    r.default_handler = r.record("default", 0);
    create_child(r, host);

    MSG key{r.hwnd, WM_KEYDOWN, VK_LEFT, 0, 0, {0, 0}};
    MSG percent{r.hwnd, WM_CHAR, '%', 0, 0, {0, 0}};  // '%' has the code of VK_LEFT
    const struct {
        WPARAM wParam;
        const MSG* msg;
        LRESULT result;
        const char* who;
    } cases[] = {
        {VK_LEFT, &key, DLGC_WANTARROWS, "left"},
        {0x100 | VK_LEFT, &key, DLGC_WANTARROWS, "left"},   // high bits ignored
        {'%', &percent, DLGC_WANTARROWS, "left"},           // a character matches like the key
        {VK_HOME, nullptr, DLGC_WANTALLKEYS, "home"},       // no MSG: still matched
        {VK_RIGHT, &key, 0, "default"},
    };
    for (const auto& c : cases) {
        r.log.clear();
        EXPECT_EQ(SendMessageW(r.hwnd, WM_GETDLGCODE, c.wParam, reinterpret_cast<LPARAM>(c.msg)), c.result);
        ASSERT_EQ(r.log.size(), 1u);
        EXPECT_EQ(r.log[0].who, c.who);
    }
}

TEST_F(Dispatch, UnbindsAtNcDestroyAfterTheHandler) {
    recorder r;
    HWND seen_in_handler = nullptr;
    r.on_message(WM_NCDESTROY, [&](params&) {
        seen_in_handler = r.hwnd;
        return LRESULT{0};
    });
    HWND window = create_child(r, host);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(static_cast<msg_table*>(&r)));
    DestroyWindow(window);
    EXPECT_EQ(seen_in_handler, window);
    EXPECT_EQ(r.hwnd, nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Dispatch, DestroyingTheObjectKeepsTheWindow) {
    HWND window;
    {
        recorder r;
        r.on_message(WM_USER, r.record("user", 5));
        window = create_child(r, host);
        EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 5);
    }
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 0);
    EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 0);  // default processing now
    DestroyWindow(window);
}

TEST_F(Dispatch, MisuseIsReportedAsDebugOutput) {
    debug_capture capture;
    recorder twice;
    HWND first = create_child(twice, host);
    EXPECT_FALSE(twice.create(host));
    EXPECT_EQ(twice.hwnd, first);
    EXPECT_TRUE(IsWindow(first));

    recorder nameless;
    nameless.class_name.clear();
    EXPECT_FALSE(nameless.create(host));

    recorder orphan;
    EXPECT_FALSE(orphan.create(nullptr));  // no parent: quietly refused

    recorder bad_style;
    bad_style.class_name = u"CTL_TEST_BAD_PARENT";
    bad_style.style = WS_CHILD;
    EXPECT_FALSE(bad_style.create(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ff0))));  // not a window

    recorder bad_class;
    bad_class.class_name = u"CTL_TEST_BAD_CLASS";
    bad_class.window_class.cbWndExtra = -1;  // the class record is refused
    EXPECT_FALSE(bad_class.create(host));

    const std::vector<std::u16string> expected = {
        u"ERROR: tried to create window twice.\n",
        u"ERROR: window not created, no class name given.\n",
        u"ERROR: CreateWindowEx failed.\n",
        u"ERROR: window not created, failed to register class ATOM.\n",
    };
    EXPECT_EQ(capture.lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size() && i < capture.lines.size(); ++i)
        EXPECT_EQ(narrow(capture.lines[i]), narrow(expected[i]));
}

LONG CALLBACK catch_debug_string(EXCEPTION_POINTERS* info);
std::vector<std::wstring>* caught_strings = nullptr;

LONG CALLBACK catch_debug_string(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code == 0x4001000A /* DBG_PRINTEXCEPTION_WIDE_C */ && caught_strings &&
        info->ExceptionRecord->NumberParameters >= 2) {
        caught_strings->push_back(reinterpret_cast<const wchar_t*>(info->ExceptionRecord->ExceptionInformation[1]));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (code == DBG_PRINTEXCEPTION_C && caught_strings && info->ExceptionRecord->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(info->ExceptionRecord->ExceptionInformation[1]);
        caught_strings->push_back(std::wstring(text, text + strlen(text)));
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST_F(Dispatch, DebugLinesReachOutputDebugString) {
    std::vector<std::wstring> strings;
    caught_strings = &strings;
    PVOID handler = AddVectoredExceptionHandler(1, catch_debug_string);
    debug_output(u"ERROR: tried to create window twice.\n");
    RemoveVectoredExceptionHandler(handler);
    caught_strings = nullptr;
    ASSERT_FALSE(strings.empty());
    EXPECT_EQ(strings[0], L"ERROR: tried to create window twice.\n");
}

TEST_F(Dispatch, SecondObjectReusesTheClass) {
    recorder a, b;
    a.class_name = b.class_name = u"CTL_TEST_SHARED";
    a.on_message(WM_USER, a.record("a", 1));
    b.on_message(WM_USER, b.record("b", 2));
    ASSERT_TRUE(a.create(host));
    ASSERT_TRUE(b.create(host));
    EXPECT_EQ(GetClassLongPtrW(a.hwnd, GCW_ATOM), GetClassLongPtrW(b.hwnd, GCW_ATOM));
    EXPECT_EQ(SendMessageW(a.hwnd, WM_USER, 0, 0), 1);  // each window reaches its own object
    EXPECT_EQ(SendMessageW(b.hwnd, WM_USER, 0, 0), 2);
}

TEST_F(Dispatch, CreationParametersReachTheWindow) {
    recorder r;
    r.x = 11;
    r.y = 12;
    r.width = 130;
    r.height = 40;
    r.child_id = 667;
    r.ex_style = WS_EX_CLIENTEDGE;
    create_child(r, host);
    RECT rect{};
    GetWindowRect(r.hwnd, &rect);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 11);
    EXPECT_EQ(rect.top, 12);
    EXPECT_EQ(rect.right - rect.left, 130);
    EXPECT_EQ(GetDlgCtrlID(r.hwnd), 667);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(r.hwnd, GWL_STYLE)) & 0xFFFF0000u, 0x56000000u);
    EXPECT_EQ(GetClassLongPtrW(r.hwnd, GCL_STYLE) & CS_DBLCLKS, static_cast<ULONG_PTR>(CS_DBLCLKS));
    // The themed border handler paints and returns without touching the object's state.
    SendMessageW(r.hwnd, WM_NCPAINT, 1, 0);
    EXPECT_TRUE(IsWindow(r.hwnd));
}

TEST_F(Dispatch, RunOnUiThreadFromTheGuiThreadRunsAtOnce) {
    recorder r;
    create_child(r, host);
    DWORD ran_on = 0;
    EXPECT_EQ(run_on_ui_thread(r, [&] { ran_on = GetCurrentThreadId(); }), r.handled_result);
    EXPECT_EQ(ran_on, GetCurrentThreadId());
}

TEST_F(Dispatch, RunOnUiThreadFromAWorkerWaitsForTheGuiThread) {
    recorder r;
    r.handled_result = 77;
    create_child(r, host);
    std::atomic<DWORD> ran_on{0};
    std::atomic<LRESULT> returned{0};
    std::atomic<bool> worker_done{false};
    std::atomic<DWORD> worker_id{0};
    std::atomic<bool> closure_ran_before_return{false};
    ASSERT_TRUE(start_thread([&] {
        worker_id = GetCurrentThreadId();
        returned = run_on_ui_thread(r, [&] { ran_on = GetCurrentThreadId(); });
        // The closure has run by the time the send returns.
        closure_ran_before_return = ran_on.load() != 0;
        worker_done = true;
    }));
    ASSERT_TRUE(pump_until([&] { return worker_done.load(); }));
    EXPECT_EQ(ran_on.load(), GetCurrentThreadId());
    EXPECT_NE(worker_id.load(), GetCurrentThreadId());
    EXPECT_EQ(returned.load(), 77);
    EXPECT_TRUE(closure_ran_before_return.load());
}

TEST_F(Dispatch, CenterOnParent) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 200, 401, 301, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    recorder r;
    r.style = WS_POPUP | WS_VISIBLE;
    r.width = 100;
    r.height = 51;
    r.x = 0;
    r.y = 0;
    r.class_name = u"CTL_TEST_POPUP";
    ASSERT_TRUE(r.create(owner));
    center_on_parent(r);
    RECT rect{};
    GetWindowRect(r.hwnd, &rect);
    EXPECT_EQ(rect.left, 100 + 401 / 2 - 100 / 2);
    EXPECT_EQ(rect.top, 200 + 301 / 2 - 51 / 2);
    EXPECT_EQ(rect.right - rect.left, 100);
    DestroyWindow(owner);
}

/// A hook that records what it intercepts on a window it did not create.
class hook_recorder : public subclass_hook {
public:
    std::vector<seen> log;
};

TEST_F(Dispatch, SubclassHookSeesMessagesUntilDetached) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"text", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, host, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    hook_recorder hook;
    hook.on_message(WM_USER + 5, [&](params& p) {
        hook.log.push_back({"hook", p.msg});
        return LRESULT{9};
    });
    hook.attach(edit);
    EXPECT_EQ(hook.hwnd, edit);
    const std::uint32_t first_id = hook.subclass_id;
    EXPECT_EQ(SendMessageW(edit, WM_USER + 5, 0, 0), 9);
    // Unhandled messages go on to the control itself.
    EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 4);

    hook.attach(edit);  // re-attaching unhooks first and takes a new id
    EXPECT_EQ(hook.subclass_id, first_id + 1);
    EXPECT_EQ(SendMessageW(edit, WM_USER + 5, 0, 0), 9);
    EXPECT_EQ(hook.log.size(), 2u);

    hook.detach();
    EXPECT_EQ(hook.hwnd, nullptr);
    SendMessageW(edit, WM_USER + 5, 0, 0);
    EXPECT_EQ(hook.log.size(), 2u);
    DestroyWindow(edit);
}

TEST_F(Dispatch, SubclassHookUnbindsAtNcDestroy) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, host, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
    hook_recorder hook;
    HWND seen_in_handler = nullptr;
    hook.on_message(WM_NCDESTROY, [&](params& p) {
        seen_in_handler = hook.hwnd;
        return DefSubclassProc(hook.hwnd, p.msg, p.wParam, p.lParam);
    });
    hook.attach(edit);
    DestroyWindow(edit);
    EXPECT_EQ(seen_in_handler, edit);
    EXPECT_EQ(hook.hwnd, nullptr);
}

}  // namespace
