#pragma once
// "Change frame rate" (template 115): the rate the file was made for and the video's.

#include <string>

#include "core/time_map.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// show() gives 1 with `accepted` set when OK took two different rates; 2 on Cancel; the close
/// box gives 1 and changes nothing.
class Frame_Rate_Dialog : public modal_dialog, public command_table {
public:
    Frame_Rate_Dialog();

    /// The texts shown at the start; on OK the texts as typed.
    std::u16string from_text = u"25";
    std::u16string to_text = u"23.976";

    bool accepted = false;
    Frame_Rate from, to;

private:
    LRESULT on_init();
    LRESULT on_ok();
};
