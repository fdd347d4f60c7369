#pragma once
// Message boxes centred over their owner, the standard file dialogs, dropped files and the
// executable's folder.

#include <string>
#include <vector>

#include "gui/msg_table.h"

#include <shellapi.h>

/// MessageBoxW over the owner's window, centred on it and kept inside the work area.
int message_box(const window_base& owner, std::u16string caption, std::u16string text, UINT flags);
int message_box(HWND owner, std::u16string caption, std::u16string text, UINT flags);

/// "name|pattern|..." as OPENFILENAMEW wants it: zeros between the parts and two at the end.
std::vector<wchar_t> convert_filter(const std::u16string& filter);

/// True when the user chose an existing file; `path` is then its full path, else unchanged.
bool open_file_dialog(const window_base& owner, const std::u16string& filter, std::u16string& path);
/// True when the user chose a name (filter "SubRip subtitle (*.srt)|*.srt").
bool save_file_dialog(const window_base& owner, std::u16string& path, const std::u16string* initial_name);

/// The full paths of a WM_DROPFILES in the shell's order; always releases the drop handle.
std::vector<std::u16string> dropped_files(const params& p);
std::vector<std::u16string> dropped_files(HDROP drop);

/// The folder of the executable, without a trailing backslash.
std::u16string executable_directory();
