// The list view, status bar and resizer wrappers, message boxes, filters and dropped files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "gui/control_window.h"
#include "gui/dialogs.h"
#include "gui/message_box.h"
#include "gui/native_controls.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_test_ids.h"
#include "tests/gui/gui_test_support.h"

using namespace gui_test;

namespace {

/// A modeless test dialog driven by hand: records list notifications and commands.
class list_dialog : public modal_dialog, public command_table, public notify_table {
public:
    list_dialog() : modal_dialog(IDD_TEST_MODAL) {
        on_message(WM_INITDIALOG, [this](params&) {
            list.assign(hwnd, IDC_TEST_LIST);
            list.set_context_menu(IDR_CONTEXT_MENU);
            list.add_column(u"#", 36);
            list.add_column(u"Text", 1);
            return LRESULT{1};
        });
        on_notify(IDC_TEST_LIST, LVN_KEYDOWN, [this](params& p) {
            keys.push_back(reinterpret_cast<const NMLVKEYDOWN*>(p.lParam)->wVKey);
            return LRESULT{0};
        });
        on_command(IDOK, [this](params&) {
            ok_pressed = true;
            return LRESULT{1};
        });
        on_notify(IDC_TEST_LIST, LVN_ITEMCHANGED, [this](params&) {
            ++(IsWindowVisible(list.hwnd) ? changed_shown : changed_held);
            return LRESULT{0};
        });
    }
    HWND create() {
        return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TEST_MODAL), nullptr, dialog_procedure,
                                  reinterpret_cast<LPARAM>(static_cast<msg_table*>(this)));
    }
    void fill(int rows) {
        for (int i = 0; i < rows; ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(L"row");
            SendMessageW(list.hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    listview list;
    std::vector<WORD> keys;
    bool ok_pressed = false;
    int changed_shown = 0, changed_held = 0;  // rows whose state changed while drawn or held
};

class ListView : public ::testing::Test {
protected:
    void SetUp() override {
        window = dialog.create();
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        pump_pending(window);
    }
    void TearDown() override {
        DestroyWindow(window);
        pump_pending();
    }
    list_dialog dialog;
    HWND window = nullptr;
};

TEST_F(ListView, EnterIsReportedOnceAndDoesNotPressTheDefaultButton) {
    dialog.fill(3);
    SetFocus(dialog.list.hwnd);
    PostMessageW(dialog.list.hwnd, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(dialog.list.hwnd, WM_CHAR, '\r', 0x001C0001);
    PostMessageW(window, WM_APP, 0, 0);
    bool drained = false;
    dialog.on_message(WM_APP, [&](params&) {
        drained = true;
        return LRESULT{0};
    });
    ASSERT_TRUE(pump_until([&] { return drained; }, window));
    EXPECT_EQ(dialog.keys, (std::vector<WORD>{VK_RETURN}));
    EXPECT_FALSE(dialog.ok_pressed);
}

TEST_F(ListView, SelectionHelpers) {
    dialog.fill(6);
    dialog.list.select({1, 3, 4});
    EXPECT_EQ(dialog.list.selected_indices(), (std::vector<int>{1, 3, 4}));
    dialog.list.select({0});  // adds, keeps the others
    EXPECT_EQ(dialog.list.selected_indices(), (std::vector<int>{0, 1, 3, 4}));
    dialog.list.deselect_all();
    EXPECT_TRUE(dialog.list.selected_indices().empty());
    // One selected row, with the focus on it or on another row.
    dialog.list.select({4});
    for (int focused : {4, 2}) {
        LVITEMW focus{};
        focus.stateMask = focus.state = LVIS_FOCUSED;
        SendMessageW(dialog.list.hwnd, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&focus));
        EXPECT_EQ(dialog.list.selected_indices(), (std::vector<int>{4})) << focused;
    }
}

bool menu_was_open = false;
void CALLBACK close_menu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = FindWindowW(L"#32768", nullptr);
    menu_was_open = menu && IsWindowVisible(menu);
    EndMenu();
}

TEST_F(ListView, RightClickAdjustsTheSelectionFirst) {
    dialog.fill(5);
    RECT row1{LVIR_BOUNDS, 0, 0, 0}, row3{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(dialog.list.hwnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
    SendMessageW(dialog.list.hwnd, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&row3));
    RECT client{};
    GetClientRect(dialog.list.hwnd, &client);
    const POINT on_row1{row1.left + 10, (row1.top + row1.bottom) / 2};
    const POINT on_row3{row3.left + 10, (row3.top + row3.bottom) / 2};
    const POINT empty{client.right / 2, client.bottom - 5};

    const struct {
        const char* what;
        std::vector<int> before;
        POINT where;
        std::vector<int> after;
        int hit;
    } cases[] = {
        {"empty space deselects all", {0, 2}, empty, {}, -1},
        {"unselected row becomes the selection", {0, 2}, on_row3, {3}, 3},
        {"selected row keeps the selection", {1, 3}, on_row3, {1, 3}, 3},
        {"single selected row stays", {1}, on_row1, {1}, 1},
    };
    for (const auto& c : cases) {
        dialog.list.deselect_all();
        dialog.list.select(c.before);
        POINT screen = c.where;
        ClientToScreen(dialog.list.hwnd, &screen);
        SetCursorPos(screen.x, screen.y);
        POINT now{};
        pump_until([&] { return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y; }, nullptr, 2000);
        menu_was_open = false;
        SetTimer(nullptr, 0, 50, close_menu);
        const int hit = dialog.list.show_context_menu(true);
        EXPECT_TRUE(menu_was_open) << c.what;
        EXPECT_EQ(hit, c.hit) << c.what;
        EXPECT_EQ(dialog.list.selected_indices(), c.after) << c.what;
        if (c.hit >= 0) {
            EXPECT_EQ(SendMessageW(dialog.list.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), c.hit)
                << c.what;
        }
    }
}

TEST_F(ListView, AppsKeyOpensTheMenuWithoutChangingTheSelection) {
    dialog.fill(3);
    dialog.list.select({0, 2});
    menu_was_open = false;
    SetTimer(nullptr, 0, 50, close_menu);
    EXPECT_EQ(dialog.list.show_context_menu(false), -1);
    EXPECT_TRUE(menu_was_open);
    EXPECT_EQ(dialog.list.selected_indices(), (std::vector<int>{0, 2}));
}

TEST_F(ListView, ContextMenuIsAssignedOnce) {
    debug_capture capture;
    HMENU before = dialog.list.context_menu;
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(GetMenuItemID(before, 0), static_cast<UINT>(IDM_INSERT_SUB));
    dialog.list.set_context_menu(IDR_CONTEXT_MENU);
    EXPECT_EQ(dialog.list.context_menu, before);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(narrow(capture.lines[0]), "ERROR: listview context menu already assigned.\n");
}

TEST_F(ListView, FillColumnTakesWhatIsLeft) {
    RECT client{};
    GetClientRect(dialog.list.hwnd, &client);
    dialog.list.fill_column(1);
    EXPECT_EQ(SendMessageW(dialog.list.hwnd, LVM_GETCOLUMNWIDTH, 1, 0), client.right - 36);
    // Other columns wider than the list: the last one shrinks to nothing instead of wrapping.
    SendMessageW(dialog.list.hwnd, LVM_SETCOLUMNWIDTH, 0, client.right + 200);
    dialog.list.fill_column(1);
    EXPECT_EQ(SendMessageW(dialog.list.hwnd, LVM_GETCOLUMNWIDTH, 1, 0), 0);
    // The same width again leaves the header alone.
    const HWND header = reinterpret_cast<HWND>(SendMessageW(dialog.list.hwnd, LVM_GETHEADER, 0, 0));
    UpdateWindow(window);
    dialog.list.fill_column(1);
    EXPECT_FALSE(GetUpdateRect(header, nullptr, FALSE));
}

// Paints of the list's rows and frame and of its header while it draws what is waiting.
struct Paint_Count {
    int rows = 0, frame = 0, header = 0;
    static LRESULT CALLBACK count(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
        auto* n = reinterpret_cast<Paint_Count*>(data);
        if (m == WM_PAINT) ++(id == 1 ? n->rows : n->header);
        if (m == WM_NCPAINT && id == 1) ++n->frame;
        return DefSubclassProc(w, m, wp, lp);
    }
};

// The window's pixels as drawn, frame and children included (read from the window itself:
// the screen may show them a moment later).
std::vector<COLORREF> window_pixels(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetWindowDC(window);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(GetPixel(copy, x, y));
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(window, screen);
    return pixels;
}

// Everything drawn again: a header that shrank draws its right edge only so.
void repaint_all(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// What is drawn is what a full repaint draws.
bool drawn_as_repainted(HWND list) {
    const std::vector<COLORREF> shown = window_pixels(list);
    repaint_all(list);
    return shown == window_pixels(list);
}

TEST_F(ListView, HeldDrawingShowsTheChangeAndRepaintsOnlyWhatChangedOrWaited) {
    const HWND list = dialog.list.hwnd;
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    struct Case {
        const char* name;
        std::function<void()> before, held;
        bool frame, header;
    };
    const Case cases[] = {
        {"nothing changed", [] {}, [] {}, false, false},
        // The scroll bar comes, and the header shrinks.
        {"rows added", [] {}, [&] { dialog.fill(200); }, true, true},
        {"scrolled", [] {}, [&] { dialog.list.scroll_to(150); }, true, false},
        {"header waiting", [&] { InvalidateRect(header, nullptr, TRUE); }, [] {}, false, true},
        {"frame waiting", [&] { RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN); }, [] {}, true, false},
        {"rows waiting", [&] { RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN); }, [] {}, true, false},
        // The scroll bar goes, and the header grows into its place.
        {"rows removed", [] {}, [&] { SendMessageW(list, LVM_DELETEALLITEMS, 0, 0); }, true, true},
    };
    for (const Case& c : cases) {
        repaint_all(window);
        c.before();
        Paint_Count n;
        SetWindowSubclass(list, Paint_Count::count, 1, reinterpret_cast<DWORD_PTR>(&n));
        SetWindowSubclass(header, Paint_Count::count, 2, reinterpret_cast<DWORD_PTR>(&n));
        dialog.list.hold_drawing();
        c.held();
        dialog.list.resume_drawing();
        UpdateWindow(window);
        RemoveWindowSubclass(list, Paint_Count::count, 1);
        RemoveWindowSubclass(header, Paint_Count::count, 2);
        EXPECT_EQ(n.rows, 1) << c.name;
        EXPECT_EQ(n.frame > 0, c.frame) << c.name;
        EXPECT_EQ(n.header > 0, c.header) << c.name;
        EXPECT_TRUE(drawn_as_repainted(list)) << c.name;
    }
}

TEST_F(ListView, KeysAndClicksThatChangeManyRowsHoldTheDrawing) {
    dialog.fill(300);
    const HWND list = dialog.list.hwnd;
    const auto press = [&](WPARAM key, bool shift) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(list, WM_KEYDOWN, key, 0);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    const auto click_row = [&](int row) {
        RECT r{LVIR_LABEL, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
        // Posted: the list may wait for the button to come up.
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        pump_pending(window);
    };
    const auto only = [&](int row) {
        dialog.list.deselect_all();
        dialog.list.select({row});
        LVITEMW focus{};
        focus.stateMask = focus.state = LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&focus));
        SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    };
    const auto all = [&] {
        only(0);
        LVITEMW select{};
        select.stateMask = select.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&select));
    };
    struct Case {
        const char* name;
        std::function<void()> before, input;
        int selected, focused;
        bool held;
    };
    const Case cases[] = {
        {"Down from all", all, [&] { press(VK_DOWN, false); }, 1, 1, true},
        {"click on one of all", all, [&] { click_row(2); }, 1, 2, true},
        {"Shift+End", [&] { only(0); }, [&] { press(VK_END, true); }, 300, 299, true},
        {"Down from one", [&] { only(0); }, [&] { press(VK_DOWN, false); }, 1, 1, false},
    };
    for (const Case& c : cases) {
        c.before();
        repaint_all(window);
        dialog.changed_shown = dialog.changed_held = 0;
        c.input();
        UpdateWindow(window);
        EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), c.selected) << c.name;
        EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), c.focused) << c.name;
        EXPECT_EQ(dialog.changed_held > 0, c.held) << c.name;
        if (c.held) {
            EXPECT_EQ(dialog.changed_shown, 0) << c.name;
        }
        EXPECT_TRUE(drawn_as_repainted(list)) << c.name;
    }
}

TEST_F(ListView, ScrollToBringsTheRowWhollyIntoView) {
    dialog.fill(200);
    const HWND list = dialog.list.hwnd;
    const auto whole = [list](int row) {
        RECT client{}, header{}, item{LVIR_BOUNDS, 0, 0, 0};
        GetClientRect(list, &client);
        GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
        SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
        return item.top >= header.bottom - header.top && item.bottom <= client.bottom;
    };
    for (int target : {150, 10, 199}) {
        dialog.list.scroll_to(target);
        EXPECT_TRUE(whole(target)) << target;
    }
    // From the top: the row cut by the bottom edge and the two below it.
    const int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    for (int target : {page, page + 1, page + 2}) {
        SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
        ASSERT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
        dialog.list.scroll_to(target);
        EXPECT_TRUE(whole(target)) << target << " of " << page << " a page";
    }
}

TEST(StatusBar, RightEdgesFromFixedAndWeightedParts) {
    HWND host = make_host(1000, 300);
    statusbar bar;
    bar.create(host).add_stretch_part().add_fixed_part(200).add_fixed_part(110).add_fixed_part(70);
    ASSERT_NE(bar.hwnd, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(bar.hwnd, GWL_STYLE) & SBARS_SIZEGRIP);  // the host has a thick frame

    const struct {
        int width;
        std::vector<int> edges;
    } cases[] = {
        {1000, {620, 820, 930, 1000}},  // the weighted part takes the rest
        {800, {420, 620, 730, 800}},
    };
    for (const auto& c : cases) {
        bar.on_parent_size(params{WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.width, 300)});
        int edges[4] = {};
        ASSERT_EQ(SendMessageW(bar.hwnd, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 4);
        EXPECT_EQ(std::vector<int>(edges, edges + 4), c.edges) << c.width;
    }
    // Minimised: the parts stay.
    bar.on_parent_size(params{WM_SIZE, SIZE_MINIMIZED, 0});
    EXPECT_EQ(bar.right_edges, (std::vector<int>{420, 620, 730, 800}));

    debug_capture capture;
    bar.create(host);
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_EQ(narrow(capture.lines[0]), "ERROR: statusbar already created.\n");

    SendMessageW(bar.hwnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"C:\\subs\\a.srt"));
    EXPECT_EQ(narrow(bar.first_part_text()), "C:\\subs\\a.srt");
    DestroyWindow(host);
}

/// The resizable test dialog with its four anchored buttons.
class resize_dialog : public modal_dialog {
public:
    resize_dialog() : modal_dialog(IDD_TEST_RESIZE) {
        on_message(WM_INITDIALOG, [this](params&) {
            resizer.add(GetDlgItem(hwnd, IDC_TEST_STRETCH_X), layout_resizer::stretch, layout_resizer::stay)
                .add(GetDlgItem(hwnd, IDC_TEST_MOVE_BOTH), layout_resizer::move, layout_resizer::move)
                .add(GetDlgItem(hwnd, IDC_TEST_STRETCH_BOTH), layout_resizer::stretch, layout_resizer::stretch)
                .add(GetDlgItem(hwnd, IDC_TEST_STAY_MOVE_Y), layout_resizer::stay, layout_resizer::move);
            return LRESULT{1};
        });
        on_message(WM_SIZE, [this](params& p) {
            resizer.on_parent_size(p);
            return LRESULT{0};
        });
    }
    layout_resizer resizer;
};

RECT child_rect(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(Resizer, AnchorsFollowTheirModes) {
    resize_dialog dialog;
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TEST_RESIZE), nullptr,
                                     dialog_procedure, reinterpret_cast<LPARAM>(static_cast<msg_table*>(&dialog)));
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    const int ids[4] = {IDC_TEST_STRETCH_X, IDC_TEST_MOVE_BOTH, IDC_TEST_STRETCH_BOTH, IDC_TEST_STAY_MOVE_Y};
    RECT before[4];
    for (int i = 0; i < 4; ++i) before[i] = child_rect(window, ids[i]);

    RECT frame{};
    GetWindowRect(window, &frame);
    const int dw = 120, dh = 70;
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dw, frame.bottom - frame.top + dh,
                 SWP_NOMOVE | SWP_NOZORDER);
    pump_pending(window);
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_EQ(client.right - dialog.resizer.ref_width, dw);

    // Expected rectangles: (left, top, right, bottom) deltas per control.
    const struct {
        const char* what;
        int dl, dt, dr, db;
    } cases[] = {
        {"stretch x, stay y", 0, 0, dw, 0},
        {"move both", dw, dh, dw, dh},
        {"stretch both", 0, 0, dw, dh},
        {"stay x, move y", 0, dh, 0, dh},
    };
    RECT after[4];
    for (int i = 0; i < 4; ++i) {
        after[i] = child_rect(window, ids[i]);
        const auto& c = cases[i];
        EXPECT_EQ(after[i].left, before[i].left + c.dl) << c.what;
        EXPECT_EQ(after[i].top, before[i].top + c.dt) << c.what;
        EXPECT_EQ(after[i].right, before[i].right + c.dr) << c.what;
        EXPECT_EQ(after[i].bottom, before[i].bottom + c.db) << c.what;
    }

    // Minimising leaves the controls; restoring lays them out from the recorded rectangles.
    ShowWindow(window, SW_MINIMIZE);
    pump_pending(window);
    for (int i = 0; i < 4; ++i) {
        const RECT r = child_rect(window, ids[i]);
        EXPECT_EQ(r.right - r.left, after[i].right - after[i].left) << cases[i].what << " minimised";
        EXPECT_EQ(r.bottom - r.top, after[i].bottom - after[i].top) << cases[i].what << " minimised";
    }
    ShowWindow(window, SW_RESTORE);
    pump_pending(window);
    for (int i = 0; i < 4; ++i) {
        const RECT r = child_rect(window, ids[i]);
        EXPECT_EQ(r.left, after[i].left) << cases[i].what << " restored";
        EXPECT_EQ(r.top, after[i].top) << cases[i].what << " restored";
        EXPECT_EQ(r.right, after[i].right) << cases[i].what << " restored";
        EXPECT_EQ(r.bottom, after[i].bottom) << cases[i].what << " restored";
    }
    DestroyWindow(window);
}

RECT box_rect;
bool box_found = false;
void CALLBACK read_and_close_box(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"#32770", L"Clamp test");
    if (!box) return;
    KillTimer(nullptr, id);
    box_found = true;
    GetWindowRect(box, &box_rect);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

struct owner_window : window_base {};

TEST(CentredMessageBox, CentredOverItsOwnerAndKeptInTheWorkArea) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        const char* what;
        int x, y, w, h;
    } cases[] = {
        {"owner in the middle", 300, 250, 500, 400},
        {"owner off the left edge", -450, 300, 500, 300},
        {"owner near the right edge", work.right - 120, 300, 400, 300},
        {"owner off the top", 300, -400, 400, 300},
        {"owner near the bottom", 300, work.bottom - 60, 400, 300},
    };
    for (const auto& c : cases) {
        owner_window owner;
        owner.hwnd = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, c.x, c.y, c.w, c.h, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        box_found = false;
        SetTimer(nullptr, 0, 30, read_and_close_box);
        EXPECT_EQ(message_box(owner, u"Clamp test", u"Centred over the owner.", MB_ICONINFORMATION), IDOK);
        ASSERT_TRUE(box_found) << c.what;
        const int bw = box_rect.right - box_rect.left, bh = box_rect.bottom - box_rect.top;
        int x = c.x + c.w / 2 - bw / 2, y = c.y + c.h / 2 - bh / 2;
        if (x < 0) x = 0; else if (x + bw > work.right) x = work.right - bw;
        if (y < 0) y = 0; else if (y + bh > work.bottom) y = work.bottom - bh;
        EXPECT_EQ(box_rect.left, x) << c.what;
        EXPECT_EQ(box_rect.top, y) << c.what;
        EXPECT_GE(box_rect.left, 0) << c.what;
        EXPECT_LE(box_rect.right, work.right) << c.what;
        DestroyWindow(owner.hwnd);
    }
}

TEST(FileDialogs, FilterStringConversion) {
    const struct {
        std::u16string filter;
        std::vector<wchar_t> expected;
    } cases[] = {
        {u"SubRip subtitle (*.srt)|*.srt",  // one name and one pattern
         {L'S', L'u', L'b', L'R', L'i', L'p', L' ', L's', L'u', L'b', L't', L'i', L't', L'l', L'e', L' ', L'(', L'*',
          L'.', L's', L'r', L't', L')', 0, L'*', L'.', L's', L'r', L't', 0, 0}},
        {u"A|*.a|B|*.b", {L'A', 0, L'*', L'.', L'a', 0, L'B', 0, L'*', L'.', L'b', 0, 0}},  // two filters
        {u"", {0, 0}},                                                                   // nothing: still two zeros
        {u"A||B", {L'A', 0, 0, L'B', 0, 0}},                                             // an empty part
    };
    for (const auto& c : cases) EXPECT_EQ(convert_filter(c.filter), c.expected) << narrow(c.filter);
}

HDROP make_drop(const std::vector<std::wstring>& files) {
    std::size_t chars = 1;
    for (const auto& f : files) chars += f.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    wchar_t* names = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& f : files) {
        std::memcpy(names, f.c_str(), (f.size() + 1) * sizeof(wchar_t));
        names += f.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST(DroppedFiles, PathsInOrderAndTheHandleReleased) {
    const struct {
        std::vector<std::wstring> files;
    } cases[] = {
        {{L"C:\\a\\one.srt", L"C:\\b\\two.avi", L"D:\\three and more.mkv"}},  // three in the shell's order
        {{}},                                                                 // none: still released
        {{std::wstring(200, L'x') + L".srt"}},                                // a long name
    };
    for (const auto& c : cases) {
        HDROP drop = make_drop(c.files);
        const std::vector<std::u16string> paths = dropped_files(params{WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0});
        ASSERT_EQ(paths.size(), c.files.size());
        for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(paths[i], as_u16(c.files[i].c_str()));
        EXPECT_EQ(GlobalSize(drop), 0u);  // freed by DragFinish
    }
}

TEST(ExecutableDirectory, IsTheFolderOfThisProgram) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::u16string folder = executable_directory();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), u'\\');
    const std::u16string full = as_u16(module);
    EXPECT_EQ(full.substr(0, folder.size()), folder);
    EXPECT_EQ(full.find(u'\\', folder.size() + 1), std::u16string::npos);
}

TEST(FileTypeIcon, LoadsAndReplacesTheShellIcon) {
    file_type_icon icon;
    icon.load();
    ASSERT_NE(icon.icon, nullptr);
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(icon.icon, &info));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    icon.load();  // the old icon is destroyed first
    EXPECT_NE(icon.icon, nullptr);
    icon.destroy();
    EXPECT_EQ(icon.icon, nullptr);
}

}  // namespace

namespace {

/// Paints its background and one red square through the double buffer.
class painted : public control_window {
public:
    painted() {
        class_name = u"CTL_TEST_PAINTED";
        window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        width = 60;
        height = 40;
        on_message(WM_PAINT, [this](params&) {
            paint_buffer buffer(hwnd);
            buffer_size = {buffer.width, buffer.height};
            RECT square{10, 10, 20, 20};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(buffer.dc, &square, red);
            DeleteObject(red);
            ++paints;
            return LRESULT{0};
        });
    }
    SIZE buffer_size{};
    int paints = 0;
};

TEST(PaintBuffer, DrawsBackgroundAndContentInOneCopy) {
    HWND host = make_host(200, 100);
    painted control;
    ASSERT_TRUE(control.create(host));
    InvalidateRect(control.hwnd, nullptr, TRUE);
    UpdateWindow(control.hwnd);
    ASSERT_GE(control.paints, 1);
    EXPECT_EQ(control.buffer_size.cx, 60);
    EXPECT_EQ(control.buffer_size.cy, 40);
    // Read the result back through a copy of the window's client area.
    HDC screen = GetDC(control.hwnd);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 60, 40);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, 60, 40, screen, 0, 0, SRCCOPY);
    const struct {
        int x, y;
        COLORREF color;
    } pixels[] = {
        {15, 15, RGB(255, 0, 0)},  // the square
        {2, 2, RGB(0, 0, 0)},      // the class background around it
        {50, 30, RGB(0, 0, 0)},
    };
    for (const auto& p : pixels) EXPECT_EQ(GetPixel(copy, p.x, p.y), p.color) << p.x << "," << p.y;
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(control.hwnd, screen);
    DestroyWindow(host);
}

}  // namespace
