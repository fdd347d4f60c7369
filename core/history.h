#pragma once
// Undo and redo of the changes made to a Sub_List. A step keeps only the subs it touched: the
// ones it took out, with their places before it, and the ones it put in, with their places
// after it. Undoing takes out what the step put in and puts back what it took out, so a step
// costs time and memory in proportion to the subs it touched, not to the document.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/sub_list.h"

/// A sub that kept its place and text and changed its times.
struct Time_Change {
    std::size_t at = 0;
    std::uint64_t start_before = 0, end_before = 0;
    std::uint64_t start_after = 0, end_after = 0;
};

/// One change of the document, described both ways.
struct History_Step {
    std::u16string name;                   ///< what the menu calls it: "remove 3 subs", "nudge"
    std::vector<std::size_t> removed_at;   ///< ascending places in the list before the change
    Sub_List removed;                      ///< the subs that were there
    std::vector<std::size_t> inserted_at;  ///< ascending places in the list after the change
    Sub_List inserted;                     ///< the subs that are there now
    /// Steps recorded one after the other with the same nonzero series replace one another:
    /// all the presses of one nudge series are one step.
    std::uint64_t series = 0;
    /// Every sub stays at its place and the selection is left as it is, by the change and by
    /// its undo and redo (re-timing every sub keeps the selection, however many it touches).
    bool keeps_selection = false;
    /// Subs whose times alone changed, ascending places; applied after the subs taken out and
    /// put in (undone before them). Re-timing a whole file copies no text this way.
    std::vector<Time_Change> retimed = {};

    bool empty() const { return removed_at.empty() && inserted_at.empty() && retimed.empty(); }
};

/// Takes out the subs at `take_at` (ascending places in `list`), then puts `put` in at `put_at`
/// (ascending places in the result), one pass each. False, with `list` unchanged, when a place
/// is out of range or out of order.
bool apply_change(Sub_List& list, const std::vector<std::size_t>& take_at, const std::vector<std::size_t>& put_at,
                  const Sub_List& put);
/// Does the step on `list` (or takes it back, `forward` false); false, with `list` unchanged,
/// when it does not fit. `touched` gets the places of the subs it put in (or back).
bool apply_step(Sub_List& list, const History_Step& step, bool forward, std::vector<std::size_t>* touched = nullptr);

class History {
public:
    static constexpr std::size_t default_max_steps = 1000;
    static constexpr std::size_t default_max_bytes = std::size_t{256} << 20;

    explicit History(std::size_t max_steps = default_max_steps, std::size_t max_bytes = default_max_bytes);

    /// Forgets every step. The document as it is counts as saved, unless `saved` is false (a
    /// document that differs from its file, such as one recovered after a crash).
    void clear(bool saved = true);
    /// Records a change already made to the document. Steps that were undone are dropped. A
    /// step of the same nonzero series as the last one replaces it, unless that was undone.
    /// The oldest steps go while there are more than the bounds allow.
    void record(History_Step step);

    bool can_undo() const { return done > 0; }
    bool can_redo() const { return done < steps.size(); }
    /// The step that undo would take back or redo would do again; null when none.
    const History_Step* undo_step() const { return can_undo() ? &steps[done - 1] : nullptr; }
    const History_Step* redo_step() const { return can_redo() ? &steps[done] : nullptr; }

    /// Takes back the last step on `list`, which must be the document it was recorded on;
    /// gives the places of the subs it put back, ascending. False when there is nothing to
    /// undo or the step does not fit the list (the list is then unchanged).
    bool undo(Sub_List& list, std::vector<std::size_t>* touched = nullptr);
    /// Does the last undone step again; gives the places of the subs it put in.
    bool redo(Sub_List& list, std::vector<std::size_t>* touched = nullptr);

    /// The document as it is now was opened or saved.
    void mark_saved();
    /// Whether the steps done now are those done when it was last opened or saved.
    bool at_saved() const { return saved_known && saved == done; }

    std::size_t size() const { return steps.size(); }
    std::size_t bytes() const { return total_bytes; }

private:
    void drop_oldest();

    std::deque<History_Step> steps;
    std::vector<std::size_t> step_bytes;  ///< one per step, the memory it holds
    std::size_t done = 0;                 ///< steps[0 .. done) are done, the rest undone
    std::size_t saved = 0;
    bool saved_known = true;  ///< false once the saved state fell out of the history
    std::size_t total_bytes = 0;
    std::size_t max_steps;
    std::size_t max_bytes;
};
