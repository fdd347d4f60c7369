#pragma once
// "Saving file..." (template 108): writes the document on a worker thread behind a marquee.

#include <functional>
#include <string>

#include "core/sub_list.h"
#include "gui/dialogs.h"

/// show() starts the worker at WM_INITDIALOG and ends only when the worker reports:
/// result_saved, or result_failed with error_text set. Close requests and Escape are
/// ignored meanwhile, because the worker still reads `subs` and reports to the dialog.
/// `subs` must not change until show() returns.
class Saving_Dialog : public modal_dialog, public command_table {
public:
    static constexpr INT_PTR result_saved = 1;
    static constexpr INT_PTR result_failed = 3;

    Saving_Dialog(const std::u16string& path, const Sub_List& subs);

    std::u16string path;
    std::u16string error_text;  ///< filled by the worker before it reports
    /// Starts the worker; replaceable so that a failure to start can be shown.
    std::function<bool(std::function<void()>)> start_worker = start_thread;

private:
    LRESULT on_init();

    const Sub_List* subs;
};
