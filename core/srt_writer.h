#pragma once
// Turning a Sub_List into the text of an SRT file.

#include <mutex>
#include <string>

#include "core/sub_list.h"

/// Every block: its number, "hh:mm:ss,mmm --> hh:mm:ss,mmm", the text as it is, "\r\n\r\n".
/// An empty list gives an empty text. Cannot fail; store it with write_text_file.
std::u16string write_srt(const Sub_List& list);

/// Whatever writes a document to disk off the GUI thread (a save, a recovery copy) takes turns
/// on this lock, so that two writers never run at once.
std::mutex& document_write_lock();
