// Opening, saving and closing the subtitle document; title, recent list, command line, drops.
#include "app/main_window.h"

#include <shellapi.h>

#include "app/saving_dialog.h"
#include "core/srt_reader.h"
#include "gui/message_box.h"
#include "gui/win_str.h"
#include "io/code_pages.h"
#include "io/file.h"
#include "io/strings.h"

namespace {

constexpr char16_t drop_error[] = u"You can drag & drop only 1 subtitle file,\n1 video file, or 1 of each.";

}  // namespace

void Main_Window::set_document_title(const std::u16string& path) {
    const std::u16string title = path.empty() ? std::u16string(u"untitled.srt - Cuemill")
                                              : format(u"%s - Cuemill", file_name_of(path));
    SetWindowTextW(hwnd, as_wcstr(title));
    modified = false;
}

void Main_Window::show_document_path(const std::u16string& path) {
    set_status(0, path);
    SendMessageW(status.hwnd, SB_SETICON, 0, reinterpret_cast<LPARAM>(path.empty() ? nullptr : srt_icon.icon));
}

bool Main_Window::open_sub(std::optional<std::u16string> given, bool search_video, unsigned code_page) {
    pause_video();
    std::u16string path;
    if (given) {
        path = *given;
        if (!has_extension(path, u".srt")) {
            box(u"Unsupported subtitle", format(u"The chosen subtitle format is not suported:\n%s", file_name_of(path)),
                MB_ICONERROR);
            return true;
        }
        // Asked before anything of the document is replaced; a Yes has saved even when the
        // file then cannot be read.
        if (!offer_to_save(MB_YESNOCANCEL)) return false;
    } else {
        if (!offer_to_save(MB_YESNOCANCEL)) return false;
        if (!open_file_dialog(*this, u"SubRip subtitle (*.srt)|*.srt", path)) return true;
    }
    return read_document(path, search_video, code_page);
}

bool Main_Window::read_document(const std::u16string& path, bool search_video, unsigned code_page) {
    // Read into a new list: the document and its display stay as they are until the new
    // file is taken, so a failed read or a Cancel below leaves nothing half-replaced.
    Sub_List loaded;
    std::u16string error;
    unsigned read_as = 0;
    if (!read_srt_file(loaded, path, &error, code_page, &read_as)) {
        box(u"Subs loading failed",
            format(u"\"%s\"\n\n Subtitle loading failed:\n%s", path, shorten_discarded_lines(error)), MB_ICONERROR);
        return true;
    }
    if (!error.empty()) box(u"Malformed sub", shorten_discarded_lines(error), MB_ICONEXCLAMATION);

    if (search_video) {
        for (const char16_t* ext : video_extensions) {
            std::u16string candidate = path;
            replace_extension(candidate, ext);
            if (!path_exists(candidate)) continue;
            const int answer = box(u"Load video",
                                   format(u"Video found:\n\"%s\"\n\nDo you want to load it too?", file_name_of(candidate)),
                                   MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
            if (answer == IDCANCEL) return true;
            if (answer == IDYES) open_video(candidate, false);
            break;
        }
    }

    subs = std::move(loaded);
    history.clear();
    clear_sync_points();
    discard_recovery_copy();
    refresh_list();
    show_document_path(path);
    set_document_file(path, read_as);
    update_saved_time(nullptr);
    set_document_title(path);
    recent_subs.add(path);
    write_settings();
    SetFocus(list.hwnd);
    if (!video_loaded())
        timeline.set_range(static_cast<std::int32_t>(subs.empty() ? 100 : subs.back().end + 100));
    else
        repaint_timeline();
    check_overlaps(false);
    warn_subs_past_end();
    return true;
}

bool Main_Window::save_sub(std::optional<std::u16string> given) {
    pause_video();
    std::u16string path;
    if (given) {
        path = *given;
    } else {
        std::u16string proposal = document_path();
        if (proposal.empty() && !video.video_path.empty()) {
            proposal = video.video_path;
            replace_extension(proposal, u".srt");
        }
        if (!save_file_dialog(*this, path, proposal.empty() ? nullptr : &proposal)) return false;
    }
    if (!confirm_overwrite(path)) return false;

    Saving_Dialog saving(path, subs);
    if (saving.show(hwnd) != Saving_Dialog::result_saved) {
        box(u"Saving failed", saving.error_text, MB_ICONERROR);
        return false;
    }

    std::u16string error;
    std::uint64_t size = 0;
    measure_file(path, size, &error);

    // Written, whether or not it can be measured now.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    show_document_path(path);
    set_document_file(path, code_page_utf8);  // saving writes UTF-8
    update_saved_time(&now);
    set_document_title(path);
    history.mark_saved();
    discard_recovery_copy();
    recent_subs.add(path);
    write_settings();
    if (!error.empty()) {
        box(u"Reading error", format(u"Subtitle file was saved, but file size could not be calculated:\n%s", error),
            MB_ICONEXCLAMATION);
        return true;
    }
    box(u"Subtitle saved",
        format(u"Subtitle file successfully saved as:\n\n\"%s\"\n\nTotal subtitles: %s\nFile size: %s", path,
               group_thousands(static_cast<std::int32_t>(subs.size())), format_file_size(size)),
        MB_ICONINFORMATION);
    return true;
}

bool measure_written_file(const std::u16string& path, std::uint64_t& size, std::u16string* error_text) {
    if (!path_exists(path)) {
        *error_text = u"File doesn't exist.";
        return false;
    }
    File written;
    if (!written.open_for_reading(path, error_text)) return false;
    size = written.get_size();
    return true;
}

bool Main_Window::save_current() {
    const std::u16string path = document_path();
    return save_sub(path.empty() ? std::nullopt : std::optional<std::u16string>(path));
}

bool Main_Window::differs_from_file() {
    const std::u16string path = document_path();
    if (path.empty()) return !subs.empty();
    // A file that can no longer be read (gone, moved, locked) cannot hold the edits.
    Sub_List on_disk;
    if (!read_srt_file(on_disk, path, nullptr, document_code_page)) return !subs.empty();
    return !lists_equal(subs, on_disk);
}

bool Main_Window::offer_to_save(UINT buttons) {
    if (!differs_from_file()) return true;
    const int answer = box(u"Save sub", u"The sub has been modified, do you wish to save it?", buttons | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    return answer != IDYES || save_current();
}

bool Main_Window::close_sub(bool ask_video) {
    pause_video();
    if (!offer_to_save(MB_YESNO)) {
        // A close from outside that came meanwhile asked for what has just been refused.
        close_deferred = false;
        return false;
    }
    const bool close_video_too =
        ask_video && video_loaded() &&
        box(u"Close video", u"There's a video currently loaded, do you want to close it too?",
            MB_YESNO | MB_ICONQUESTION) == IDYES;
    subs.clear();
    history.clear();
    clear_sync_points();
    discard_recovery_copy();
    refresh_list();
    repaint_timeline();
    show_document_path(u"");
    set_document_file(u"", 0);
    set_status(1, u"Saved: never");
    set_document_title(u"");
    if (close_video_too) close_video(false);
    return true;
}

void Main_Window::open_recent_sub(std::uint32_t index) {
    const std::u16string path = recent_subs.entry(index);
    if (path_exists(path)) {
        open_sub(path, true);
        return;
    }
    const std::u16string text = format(
        u"The recent subtitle file: \n\n\"%s\"\n\ndoesn't exist anymore.\nRemove it from the recent menu?", path);
    if (box(u"Missing file", text, MB_YESNO | MB_ICONERROR) == IDYES) {
        recent_subs.remove(index);
        write_settings();
    }
}

void Main_Window::handle_command_line() {
    const std::vector<std::u16string> args =
        split_command_line(std::u16string_view(reinterpret_cast<const char16_t*>(GetCommandLineW())));
    if (args.size() < 2) return;
    if (has_extension(args[1], u".srt"))
        open_sub(args[1], true);
    else
        box(u"Bad SRT file", format(u"Not an SRT file: \n\"%s\"", args[1]), MB_ICONEXCLAMATION);
}

LRESULT Main_Window::on_drop_files(params& p) {
    const std::vector<std::u16string> paths = dropped_files(p);
    if (paths.empty() || paths.size() > 2) {
        box(u"Oops...", drop_error, MB_ICONEXCLAMATION);
        return 1;
    }
    std::optional<std::u16string> subtitle, video_path;
    bool video_seen = false;
    for (const std::u16string& path : paths) {
        if (has_extension(path, u".srt")) {
            if (subtitle) {
                box(u"Oops...", drop_error, MB_ICONEXCLAMATION);
                return 1;
            }
            subtitle = path;
        } else {
            if (video_seen) {
                box(u"Oops...", drop_error, MB_ICONEXCLAMATION);
                return 1;
            }
            if (is_media_path(path)) {
                video_path = path;
                video_seen = true;
            }
        }
    }
    if (subtitle) {
        if (open_sub(*subtitle, !video_path) && video_path) open_video(*video_path, false);
    } else if (video_path) {
        open_video(*video_path, true);
    } else {
        box(u"Oops...", drop_error, MB_ICONEXCLAMATION);
    }
    return 1;
}
