// fixture.exe: a small program with the kinds of windows Cuemill has (a dialog as the main
// window, a report list view, a status bar, an edit box, accelerators, message boxes, a coloured
// area), so that the harness can be proved on a program whose behaviour is known exactly.
//
// Usage: fixture.exe <output file>
//   Save writes the edit's text to the output file (UTF-8 with BOM, CR LF line end) and reports it.
//   Remove (button or Delete in the list) asks, then removes the selected rows.
//   A double click on a row puts its name into the title.
//   F5 or a click on the coloured panel swaps it between red and green.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "fixture_ids.h"

namespace {

HWND g_status;
HWND g_list;
std::wstring g_output;
bool g_green;
HBRUSH g_red_brush, g_green_brush;

void set_status() {
    int count = int(SendMessageW(g_list, LVM_GETITEMCOUNT, 0, 0));
    std::wstring rows = std::to_wstring(count) + L" rows";
    SendMessageW(g_status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(rows.c_str()));
}

void add_row(int i, const wchar_t* name, const wchar_t* value) {
    std::wstring number = std::to_wstring(i + 1);
    LVITEMW it = {};
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = number.data();
    SendMessageW(g_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
    it.iSubItem = 1;
    it.pszText = const_cast<wchar_t*>(name);
    SendMessageW(g_list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&it));
    it.iSubItem = 2;
    it.pszText = const_cast<wchar_t*>(value);
    SendMessageW(g_list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&it));
}

void init(HWND dlg) {
    g_list = GetDlgItem(dlg, IDC_FIX_LIST);
    SendMessageW(g_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const wchar_t* titles[] = {L"#", L"Name", L"Value"};
    const int widths[] = {40, 120, 120};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<wchar_t*>(titles[c]);
        col.cx = widths[c];
        SendMessageW(g_list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
    add_row(0, L"alpha", L"0:00:01.000");
    add_row(1, L"beta|gamma", L"\x00e9t\x00e9");  // a joined line and non-ASCII text
    add_row(2, L"delta", L"tab\there");
    g_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                               dlg, reinterpret_cast<HMENU>(IDC_FIX_STATUS), nullptr, nullptr);
    int parts[] = {200, -1};
    SendMessageW(g_status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"ready"));
    set_status();
    g_red_brush = CreateSolidBrush(RGB(255, 0, 0));
    g_green_brush = CreateSolidBrush(RGB(0, 255, 0));
    SetFocus(g_list);
}

void save(HWND dlg) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(dlg, IDC_FIX_EDIT, text, 1024);
    std::wstring line = std::wstring(text) + L"\r\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes = "\xEF\xBB\xBF";
    bytes.resize(3 + size_t(n));
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), bytes.data() + 3, n, nullptr, nullptr);
    HANDLE f = CreateFileW(g_output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = f != INVALID_HANDLE_VALUE && WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    std::wstring msg = ok ? L"Wrote " + std::to_wstring(bytes.size()) + L" bytes to:\n\"" + g_output + L"\""
                          : L"Could not write:\n\"" + g_output + L"\"";
    SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ok ? L"saved" : L"failed"));
    MessageBoxW(dlg, msg.c_str(), ok ? L"Saved" : L"Save failed", ok ? MB_ICONINFORMATION : MB_ICONERROR);
}

void remove_selected(HWND dlg) {
    std::vector<int> rows;
    for (int i = -1; (i = int(SendMessageW(g_list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;)
        rows.push_back(i);
    if (rows.empty()) return;
    std::wstring q = L"Remove " + std::to_wstring(rows.size()) + L" selected rows?";
    if (MessageBoxW(dlg, q.c_str(), L"Remove rows", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) SendMessageW(g_list, LVM_DELETEITEM, WPARAM(*it), 0);
    set_status();
}

void show_row_in_title(HWND dlg) {
    int i = int(SendMessageW(g_list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    if (i < 0) return;
    wchar_t name[256] = {};
    LVITEMW it = {};
    it.iSubItem = 1;
    it.pszText = name;
    it.cchTextMax = 256;
    SendMessageW(g_list, LVM_GETITEMTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(&it));
    std::wstring title = std::wstring(name) + L" - Harness";
    SetWindowTextW(dlg, title.c_str());
}

void toggle_panel(HWND dlg) {
    g_green = !g_green;
    InvalidateRect(GetDlgItem(dlg, IDC_FIX_PANEL), nullptr, TRUE);
}

INT_PTR CALLBACK fixture_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
    case WM_INITDIALOG:
        init(dlg);
        return FALSE;  // the focus was set on the list
    case WM_SIZE:
        SendMessageW(g_status, WM_SIZE, 0, 0);
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == IDC_FIX_PANEL)
            return reinterpret_cast<INT_PTR>(g_green ? g_green_brush : g_red_brush);
        return FALSE;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->idFrom != IDC_FIX_LIST) return FALSE;
        if (hdr->code == NM_DBLCLK) show_row_in_title(dlg);
        if (hdr->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(lp)->wVKey == VK_DELETE)
            remove_selected(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_FIX_SAVE: save(dlg); return TRUE;
        case IDC_FIX_REMOVE: remove_selected(dlg); return TRUE;
        case IDC_FIX_PANEL:
            if (HIWORD(wp) == STN_CLICKED) toggle_panel(dlg);
            return TRUE;
        case IDM_FIX_TOGGLE: toggle_panel(dlg); return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        DestroyWindow(dlg);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2) return 2;
    g_output = argv[1];
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HWND dlg = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FIXTURE), nullptr, fixture_proc, 0);
    if (!dlg) return 3;
    HACCEL accel = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_FIXTURE));
    ShowWindow(dlg, show);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(dlg, accel, &m)) continue;
        if (IsDialogMessageW(dlg, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return int(m.wParam);
}
