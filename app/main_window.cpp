#include "app/main_window.h"

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

namespace {

constexpr int main_dialog_resource = IDD_MAIN;
constexpr int main_icon_resource = IDI_CUEMILL;
constexpr int accelerators_resource = IDR_ACCELERATORS;
constexpr int context_menu_id = IDR_CONTEXT_MENU;

}  // namespace

Main_Window::Main_Window()
    : main_dialog(main_dialog_resource, main_icon_resource, accelerators_resource), video(subs), timeline(subs, list) {
    on_message(WM_INITDIALOG, [this](params&) { return on_init_dialog(); });
    on_message(WM_CLOSE, [this](params&) { return on_close(); });
    on_message(WM_SIZE, [this](params& p) { return on_size(p); });
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

    on_notify(main_list_id, NM_DBLCLK, [this](params&) { send_command(cmd_edit); return LRESULT{1}; });
    on_notify(main_list_id, NM_CLICK, [this](params&) { return on_list_click(); });
    on_notify(main_list_id, LVN_ITEMCHANGED, [this](params&) { return on_list_changed(); });
    on_message(repaint_timeline_message, [this](params&) {
        timeline_repaint_posted = false;
        repaint_timeline();
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
    cmd(cmd_undo, [this] { undo_redo(false); });
    cmd(cmd_redo, [this] { undo_redo(true); });
    cmd(cmd_show_waveform, [this] { toggle_waveform(); });
    on_message(waveform_changed_message, [this](params&) { repaint_timeline(); return LRESULT{0}; });

    timeline.on_seek = [this](std::uint64_t ms) { on_timeline_seek(ms); };
    timeline.on_insert = [this] { send_command(cmd_insert); };
    timeline.on_remove = [this] { send_command(cmd_remove); };
    timeline.on_edit = [this] { send_command(cmd_edit); };
    timeline.on_modified = [this] { mark_modified(); document_changed(); };
    timeline.on_nudged = [this](History_Step step) { history.record(std::move(step)); };
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
    list.add_column(u"#", 36);
    list.add_column(u"Start", 74);
    list.add_column(u"End", 74);
    list.add_column(u"Length", 50);
    list.add_column(u"Text", 1);
    fit_text_column();

    layout_panes();
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

    if (values.left != 0 && values.top != 0 && values.width != 0 && values.height != 0)
        SetWindowPos(hwnd, nullptr, values.left, values.top, values.width, values.height, SWP_NOZORDER);

    srt_icon.load();
    status.create(hwnd).add_stretch_part().add_fixed_part(200).add_fixed_part(110).add_fixed_part(70);
    set_status(1, u"Saved: never");
    set_status(2, u"0/0 subs");
    set_status(3, u"0:00:00");
    // The resource's caption is only the program's name; an empty document is untitled.
    set_document_title(u"");
    SetFocus(list.hwnd);
    Flow flow(*this);
    start_recovery(values.autosave_seconds);
    handle_command_line();
    return 1;
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

void Main_Window::layout_panes() {
    RECT client{}, list_rect{};
    GetClientRect(hwnd, &client);
    GetWindowRect(list.hwnd, &list_rect);
    const int list_width = list_rect.right - list_rect.left;
    const int list_height = list_rect.bottom - list_rect.top;
    video.x = 3;
    video.y = 3;
    video.width = client.right - list_width - 12;
    video.height = list_height;
    video.child_id = video_control_id;
    video.create(hwnd);
    timeline.x = 3;
    timeline.y = list_height + 8;
    timeline.width = client.right - 7;
    timeline.height = client.bottom - list_height - 32;
    timeline.child_id = timeline_control_id;
    timeline.create(hwnd);
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
