#pragma once
// Recovery copies: while the document has unsaved changes, a copy of it is kept on disk so
// that a crash, a killed process or a power cut loses at most one autosave interval.
//
// A copy is two files named after the process that owns it: "<stem>.srt", the SRT writer's
// output, and "<stem>.ini", which names the document (empty when untitled). The time of the
// copy is the .srt file's last write time. The record is written before the copy, so a copy
// never exists without it; a record without a copy is not a copy.

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/sub_list.h"
#include "io/ini_file.h"

/// A process, told apart from a later one that reuses its id by its creation time.
struct Recovery_Owner {
    std::uint32_t pid = 0;
    std::uint64_t started = 0;  ///< creation time, 100 ns units since 1601 (FILETIME)
    bool operator==(const Recovery_Owner&) const = default;
};

/// "<pid>-<started as 16 hex digits>": the name of the owner's files without extension.
std::u16string recovery_stem(const Recovery_Owner& owner);
/// The owner of a stem; none for any other name.
std::optional<Recovery_Owner> parse_recovery_stem(std::u16string_view stem);

/// The text of the record file, and the document a loaded record names. The latter fails,
/// with a reason in error_text, when the record has no document key.
std::u16string recovery_record_text(const std::u16string& document);
bool recovery_record_document(const Ini_File& record, std::u16string& document, std::u16string* error_text = nullptr);

/// A copy left by a process that no longer runs.
struct Recovery_Copy {
    std::u16string folder;
    std::u16string stem;
    std::u16string document;  ///< empty when the document was untitled
    std::uint64_t time = 0;   ///< the copy's last write time, FILETIME UTC
    std::uint64_t size = 0;   ///< bytes of the .srt file
    std::u16string record_error;  ///< why the record could not be read; empty when it was

    std::u16string copy_path() const { return folder + u"\\" + stem + u".srt"; }
    std::u16string record_path() const { return folder + u"\\" + stem + u".ini"; }
};

/// Newest first; copies of the same time keep their order.
void sort_newest_first(std::vector<Recovery_Copy>& copies);

/// The question asked for a copy, with its time already in local time.
std::u16string recovery_question(const Recovery_Copy& copy, const SYSTEMTIME& local, std::size_t subs);
/// The report for a copy that cannot be read.
std::u16string recovery_unreadable_text(const Recovery_Copy& copy, const std::u16string& error);

/// This process.
Recovery_Owner current_recovery_owner();
/// True while that very process runs. It is asked with the least access that tells its
/// creation time, so that a process that took over the id is told apart even when it may not
/// be waited for; only a process that may not be asked at all counts as running, so that its
/// copies are left alone.
bool recovery_owner_running(const Recovery_Owner& owner);

/// Where copies are written, in order of preference: "Recovery" in `settings_folder`, then
/// "Cuemill\Recovery" in the local application data folder.
std::vector<std::u16string> recovery_folders(const std::u16string& settings_folder);

/// The copies in `folders` whose owners no longer run, newest first.
std::vector<Recovery_Copy> find_orphan_copies(const std::vector<std::u16string>& folders);
/// Reads a copy's subs; an empty copy is an empty document.
bool read_recovery_copy(const Recovery_Copy& copy, Sub_List& subs, std::u16string* error_text = nullptr);
/// Renames the copy to `stem` within its folder, so that no other process offers it too.
/// False when another process took it first, or when the copy cannot be renamed (its record
/// is then put back, so it is offered again). On success `copy.stem` is `stem`.
bool claim_recovery_copy(Recovery_Copy& copy, const std::u16string& stem);

enum class Take_Result {
    taken,       ///< claimed and read
    unreadable,  ///< claimed, but it cannot be read: given back under its old name
    gone,        ///< another process took it first
};
/// Claims the copy for `stem`, then reads it: claimed first, so a process starting at the same
/// moment never finds it gone while reading. `error_text` is set only for `unreadable`.
Take_Result take_recovery_copy(Recovery_Copy& copy, const std::u16string& stem, Sub_List& subs,
                               std::u16string* error_text = nullptr);
/// Deletes the copy and then its record.
void remove_recovery_files(const std::u16string& folder, const std::u16string& stem);

/// Writes one document's copy on a worker thread. write() takes a snapshot on the caller's
/// thread; the worker writes snapshots one at a time, and when several queue up only the
/// newest is written. A snapshot that equals its file on disk (or is untitled and empty)
/// removes the copy instead. The copy goes to the first folder where it can be written; the
/// same stem in the other folders is removed then.
class Recovery_Writer {
public:
    Recovery_Writer(std::vector<std::u16string> folders, std::u16string stem);
    /// Waits for the worker.
    ~Recovery_Writer();
    Recovery_Writer(const Recovery_Writer&) = delete;
    Recovery_Writer& operator=(const Recovery_Writer&) = delete;

    void write(const Sub_List& subs, const std::u16string& document);
    /// Drops a queued snapshot and deletes the copy in every folder: at once when the worker
    /// is idle, otherwise by the worker when its write in progress ends (it may be reading a
    /// slow document file): the caller never waits.
    void discard();
    /// `report` is called on the worker's thread when writing starts to fail in every folder
    /// (true) and when it works again (false); a discard forgets a failure without a report.
    /// Set before the first write.
    void report_failures(std::function<void(bool failing)> report);
    /// Waits until nothing is queued or being written.
    void wait_idle();

    const std::u16string& stem() const { return own_stem; }
    /// The folder of the last copy written; empty before the first or when none could be.
    std::u16string folder() const;
    /// Why the last write failed in every folder; empty after a success.
    std::u16string last_error() const;

private:
    struct State;
    std::shared_ptr<State> state;
    std::u16string own_stem;
};
