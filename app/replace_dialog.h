#pragma once
// "Replace" (template 116): finds text in the subs and replaces it, one match at a time or
// all at once, with the main list following the current match.

#include <cstddef>
#include <functional>
#include <vector>

#include "core/history.h"
#include "core/sub_list.h"
#include "core/text_replace.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// Every change goes to `apply` as one step with the rows to select afterwards; the dialog
/// reads `subs` again after it. "Only selected subs" means the rows selected when the dialog
/// opened: following the matches moves the selection. There is no OK; the result of show()
/// is not meaningful. The references must outlive the dialog.
class Replace_Dialog : public modal_dialog, public command_table {
public:
    using Apply = std::function<void(History_Step step, const std::vector<std::size_t>& select)>;
    Replace_Dialog(const Sub_List& subs, listview& main_list, Apply apply);

private:
    LRESULT on_init();
    LRESULT on_find_text(params& p);
    LRESULT on_option();
    /// Reads the fields into `search`; false, with the reason in the count line, when the
    /// text or expression cannot be searched for.
    bool prepare();
    void find_next();
    void replace_one();
    void replace_all();
    /// The next match from place `from` of sub `sub` on becomes the current one and the main
    /// list follows it; the count line says how many are found or left, or why none is.
    void go_to_next(std::size_t sub, std::size_t from);
    void follow(std::size_t row);
    const std::vector<std::size_t>* scope() const;
    void show_count(const std::u16string& text);

    const Sub_List* subs;
    listview* main_list;
    Apply apply;
    Text_Search search;
    std::vector<std::size_t> selected;  ///< the main list's selection at the start
    Sub_Match current;                  ///< none while `current.sub` is no_position
    std::size_t replaced = 0;           ///< by Replace since the search last changed
    native_control find_edit, with_edit, count_label;
};
