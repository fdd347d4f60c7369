#pragma once
// "Preferences" (template 110): seek step, duration of new subs and renderer.

#include <cstdint>

#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// The three fields are read at WM_INITDIALOG and, after a result of 1 from OK,
/// hold the accepted values; a result of 1 from the close box leaves them as
/// given. 2 on Cancel or Escape.
class Preferences_Dialog : public modal_dialog, public command_table {
public:
    static constexpr std::uint32_t renderer_vmr7 = 1;
    static constexpr std::uint32_t renderer_vmr9 = 2;

    Preferences_Dialog(std::uint32_t seek_step, std::uint32_t new_sub_duration, std::uint32_t renderer);

    std::uint32_t seek_step;         ///< milliseconds
    std::uint32_t new_sub_duration;  ///< milliseconds
    std::uint32_t renderer;          ///< 1 = VMR-7, 2 = VMR-9, other: neither checked

private:
    LRESULT on_init();
    LRESULT on_ok();
    void click(native_control& radio, int id);

    native_control seek_edit, duration_edit, vmr7_radio, vmr9_radio;
};

/// The integer test of the preferences' fields: only digits, spaces and tabs,
/// at least one digit, and the leading number within the signed 32-bit range.
/// On success `value` holds the number read from the first digits.
bool parse_preference_value(const std::u16string& text, std::uint32_t& value);
