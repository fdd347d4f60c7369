#pragma once
// "About Cuemill" (template 109).

#include <cstddef>
#include <string>

#include "gui/dialogs.h"

/// A text kept XOR-scrambled in the binary, so that it is not readable there.
/// Built by `scramble` at compile time; `text()` unscrambles it at run time.
template <std::size_t N>
struct Scrambled_Text {
    char16_t units[N - 1] = {};

    std::u16string text() const;
};

/// The key of unit i; never 0, so no unit is stored as itself.
constexpr char16_t scramble_key(std::size_t i) {
    return static_cast<char16_t>(0x5A00u + ((i * 0x9Du + 0x3Bu) & 0xFFu));
}

template <std::size_t N>
consteval Scrambled_Text<N> scramble(const char16_t (&plain)[N]) {
    Scrambled_Text<N> out;
    for (std::size_t i = 0; i + 1 < N; ++i) out.units[i] = static_cast<char16_t>(plain[i] ^ scramble_key(i));
    return out;
}

/// Unscrambles units one by one through a volatile read, so that the optimiser
/// cannot fold the plain text back into the binary.
std::u16string unscramble(const char16_t* units, std::size_t count);

template <std::size_t N>
std::u16string Scrambled_Text<N>::text() const {
    return unscramble(units, N - 1);
}

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
