#include "app/recovery.h"

#include <shlobj.h>

#include <algorithm>

#include "app/main_window_support.h"
#include "core/srt_reader.h"
#include "core/srt_writer.h"
#include "io/file.h"
#include "gui/msg_table.h"
#include "io/strings.h"

namespace {

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::uint64_t file_time_value(const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

int hex_digit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

bool is_directory(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder and any missing parents.
bool make_folder(const std::u16string& path, std::u16string* error_text) {
    if (is_directory(path)) return true;
    if (!CreateDirectoryW(wide(path), nullptr)) {
        DWORD code = GetLastError();
        const std::size_t slash = path.find_last_of(u'\\');
        if (code == ERROR_PATH_NOT_FOUND && slash != std::u16string::npos && slash > 0 &&
            make_folder(path.substr(0, slash), error_text)) {
            if (CreateDirectoryW(wide(path), nullptr)) return true;
            code = GetLastError();
        }
        if (!is_directory(path)) {
            if (error_text)
                *error_text = format(u"Could not create the folder \"%s\", error code %u.", path,
                                     static_cast<unsigned>(code));
            return false;
        }
    }
    return true;
}

// The same folder named twice (other letter case) is one folder.
bool same_folder(const std::u16string& a, const std::u16string& b) { return compare_nocase(a, b) == 0; }

}  // namespace

std::u16string recovery_stem(const Recovery_Owner& owner) {
    return format(u"%u-%016X", static_cast<unsigned>(owner.pid), static_cast<unsigned long long>(owner.started));
}

std::optional<Recovery_Owner> parse_recovery_stem(std::u16string_view stem) {
    const std::size_t dash = stem.find(u'-');
    if (dash == std::u16string_view::npos || dash == 0 || dash > 10 || stem.size() != dash + 17) return std::nullopt;
    Recovery_Owner owner;
    std::uint64_t pid = 0;
    for (std::size_t i = 0; i < dash; ++i) {
        if (stem[i] < u'0' || stem[i] > u'9') return std::nullopt;
        pid = pid * 10 + (stem[i] - u'0');
    }
    if (pid > UINT32_MAX) return std::nullopt;
    owner.pid = static_cast<std::uint32_t>(pid);
    for (std::size_t i = dash + 1; i < stem.size(); ++i) {
        const int digit = hex_digit(stem[i]);
        if (digit < 0) return std::nullopt;
        owner.started = (owner.started << 4) | static_cast<std::uint64_t>(digit);
    }
    return owner;
}

std::u16string recovery_record_text(const std::u16string& document) {
    Ini_File record;
    add_entry(add_section(record, u"Recovery"), u"document").value = document;
    return serialize_ini(record);
}

bool recovery_record_document(const Ini_File& record, std::u16string& document, std::u16string* error_text) {
    const std::u16string* value = get_value(record, u"Recovery", u"document");
    if (!value) {
        if (error_text) *error_text = u"The copy's record names no document.";
        return false;
    }
    document = *value;
    if (error_text) error_text->clear();
    return true;
}

void sort_newest_first(std::vector<Recovery_Copy>& copies) {
    std::stable_sort(copies.begin(), copies.end(),
                     [](const Recovery_Copy& a, const Recovery_Copy& b) { return a.time > b.time; });
}

std::u16string recovery_question(const Recovery_Copy& copy, const SYSTEMTIME& local, std::size_t subs) {
    return format(u"Cuemill did not end normally. A copy of work that was not saved is kept:\n\n\"%s\"\n\n"
                  u"Copied: %s\nTotal subtitles: %s\n\nDo you want to recover it? No deletes the copy.",
                  copy.document.empty() ? std::u16string(u"untitled.srt") : copy.document, format_local_time(local),
                  group_thousands(static_cast<std::int32_t>(subs)));
}

std::u16string recovery_unreadable_text(const Recovery_Copy& copy, const std::u16string& error) {
    return format(u"A copy of work that was not saved could not be read:\n\n\"%s\"\n%s\n\nThe copy is kept.",
                  copy.copy_path(), error);
}

Recovery_Owner current_recovery_owner() {
    FILETIME created{}, ended{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return {static_cast<std::uint32_t>(GetCurrentProcessId()), file_time_value(created)};
}

bool recovery_owner_running(const Recovery_Owner& owner) {
    // Waiting on the process would need more access, which a protected process that took over
    // the id refuses: its exit code tells whether it still runs.
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner.pid);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    FILETIME created{}, ended{}, kernel{}, user{};
    DWORD code = 0;
    // A process that has ended stays open while someone holds a handle to it.
    const bool running = GetProcessTimes(process, &created, &ended, &kernel, &user) &&
                         file_time_value(created) == owner.started && GetExitCodeProcess(process, &code) &&
                         code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

std::vector<std::u16string> recovery_folders(const std::u16string& settings_folder) {
    std::vector<std::u16string> folders{settings_folder + u"\\Recovery"};
    wchar_t local[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local))) {
        std::u16string fallback = reinterpret_cast<const char16_t*>(local);
        fallback += u"\\Cuemill\\Recovery";
        if (!same_folder(fallback, folders[0])) folders.push_back(std::move(fallback));
    }
    return folders;
}

std::vector<Recovery_Copy> find_orphan_copies(const std::vector<std::u16string>& folders) {
    std::vector<Recovery_Copy> copies;
    for (const std::u16string& folder : folders) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW(wide(folder + u"\\*.ini"), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::u16string name = reinterpret_cast<const char16_t*>(found.cFileName);
            if (!has_extension(name, u".ini")) continue;
            Recovery_Copy copy;
            copy.folder = folder;
            copy.stem = name.substr(0, name.size() - 4);
            const std::optional<Recovery_Owner> owner = parse_recovery_stem(copy.stem);
            if (!owner || recovery_owner_running(*owner)) continue;
            WIN32_FILE_ATTRIBUTE_DATA data{};
            if (!GetFileAttributesExW(wide(copy.copy_path()), GetFileExInfoStandard, &data)) continue;
            copy.time = file_time_value(data.ftLastWriteTime);
            copy.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            Ini_File record;
            if (load_ini(record, copy.record_path(), &copy.record_error))
                recovery_record_document(record, copy.document, &copy.record_error);
            copies.push_back(std::move(copy));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    sort_newest_first(copies);
    return copies;
}

bool read_recovery_copy(const Recovery_Copy& copy, Sub_List& subs, std::u16string* error_text) {
    if (!copy.record_error.empty()) {
        if (error_text) *error_text = copy.record_error;
        return false;
    }
    // The writer stores an empty document as a file of no bytes, which the reader cannot map.
    if (copy.size == 0) {
        subs.clear();
        if (error_text) error_text->clear();
        return true;
    }
    return read_srt_file(subs, copy.copy_path(), error_text);
}

bool claim_recovery_copy(Recovery_Copy& copy, const std::u16string& stem) {
    Recovery_Copy claimed = copy;
    claimed.stem = stem;
    // Whoever renames the record first owns the copy; the others no longer see it.
    if (!MoveFileW(wide(copy.record_path()), wide(claimed.record_path()))) return false;
    if (!MoveFileW(wide(copy.copy_path()), wide(claimed.copy_path()))) {
        // Given back, so that the copy is offered again.
        MoveFileW(wide(claimed.record_path()), wide(copy.record_path()));
        return false;
    }
    copy = std::move(claimed);
    return true;
}

Take_Result take_recovery_copy(Recovery_Copy& copy, const std::u16string& stem, Sub_List& subs,
                               std::u16string* error_text) {
    const std::u16string own_stem = copy.stem;
    if (!claim_recovery_copy(copy, stem)) return Take_Result::gone;
    if (read_recovery_copy(copy, subs, error_text)) return Take_Result::taken;
    claim_recovery_copy(copy, own_stem);
    return Take_Result::unreadable;
}

void remove_recovery_files(const std::u16string& folder, const std::u16string& stem) {
    DeleteFileW(wide(folder + u"\\" + stem + u".srt"));
    DeleteFileW(wide(folder + u"\\" + stem + u".ini"));
}

struct Recovery_Writer::State {
    struct Snapshot {
        Sub_List subs;
        std::u16string document;
    };

    std::vector<std::u16string> folders;
    std::u16string stem;

    std::mutex mutex;
    std::condition_variable idle;
    std::optional<Snapshot> pending;  // guarded by mutex
    bool running = false;             // guarded by mutex
    bool discard_due = false;         // guarded by mutex: asked while a write was in progress
    std::u16string folder;            // guarded by mutex
    std::u16string error;             // guarded by mutex
    bool failing = false;             // the worker's, or the caller's while it is idle
    std::u16string record_written;    // the same
    std::function<void(bool)> report;

    void run();
    void write(const Snapshot& job);
    void discard_now();
    void set_failing(bool now);
    void remove_everywhere(const std::u16string* except);
};

void Recovery_Writer::State::run() {
    std::unique_lock lock(mutex);
    while (pending || discard_due) {
        if (discard_due) {
            discard_due = false;
            lock.unlock();
            discard_now();
        } else {
            const Snapshot job = std::move(*pending);
            pending.reset();
            lock.unlock();
            write(job);
        }
        lock.lock();
    }
    running = false;
    idle.notify_all();
}

void Recovery_Writer::State::discard_now() {
    remove_everywhere(nullptr);
    record_written.clear();
    failing = false;
    const std::lock_guard lock(mutex);
    folder.clear();
    error.clear();
}

void Recovery_Writer::State::set_failing(bool now) {
    if (failing == now) return;
    failing = now;
    if (report) report(now);
}

void Recovery_Writer::State::write(const Snapshot& job) {
    const std::lock_guard turn(document_write_lock());
    bool keep = !job.subs.empty();
    if (!job.document.empty()) {
        Sub_List on_disk;
        keep = !read_srt_file(on_disk, job.document) || !lists_equal(job.subs, on_disk);
    }
    if (!keep) {
        discard_now();
        return;
    }
    const std::u16string text = write_srt(job.subs);
    const std::u16string record = recovery_record_text(job.document);
    std::u16string failure;
    for (const std::u16string& target : folders) {
        const std::u16string base = target + u"\\" + stem;
        if (!make_folder(target, &failure)) continue;
        if (record_written != base + u"\n" + record) {
            if (!write_text_file_safely(base + u".ini", record, &failure)) continue;
            record_written = base + u"\n" + record;
        }
        if (!write_text_file_safely(base + u".srt", text, &failure)) continue;
        std::unique_lock lock(mutex);
        const bool moved = folder != target;
        folder = target;
        error.clear();
        lock.unlock();
        if (moved) remove_everywhere(&target);
        set_failing(false);
        return;
    }
    record_written.clear();
    {
        const std::lock_guard lock(mutex);
        folder.clear();
        error = failure;
    }
    set_failing(true);
}

void Recovery_Writer::State::remove_everywhere(const std::u16string* except) {
    for (const std::u16string& target : folders)
        if (!except || target != *except) remove_recovery_files(target, stem);
}

Recovery_Writer::Recovery_Writer(std::vector<std::u16string> folders, std::u16string stem)
    : state(std::make_shared<State>()), own_stem(stem) {
    state->folders = std::move(folders);
    state->stem = std::move(stem);
}

Recovery_Writer::~Recovery_Writer() { wait_idle(); }

void Recovery_Writer::write(const Sub_List& subs, const std::u16string& document) {
    State::Snapshot snapshot{subs, document};
    const std::lock_guard lock(state->mutex);
    state->pending = std::move(snapshot);
    if (state->running) return;
    state->running = true;
    const std::shared_ptr<State> shared = state;
    if (!start_thread([shared] { shared->run(); })) {
        state->running = false;
        state->pending.reset();
        state->error = u"The writer thread could not be started.";
    }
}

void Recovery_Writer::discard() {
    std::unique_lock lock(state->mutex);
    state->pending.reset();
    if (state->running) {
        state->discard_due = true;
        return;
    }
    lock.unlock();
    state->discard_now();
}

void Recovery_Writer::report_failures(std::function<void(bool failing)> report) { state->report = std::move(report); }

void Recovery_Writer::wait_idle() {
    std::unique_lock lock(state->mutex);
    state->idle.wait(lock, [this] { return !state->running; });
}

std::u16string Recovery_Writer::folder() const {
    const std::lock_guard lock(state->mutex);
    return state->folder;
}

std::u16string Recovery_Writer::last_error() const {
    const std::lock_guard lock(state->mutex);
    return state->error;
}
