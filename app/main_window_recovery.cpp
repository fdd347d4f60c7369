// Recovery copies of the document: offered back at start-up, kept while changes are unsaved,
// removed when the document is saved, closed or replaced.
#include "app/main_window.h"

#include <algorithm>

#include "app/recovery.h"
#include "gui/message_box.h"
#include "io/file.h"
#include "io/strings.h"

namespace {

// The window that owns the recovery timer: one main window per process.
Main_Window* recovery_timer_owner = nullptr;

// SetTimer's longest period.
constexpr std::uint32_t longest_period_s = 0x7FFFFFFF / 1000;

SYSTEMTIME local_time_of(std::uint64_t utc) {
    FILETIME file{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    SYSTEMTIME universal{}, local{};
    FileTimeToSystemTime(&file, &universal);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
    return local;
}

}  // namespace

void Main_Window::start_recovery(std::uint32_t autosave_seconds) {
    autosave_ms = std::min(autosave_seconds, longest_period_s) * 1000;
    const std::u16string settings_folder = settings_path.substr(0, settings_path.find_last_of(u'\\'));
    const std::vector<std::u16string> folders = recovery_folders(settings_folder);
    recovery = std::make_unique<Recovery_Writer>(folders, recovery_stem(current_recovery_owner()));
    const HWND window = hwnd;
    recovery->report_failures([window](bool failing) { PostMessageW(window, recovery_notice_message, failing, 0); });

    for (Recovery_Copy& copy : find_orphan_copies(folders)) {
        Sub_List found;
        std::u16string error;
        // Taken before the question, so a Cuemill started meanwhile does not offer it too.
        const Take_Result taken = take_recovery_copy(copy, recovery->stem(), found, &error);
        if (taken == Take_Result::gone) continue;
        if (taken == Take_Result::unreadable) {
            box(u"Recover work", recovery_unreadable_text(copy, error), MB_ICONERROR);
            continue;
        }
        const std::u16string question = recovery_question(copy, local_time_of(copy.time), found.size());
        if (box(u"Recover work", question, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            remove_recovery_files(copy.folder, copy.stem);
            continue;
        }
        if (!error.empty()) box(u"Malformed sub", error, MB_ICONEXCLAMATION);
        // The claimed copy now belongs to this window; later copies replace it.
        take_recovered(std::move(found), copy.document);
        break;
    }
}

void Main_Window::take_recovered(Sub_List recovered, const std::u16string& path) {
    subs = std::move(recovered);
    history.clear(false);  // it differs from its file
    clear_sync_points();
    refresh_list();
    show_document_path(path);
    set_document_file(path, 0);  // its file's encoding is guessed when it is read again
    if (path_exists(path))
        update_saved_time(nullptr);
    else
        set_status(1, u"Saved: never");
    set_document_title(path);
    mark_modified();
    timeline.set_range(static_cast<std::int32_t>(subs.empty() ? 100 : subs.back().end + 100));
}

void Main_Window::document_changed() {
    if (!recovery || autosave_ms == 0 || recovery_timer_armed) return;
    recovery_timer_owner = this;
    recovery_timer_armed = SetTimer(hwnd, recovery_timer_id, autosave_ms, recovery_timer_proc) != 0;
}

void CALLBACK Main_Window::recovery_timer_proc(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    if (recovery_timer_owner && recovery_timer_owner->hwnd == window) recovery_timer_owner->on_recovery_timer();
}

void Main_Window::on_recovery_timer() {
    recovery_timer_armed = false;
    if (recovery) recovery->write(subs, document_path());
}

void Main_Window::discard_recovery_copy() {
    if (recovery_timer_armed) KillTimer(hwnd, recovery_timer_id);
    recovery_timer_armed = false;
    if (recovery) recovery->discard();
}

void Main_Window::on_recovery_notice(bool failing) {
    if (!recovery) return;
    // Pointing at the saved time, which is what the copy stands in for.
    RECT part{};
    SendMessageW(status.hwnd, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
    POINT at{(part.left + part.right) / 2, part.top};
    ClientToScreen(status.hwnd, &at);
    if (failing)
        notice.show(hwnd, at, u"Recovery copy",
                    format(u"A copy of your unsaved work could not be written:\n%s\nSave the document to keep your "
                           u"changes safe.",
                           recovery->last_error()),
                    TTI_WARNING);
    else
        notice.show(hwnd, at, u"Recovery copy", u"The copy of your unsaved work is written again.", TTI_INFO);
}
