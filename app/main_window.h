#pragma once
// The application window: the document, the settings, the list of subs, the video, the
// timeline, the status bar and every menu command.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window_support.h"
#include "audio/waveform_reader.h"
#include "core/history.h"
#include "core/sub_list.h"
#include "core/time_map.h"
#include "gui/dialogs.h"
#include "gui/layout_metrics.h"
#include "gui/msg_table.h"
#include "gui/native_controls.h"
#include "gui/recent_menu.h"
#include "io/file_stamp.h"
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
    cmd_replace = IDM_REPLACE,
    cmd_split = IDM_SPLIT_SUB,
    cmd_join = IDM_JOIN_SUBS,
    cmd_set_start = IDM_SET_START,
    cmd_set_end = IDM_SET_END,
    cmd_set_end_next = IDM_SET_END_NEXT,
    cmd_previous_frame = IDM_PREVIOUS_FRAME,
    cmd_next_frame = IDM_NEXT_FRAME,
    cmd_speed_first = IDM_SPEED_50,  ///< one id a speed, in the order of `playback_speeds`
    cmd_shift_times = IDM_SHIFT_TIMES,
    cmd_set_sync_point = IDM_SET_SYNC_POINT,
    cmd_apply_sync_points = IDM_APPLY_SYNC_POINTS,
    cmd_clear_sync_points = IDM_CLEAR_SYNC_POINTS,
    cmd_change_frame_rate = IDM_CHANGE_FRAME_RATE,
    cmd_sync_speech = IDM_SYNC_SPEECH,
};

inline constexpr int main_list_id = IDC_SUBS_LIST;
inline constexpr int video_control_id = IDC_VIDEO;
inline constexpr int timeline_control_id = IDC_TIMELINE;
inline constexpr UINT_PTR selection_timer_id = IDT_SELECTION_COUNT;
inline constexpr UINT_PTR recovery_timer_id = IDT_RECOVERY_COPY;
inline constexpr UINT repaint_timeline_message = WM_APP + 1;
/// From the recovery writer's thread: wParam 1 when writing copies fails, 0 when it works again.
inline constexpr UINT recovery_notice_message = WM_APP + 2;
/// Posted at the end of WM_INITDIALOG: what the start brings, once the window shows.
inline constexpr UINT start_message = WM_APP + 4;
/// Posted when the program gets the focus back: the document's file may have changed.
inline constexpr UINT file_check_message = WM_APP + 3;
/// The status bar's part that names the encoding the document was read in.
inline constexpr int encoding_status_part = 4;
/// Posted by the waveform's reader when there is more of it to draw.
inline constexpr UINT waveform_changed_message = WM_APP + 0x60;

class Recovery_Writer;

/// The size of a file just written; false, with the reason, when it is gone or cannot be read.
bool measure_written_file(const std::u16string& path, std::uint64_t& size, std::u16string* error_text);

/// Which rows the list selects after a change of the document.
struct Row_Choice {
    enum Mode {
        put_in,  ///< the rows the change put in; with none, the row where it took subs out
        given,   ///< `rows`, the last one focused; with none, row `at`
        keep,    ///< the selection stays (it moved with its subs)
    };
    Mode mode = put_in;
    std::vector<std::size_t> rows = {};
    std::size_t at = 0;
};

/// Where the step given to `Main_Window::apply_change` comes from.
enum class Change_Source {
    to_apply,  ///< a step for the path to apply to the document
    applied,   ///< a step the caller has applied already
    undo,      ///< the history's last step, taken back
    redo,      ///< the history's last undone step, done again
};

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
    /// Measures a file just written (its size); false with a reason when it cannot. Tests
    /// make it fail, as a file taken away right after the save would.
    std::function<bool(const std::u16string& path, std::uint64_t& size, std::u16string* error_text)> measure_file;

    /// With no path the user picks one. `search_video` offers a same-named video. A document
    /// that differs from its file is offered for saving first; false when the user cancelled
    /// there (or that save failed), so nothing was opened.
    /// `code_page` other than 0 reads the file in that encoding (io/code_pages.h).
    bool open_sub(std::optional<std::u16string> path, bool search_video, unsigned code_page = 0);
    /// With no path the user picks one (Save as). True when the file was written.
    bool save_sub(std::optional<std::u16string> path);
    /// Empties the document, offering to save it when it differs from its file. False, with
    /// the document kept, when the offered save failed or was cancelled.
    bool close_sub(bool ask_video);
    void mark_modified();
    void open_video(std::optional<std::u16string> path, bool search_sub);
    void close_video(bool ask_sub);
    void warn_subs_past_end();
    /// The one path of every change to the document: applies `step` (unless the caller did, or
    /// the history does for undo and redo), records it, sets the title's mark from the
    /// history's saved state, tells the recovery copy, and shows the change in the list (rows
    /// chosen by `rows`), the timeline and the overlay. False, with nothing changed, when the
    /// step does not fit the document or there is nothing to undo or redo. An empty step is
    /// shown but not recorded.
    bool apply_change(History_Step step, Row_Choice rows, Change_Source source = Change_Source::to_apply);
    /// Records that the sub starting at `point.from` belongs at `point.to`, replacing a point
    /// of the same sub; the timeline marks it.
    void add_sync_point(Sync_Point point);
    /// The list shows the document anew, `rows` as `show_list` selects them, and takes the focus.
    void refresh_list(const std::vector<std::size_t>& rows = {}, std::size_t at = 0);
    void check_overlaps(bool report_none);

    // State that tests and the end-to-end harness check.
    const Sub_List& document() const { return subs; }
    const Ini_File& settings_document() const { return settings; }
    const std::u16string& settings_file() const { return settings_path; }
    bool is_modified() const { return modified; }
    /// The code page the document's file was read in or saved in; 0 when untitled.
    unsigned document_encoding() const { return document_code_page; }
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
    void on_start();
    LRESULT on_close();
    LRESULT on_size(params& p);
    bool load_settings();
    void layout_panes(const Main_Window_Metrics& m);
    void fit_template_to_work_area();
    /// The rectangle moved and cut to lie within its monitor's work area.
    RECT fit_work_area(RECT r) const;
    LRESULT on_dpi_changed(params& p);
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
    /// Reads the file into the document once the user has agreed to replace it.
    bool read_document(const std::u16string& path, bool search_video, unsigned code_page);
    /// Remembers the file the document belongs to now, the encoding it is in and its stamp.
    void set_document_file(const std::u16string& path, unsigned code_page);
    // Encodings and files changed by another program.
    void add_encoding_menu();
    void update_encoding_menu(HMENU file_menu);
    void reopen_with_encoding(unsigned code_page);
    /// Asks before saving over the document's file when another program changed it; false
    /// when the user said No.
    bool confirm_overwrite(const std::u16string& path);
    void offer_to_reopen_changed();
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
    /// Reads the loaded media's waveform for the timeline (when it is shown, or when syncing to
    /// speech needs it), from the cache beside the recovery copies when it is there.
    void start_waveform(bool even_hidden = false);
    void stop_waveform();
    void toggle_waveform();

    // List.
    LRESULT on_list_click();
    LRESULT on_list_changed();
    LRESULT on_list_key(params& p);
    void on_selection_timer();
    static void CALLBACK selection_timer_proc(HWND window, UINT msg, UINT_PTR id, DWORD time);
    void insert_sub();
    /// The Edit dialog for a new sub with these times; OK with a text inserts it.
    void insert_sub_as(const Sub_Item& proposed);
    void edit_sub();
    void remove_subs();
    void locate_sub();
    /// The list is virtual: it asks for a row's texts when it shows them.
    LRESULT on_row_text(params& p);
    /// The one redisplay of the list: its row count, the selection `choice` makes (`given` and
    /// `put_in` rows alike; `keep` leaves it), the Text column refitted, the focused row wholly
    /// in view and the count text. Rows from..to (inclusive) changed; the whole list is redrawn
    /// when the selection or count changes.
    void show_list(const Row_Choice& choice, std::size_t from = 0, std::size_t to = no_position);
    void update_saved_time(const SYSTEMTIME* local);
    void update_count_text(std::size_t selected);

    // Timing to the video (main_window_spotting.cpp).
    /// The Timing menu's states of the commands below.
    void spotting_menu_states(HMENU timing_menu);
    LRESULT on_speed_menu(params& p);
    /// The time the start or end commands take: the video's position while it plays, else
    /// the playhead.
    std::uint64_t playhead_now();
    /// The one selected row; no_position unless exactly one is selected.
    std::size_t single_selected_row() const;
    void set_start_at_playhead();
    void set_end_at_playhead(bool then_next);
    void choose_speed(std::uint32_t percent);
    void say_speed_refused(std::uint32_t percent);
    void step_frame(bool forward);

    // Other commands.
    void preferences();
    void merge_sub();
    void find_text();
    /// The title's mark follows the history's saved state.
    void show_modified_by_history();
    void open_help_file(const char16_t* name, const char16_t* title);

    // Text commands (main_window_text.cpp).
    /// Pauses the video; with no subs says there is nothing to search and gives false.
    bool ready_to_search();
    void replace_text();
    /// The selected sub in two; the ding unless exactly one is selected and its text can be cut.
    void split_selected();
    /// The selected subs in one; the ding unless two or more that follow each other are selected.
    void join_selected();
    // Re-timing (main_window_timing.cpp).
    LRESULT on_timing_menu(params& p);
    void shift_times();
    void set_sync_point();
    void apply_sync_points();
    void clear_sync_points();
    void change_frame_rate();
    /// Re-times the document (or its selected subs) to the speech in the loaded media's audio.
    void sync_to_speech();
    /// Applies a re-timing of the document as one step, the selection following its subs;
    /// false, with a box that says how many subs, when it would take subs out of range.
    bool apply_retiming(Retiming retiming);

    // Recovery copies.
    void start_recovery(std::uint32_t autosave_seconds);
    void take_recovered(Sub_List recovered, const std::u16string& path);
    void document_changed();
    void discard_recovery_copy();
    void on_recovery_timer();
    void on_recovery_notice(bool failing);
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
    unsigned document_code_page = 0;
    File_Stamp document_stamp;
    File_Stamp declined_stamp;  ///< the change the user last said No to reopening
    HMENU encoding_menu = nullptr;
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
    std::uint32_t autosave_seconds = 0;         ///< from the settings, until the start
    bool recovery_timer_armed = false;
    notice_balloon notice;
    /// The video that refused a speed has been told so: it is not said again for it.
    bool speed_refusal_said = false;
    std::u16string shift_amount = u"0.000";  ///< the last amount, while the program runs
    std::u16string rate_from = u"25", rate_to = u"23.976";
    std::vector<Sync_Point> sync_points;
};
