#pragma once
// "Overlapping subs" (template 107): lists overlapping subs and asks what to do.

#include <cstdint>
#include <vector>

#include "core/sub_list.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// Appends a row for sub `position` to a three-column list view: "%04u" of the
/// number, the start as a clock time, the text on one line ("\r\n" shown as "|").
/// The Find dialog lists its results the same way.
void append_sub_row(HWND list, const Sub_List& subs, std::size_t position);

/// show() gives 3 (OK, fix all), 4 (OK, only select them), 2 (Cancel, Escape)
/// or 1 (close box). The dialog changes nothing itself. Both references must
/// outlive the dialog.
class Overlaps_Dialog : public modal_dialog, public command_table {
public:
    /// Result of OK with "fix" checked, and with "select" checked.
    static constexpr INT_PTR result_fix = 3;
    static constexpr INT_PTR result_select = 4;

    Overlaps_Dialog(const Sub_List& subs, const std::vector<std::size_t>& indices);

private:
    LRESULT on_init();
    LRESULT on_size(params& p);
    LRESULT on_ok();

    const Sub_List* subs;
    const std::vector<std::size_t>* indices;
    listview list;
    native_control fix_radio, select_radio;
    layout_resizer resizer;
};
