#include "app/main_window.h"

#include <algorithm>

#include <dshow.h>
#include <shellapi.h>

#include "app/about_dialog.h"
#include "app/main_window_settings.h"
#include "app/recovery.h"
#include "app/tutorial_dialog.h"
#include "gui/message_box.h"
#include "gui/win_str.h"
#include "io/file.h"
#include "io/strings.h"
#include "video/video_layout.h"

namespace {

constexpr int main_dialog_resource = IDD_MAIN;
constexpr int main_icon_resource = IDI_CUEMILL;
constexpr int accelerators_resource = IDR_ACCELERATORS;
constexpr int context_menu_id = IDR_CONTEXT_MENU;

}  // namespace

Main_Window::Main_Window()
    : main_dialog(main_dialog_resource, main_icon_resource, accelerators_resource),
      measure_file(measure_written_file),
      video(subs),
      timeline(subs, list) {
    on_message(WM_INITDIALOG, [this](params&) { return on_init_dialog(); });
    on_message(WM_CLOSE, [this](params&) { return on_close(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
    on_message(WM_DPICHANGED, [this](params& p) { return on_dpi_changed(p); });
    on_message(WM_DROPFILES, [this](params& p) {
        Flow flow(*this);
        return on_drop_files(p);
    });
    // A popup menu tracks in a loop of its own; its commands come after it.
    on_message(WM_ENTERMENULOOP, [this](params&) { ++flows; return LRESULT{0}; });
    on_message(WM_EXITMENULOOP, [this](params&) {
        end_flow();
        return LRESULT{0};
    });

    on_init_menu_popup(cmd_open_sub, [this](params& p) { return on_file_menu(p); });
    on_init_menu_popup(cmd_seek_back, [this](params& p) { return on_playback_menu(p); });
    on_init_menu_popup(cmd_shortcuts, [this](params&) { pause_video(); return LRESULT{0}; });
    on_init_menu_popup(cmd_insert, [this](params& p) { return on_context_menu(p); });
    on_init_menu_popup(cmd_undo, [this](params& p) { return on_edit_menu(p); });
    on_init_menu_popup(cmd_speed_first, [this](params& p) { return on_speed_menu(p); });
    on_init_menu_popup(cmd_shift_times, [this](params& p) { return on_timing_menu(p); });

    on_notify(main_list_id, NM_DBLCLK, [this](params&) { send_command(cmd_edit); return LRESULT{1}; });
    on_notify(main_list_id, NM_CLICK, [this](params&) { return on_list_click(); });
    on_notify(main_list_id, LVN_ITEMCHANGED, [this](params&) { return on_list_changed(); });
    on_message(WM_ACTIVATEAPP, [this](params& p) {
        if (p.wParam) PostMessageW(hwnd, file_check_message, 0, 0);
        return LRESULT{0};
    });
    on_message(file_check_message, [this](params&) { offer_to_reopen_changed(); return LRESULT{0}; });
    on_message(repaint_timeline_message, [this](params&) {
        timeline_repaint_posted = false;
        repaint_timeline();
        return LRESULT{0};
    });
    on_message(start_message, [this](params&) {
        on_start();
        return LRESULT{0};
    });
    on_message(recovery_notice_message, [this](params& p) {
        on_recovery_notice(p.wParam != 0);
        return LRESULT{0};
    });
    // Shift+click and Shift+End select a range of rows in one notification.
    on_notify(main_list_id, LVN_ODSTATECHANGED, [this](params&) { return on_list_changed(); });
    on_notify(main_list_id, LVN_GETDISPINFOW, [this](params& p) { return on_row_text(p); });
    on_notify(main_list_id, LVN_ODFINDITEMW, [this](params& p) {
        return find_typed_row(p.lParam, subs.size(), [](std::size_t row) { return format_sub_number(row + 1); });
    });
    on_notify(main_list_id, LVN_KEYDOWN, [this](params& p) { return on_list_key(p); });

    const auto cmd = [this](unsigned id, auto action) {
        on_command(id, [this, action](params&) {
            Flow flow(*this);
            action();
            return LRESULT{1};
        });
    };
    cmd(cmd_open_sub, [this] { open_sub(std::nullopt, true); });
    cmd(cmd_save_sub, [this] {
        const std::u16string path = document_path();
        save_sub(path.empty() ? std::nullopt : std::optional<std::u16string>(path));
    });
    cmd(cmd_save_sub_as, [this] { save_sub(std::nullopt); });
    cmd(cmd_merge_sub, [this] { merge_sub(); });
    cmd(cmd_close_sub, [this] { close_sub(true); });
    cmd(cmd_open_video, [this] { open_video(std::nullopt, true); });
    cmd(cmd_close_video, [this] { close_video(true); });
    cmd(cmd_exit, [this] { SendMessageW(hwnd, WM_CLOSE, 0, 0); });
    cmd(cmd_seek_back, [this] { seek_step(false); });
    cmd(cmd_seek_forward, [this] { seek_step(true); });
    cmd(cmd_play_pause, [this] { video.toggle_play(); });
    cmd(cmd_toggle_text, [this] { video.toggle_text(); });
    cmd(cmd_preferences, [this] { preferences(); });
    cmd(cmd_shortcuts, [this] { open_help_file(u"shortcuts.txt", u"Shortcuts file"); });
    cmd(cmd_readme, [this] { open_help_file(u"readme.txt", u"Readme file"); });
    cmd(cmd_tutorial, [this] { Tutorial_Dialog().show(hwnd); });
    cmd(cmd_about, [this] { pause_video(); About_Dialog().show(hwnd); });
    cmd(cmd_insert, [this] { insert_sub(); });
    cmd(cmd_edit, [this] { edit_sub(); });
    cmd(cmd_remove, [this] { remove_subs(); });
    cmd(cmd_locate, [this] { locate_sub(); });
    cmd(cmd_check_overlaps, [this] { check_overlaps(true); });
    cmd(cmd_find, [this] { find_text(); });
    cmd(cmd_undo, [this] { apply_change({}, {}, Change_Source::undo); });
    cmd(cmd_redo, [this] { apply_change({}, {}, Change_Source::redo); });
    cmd(cmd_replace, [this] { replace_text(); });
    cmd(cmd_split, [this] { split_selected(); });
    cmd(cmd_join, [this] { join_selected(); });
    cmd(cmd_set_start, [this] { set_start_at_playhead(); });
    cmd(cmd_set_end, [this] { set_end_at_playhead(false); });
    cmd(cmd_set_end_next, [this] { set_end_at_playhead(true); });
    cmd(cmd_previous_frame, [this] { step_frame(false); });
    cmd(cmd_next_frame, [this] { step_frame(true); });
    for (std::size_t k = 0; k < std::size(playback_speeds); ++k)
        cmd(static_cast<unsigned>(cmd_speed_first + k), [this, k] { choose_speed(playback_speeds[k]); });
    cmd(cmd_shift_times, [this] { shift_times(); });
    cmd(cmd_set_sync_point, [this] { set_sync_point(); });
    cmd(cmd_apply_sync_points, [this] { apply_sync_points(); });
    cmd(cmd_clear_sync_points, [this] { clear_sync_points(); });
    cmd(cmd_change_frame_rate, [this] { change_frame_rate(); });
    cmd(cmd_sync_speech, [this] { sync_to_speech(); });
    cmd(cmd_show_waveform, [this] { toggle_waveform(); });
    on_message(waveform_changed_message, [this](params&) { repaint_timeline(); return LRESULT{0}; });

    timeline.on_seek = [this](std::uint64_t ms) { on_timeline_seek(ms); };
    timeline.on_insert = [this] { send_command(cmd_insert); };
    timeline.on_remove = [this] { send_command(cmd_remove); };
    timeline.on_edit = [this] { send_command(cmd_edit); };
    timeline.on_nudged = [this](History_Step step) {
        apply_change(std::move(step), {Row_Choice::keep}, Change_Source::applied);
    };
    timeline.on_dragged = [this](History_Step step) {
        apply_change(std::move(step), {Row_Choice::keep}, Change_Source::applied);
    };
    timeline.on_drag_moved = [this] { video.refresh_text(); };
    timeline.on_make_sub = [this](std::uint64_t start, std::uint64_t end) {
        Flow flow(*this);
        insert_sub_as(Sub_Item{start, end, u""});
    };
    timeline.on_play_pause = [this] { video.toggle_play(); };
    video.on_position = [this](std::uint64_t ms) {
        timeline.playhead = ms;
        repaint_timeline();
    };
    recent_subs.on_select = [this](std::uint32_t index) {
        Flow flow(*this);
        open_recent_sub(index);
    };
    recent_videos.on_select = [this](std::uint32_t index) {
        Flow flow(*this);
        open_recent_video(index);
    };
}

Main_Window::Flow::~Flow() { window.end_flow(); }

void Main_Window::end_flow() {
    if (--flows > 0 || !close_deferred) return;
    close_deferred = false;
    if (hwnd) PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

Main_Window::~Main_Window() {
    srt_icon.destroy();
    if (hwnd && IsWindow(hwnd)) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

LRESULT Main_Window::on_init_dialog() {
    if (!load_settings()) return 1;
    // The menus' commands come through this window's own table: a hook on the window would
    // also pass every notification of the list, a page of rows asking for 150 texts.
    recent_subs.init(hwnd, cmd_recent_subs, &settings, u"RecentSubs", false);
    recent_videos.init(hwnd, cmd_recent_videos, &settings, u"RecentVids", false);
    for (recent_menu* menu : {&recent_subs, &recent_videos})
        for (std::uint32_t k = 0; k < menu->max_count; ++k)
            on_command(menu->first_id + k, [menu](params& p) {
                menu->command(LOWORD(p.wParam));
                return LRESULT{0};
            });

    list.assign(hwnd, main_list_id);
    SendMessageW(list.hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    list.set_context_menu(context_menu_id);
    fit_template_to_work_area();
    const Main_Window_Metrics metrics = main_window_metrics(window_dpi(hwnd));
    list.add_column(u"#", metrics.number_column);
    list.add_column(u"Start", metrics.time_column);
    list.add_column(u"End", metrics.time_column);
    list.add_column(u"Length", metrics.length_column);
    list.add_column(u"Text", 1);
    fit_text_column();

    layout_panes(metrics);
    Startup_Settings values;
    read_startup_settings(settings, values);  // checked by load_settings
    video.seek_step = values.seek_step;
    timeline.set_range(3600000);
    InvalidateRect(timeline.hwnd, nullptr, TRUE);
    timeline.snap = values.timeline_snap;
    timeline.show_waveform = values.show_waveform;
    new_sub_length = static_cast<std::uint32_t>(values.new_sub_length);

    resizer.add(video.hwnd, layout_resizer::stretch, layout_resizer::stretch)
        .add(list.hwnd, layout_resizer::move, layout_resizer::stretch)
        .add(timeline.hwnd, layout_resizer::stretch, layout_resizer::move);

    // Stored or grown by the DPI, the window never starts larger than the screen's work area.
    RECT placed{};
    GetWindowRect(hwnd, &placed);
    if (values.left != 0 && values.top != 0 && values.width != 0 && values.height != 0)
        placed = {values.left, values.top, values.left + values.width, values.top + values.height};
    placed = fit_work_area(placed);
    SetWindowPos(hwnd, nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
                 SWP_NOZORDER);

    srt_icon.load();
    status.create(hwnd)
        .add_stretch_part()
        .add_fixed_part(static_cast<std::uint32_t>(metrics.saved_part))
        .add_fixed_part(static_cast<std::uint32_t>(metrics.count_part))
        .add_fixed_part(static_cast<std::uint32_t>(metrics.length_part))
        .add_fixed_part(static_cast<std::uint32_t>(metrics.encoding_part));
    add_encoding_menu();
    set_status(1, u"Saved: never");
    set_status(2, u"0/0 subs");
    set_status(3, u"0:00:00");
    // The resource's caption is only the program's name; an empty document is untitled.
    set_document_title(u"");
    SetFocus(list.hwnd);
    // What the start brings (recovered work, the command line's file and their questions)
    // comes once the window is on the screen, so that every box has it for owner.
    autosave_seconds = values.autosave_seconds;
    PostMessageW(hwnd, start_message, 0, 0);
    return 1;
}

void Main_Window::on_start() {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Flow flow(*this);
    start_recovery(autosave_seconds);
    handle_command_line();
}

bool Main_Window::load_settings() {
    settings_path = (settings_directory.empty() ? executable_directory() : settings_directory) + u"\\Cuemill.ini";
    std::u16string error;
    if (!load_ini(settings, settings_path, &error)) {
        box(u"Config loading failed", format(u"Cuemill cannot run.\n\n\"%s\"\n%s", settings_path, error), MB_ICONERROR);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        return false;
    }
    // Every key is read up front, so a damaged file stops the start before anything is built.
    bool upgraded = false;
    Startup_Settings values;
    const bool version_known = check_settings_version(settings, upgraded, &error);
    if (!version_known || !read_startup_settings(settings, values, &error)) {
        // A version that is not known gets the plain text; what is missing or damaged is named.
        const bool unknown_version = !version_known && get_value(settings, u"Program", u"version");
        box(u"Bad config", unknown_version ? std::u16string(bad_config_text) : bad_config_text + (u"\n\n" + error),
            MB_ICONERROR);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        return false;
    }
    if (upgraded) write_settings();
    settings_loaded = true;
    return true;
}

void Main_Window::layout_panes(const Main_Window_Metrics& m) {
    RECT client{}, list_rect{};
    GetClientRect(hwnd, &client);
    GetWindowRect(list.hwnd, &list_rect);
    const int list_width = list_rect.right - list_rect.left;
    const int list_height = list_rect.bottom - list_rect.top;
    video.x = m.edge;
    video.y = m.edge;
    video.width = client.right - list_width - m.video_right;
    video.height = list_height;
    video.child_id = video_control_id;
    video.create(hwnd);
    timeline.x = m.edge;
    timeline.y = list_height + m.timeline_gap;
    timeline.width = client.right - m.timeline_right;
    timeline.height = client.bottom - list_height - m.timeline_below;
    timeline.child_id = timeline_control_id;
    timeline.create(hwnd);
}

void Main_Window::fit_template_to_work_area() {
    // The template grows with the DPI's font; on a small screen it is cut to the work area
    // before the panes are laid out, and the list keeps its share of the window.
    // (Some systems cut the window to the screen when it is made, keeping the controls where
    // the template put them.)
    RECT window{};
    GetWindowRect(hwnd, &window);
    const RECT fitted = fit_work_area(window);
    if (!EqualRect(&fitted, &window))
        SetWindowPos(hwnd, nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE designed = dialog_template_size(hwnd, main_dialog_resource);
    RECT after{}, list_rect{};
    GetClientRect(hwnd, &after);
    if (designed.cx <= 0 || designed.cy <= 0 || (after.right >= designed.cx && after.bottom >= designed.cy)) return;
    const RECT before{0, 0, designed.cx, designed.cy};
    GetWindowRect(list.hwnd, &list_rect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&list_rect), 2);
    const auto x = [&](LONG v) { return static_cast<int>(static_cast<long long>(v) * after.right / before.right); };
    const auto y = [&](LONG v) { return static_cast<int>(static_cast<long long>(v) * after.bottom / before.bottom); };
    MoveWindow(list.hwnd, x(list_rect.left), y(list_rect.top), x(list_rect.right) - x(list_rect.left),
               y(list_rect.bottom) - y(list_rect.top), FALSE);
}

RECT Main_Window::fit_work_area(RECT r) const {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &monitor)) return r;
    const RECT& work = monitor.rcWork;
    const LONG width = std::min(r.right - r.left, work.right - work.left);
    const LONG height = std::min(r.bottom - r.top, work.bottom - work.top);
    const LONG left = std::clamp(r.left, work.left, work.right - width);
    const LONG top = std::clamp(r.top, work.top, work.bottom - height);
    return {left, top, left + width, top + height};
}

LRESULT Main_Window::on_dpi_changed(params& p) {
    // The window takes the rectangle the system suggests for the new DPI, then every size the
    // program sets follows.
    const RECT placed = fit_work_area(*reinterpret_cast<const RECT*>(p.lParam));
    SetWindowPos(hwnd, nullptr, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const unsigned dpi = HIWORD(p.wParam);
    const Main_Window_Metrics m = main_window_metrics(dpi);
    const int widths[] = {m.number_column, m.time_column, m.time_column, m.length_column};
    for (int column = 0; column < 4; ++column) list.send_direct(LVM_SETCOLUMNWIDTH, column, widths[column]);
    fit_text_column();
    status.set_fixed_widths({static_cast<std::uint32_t>(m.saved_part), static_cast<std::uint32_t>(m.count_part),
                             static_cast<std::uint32_t>(m.length_part), static_cast<std::uint32_t>(m.encoding_part)});
    video.clock.fit_dpi(dpi);
    InvalidateRect(hwnd, nullptr, TRUE);
    repaint_timeline();
    return 0;  // the dialog manager's own handling scales the controls from the template
}

void Main_Window::fit_text_column() { list.fill_column(4); }

LRESULT Main_Window::on_size(params& p) {
    status.on_parent_size(p);
    resizer.on_parent_size(p);
    fit_text_column();
    return 1;
}

LRESULT Main_Window::on_close() {
    // A close from outside (End task, a posted WM_CLOSE) can arrive inside a dialog or while
    // the save worker writes `subs`: it runs once that flow has ended.
    if (flows > 0) {
        close_deferred = true;
        return 1;
    }
    Flow flow(*this);
    // A failed start closes before any pane exists: nothing to save then.
    if (settings_loaded) {
        if (!close_sub(false)) return 1;
        if (!IsIconic(hwnd) && !IsZoomed(hwnd) && path_exists(settings_path)) {
            RECT r{};
            GetWindowRect(hwnd, &r);
            set_setting(settings, u"Window", u"left", to_decimal(r.left));
            set_setting(settings, u"Window", u"top", to_decimal(r.top));
            set_setting(settings, u"Window", u"width", to_decimal(r.right - r.left));
            set_setting(settings, u"Window", u"height", to_decimal(r.bottom - r.top));
            std::u16string error;
            if (!save_ini(settings, settings_path, &error))
                box(u"Save settings", format(u"Program settings failed to save into INI file.\n%s", error), MB_ICONERROR);
        }
    }
    DestroyWindow(hwnd);
    return 1;
}

void Main_Window::write_settings() { save_ini(settings, settings_path); }

LRESULT Main_Window::on_file_menu(params& p) {
    pause_video();
    const HMENU menu = reinterpret_cast<HMENU>(p.wParam);
    const UINT has_subs = subs.empty() ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(menu, cmd_save_sub, has_subs);
    EnableMenuItem(menu, cmd_merge_sub, has_subs);
    EnableMenuItem(menu, cmd_close_sub, has_subs);
    EnableMenuItem(menu, cmd_save_sub_as, document_path().empty() ? MF_GRAYED : MF_ENABLED);
    EnableMenuItem(menu, cmd_close_video, video_loaded() ? MF_ENABLED : MF_GRAYED);
    update_encoding_menu(menu);
    return 0;
}

LRESULT Main_Window::on_edit_menu(params& p) {
    const HMENU menu = reinterpret_cast<HMENU>(p.wParam);
    const auto show = [menu](UINT id, const char16_t* verb, const History_Step* step, const char16_t* keys) {
        const std::u16string text = step ? format(u"%s %s\t%s", verb, step->name, keys) : std::u16string(verb);
        ModifyMenuW(menu, id, MF_BYCOMMAND | MF_STRING | (step ? MF_ENABLED : MF_GRAYED), id, as_wcstr(text));
    };
    show(cmd_undo, u"&Undo", history.undo_step(), u"Ctrl+Z");
    show(cmd_redo, u"&Redo", history.redo_step(), u"Ctrl+Y");
    const auto selected = list.send_direct(LVM_GETSELECTEDCOUNT, 0, 0);
    const auto state = [](bool on) { return on ? MF_ENABLED : MF_GRAYED; };
    // Find and Replace stay enabled: a greyed item keeps its accelerator from arriving, and
    // Ctrl+F on an empty document says there is nothing to search.
    EnableMenuItem(menu, cmd_split, state(selected == 1));
    EnableMenuItem(menu, cmd_join, state(selected >= 2));
    return 0;
}

LRESULT Main_Window::on_playback_menu(params& p) {
    const HMENU menu = reinterpret_cast<HMENU>(p.wParam);
    const bool loaded = video_loaded();
    const int state = loaded ? play_state() : 0;
    const UINT transport = loaded && (state == 1 || state == 2) ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu, cmd_seek_back, transport);
    EnableMenuItem(menu, cmd_seek_forward, transport);
    EnableMenuItem(menu, cmd_play_pause, transport);
    EnableMenuItem(menu, cmd_toggle_text, loaded ? MF_ENABLED : MF_GRAYED);
    CheckMenuItem(menu, cmd_show_waveform, timeline.show_waveform ? MF_CHECKED : MF_UNCHECKED);
    return 0;
}

void Main_Window::mark_modified() {
    if (modified) return;
    modified = true;
    std::u16string title = window_text(hwnd);
    replace_all(title, u" - ", u" * - ");
    SetWindowTextW(hwnd, as_wcstr(title));
}

int Main_Window::box(const std::u16string& title, const std::u16string& text, UINT flags) {
    return message_box(*this, title, text, flags);
}

bool Main_Window::video_loaded() const { return video.player.loaded(); }

int Main_Window::play_state() { return video_loaded() ? video.play_state() : 0; }

void Main_Window::pause_video() {
    if (video_loaded() && video.player.control()) video.player.control()->Pause();
}

void Main_Window::set_status(int part, const std::u16string& text) {
    SendMessageW(status.hwnd, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(as_wcstr(text)));
}

std::u16string Main_Window::status_text(int part) const {
    const LRESULT length = SendMessageW(status.hwnd, SB_GETTEXTLENGTHW, part, 0);
    std::u16string text(LOWORD(length), u'\0');
    if (!text.empty()) SendMessageW(status.hwnd, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
    return text;
}

std::u16string Main_Window::document_path() const { return status_text(0); }

void Main_Window::repaint_timeline() { InvalidateRect(timeline.hwnd, nullptr, FALSE); }

void Main_Window::send_command(unsigned id) { SendMessageW(hwnd, WM_COMMAND, id, 0); }
