#pragma once
// Drives a real Main_Window in-process: the window runs its own loop on the test's main
// thread while a script runs on a second thread, as a user would from outside.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class Main_Window;

/// A fresh folder with a Cuemill.ini, removed afterwards.
struct App_Folder {
    App_Folder();
    ~App_Folder();
    std::u16string path(const char* name) const;
    void write(const char* name, const std::string& bytes) const;
    std::string read(const char* name) const;
    std::filesystem::path dir;
};

/// The shipped settings with one line replaced, when given.
std::string settings_text(const std::string& from = "", const std::string& to = "");

/// One sub of a test file; without a text it reads "Sub <number>".
struct Srt_Sub {
    std::uint64_t start, end;
    std::string text = {};
};
/// The SRT text of these subs, numbered from 1.
std::string srt_of(const std::vector<Srt_Sub>& subs);

/// Runs the window (settings from `folder`) until it is destroyed; `script` runs on a
/// driver thread once the window exists. Returns run()'s result.
int run_with_script(Main_Window& window, const App_Folder& folder, std::function<void(HWND)> script);

/// Waits for `condition` up to the deadline; false when it never held.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));

/// A dialog of this process with that title, or null after the deadline.
HWND wait_for_dialog(const std::u16string& title, std::chrono::milliseconds limit = std::chrono::seconds(10));
/// The message text of a message box.
std::u16string box_text(HWND box);
/// Clicks a button of a dialog and waits for the dialog to go.
void answer(HWND dialog, int button);
/// The title (text) of a window.
std::u16string text_of(HWND window);

/// Posts a closure to run on the window's thread (the framework's run-closure message),
/// without waiting: the closure may show modal boxes that the script answers.
void post_to_window(HWND window, std::function<void()> closure);
/// Runs `closure` on the window's thread and waits until it has run. The window's state is
/// read this way, never from the driver thread while the window's thread changes it.
void on_window_thread(HWND window, std::function<void()> closure);
/// What `read` gives on the window's thread.
template <class Read>
auto read_on_window(HWND window, Read read) {
    auto value = std::make_shared<decltype(read())>();
    on_window_thread(window, [value, read] { *value = read(); });
    return *value;
}
/// The settings file once the window's thread has finished its current work. Reading it while
/// the program writes it would make that write fail, so the tests never poll it.
std::string settings_now(HWND main, const App_Folder& folder);
void post_command(HWND window, unsigned id);
/// Posts WM_DROPFILES with these paths, as the shell would.
void drop_files(HWND window, const std::vector<std::u16string>& paths);

/// Rows of the list view: the five column texts each.
std::vector<std::vector<std::u16string>> list_rows(HWND list);
std::u16string list_cell(HWND list, int row, int column);
std::vector<int> selected_rows(HWND list);
std::u16string status_part(HWND main_window, int part);
std::string utf8(const std::u16string& s);

/// The main window's list view and timeline.
HWND list_of(HWND main);
HWND timeline_of(HWND main);
/// Selects exactly these rows of a list view.
void select_only(HWND list, std::vector<int> rows);
/// Opens `name` of the folder by dropping it and waits for its rows.
void open_file(HWND main, const App_Folder& folder, const char* name, std::size_t rows);
/// Removes the first row (Remove, Yes) of the open file `name`, and waits for the title's mark.
void remove_first_row(HWND main, const char* name);
/// Closes the window. `asks`: it must offer to save first, and the offer is answered No;
/// otherwise it must close without offering.
void close_without_saving(HWND main, bool asks);

/// The id of entry `index` (from 0) of the File menu's recent submenu that shows `path`; 0 when
/// there is none.
UINT recent_entry_id(HWND main, const std::u16string& path, int index);

/// Real input, as a user gives it: it goes to the foreground window.
INPUT key_input(WORD key, bool up);
void send_input(std::vector<INPUT> inputs);
/// Presses and releases each key in turn.
void press(std::initializer_list<WORD> keys);
/// A click at a screen point; `modifier` (VK_SHIFT, VK_CONTROL) is held around it.
void click_at(POINT at, WORD modifier = 0, bool right = false, int clicks = 1);
/// A screen point inside the "Start" column of a row.
POINT row_point(HWND list, int row);
/// Brings the window to the foreground, where real input goes.
void bring_to_front(HWND main);
