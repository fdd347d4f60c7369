#pragma once
// "Shift times" (template 114): an amount, which subs it moves, and the amount from the video.

#include <cstdint>
#include <functional>
#include <string>

#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// show() gives 1 from OK, with `accepted` set, and from the close box, which changes nothing;
/// 2 on Cancel.
class Shift_Times_Dialog : public modal_dialog, public command_table {
public:
    enum class Scope { all, selected, selected_and_later };

    Shift_Times_Dialog();

    // In: what the dialog offers; out: what the user chose.
    std::u16string amount_text;       ///< shown at the start; on OK the text as typed
    bool any_selected = false;        ///< the two choices of selected subs are offered
    /// The amount that puts the one selected sub's start at the playhead; none when there is
    /// no video or not exactly one sub selected.
    std::function<std::int64_t()> from_video;
    /// Why OK cannot move the subs by `amount` (how many would leave the times a file holds);
    /// empty when it can. Unset: always.
    std::function<std::u16string(std::int64_t amount, Scope scope)> refusal;

    bool accepted = false;
    std::int64_t amount = 0;
    Scope scope = Scope::all;

private:
    LRESULT on_init();
    LRESULT on_ok();
    Scope chosen_scope() const;
};
