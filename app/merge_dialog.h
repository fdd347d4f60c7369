#pragma once
// "Merge subs" (template 111): loads a second SRT file and merges it into the document.

#include <string>

#include "core/sub_list.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// show() gives 1 after a merge (subs then holds both files' subs in start
/// order) and also for the close box, without a merge; 2 on Cancel or Escape.
/// doc_path is the open document's path (may be empty); both references must
/// outlive the dialog.
class Merge_Dialog : public modal_dialog, public command_table {
public:
    Merge_Dialog(const std::u16string& doc_path, Sub_List& subs);

private:
    /// Refuses the document itself; reports problems in message boxes over the
    /// dialog; on success shows the path and the count.
    void load(const std::u16string& path);
    LRESULT on_init();
    LRESULT on_browse();
    LRESULT on_ok();

    const std::u16string* doc_path;
    Sub_List* subs;
    Sub_List loaded;
    native_control file_edit, count_edit;
};
