#include "gui/message_box.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "gui/win_str.h"

namespace {

// One box at a time, on the GUI thread.
HWND box_owner = nullptr;
HHOOK box_hook = nullptr;

LRESULT CALLBACK box_hook_procedure(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        RECT owner{}, own{};
        if (box && box_owner && GetWindowRect(box_owner, &owner) && GetWindowRect(box, &own)) {
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            const int width = own.right - own.left;
            const int height = own.bottom - own.top;
            int x = owner.left + (owner.right - owner.left) / 2 - width / 2;
            int y = owner.top + (owner.bottom - owner.top) / 2 - height / 2;
            if (x < 0)
                x = 0;
            else if (x + width > work.right)
                x = work.right - width;
            if (y < 0)
                y = 0;
            else if (y + height > work.bottom)
                y = work.bottom - height;
            MoveWindow(box, x, y, width, height, FALSE);
        }
        UnhookWindowsHookEx(box_hook);
        box_hook = nullptr;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int message_box(HWND owner, std::u16string caption, std::u16string text, UINT flags) {
    if (owner) {
        box_owner = owner;
        box_hook = SetWindowsHookExW(WH_CBT, box_hook_procedure, nullptr, GetCurrentThreadId());
    }
    const int result = MessageBoxW(owner, as_wcstr(text), as_wcstr(caption), flags);
    // A box that never activated leaves its hook behind.
    if (box_hook) {
        UnhookWindowsHookEx(box_hook);
        box_hook = nullptr;
    }
    return result;
}

int message_box(const window_base& owner, std::u16string caption, std::u16string text, UINT flags) {
    return message_box(owner.hwnd, std::move(caption), std::move(text), flags);
}

std::vector<wchar_t> convert_filter(const std::u16string& filter) {
    std::vector<wchar_t> result(filter.size() + 2, L'\0');
    for (std::size_t i = 0; i < filter.size(); ++i) result[i] = filter[i] == u'|' ? L'\0' : static_cast<wchar_t>(filter[i]);
    return result;
}

bool open_file_dialog(const window_base& owner, const std::u16string& filter, std::u16string& path) {
    std::vector<wchar_t> filters = convert_filter(filter);
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner.hwnd;
    ofn.lpstrFilter = filters.data();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&ofn)) return false;
    path = as_u16(file);
    return true;
}

bool save_file_dialog(const window_base& owner, std::u16string& path, const std::u16string* initial_name) {
    std::vector<wchar_t> filters = convert_filter(u"SubRip subtitle (*.srt)|*.srt");
    wchar_t file[MAX_PATH] = {};
    if (initial_name) {
        // A longer name would not fit the buffer the dialog is given.
        const std::size_t length = std::min<std::size_t>(initial_name->size(), MAX_PATH - 1);
        std::copy_n(as_wcstr(*initial_name), length, file);
    }
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner.hwnd;
    ofn.lpstrFilter = filters.data();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) return false;
    path = as_u16(file);
    return true;
}

std::vector<std::u16string> dropped_files(HDROP drop) {
    std::vector<std::u16string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    paths.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::u16string name(static_cast<std::size_t>(length) + 1, u'\0');
        const UINT copied = DragQueryFileW(drop, i, as_wcstr(name), length + 1);
        name.resize(std::min(copied, length));
        // Some shells count an empty list as one empty name; no empty path is a file.
        if (!name.empty()) paths.push_back(std::move(name));
    }
    DragFinish(drop);
    return paths;
}

std::vector<std::u16string> dropped_files(const params& p) { return dropped_files(reinterpret_cast<HDROP>(p.wParam)); }

std::u16string executable_directory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    std::u16string path = as_u16(buffer);
    const std::size_t slash = path.rfind(u'\\');
    if (slash != std::u16string::npos) path.resize(slash);
    return path;
}
