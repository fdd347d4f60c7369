#include "test_app_support.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "app/main_window.h"
#include "gui/msg_table.h"
#include "io/strings.h"

namespace {

struct Find_Data {
    std::u16string title;
    HWND found = nullptr;
};

BOOL CALLBACK find_dialog(HWND window, LPARAM data) {
    auto* find = reinterpret_cast<Find_Data*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(cls) == L"#32770" &&
        text_of(window) == find->title) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

App_Folder::App_Folder() {
    static std::atomic<int> counter{0};
    dir = std::filesystem::temp_directory_path() /
          ("cuemill_app_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    write("Cuemill.ini", settings_text());
}

App_Folder::~App_Folder() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::u16string App_Folder::path(const char* name) const { return (dir / name).u16string(); }

void App_Folder::write(const char* name, const std::string& bytes) const {
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string App_Folder::read(const char* name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string settings_text(const std::string& from, const std::string& to) {
    std::string text =
        "[Program]\r\nversion=1.3.0\r\n\r\n[Params]\r\nplaybackSeek=5000\r\ntimelineSnap=100\r\n"
        "newSubLength=2000\r\nvmr=VMR9\r\n\r\n[Window]\r\nleft=0\r\ntop=0\r\nwidth=0\r\nheight=0\r\n\r\n"
        "[RecentSubs]\r\n\r\n[RecentVids]\r\n";
    if (!from.empty()) {
        const std::size_t at = text.find(from);
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

std::string srt_of(const std::vector<Srt_Sub>& subs) {
    const auto time = [](std::uint64_t ms) {
        char text[32];
        snprintf(text, sizeof text, "%02u:%02u:%02u,%03u", static_cast<unsigned>(ms / 3600000),
                 static_cast<unsigned>(ms / 60000 % 60), static_cast<unsigned>(ms / 1000 % 60),
                 static_cast<unsigned>(ms % 1000));
        return std::string(text);
    };
    std::string out;
    for (std::size_t i = 0; i < subs.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        out += number + "\r\n" + time(subs[i].start) + " --> " + time(subs[i].end) + "\r\n" +
               (subs[i].text.empty() ? "Sub " + number : subs[i].text) + "\r\n\r\n";
    }
    return out;
}

int run_with_script(Main_Window& window, const App_Folder& folder, std::function<void(HWND)> script) {
    window.settings_directory = folder.dir.u16string();
    // Framework misuse shows in the test's output.
    set_debug_observer([](const std::u16string& text) { fprintf(stderr, "%s", utf16_to_utf8(text).c_str()); });
    std::atomic<bool> done{false};
    const DWORD gui_thread = GetCurrentThreadId();
    std::thread driver([&] {
        // The window exists (and is bound) once WM_INITDIALOG ran and it was shown.
        const bool shown = wait_until([&] { return window.hwnd && IsWindowVisible(window.hwnd); });
        EXPECT_TRUE(shown) << "the main window never showed";
        if (shown) script(window.hwnd);
        // A script that failed half-way may leave the window (or a box) open: fail rather
        // than hang, and end the loop.
        if (!wait_until([&] { return !window.hwnd || !IsWindow(window.hwnd); }, std::chrono::seconds(20))) {
            ADD_FAILURE() << "the main window was still open after the script";
            PostThreadMessageW(gui_thread, WM_QUIT, 0, 0);
        }
        done = true;
    });
    const int result = window.run(GetModuleHandleW(nullptr), SW_SHOW);
    driver.join();
    if (window.hwnd && IsWindow(window.hwnd)) DestroyWindow(window.hwnd);
    return result;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

HWND wait_for_dialog(const std::u16string& title, std::chrono::milliseconds limit) {
    Find_Data data{title};
    wait_until([&] {
        data.found = nullptr;
        EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&data));
        return data.found != nullptr;
    }, limit);
    return data.found;
}

std::u16string box_text(HWND box) { return text_of(GetDlgItem(box, 0xFFFF)); }

void answer(HWND dialog, int button) {
    const HWND item = GetDlgItem(dialog, button);
    if (item)
        PostMessageW(item, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, button, 0);
    wait_until([&] { return !IsWindow(dialog); });
}

std::u16string text_of(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int n = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return text;
}

void post_to_window(HWND window, std::function<void()> closure) {
    PostMessageW(window, 0xBFFF, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(closure))));
}

void on_window_thread(HWND window, std::function<void()> closure) {
    // Shared: after a timeout the closure may still run once the test has moved on.
    auto ran = std::make_shared<std::atomic<bool>>(false);
    post_to_window(window, [closure = std::move(closure), ran] {
        closure();
        *ran = true;
    });
    EXPECT_TRUE(wait_until([&] { return ran->load(); })) << "the window never ran the closure";
}

std::string settings_now(HWND main, const App_Folder& folder) {
    on_window_thread(main, [] {});
    return folder.read("Cuemill.ini");
}

void post_command(HWND window, unsigned id) { PostMessageW(window, WM_COMMAND, id, 0); }

void drop_files(HWND window, const std::vector<std::u16string>& paths) {
    std::size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& p : paths) {
        std::copy(p.begin(), p.end(), out);
        out += p.size();
        *out++ = 0;
    }
    *out = 0;
    GlobalUnlock(memory);
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::u16string list_cell(HWND list, int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 511;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::vector<std::vector<std::u16string>> list_rows(HWND list) {
    std::vector<std::vector<std::u16string>> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::vector<std::u16string> row;
        for (int c = 0; c < 5; ++c) row.push_back(list_cell(list, i, c));
        rows.push_back(row);
    }
    return rows;
}

std::vector<int> selected_rows(HWND list) {
    std::vector<int> rows;
    for (int i = -1; (i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) != -1;)
        rows.push_back(i);
    return rows;
}

std::u16string status_part(HWND main_window, int part) {
    const HWND bar = FindWindowExW(main_window, nullptr, STATUSCLASSNAMEW, nullptr);
    wchar_t buffer[1024] = {};
    const LRESULT length = SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0);
    if (LOWORD(length) == 0 || LOWORD(length) >= 1024) return u"";
    SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(buffer));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::string utf8(const std::u16string& s) { return utf16_to_utf8(s); }

HWND list_of(HWND main) { return GetDlgItem(main, main_list_id); }
HWND timeline_of(HWND main) { return GetDlgItem(main, timeline_control_id); }

void select_only(HWND list, std::vector<int> rows) {
    // Row by row: a change of all rows (-1) visits each of a long virtual list under Wine.
    for (int r : selected_rows(list)) ListView_SetItemState(list, r, 0, LVIS_SELECTED);
    for (int r : rows) ListView_SetItemState(list, r, LVIS_SELECTED, LVIS_SELECTED);
}

void open_file(HWND main, const App_Folder& folder, const char* name, std::size_t rows) {
    drop_files(main, {folder.path(name)});
    ASSERT_TRUE(wait_until([&] { return SendMessageW(list_of(main), LVM_GETITEMCOUNT, 0, 0) == static_cast<LRESULT>(rows); },
                           std::chrono::seconds(60)));
    // The rows are counted before the open has ended: input sent meanwhile could be lost.
    on_window_thread(main, [] {});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void remove_first_row(HWND main, const char* name) {
    select_only(list_of(main), {0});
    post_command(main, IDM_REMOVE_SUBS);
    answer(wait_for_dialog(u"Remove sub"), IDYES);
    const std::string title = std::string(name) + " * - Cuemill";
    EXPECT_TRUE(wait_until([&] { return utf8(text_of(main)) == title; })) << utf8(text_of(main));
}

void close_without_saving(HWND main, bool asks) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = nullptr;
    EXPECT_TRUE(wait_until([&] {
        box = wait_for_dialog(u"Save sub", std::chrono::milliseconds(0));
        return box || !IsWindow(main);
    }));
    EXPECT_EQ(box != nullptr, asks) << (asks ? "closed without offering to save" : "offered to save");
    if (box) answer(box, IDNO);
}

UINT recent_entry_id(HWND main, const std::u16string& path, int index) {
    const HMENU file = GetSubMenu(GetMenu(main), 0);
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        const HMENU sub = GetSubMenu(file, i);
        if (!sub) continue;
        wchar_t text[512] = {};
        GetMenuStringW(sub, index, text, 511, MF_BYPOSITION);
        if (std::u16string(reinterpret_cast<const char16_t*>(text)) == format(u"&%u %s", index + 1, path))
            return GetMenuItemID(sub, index);
    }
    return 0;
}

INPUT key_input(WORD key, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

void send_input(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void press(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        inputs.push_back(key_input(key, false));
        inputs.push_back(key_input(key, true));
    }
    send_input(inputs);
}

void click_at(POINT at, WORD modifier, bool right, int clicks) {
    const auto mouse = [](DWORD flags, POINT p = {}) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        if (flags & MOUSEEVENTF_ABSOLUTE) {
            in.mi.dx = MulDiv(p.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
            in.mi.dy = MulDiv(p.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
        }
        return in;
    };
    std::vector<INPUT> inputs{mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)};
    if (modifier) inputs.push_back(key_input(modifier, false));
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP));
    }
    if (modifier) inputs.push_back(key_input(modifier, true));
    send_input(inputs);
}

POINT row_point(HWND list, int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    POINT p{r.left + 120, (r.top + r.bottom) / 2};
    ClientToScreen(list, &p);
    return p;
}

void bring_to_front(HWND main) {
    on_window_thread(main, [main] { SetForegroundWindow(main); });
    EXPECT_TRUE(wait_until([&] { return GetForegroundWindow() == main; })) << "never in front";
}
