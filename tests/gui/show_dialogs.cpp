// Shows each dialog template of the resources in turn, for a look at their layout:
// show_dialogs [seconds per dialog] [template ids...]. Not a test; not shipped.
#include <cstdlib>
#include <vector>

#include "gui/dialogs.h"
#include "gui/native_controls.h"
#include "res/resource_ids.h"

namespace {

/// Any template, shown modeless with the framework's font and left as it is.
class viewer : public modal_dialog {
public:
    viewer() {
        on_message(WM_INITDIALOG, [this](params&) {
            if (HWND list = FindWindowExW(hwnd, nullptr, WC_LISTVIEWW, nullptr)) {
                LVCOLUMNW column{};
                column.mask = LVCF_WIDTH | LVCF_TEXT;
                const wchar_t* titles[] = {L"#", L"Start", L"End", L"Length", L"Text"};
                const int widths[] = {36, 74, 74, 50, 200};
                for (int i = 0; i < 5; ++i) {
                    column.cx = widths[i];
                    column.pszText = const_cast<wchar_t*>(titles[i]);
                    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
                }
            }
            return LRESULT{1};
        });
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    InitCommonControls();
    const int seconds = argc > 1 ? _wtoi(argv[1]) : 3;
    std::vector<unsigned> ids;
    for (int i = 2; i < argc; ++i) ids.push_back(static_cast<unsigned>(_wtoi(argv[i])));
    if (ids.empty()) ids = {IDD_MAIN, 106, 107, 108, 109, 110, 111, 112, 113};
    for (unsigned id : ids) {
        viewer v;
        HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, dialog_procedure,
                                         reinterpret_cast<LPARAM>(static_cast<msg_table*>(&v)));
        if (!window) continue;
        SetWindowPos(window, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
        MSG msg;
        while (GetTickCount() < end) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        DestroyWindow(window);
    }
    return 0;
}
