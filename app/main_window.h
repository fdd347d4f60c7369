#pragma once
// The application window: the document, the settings, the list of subs, the video, the
// timeline, the status bar and every menu command.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window_support.h"
#include "audio/waveform_reader.h"
#include "core/history.h"
#include "core/sub_list.h"
#include "gui/dialogs.h"
#include "gui/msg_table.h"
#include "gui/native_controls.h"
#include "gui/recent_menu.h"
#include "io/ini_file.h"
#include "res/resource_ids.h"
#include "timeline/timeline_control.h"
#include "video/video_control.h"

/// Command ids of menus 102 and 103; every input path of the window arrives as one of them.
enum Main_Command : unsigned {
    cmd_open_sub = IDM_OPEN_SUB,
    cmd_save_sub = IDM_SAVE_SUB,
    cmd_save_sub_as = IDM_SAVE_SUB_AS,
    cmd_merge_sub = IDM_MERGE_SUB,
    cmd_recent_subs = IDM_RECENT_SUBS,
    cmd_close_sub = IDM_CLOSE_SUB,
    cmd_open_video = IDM_OPEN_VIDEO,
    cmd_recent_videos = IDM_RECENT_VIDEOS,
    cmd_close_video = IDM_CLOSE_VIDEO,
    cmd_exit = IDM_EXIT,
    cmd_seek_back = IDM_SEEK_BACK,
    cmd_seek_forward = IDM_SEEK_FORWARD,
    cmd_play_pause = IDM_PLAY_PAUSE,
    cmd_toggle_text = IDM_TOGGLE_SUBS,
    cmd_preferences = IDM_PREFERENCES,
    cmd_shortcuts = IDM_SHORTCUTS,
    cmd_readme = IDM_README,
    cmd_tutorial = IDM_TUTORIAL,
    cmd_about = IDM_ABOUT,
    cmd_insert = IDM_INSERT_SUB,
    cmd_edit = IDM_EDIT_SUB,
    cmd_remove = IDM_REMOVE_SUBS,
    cmd_locate = IDM_LOCATE_SUB,
    cmd_check_overlaps = IDM_CHECK_OVERLAPS,
    cmd_find = IDM_FIND_TEXT,
    cmd_undo = IDM_UNDO,
    cmd_redo = IDM_REDO,
    cmd_show_waveform = IDM_SHOW_WAVEFORM,
};

inline constexpr int main_list_id = IDC_SUBS_LIST;
inline constexpr int video_control_id = IDC_VIDEO;
inline constexpr int timeline_control_id = IDC_TIMELINE;
inline constexpr UINT_PTR selection_timer_id = IDT_SELECTION_COUNT;
inline constexpr UINT_PTR recovery_timer_id = IDT_RECOVERY_COPY;
inline constexpr UINT repaint_timeline_message = WM_APP + 1;
/// Posted by the waveform's reader when there is more of it to draw.
inline constexpr UINT waveform_changed_message = WM_APP + 0x60;

class Recovery_Writer;

/// One Main_Window per process, run by the entry point as a main_dialog (resource 105).
/// Destroying it never destroys its window.
class Main_Window : public main_dialog, public command_table, public notify_table, public popup_menu_table {
public:
    Main_Window();
    ~Main_Window();
    Main_Window(const Main_Window&) = delete;
    Main_Window& operator=(const Main_Window&) = delete;

    /// Where Cuemill.ini is looked for; empty (the default) is the executable's folder.
    /// Tests set it before `run`.
    std::u16string settings_directory;

    /// With no path the user picks one. `search_video` offers a same-named video. A document
    /// that differs from its file is offered for saving first; false when the user cancelled
    /// there (or that save failed), so nothing was opened.
    bool open_sub(std::optional<std::u16string> path, bool search_video);
    /// With no path the user picks one (Save as). True when the file was written.
    bool save_sub(std::optional<std::u16string> path);
    /// Empties the document, offering to save it when it differs from its file. False, with
    /// the document kept, when the offered save failed or was cancelled.
    bool close_sub(bool ask_video);
    void mark_modified();
    void open_video(std::optional<std::u16string> path, bool search_sub);
    void close_video(bool ask_sub);
    void warn_subs_past_end();
    /// The list shows the document anew and takes the focus (see `show_rows`).
    void refresh_list(const std::vector<std::size_t>& rows = {}, std::size_t at = 0);
    void check_overlaps(bool report_none);

    // State that tests and the end-to-end harness check.
    const Sub_List& document() const { return subs; }
    const Ini_File& settings_document() const { return settings; }
    const std::u16string& settings_file() const { return settings_path; }
    bool is_modified() const { return modified; }
    std::u16string document_path() const;
    std::u16string status_text(int part) const;
    Video_Control& video_control() { return video; }
    Timeline_Control& timeline_control() { return timeline; }
    Waveform_Reader& waveform_reader() { return waveform; }
    listview& list_view() { return list; }
    std::uint32_t new_sub_duration() const { return new_sub_length; }

private:
    // Start-up and shutdown.
    LRESULT on_init_dialog();
    LRESULT on_close();
    LRESULT on_size(params& p);
    bool load_settings();
    void layout_panes();
    void fit_text_column();
    void handle_command_line();
    void write_settings();

    // Menus.
    LRESULT on_file_menu(params& p);
    LRESULT on_playback_menu(params& p);
    LRESULT on_context_menu(params& p);
    LRESULT on_edit_menu(params& p);

    // Files.
    LRESULT on_drop_files(params& p);
    void open_recent_sub(std::uint32_t index);
    bool differs_from_file();
    /// Runs the save question when the document differs from its file; false when the user
    /// cancelled, or said Yes and the save did not happen.
    bool offer_to_save(UINT buttons);
    bool save_current();
    void set_document_title(const std::u16string& path);
    void show_document_path(const std::u16string& path);

    // Video.
    bool check_video_file(const std::u16string& path, std::u16string* error_text);
    void open_recent_video(std::uint32_t index);
    std::uint32_t video_duration() const;
    void seek_step(bool forward);
    void on_timeline_seek(std::uint64_t ms);
    /// Reads the loaded media's waveform for the timeline (when it is shown), from the cache
    /// beside the recovery copies when it is there.
    void start_waveform();
    void stop_waveform();
    void toggle_waveform();

    // List.
    LRESULT on_list_click();
    LRESULT on_list_changed();
    LRESULT on_list_key(params& p);
    void on_selection_timer();
    static void CALLBACK selection_timer_proc(HWND window, UINT msg, UINT_PTR id, DWORD time);
    void insert_sub();
    void edit_sub();
    void remove_subs();
    void locate_sub();
    /// The list is virtual: it asks for a row's texts when it shows them.
    LRESULT on_row_text(params& p);
    void focus_row(std::size_t index);
    void select_rows(const std::vector<std::size_t>& rows);
    /// The list shows the document anew: no selection carries over; then `rows` are selected
    /// with the last one focused, or else row `at` (at most the last) is focused.
    void show_rows(const std::vector<std::size_t>& rows, std::size_t at);
    void show_row(std::size_t at);
    void update_saved_time(const SYSTEMTIME* local);
    void update_count_text(std::size_t selected);

    // Other commands.
    void preferences();
    void merge_sub();
    void find_text();
    /// Takes back (or does again) the last change, selecting the subs it touched.
    void undo_redo(bool redo);
    /// Records a change made to `subs`; the title's mark follows the history.
    void record(History_Step step);
    void show_modified_by_history();
    void open_help_file(const char16_t* name, const char16_t* title);

    // Recovery copies.
    void start_recovery(std::uint32_t autosave_seconds);
    void take_recovered(Sub_List recovered, const std::u16string& path);
    void document_changed();
    void discard_recovery_copy();
    void on_recovery_timer();
    static void CALLBACK recovery_timer_proc(HWND window, UINT msg, UINT_PTR id, DWORD time);

    // Helpers.
    int box(const std::u16string& title, const std::u16string& text, UINT flags);
    bool video_loaded() const;
    int play_state();
    void pause_video();
    void set_status(int part, const std::u16string& text);
    void repaint_timeline();
    void send_command(unsigned id);

    /// Held while a flow of the window runs: its dialogs and the save worker may use `subs`,
    /// so a close that arrives meanwhile waits until the last flow has ended.
    class Flow {
    public:
        explicit Flow(Main_Window& window) : window(window) { ++window.flows; }
        ~Flow();
        Flow(const Flow&) = delete;
        Flow& operator=(const Flow&) = delete;

    private:
        Main_Window& window;
    };
    void end_flow();

    Ini_File settings;
    std::u16string settings_path;
    recent_menu recent_subs;
    recent_menu recent_videos;
    layout_resizer resizer;
    Sub_List subs;
    History history;
    bool modified = false;
    listview list;
    Video_Control video;
    Timeline_Control timeline;
    statusbar status;
    file_type_icon srt_icon;
    std::uint32_t new_sub_length = 0;
    bool selection_timer_armed = false;
    bool timeline_repaint_posted = false;
    bool settings_loaded = false;
    unsigned flows = 0;
    bool close_deferred = false;
    Waveform_Reader waveform;
    std::unique_ptr<Recovery_Writer> recovery;  ///< from the settings load on
    std::uint32_t autosave_ms = 0;              ///< 0: no recovery copies are written
    bool recovery_timer_armed = false;
};
