#pragma once
// "Find in subs" (template 113): lists subs as the user types and selects them
// in the main list.

#include "core/sub_list.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// The search starts at three characters. Selecting result rows selects the same
/// subs in main_list (and scrolls it to the focused one), live. There is no OK;
/// the result of show() is not meaningful. Both references must outlive the dialog.
class Find_Dialog : public modal_dialog, public command_table, public notify_table {
public:
    Find_Dialog(const Sub_List& subs, listview& main_list);

private:
    LRESULT on_init();
    LRESULT on_size(params& p);
    LRESULT on_query_command(params& p);
    LRESULT on_results_changed();

    const Sub_List* subs;
    listview* main_list;
    std::vector<std::size_t> found;  ///< the positions that the (virtual) result rows show
    native_control query_edit, count_label;
    listview list;
    layout_resizer resizer;
};
