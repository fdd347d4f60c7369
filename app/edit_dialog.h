#pragma once
// "Edit subtitle" (template 106): edits the text of one sub.

#include <cstdint>

#include "core/sub_item.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"
#include "gui/subclass_hook.h"

/// The caller's record: the sub's number (shown only) and a copy of the sub.
struct Edit_Sub_Data {
    std::uint64_t number = 0;
    Sub_Item sub;
};

/// show() gives 1 after OK with a non-empty text (data.sub.text then holds it),
/// 2 on Cancel or Escape (also in the text box), 1 when closed with the close box (text untouched then).
/// A rejected OK (empty text) leaves the empty text in data.sub.text; callers
/// read the record only after a result of 1.
class Edit_Dialog : public modal_dialog, public command_table {
public:
    explicit Edit_Dialog(Edit_Sub_Data& data);

private:
    LRESULT on_init();
    LRESULT on_show();
    LRESULT on_ok();
    LRESULT on_add_italics();
    LRESULT on_text_command(params& p);
    LRESULT text_dialog_code(params& p);
    void update_count(std::size_t length);

    Edit_Sub_Data* data;
    native_control number_edit, start_edit, end_edit, duration_edit, text_edit, count_label;
    /// Keeps Escape in the multi-line text a Cancel: the edit itself would close the dialog
    /// with WM_CLOSE, which ends it with 1 as if confirmed.
    subclass_hook text_hook;
};
