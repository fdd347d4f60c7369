#pragma once
// "About Cuemill" (template 109).

#include <string>

#include "gui/dialogs.h"

/// Every way of closing gives 1.
class About_Dialog : public modal_dialog, public command_table {
public:
    About_Dialog();

    /// The two lines set at run time (kept scrambled in the binary).
    static std::u16string first_line();
    static std::u16string second_line();

private:
    LRESULT on_init();
};
