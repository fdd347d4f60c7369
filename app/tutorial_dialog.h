#pragma once
// "Quick tutorial" (template 112): one line the user can select and copy.

#include <string>

#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// Every way of closing gives 1.
class Tutorial_Dialog : public modal_dialog, public command_table {
public:
    Tutorial_Dialog();

    /// The line shown in the read-only field (kept scrambled in the binary).
    static std::u16string text();

private:
    LRESULT on_init();

    native_control link_edit;
};
