#pragma once
// Helpers for the dialog tests: a real owner window, a driver thread that finds a
// modal dialog by its title and works it with messages, and message-box answers.

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "gui/native_controls.h"
#include "gui/win32.h"
#include "res/resource_ids.h"

namespace dialog_test {

inline std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
inline std::wstring wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

/// Polls `done` until it holds or `timeout_ms` passes; true when it held.
template <class Condition>
bool wait_for(Condition done, int timeout_ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(5);
    }
    return true;
}

/// A visible dialog of this process with this exact title, or null after the timeout.
inline HWND find_dialog(const wchar_t* title, int timeout_ms = 10000) {
    HWND found = nullptr;
    wait_for([&] {
        found = FindWindowW(L"#32770", title);
        return found != nullptr && IsWindowVisible(found);
    }, timeout_ms);
    return found;
}

inline std::wstring text_of(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::wstring item_text(HWND dialog, int id) { return text_of(GetDlgItem(dialog, id)); }

/// Sets a control's text the way typing would: WM_SETTEXT makes edits send EN_CHANGE.
inline void set_item_text(HWND dialog, int id, const std::wstring& text) {
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

/// Posts a click, so that message boxes it raises don't block the driver.
inline void click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

/// Waits for the message box with this title, returns its text and presses `button`.
/// Returns "<no box>" when none appears.
inline std::wstring answer_box(const wchar_t* title, int button = IDOK) {
    HWND box = find_dialog(title, 10000);
    if (!box) return L"<no box>";
    std::wstring text = item_text(box, 0xFFFF);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    wait_for([&] { return !IsWindow(box); });
    return text;
}

/// The window with the keyboard focus on the given thread (the dialog's).
inline HWND focus_of_thread(DWORD thread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
}

inline bool is_checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

/// A visible top-level window to own the dialogs, 640 x 480 at (100, 80).
class Owner {
public:
    Owner() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        hwnd = CreateWindowExW(0, L"STATIC", L"Dialog test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 640, 480,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Owner() {
        if (hwnd) DestroyWindow(hwnd);
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    HWND hwnd = nullptr;
};

/// Runs `show` (the modal dialog) on this thread while `script` drives it from
/// another. If the script returns with the dialog still open, the dialog is
/// closed with WM_CLOSE so that a failed test cannot hang.
template <class Show>
INT_PTR run_dialog(const wchar_t* title, Show show, const std::function<void(HWND)>& script) {
    std::thread driver([&] {
        HWND dialog = find_dialog(title);
        if (dialog) script(dialog);
        if (dialog && IsWindow(dialog)) PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    const INT_PTR result = show();
    driver.join();
    return result;
}

/// A fresh folder under the temporary directory, removed with its files.
class Temp_Folder {
public:
    Temp_Folder() {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        for (unsigned n = 0; path.empty() && n < 1000; ++n) {
            std::wstring candidate = std::wstring(base) + L"cuemill-dialogs-" + std::to_wstring(GetCurrentProcessId()) +
                                     L"-" + std::to_wstring(n);
            if (CreateDirectoryW(candidate.c_str(), nullptr)) path = candidate;
        }
    }
    ~Temp_Folder() {
        for (const std::wstring& file : files) DeleteFileW(file.c_str());
        if (!path.empty()) RemoveDirectoryW(path.c_str());
    }
    Temp_Folder(const Temp_Folder&) = delete;
    Temp_Folder& operator=(const Temp_Folder&) = delete;

    /// Writes the bytes to a file of this name in the folder; returns its full path.
    std::wstring write(const std::wstring& name, const std::string& bytes) {
        const std::wstring file = path + L"\\" + name;
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            CloseHandle(h);
            files.push_back(file);
        }
        return file;
    }

    std::wstring path;

private:
    std::vector<std::wstring> files;
};

/// Centre of a window rectangle.
inline POINT centre_of(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
}

// The main window's list: a real report list view with one row per sub.
class Main_List {
public:
    Main_List(const Owner& owner, std::size_t rows) {
        hwnd = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS,
                               0, 0, 400, 200, owner.hwnd, reinterpret_cast<HMENU>(IDC_SUBS_LIST),
                               GetModuleHandleW(nullptr), nullptr);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 100;
        column.pszText = const_cast<wchar_t*>(L"#");
        SendMessageW(hwnd, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        for (std::size_t i = 0; i < rows; ++i) {
            std::wstring text = std::to_wstring(i + 1);
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.pszText = text.data();
            SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        list.assign(owner.hwnd, IDC_SUBS_LIST);
    }

    std::vector<int> selected() const {
        std::vector<int> rows;
        for (int r = -1; (r = static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, r, LVNI_SELECTED))) != -1;) rows.push_back(r);
        return rows;
    }
    int focused() const { return static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); }
    // Whether the row lies inside the client area, from its rectangle.
    bool visible(int row) const {
        RECT item = {LVIR_BOUNDS, 0, 0, 0}, client = {};
        SendMessageW(hwnd, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
        GetClientRect(hwnd, &client);
        return item.top >= 0 && item.bottom <= client.bottom;
    }

    HWND hwnd = nullptr;
    listview list;
};

inline void set_state(HWND list, int row, UINT state, UINT mask) {
    LVITEMW item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

inline std::wstring cell(HWND list, int row, int column) {
    wchar_t buffer[256] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

}  // namespace dialog_test
