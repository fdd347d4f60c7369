// The list of subs and its commands, the status bar texts, and the dialog-backed commands.
#include "app/main_window.h"

#include <dshow.h>
#include <shellapi.h>

#include "app/about_dialog.h"
#include "app/edit_dialog.h"
#include "app/find_dialog.h"
#include "app/main_window_settings.h"
#include "app/merge_dialog.h"
#include "app/overlaps_dialog.h"
#include "app/preferences_dialog.h"
#include "app/tutorial_dialog.h"
#include "core/sub_item.h"
#include "gui/message_box.h"
#include "gui/win_str.h"
#include "io/file.h"
#include "io/strings.h"

namespace {

// The window that owns the selection timer: one main window per process.
Main_Window* timer_owner = nullptr;

std::u16string item_text(const listview& list, int item, int column) {
    wchar_t buffer[64] = {};
    LVITEMW lv{};
    lv.iSubItem = column;
    lv.pszText = buffer;
    lv.cchTextMax = 63;
    list.send_direct(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

}  // namespace

LRESULT Main_Window::on_row_text(params& p) {
    const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW*>(p.lParam)->item;
    if (item.iItem < 0 || item.iSubItem < 0 || item.iSubItem > static_cast<int>(Sub_Column::text)) return 0;
    const auto column = static_cast<Sub_Column>(item.iSubItem);
    set_dispinfo_text(p.lParam, sub_row_text(subs, static_cast<std::size_t>(item.iItem), column));
    return 0;
}

void Main_Window::update_count_text(std::size_t selected) {
    set_status(2, format(u"%u/%u subs", static_cast<unsigned>(selected), static_cast<unsigned>(subs.size())));
}

void Main_Window::update_saved_time(const SYSTEMTIME* local) {
    SYSTEMTIME t{};
    if (local) {
        t = *local;
    } else {
        GetLocalTime(&t);
        const std::u16string path = document_path();
        const HANDLE file = path.empty() ? INVALID_HANDLE_VALUE
                                         : CreateFileW(as_wcstr(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            FILETIME written{};
            SYSTEMTIME utc{};
            if (GetFileTime(file, nullptr, nullptr, &written) && FileTimeToSystemTime(&written, &utc))
                SystemTimeToTzSpecificLocalTime(nullptr, &utc, &t);
            CloseHandle(file);
        }
    }
    set_status(1, format_saved_time(t));
}

LRESULT Main_Window::on_list_click() {
    if (video_loaded() && play_state() == 2) return 1;
    if (list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0) == 1) send_command(cmd_locate);
    return 1;
}

LRESULT Main_Window::on_list_changed() {
    // Rows change one by one when many are selected at once: the timeline repaints once,
    // after them (a posted message still comes before any painting).
    if (!timeline_repaint_posted) {
        timeline_repaint_posted = PostMessageW(hwnd, repaint_timeline_message, 0, 0) != FALSE;
        if (!timeline_repaint_posted) repaint_timeline();
    }
    if (!selection_timer_armed) {
        selection_timer_armed = true;
        timer_owner = this;
        SetTimer(hwnd, selection_timer_id, 200, selection_timer_proc);
    }
    return 0;
}

void CALLBACK Main_Window::selection_timer_proc(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    if (timer_owner && timer_owner->hwnd == window) timer_owner->on_selection_timer();
}

void Main_Window::on_selection_timer() {
    selection_timer_armed = false;
    update_count_text(static_cast<std::size_t>(list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0)));
}

LRESULT Main_Window::on_list_key(params& p) {
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(p.lParam);
    switch (key->wVKey) {
    case VK_RETURN: send_command(cmd_edit); return 1;
    case VK_SPACE: send_command(cmd_play_pause); return 1;
    case VK_DELETE: send_command(cmd_remove); return 1;
    case VK_F2: send_command(cmd_edit); return 1;
    default: return 0;
    }
}

LRESULT Main_Window::on_context_menu(params& p) {
    pause_video();
    const HMENU menu = reinterpret_cast<HMENU>(p.wParam);
    const bool on_timeline = GetFocus() == timeline.hwnd;
    const auto selected = list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0);
    const auto rows = list.send_direct(LVM_GETITEMCOUNT, 0, 0);
    const auto state = [](bool on) { return on ? MF_ENABLED : MF_GRAYED; };
    EnableMenuItem(menu, cmd_insert, state(on_timeline));
    EnableMenuItem(menu, cmd_edit, state(selected == 1));
    EnableMenuItem(menu, cmd_remove, state(selected >= 1));
    EnableMenuItem(menu, cmd_locate, state(!on_timeline && selected == 1));
    EnableMenuItem(menu, cmd_check_overlaps, state(rows >= 1));
    EnableMenuItem(menu, cmd_find, state(rows >= 1));
    SetMenuDefaultItem(menu, selected == 1 ? cmd_edit : static_cast<UINT>(-1), FALSE);
    return 0;
}

void Main_Window::insert_sub() {
    // The setting is signed: a negative length counts as 0, and no time passes what a file holds.
    insert_sub_as(new_sub_at(timeline.playhead, static_cast<std::int32_t>(new_sub_length)));
}

void Main_Window::insert_sub_as(const Sub_Item& proposed) {
    std::size_t i = lower_bound_start(subs, proposed.start);
    if (i == no_position) i = subs.size();
    Edit_Sub_Data data;
    data.number = i + 1;
    data.sub = proposed;
    Edit_Dialog dialog(data);
    // The close box also gives 1, with the text as it was: a blank sub is never inserted.
    if (dialog.show(hwnd) != 1 || data.sub.text.empty()) return;
    i = insert_sorted(subs, data.sub);
    apply_change({u"insert", {}, {}, {i}, {subs[i]}}, {}, Change_Source::applied);
    SetFocus(timeline.hwnd);
}

void Main_Window::edit_sub() {
    const std::vector<int> selected = list.selected_indices();
    if (selected.size() != 1) return;
    const std::size_t k = static_cast<std::size_t>(selected[0]);
    const int state = play_state();
    pause_video();
    send_command(cmd_locate);
    Edit_Sub_Data data;
    data.number = k + 1;
    data.sub = subs[k];
    Edit_Dialog dialog(data);
    // A rejected OK leaves its empty text in `data`, which the close box would then hand back.
    if (dialog.show(hwnd) == 1 && !data.sub.text.empty() && data.sub.text != subs[k].text) {
        apply_change({u"edit", {k}, {subs[k]}, {k}, {data.sub}}, {});
        video.refresh();
    }
    if (state == 2 && video.player.control())
        video.player.control()->Run();
    else
        InvalidateRect(video.hwnd, nullptr, FALSE);
}

void Main_Window::remove_subs() {
    pause_video();
    const std::vector<int> selected = list.selected_indices();
    if (selected.empty()) return;
    int answer;
    if (selected.size() == 1) {
        std::uint32_t number = 0;
        parse_uint(item_text(list, selected[0], 0), number);
        answer = box(u"Remove sub", format(u"Do you want to remove the sub #%u?", number),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    } else if (selected.size() == subs.size()) {
        answer = box(u"Remove subs",
                     format(u"You're attempting to remove all %u subs.\nAre you sure you want to do this?",
                            static_cast<unsigned>(selected.size())),
                     MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    } else {
        answer = box(u"Remove subs",
                     format(u"Do you want to remove these %u selected subs?", static_cast<unsigned>(selected.size())),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    }
    if (answer != IDYES) return;
    History_Step step{selected.size() == 1 ? std::u16string(u"remove 1 sub")
                                           : format(u"remove %u subs", static_cast<unsigned>(selected.size())),
                      {}, {}, {}, {}, 0};
    for (int row : selected) {
        step.removed_at.push_back(static_cast<std::size_t>(row));
        step.removed.push_back(subs[static_cast<std::size_t>(row)]);
    }
    apply_change(std::move(step), {});
    if (selected.size() > 1) SetFocus(list.hwnd);
}

void Main_Window::locate_sub() {
    const std::vector<int> selected = list.selected_indices();
    if (selected.size() != 1) return;
    const Sub_Item& sub = subs[static_cast<std::size_t>(selected[0])];
    // Through the control, so that the clock and the band follow while the video is paused.
    if (video.player.seeking() && video.player.control()) video.seek_to(sub.start);
    timeline.playhead = sub.start;
    repaint_timeline();
    timeline.center_on_playhead();
}

void Main_Window::check_overlaps(bool report_none) {
    const Overlap_List overlaps = find_overlaps(subs);
    if (overlaps.empty()) {
        if (report_none)
            box(u"No overlaps",
                format(u"There are no overlaps among the %u subs.", static_cast<unsigned>(subs.size())),
                MB_ICONINFORMATION);
        return;
    }
    pause_video();
    Overlaps_Dialog dialog(subs, overlaps);
    const INT_PTR result = dialog.show(hwnd);
    const std::vector<std::size_t> rows = overlaps.positions();
    if (result == Overlaps_Dialog::result_fix) {
        // Only ends change, and only those of the subs listed.
        History_Step step{u"fix overlaps", {}, {}, {}, {}, 0};
        Sub_List before;
        for (std::size_t row : rows) before.push_back(subs[row]);
        fix_overlaps(subs);
        for (std::size_t k = 0; k < before.size(); ++k)
            if (before[k].end != subs[rows[k]].end) {
                step.removed_at.push_back(rows[k]);
                step.removed.push_back(before[k]);
                step.inserted.push_back(subs[rows[k]]);
            }
        step.inserted_at = step.removed_at;
        apply_change(std::move(step), {Row_Choice::given, rows}, Change_Source::applied);
        SetFocus(list.hwnd);
        box(u"Subs fixed",
            format(u"All overlapped subs have been fixed (%u).", static_cast<unsigned long long>(overlaps.size())),
            MB_ICONINFORMATION);
    } else if (result == Overlaps_Dialog::result_select) {
        show_list({Row_Choice::given, rows});
    }
}

void Main_Window::preferences() {
    pause_video();
    const std::uint32_t kind = renderer_kind(settings);
    if (kind == 0) {
        box(u"Bad VMR", u"Bad VMR filter on INI file, seems like it's messed up.", MB_ICONERROR);
        return;
    }
    std::int32_t seek = 0, length = 0;
    const std::u16string* seek_text = get_value(settings, u"Params", u"playbackSeek");
    const std::u16string* length_text = get_value(settings, u"Params", u"newSubLength");
    if (!seek_text || !length_text || !parse_setting_int(*seek_text, seek) || !parse_setting_int(*length_text, length)) {
        box(u"Bad config", bad_config_text, MB_ICONERROR);
        return;
    }
    Preferences_Dialog dialog(static_cast<std::uint32_t>(seek), static_cast<std::uint32_t>(length), kind);
    if (dialog.show(hwnd) != 1) return;
    set_setting(settings, u"Params", u"playbackSeek", format(u"%d", static_cast<std::int32_t>(dialog.seek_step)));
    video.seek_step = dialog.seek_step;
    set_setting(settings, u"Params", u"newSubLength", format(u"%d", static_cast<std::int32_t>(dialog.new_sub_duration)));
    new_sub_length = dialog.new_sub_duration;
    set_setting(settings, u"Params", u"vmr", dialog.renderer == Preferences_Dialog::renderer_vmr7 ? u"VMR7" : u"VMR9");
    write_settings();
}

void Main_Window::merge_sub() {
    const std::u16string path = document_path();
    // A merge sorts the whole document: its step holds the document before and after.
    const Sub_List before = subs;
    Merge_Dialog dialog(path, subs);
    if (dialog.show(hwnd) != 1 || lists_equal(before, subs)) return;
    History_Step step{u"merge", {}, before, {}, subs, 0};
    for (std::size_t k = 0; k < before.size(); ++k) step.removed_at.push_back(k);
    for (std::size_t k = 0; k < subs.size(); ++k) step.inserted_at.push_back(k);
    apply_change(std::move(step), {Row_Choice::given}, Change_Source::applied);
    SetFocus(list.hwnd);
    if (!video_loaded()) timeline.set_range(static_cast<std::int32_t>(subs.empty() ? 100 : subs.back().end + 100));
    check_overlaps(false);
}

void Main_Window::find_text() {
    if (!ready_to_search()) return;
    Find_Dialog dialog(subs, list);
    dialog.show(hwnd);
    SetFocus(list.hwnd);
}

void Main_Window::open_help_file(const char16_t* name, const char16_t* title) {
    pause_video();
    const std::u16string path = executable_directory() + u"\\" + name;
    if (path_exists(path)) {
        ShellExecuteW(nullptr, L"open", as_wcstr(path), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    box(title,
        format(u"The file: \n\n\"%s\"\n\nwas not found.\nSomething is wrong, you should download Cuemill again.", path),
        MB_ICONERROR);
}

