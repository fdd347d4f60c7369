#include "gui/dialogs.h"

#include <cstdint>

#include <mutex>

#include "gui/subclass_hook.h"

namespace {

// Marks a wheel message that was already forwarded once.
constexpr WPARAM forwarded_wheel = 0x0800;
// Touched on the GUI thread only.
UINT_PTR next_wheel_id = 1;

class ui_font_holder {
public:
    HFONT font = nullptr;
    ~ui_font_holder() {
        if (font) DeleteObject(font);
    }
};

ui_font_holder& font_holder() {
    static ui_font_holder holder;
    return holder;
}

BOOL CALLBACK set_font_on_child(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

LRESULT CALLBACK wheel_procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR dialog) noexcept {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(window, wheel_procedure, id);
        return DefSubclassProc(window, msg, wParam, lParam);
    }
    if (msg == WM_MOUSEWHEEL) {
        if (!(wParam & forwarded_wheel)) {
            HWND owner = reinterpret_cast<HWND>(dialog);
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(owner, &point);
            if (HWND target = ChildWindowFromPoint(owner, point))
                SendMessageW(target, WM_MOUSEWHEEL, wParam | forwarded_wheel, lParam);
            return 0;
        }
        return DefSubclassProc(window, msg, wParam & ~forwarded_wheel, lParam);
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}

BOOL CALLBACK hook_wheel_on_child(HWND child, LPARAM dialog) {
    if (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP)
        SetWindowSubclass(child, wheel_procedure, next_wheel_id++, static_cast<DWORD_PTR>(dialog));
    return TRUE;
}

}  // namespace

SIZE dialog_template_size(HWND dialog, unsigned dialog_id) {
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(dialog_id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes || SizeofResource(module, found) < 26) return {0, 0};
    // DLGTEMPLATEEX starts with version 1 and 0xFFFF; DLGTEMPLATE has its sizes 8 bytes further up.
    const bool extended = bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    const std::size_t at = extended ? 22 : 14;
    RECT size{0, 0, *reinterpret_cast<const std::int16_t*>(bytes + at), *reinterpret_cast<const std::int16_t*>(bytes + at + 2)};
    MapDialogRect(dialog, &size);
    return {size.right, size.bottom};
}

unsigned window_dpi(HWND window) {
    // Windows 10's call; before it, the screen's DPI, which is the system's.
    using Dpi_For_Window = UINT(WINAPI*)(HWND);
    static const auto dpi_for_window = reinterpret_cast<Dpi_For_Window>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (dpi_for_window && window) {
        const UINT dpi = dpi_for_window(window);
        if (dpi) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

HFONT ui_font() {
    static std::once_flag once;
    std::call_once(once, [] {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof(version);
        GetVersionExW(&version);
        NONCLIENTMETRICSW metrics{};
        // Before Vista the structure had no iPaddedBorderWidth.
        metrics.cbSize = version.dwMajorVersion < 6 ? 500 : 504;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            font_holder().font = CreateFontIndirectW(&metrics.lfMenuFont);
    });
    return font_holder().font;
}

void apply_ui_font(HWND window) {
    HFONT font = ui_font();
    if (!font || !window) return;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EnumChildWindows(window, set_font_on_child, reinterpret_cast<LPARAM>(font));
}

void forward_mouse_wheel(HWND dialog) { EnumChildWindows(dialog, hook_wheel_on_child, reinterpret_cast<LPARAM>(dialog)); }

INT_PTR CALLBACK dialog_procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    msg_table* object;
    if (msg == WM_INITDIALOG) {
        object = reinterpret_cast<msg_table*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        apply_ui_font(window);
        if (object) object->hwnd = window;
    } else {
        object = reinterpret_cast<msg_table*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    INT_PTR result = 0;
    if (object) {
        if (handler* h = object->find_handler(msg)) {
            params p{msg, wParam, lParam};
            result = (*h)(p);
        }
    }
    if (msg == WM_INITDIALOG) {
        forward_mouse_wheel(window);
    } else if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (object) object->hwnd = nullptr;
    }
    return result;
}

main_dialog::main_dialog(unsigned dialog_id, unsigned icon_id, unsigned accel_id)
    : dialog_id(dialog_id), icon_id(icon_id), accel_id(accel_id) {
    default_handler = [](params&) { return LRESULT{0}; };
    handled_result = 1;
    on_message(WM_CLOSE, [this](params&) {
        DestroyWindow(hwnd);
        return LRESULT{1};
    });
    on_message(WM_NCDESTROY, [](params&) {
        PostQuitMessage(0);
        return LRESULT{1};
    });
}

main_dialog::~main_dialog() {
    for (HICON icon : icons)
        if (icon) DestroyIcon(icon);
}

int main_dialog::run(HINSTANCE instance, int show_command) {
    InitCommonControls();
    if (hwnd) {
        debug_output(u"ERROR: tried to create dialog twice.\n");
        return -1;
    }
    if (dialog_id == 0) {
        debug_output(u"ERROR: dialog not created, no resource ID given.\n");
        return -1;
    }
    HWND window = CreateDialogParamW(instance, MAKEINTRESOURCEW(dialog_id), nullptr, dialog_procedure,
                                     reinterpret_cast<LPARAM>(static_cast<msg_table*>(this)));
    if (!window) {
        debug_output(u"ERROR: main dialog not created, CreateDialogParam failed.\n");
        return -1;
    }
    HACCEL accelerators = accel_id ? LoadAcceleratorsW(instance, MAKEINTRESOURCEW(accel_id)) : nullptr;
    // WM_INITDIALOG may already have closed the window (a failed start-up).
    if (icon_id && IsWindow(window)) {
        const int sizes[2] = {16, 32};
        for (int i = 0; i < 2; ++i) {
            if (icons[i]) DestroyIcon(icons[i]);
            icons[i] = static_cast<HICON>(
                LoadImageW(instance, MAKEINTRESOURCEW(icon_id), IMAGE_ICON, sizes[i], sizes[i], 0));
            SendMessageW(window, WM_SETICON, i == 0 ? ICON_SMALL : ICON_BIG, reinterpret_cast<LPARAM>(icons[i]));
        }
    }
    if (IsWindow(window)) ShowWindow(window, show_command);
    return message_loop(accelerators);
}

int main_dialog::message_loop(HACCEL accelerators) {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return -1;
        bool consumed = false;
        for (HWND dialog : dialog_windows) {
            if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) {
                consumed = true;
                break;
            }
        }
        if (consumed) continue;
        if (hwnd) {
            if (accelerators && TranslateAcceleratorW(hwnd, accelerators, &msg)) continue;
            if (IsDialogMessageW(hwnd, &msg)) continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

modal_dialog::modal_dialog(unsigned dialog_id) : dialog_id(dialog_id) {
    default_handler = [](params&) { return LRESULT{0}; };
    handled_result = 1;
    on_message(WM_CLOSE, [this](params&) {
        EndDialog(hwnd, 1);
        return LRESULT{1};
    });
}

INT_PTR modal_dialog::show(HWND owner) {
    if (hwnd) {
        debug_output(u"ERROR: tried to create dialog twice.\n");
        return -1;
    }
    if (dialog_id == 0) {
        debug_output(u"ERROR: dialog not created, no resource ID given.\n");
        return -1;
    }
    HINSTANCE instance = owner ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE))
                               : GetModuleHandleW(nullptr);
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(dialog_id), owner, dialog_procedure,
                           reinterpret_cast<LPARAM>(static_cast<msg_table*>(this)));
}
