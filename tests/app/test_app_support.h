#pragma once
// Drives a real Main_Window in-process: the window runs its own loop on the test's main
// thread while a script runs on a second thread, as a user would from outside.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
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
void post_command(HWND window, unsigned id);
/// Posts WM_DROPFILES with these paths, as the shell would.
void drop_files(HWND window, const std::vector<std::u16string>& paths);

/// Rows of the list view: the five column texts each.
std::vector<std::vector<std::u16string>> list_rows(HWND list);
std::vector<int> selected_rows(HWND list);
std::u16string status_part(HWND main_window, int part);
std::string utf8(const std::u16string& s);

/// The main window's list view.
HWND list_of(HWND main);
/// Selects exactly these rows of a list view.
void select_only(HWND list, std::vector<int> rows);
/// Opens `name` of the folder by dropping it and waits for its rows.
void open_file(HWND main, const App_Folder& folder, const char* name, std::size_t rows);
/// Closes the window, answering No when it offers to save; returns once either happened.
void close_without_saving(HWND main);
