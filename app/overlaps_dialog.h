#pragma once
// "Overlapping subs" (template 107): lists overlapping subs and asks what to do.

#include <cstdint>
#include <vector>

#include "core/sub_list.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// Column `column` of a row for sub `position` in a three-column list: its number, its start
/// and its text. The Find dialog lists its results the same way.
std::u16string short_row_text(const Sub_List& subs, std::size_t position, int column);

/// show() gives 3 (OK, fix all), 4 (OK, only select them), 2 (Cancel, Escape)
/// or 1 (close box). The dialog changes nothing itself. Both references must
/// outlive the dialog. The list is virtual: its rows are formatted when shown, so a list of
/// hundreds of millions of entries opens at once.
class Overlaps_Dialog : public modal_dialog, public command_table, public notify_table {
public:
    /// Result of OK with "fix" checked, and with "select" checked.
    static constexpr INT_PTR result_fix = 3;
    static constexpr INT_PTR result_select = 4;
    /// The most entries the list shows.
    static constexpr std::uint64_t max_rows = 100000000;

    Overlaps_Dialog(const Sub_List& subs, const Overlap_List& overlaps);

private:
    LRESULT on_init();
    LRESULT on_size(params& p);
    LRESULT on_ok();

    const Sub_List* subs;
    const Overlap_List* overlaps;
    listview list;
    native_control fix_radio, select_radio;
    layout_resizer resizer;
};
