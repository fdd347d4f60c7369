#include "core/history.h"

#include <algorithm>
#include <utility>

namespace {

bool ascending_below(const std::vector<std::size_t>& places, std::size_t size) {
    for (std::size_t i = 0; i < places.size(); ++i)
        if (places[i] >= size || (i > 0 && places[i] <= places[i - 1])) return false;
    return true;
}

std::size_t bytes_of(const Sub_List& subs) {
    std::size_t n = subs.capacity() * sizeof(Sub_Item);
    for (const Sub_Item& sub : subs) n += sub.text.capacity() * sizeof(char16_t);
    return n;
}

std::size_t bytes_of(const History_Step& step) {
    return sizeof step + step.name.capacity() * sizeof(char16_t) + bytes_of(step.removed) + bytes_of(step.inserted) +
           (step.removed_at.capacity() + step.inserted_at.capacity()) * sizeof(std::size_t) +
           step.retimed.capacity() * sizeof(Time_Change);
}

// The times of `retimed` set one way or the other; false, with nothing changed, when a place
// is out of range, out of order or holds other times.
bool set_times(Sub_List& list, const std::vector<Time_Change>& retimed, bool forward) {
    for (std::size_t i = 0; i < retimed.size(); ++i) {
        const Time_Change& c = retimed[i];
        if (c.at >= list.size() || (i > 0 && c.at <= retimed[i - 1].at) ||
            list[c.at].start != (forward ? c.start_before : c.start_after) ||
            list[c.at].end != (forward ? c.end_before : c.end_after))
            return false;
    }
    for (const Time_Change& c : retimed) {
        list[c.at].start = forward ? c.start_after : c.start_before;
        list[c.at].end = forward ? c.end_after : c.end_before;
    }
    return true;
}

}  // namespace

bool apply_change(Sub_List& list, const std::vector<std::size_t>& take_at, const std::vector<std::size_t>& put_at,
                  const Sub_List& put) {
    const std::size_t kept = list.size() - std::min(take_at.size(), list.size());
    if (put.size() != put_at.size() || !ascending_below(take_at, list.size()) ||
        !ascending_below(put_at, kept + put.size()))
        return false;
    // Subs changed where they are (an edit, a replace): nothing else moves.
    if (take_at == put_at) {
        for (std::size_t k = 0; k < put.size(); ++k) list[put_at[k]] = put[k];
        return true;
    }
    // Out: the subs that stay close up, in order.
    std::size_t write = 0, next = 0;
    for (std::size_t read = 0; read < list.size(); ++read) {
        if (next < take_at.size() && take_at[next] == read) {
            ++next;
            continue;
        }
        if (write != read) list[write] = std::move(list[read]);
        ++write;
    }
    list.resize(kept);
    // In: filled from the back, so every sub that stays moves once.
    list.resize(kept + put.size());
    std::size_t from = kept, incoming = put.size();
    for (std::size_t to = list.size(); to-- > 0;) {
        if (incoming > 0 && put_at[incoming - 1] == to)
            list[to] = put[--incoming];
        else if (--from != to)
            list[to] = std::move(list[from]);
    }
    return true;
}

bool apply_step(Sub_List& list, const History_Step& step, bool forward, std::vector<std::size_t>* touched) {
    if (forward) {
        if (!apply_change(list, step.removed_at, step.inserted_at, step.inserted)) return false;
        if (!set_times(list, step.retimed, true)) {
            apply_change(list, step.inserted_at, step.removed_at, step.removed);
            return false;
        }
    } else {
        if (!set_times(list, step.retimed, false)) return false;
        if (!apply_change(list, step.inserted_at, step.removed_at, step.removed)) {
            set_times(list, step.retimed, true);
            return false;
        }
    }
    if (touched) {
        *touched = forward ? step.inserted_at : step.removed_at;
        for (const Time_Change& c : step.retimed) touched->push_back(c.at);
        std::sort(touched->begin(), touched->end());
        touched->erase(std::unique(touched->begin(), touched->end()), touched->end());
    }
    return true;
}

History::History(std::size_t max_steps, std::size_t max_bytes) : max_steps(max_steps), max_bytes(max_bytes) {}

void History::clear(bool saved_now) {
    steps.clear();
    step_bytes.clear();
    done = 0;
    total_bytes = 0;
    mark_saved();
    saved_known = saved_now;
}

void History::record(History_Step step) {
    const bool amends = step.series != 0 && done > 0 && done == steps.size() && steps.back().series == step.series;
    while (steps.size() > done) {
        total_bytes -= step_bytes.back();
        step_bytes.pop_back();
        steps.pop_back();
    }
    if (saved_known && saved > done) saved_known = false;  // the saved state was undone and is gone
    if (amends) {
        // The series began from the document as it was before its first step.
        if (saved_known && saved == done) saved_known = false;
        total_bytes -= step_bytes.back();
        step_bytes.pop_back();
        steps.pop_back();
        --done;
    }
    step_bytes.push_back(bytes_of(step));
    total_bytes += step_bytes.back();
    steps.push_back(std::move(step));
    ++done;
    while (steps.size() > max_steps || (total_bytes > max_bytes && steps.size() > 1)) drop_oldest();
}

void History::drop_oldest() {
    total_bytes -= step_bytes.front();
    step_bytes.erase(step_bytes.begin());
    steps.pop_front();
    --done;
    if (saved_known) {
        if (saved == 0)
            saved_known = false;
        else
            --saved;
    }
}

bool History::undo(Sub_List& list, std::vector<std::size_t>* touched) {
    if (!can_undo() || !apply_step(list, steps[done - 1], false, touched)) return false;
    --done;
    return true;
}

bool History::redo(Sub_List& list, std::vector<std::size_t>* touched) {
    if (!can_redo() || !apply_step(list, steps[done], true, touched)) return false;
    ++done;
    return true;
}

void History::mark_saved() {
    saved = done;
    saved_known = true;
}
