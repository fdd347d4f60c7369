#pragma once
// Dialogs made from resource templates: the modeless main dialog that owns the message loop,
// and modal dialogs run by the system's modal loop. Both dispatch through their msg_table.

#include <vector>

#include "gui/msg_table.h"

/// The program's top-level window. WM_CLOSE destroys the window; WM_NCDESTROY ends the loop.
class main_dialog : public virtual msg_table {
public:
    /// Creates the dialog, loads the accelerators, sets the icons, shows it and runs the
    /// message loop until WM_QUIT; its exit code, or -1 when the dialog cannot be created.
    int run(HINSTANCE instance, int show_command);

    unsigned dialog_id = 0;
    unsigned icon_id = 0;
    unsigned accel_id = 0;
    /// Further modeless dialogs whose keyboard navigation the loop serves; null or dead
    /// handles are skipped.
    std::vector<HWND> dialog_windows;

protected:
    main_dialog(unsigned dialog_id = 0, unsigned icon_id = 0, unsigned accel_id = 0);
    ~main_dialog();

private:
    int message_loop(HACCEL accelerators);
    HICON icons[2] = {};
};

/// A secondary window shown with DialogBoxParamW. The close box ends it with 1.
class modal_dialog : public virtual msg_table {
public:
    /// The value given to EndDialog, or -1 when the dialog could not be shown.
    INT_PTR show(HWND owner);
    INT_PTR show(const window_base& owner) { return show(owner.hwnd); }

    unsigned dialog_id = 0;

protected:
    explicit modal_dialog(unsigned dialog_id = 0);
    ~modal_dialog() = default;
};

/// The dialog procedure that both kinds share: binds at WM_INITDIALOG, unbinds at
/// WM_NCDESTROY. Exposed for dialogs created by other means (tests).
INT_PTR CALLBACK dialog_procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

/// The one user-interface font of the process (the system's menu font), made on first use.
HFONT ui_font();
/// The client size a dialog's template asks for, in pixels of the dialog's font (what the
/// window would have if the screen took it whole); 0 x 0 when the template is not found.
SIZE dialog_template_size(HWND dialog, unsigned dialog_id);
/// The DPI a window is shown at: its monitor's for a program aware of each monitor, otherwise
/// the system's; 96 when neither can be asked.
unsigned window_dpi(HWND window);
/// Sends the font to the window and every descendant.
void apply_ui_font(HWND window);
/// Makes the mouse wheel over each tab-stop descendant act on the control under the pointer.
void forward_mouse_wheel(HWND dialog);
