// probe.exe: looks into and pokes at the windows of another process for the end-to-end driver.
// It runs under the same wineserver as the program under test and reads one command per line
// on stdin (fields separated by tabs). Every answer is zero or more lines followed by "." on a
// line of its own, or a single line "ERR <reason>". Texts are UTF-8 with \\, \n, \r and \t escaped,
// handles and ids are decimal.
//
// Messages whose parameters point at memory (list view items, status bar texts) are answered
// through a buffer allocated inside the target process, since Windows marshals only the classic
// window messages across processes.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring wide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

// The driver splits answers on tabs and lines, so those characters travel escaped.
std::string escaped(const std::wstring& w) {
    std::string out;
    for (char c : utf8(w)) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

std::wstring unescaped(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n;
        } else {
            out += s[i];
        }
    }
    return wide(out);
}

void line(const std::string& s) {
    fwrite(s.data(), 1, s.size(), stdout);
    fputc('\n', stdout);
}

void done() {
    line(".");
    fflush(stdout);
}

void fail(const std::string& why) {
    line(std::string("ERR ") + why);
    fflush(stdout);
}

std::string num(unsigned long long v) { return std::to_string(v); }
std::string snum(long long v) { return std::to_string(v); }
std::string hnum(HWND h) { return num(reinterpret_cast<uintptr_t>(h)); }

HWND to_hwnd(const std::string& s) {
    return reinterpret_cast<HWND>(uintptr_t(strtoull(s.c_str(), nullptr, 10)));
}

std::string rect_text(const RECT& r) {
    return snum(r.left) + "\t" + snum(r.top) + "\t" + snum(r.right) + "\t" + snum(r.bottom);
}

// Never block on a hung or busy target for long: the driver has its own deadlines.
const UINT query_timeout_ms = 3000;

bool query(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, query_timeout_ms, &r)) return false;
    *result = LRESULT(r);
    return true;
}

std::wstring class_of(HWND w) {
    wchar_t buf[256] = {};
    GetClassNameW(w, buf, 256);
    return buf;
}

std::wstring text_of(HWND w) {
    LRESULT len = 0;
    if (!query(w, WM_GETTEXTLENGTH, 0, 0, &len) || len <= 0) return {};
    std::wstring buf(size_t(len) + 1, L'\0');
    LRESULT got = 0;
    if (!query(w, WM_GETTEXT, WPARAM(buf.size()), reinterpret_cast<LPARAM>(buf.data()), &got)) return {};
    buf.resize(size_t(got));
    return buf;
}

// A block of memory in the process that owns a window; freed on destruction.
class Remote_Buffer {
public:
    Remote_Buffer(HWND owner, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                   PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_)
            memory_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~Remote_Buffer() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    Remote_Buffer(const Remote_Buffer&) = delete;
    Remote_Buffer& operator=(const Remote_Buffer&) = delete;

    bool ok() const { return memory_ != nullptr; }
    char* at(size_t offset) const { return memory_ + offset; }
    bool write(size_t offset, const void* data, size_t n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && WriteProcessMemory(process_, memory_ + offset, data, n, &done) &&
               done == n;
    }
    bool read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, memory_ + offset, data, n, &done) &&
               done == n;
    }

private:
    HANDLE process_ = nullptr;
    char* memory_ = nullptr;
    size_t size_;
};

const size_t text_chars = 4096;
const size_t text_offset = 512;  // after the item record

bool list_item_text(HWND list, const Remote_Buffer& buf, int item, int column, std::wstring* out) {
    LVITEMW it = {};
    it.iSubItem = column;
    it.pszText = reinterpret_cast<LPWSTR>(buf.at(text_offset));
    it.cchTextMax = int(text_chars);
    wchar_t zero = 0;
    if (!buf.write(0, &it, sizeof it) || !buf.write(text_offset, &zero, sizeof zero)) return false;
    LRESULT len = 0;
    if (!query(list, LVM_GETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(buf.at(0)), &len)) return false;
    if (len < 0) len = 0;
    if (size_t(len) >= text_chars) len = LRESULT(text_chars - 1);
    std::wstring text(size_t(len), L'\0');
    if (len > 0 && !buf.read(text_offset, text.data(), size_t(len) * sizeof(wchar_t))) return false;
    *out = text;
    return true;
}

// rows <list>: "count N", "columns C", "selected S", then per row
// "row <i> <state> <col0> ... <colC-1>" with state bit 1 = selected, 2 = focused.
void cmd_rows(HWND list) {
    Remote_Buffer buf(list, text_offset + text_chars * sizeof(wchar_t));
    if (!buf.ok()) return fail("no remote buffer");
    LRESULT count = 0, selected = 0, header = 0, columns = 0;
    if (!query(list, LVM_GETITEMCOUNT, 0, 0, &count)) return fail("LVM_GETITEMCOUNT");
    query(list, LVM_GETSELECTEDCOUNT, 0, 0, &selected);
    if (query(list, LVM_GETHEADER, 0, 0, &header) && header)
        query(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &columns);
    if (columns <= 0) columns = 1;
    line(std::string("count\t") + snum(count));
    line(std::string("columns\t") + snum(columns));
    line(std::string("selected\t") + snum(selected));
    for (int i = 0; i < int(count); ++i) {
        LRESULT state = 0;
        query(list, LVM_GETITEMSTATE, WPARAM(i), LVIS_SELECTED | LVIS_FOCUSED, &state);
        std::string row = std::string("row\t") + num(unsigned(i)) + "\t" +
                          num(((state & LVIS_SELECTED) ? 1u : 0u) | ((state & LVIS_FOCUSED) ? 2u : 0u));
        for (int c = 0; c < int(columns); ++c) {
            std::wstring text;
            if (!list_item_text(list, buf, i, c, &text)) return fail("LVM_GETITEMTEXTW");
            row += std::string("\t") + escaped(text);
        }
        line(row);
    }
    done();
}

// itemrect <list> <row>: the row's bounds in screen coordinates.
void cmd_itemrect(HWND list, int item) {
    Remote_Buffer buf(list, sizeof(RECT));
    RECT r = {};
    r.left = LVIR_BOUNDS;
    if (!buf.ok() || !buf.write(0, &r, sizeof r)) return fail("no remote buffer");
    LRESULT ok = 0;
    if (!query(list, LVM_GETITEMRECT, WPARAM(item), reinterpret_cast<LPARAM>(buf.at(0)), &ok) || !ok)
        return fail("LVM_GETITEMRECT");
    buf.read(0, &r, sizeof r);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    line(rect_text(r));
    done();
}

// setsel <list> <row|-1> <selected 0|1>: sets or clears LVIS_SELECTED | LVIS_FOCUSED on a row.
void cmd_setsel(HWND list, int item, bool on) {
    Remote_Buffer buf(list, sizeof(LVITEMW));
    LVITEMW it = {};
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = on ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    if (!buf.ok() || !buf.write(0, &it, sizeof it)) return fail("no remote buffer");
    LRESULT ok = 0;
    if (!query(list, LVM_SETITEMSTATE, WPARAM(item), reinterpret_cast<LPARAM>(buf.at(0)), &ok) || !ok)
        return fail("LVM_SETITEMSTATE");
    done();
}

// status <bar>: "parts N" then "part <i> <text>".
void cmd_status(HWND bar) {
    Remote_Buffer buf(bar, text_offset + text_chars * sizeof(wchar_t));
    if (!buf.ok()) return fail("no remote buffer");
    LRESULT parts = 0;
    if (!query(bar, SB_GETPARTS, 64, reinterpret_cast<LPARAM>(buf.at(0)), &parts)) return fail("SB_GETPARTS");
    line(std::string("parts\t") + snum(parts));
    int edges[64] = {};
    if (parts > 0 && parts <= 64 && buf.read(0, edges, sizeof(int) * size_t(parts)))
        for (int i = 0; i < int(parts); ++i) line(std::string("edge\t") + num(unsigned(i)) + "\t" + snum(edges[i]));
    for (int i = 0; i < int(parts); ++i) {
        LRESULT info = 0;
        if (!query(bar, SB_GETTEXTLENGTHW, WPARAM(i), 0, &info)) return fail("SB_GETTEXTLENGTHW");
        size_t len = LOWORD(info);
        if (len >= text_chars) len = text_chars - 1;
        std::wstring text(len + 1, L'\0');
        if (!buf.write(text_offset, text.data(), text.size() * sizeof(wchar_t))) return fail("write");
        LRESULT got = 0;
        if (!query(bar, SB_GETTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(buf.at(text_offset)), &got))
            return fail("SB_GETTEXTW");
        if (len > 0 && !buf.read(text_offset, text.data(), len * sizeof(wchar_t))) return fail("read");
        text.resize(len);
        line(std::string("part\t") + num(unsigned(i)) + "\t" + escaped(text));
    }
    done();
}

std::string window_line(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    RECT r = {};
    GetWindowRect(w, &r);
    return hnum(w) + "\t" + num(pid) + "\t" + escaped(class_of(w)) + "\t" + (IsWindowVisible(w) ? "1" : "0") +
           std::string("\t") + (IsWindowEnabled(w) ? "1" : "0") + "\t" + rect_text(r) + "\t" + hnum(GetWindow(w, GW_OWNER)) +
           std::string("\t") + escaped(text_of(w));
}

struct Enum_Filter {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Enum_Filter*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (f->pid == 0 || f->pid == pid) f->found.push_back(w);
    return TRUE;
}

// windows [pid]: top-level windows,
// "<hwnd> <pid> <class> <visible> <enabled> <l> <t> <r> <b> <owner> <title>".
void cmd_windows(DWORD pid) {
    Enum_Filter f{pid, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&f));
    for (HWND w : f.found) line(window_line(w));
    done();
}

// children <hwnd>: every descendant, "<hwnd> <id> <class> <visible> <enabled> <l> <t> <r> <b> <parent> <text>".
void cmd_children(HWND parent) {
    Enum_Filter f{0, {}};
    EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&f));
    for (HWND w : f.found) {
        RECT r = {};
        GetWindowRect(w, &r);
        line(hnum(w) + "\t" + num(unsigned(GetDlgCtrlID(w)) & 0xFFFFu) + "\t" + escaped(class_of(w)) + "\t" +
             (IsWindowVisible(w) ? "1" : "0") + "\t" + (IsWindowEnabled(w) ? "1" : "0") + "\t" + rect_text(r) +
             std::string("\t") + hnum(GetParent(w)) + "\t" + escaped(text_of(w)));
    }
    done();
}

std::wstring without_ampersands(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s)
        if (c != L'&') out += c;
    return out;
}

// click <dialog> <button text>: BM_CLICK on the first button whose text, without its '&', matches.
// Posted, so that a click that opens another modal window does not hold up the probe.
void cmd_click(HWND dialog, const std::wstring& label) {
    Enum_Filter f{0, {}};
    EnumChildWindows(dialog, collect, reinterpret_cast<LPARAM>(&f));
    std::wstring want = without_ampersands(label);
    for (HWND w : f.found) {
        if (lstrcmpiW(class_of(w).c_str(), L"Button") != 0) continue;
        if (lstrcmpiW(without_ampersands(text_of(w)).c_str(), want.c_str()) != 0) continue;
        PostMessageW(w, BM_CLICK, 0, 0);
        return done();
    }
    fail(std::string("no button ") + utf8(label));
}

// focus <pid>: the active, focus and foreground windows of the process's GUI thread.
void cmd_focus(DWORD pid) {
    Enum_Filter f{pid, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&f));
    HWND fg = GetForegroundWindow();
    for (HWND w : f.found) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) {
            line(hnum(info.hwndActive) + "\t" + hnum(info.hwndFocus) + "\t" + hnum(fg) + "\t" +
                 num(unsigned(GetDlgCtrlID(info.hwndFocus)) & 0xFFFFu) + "\t" + escaped(class_of(info.hwndFocus)));
            return done();
        }
    }
    fail("no GUI thread");
}

struct Process {
    DWORD pid;
    HANDLE handle;
};
std::vector<Process> started;

HANDLE handle_of(DWORD pid) {
    for (const Process& p : started)
        if (p.pid == pid) return p.handle;
    return nullptr;
}

// start <directory> <command line>: starts a program; "pid <n>".
void cmd_start(const std::wstring& dir, const std::wstring& command_line) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = command_line;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return fail(std::string("CreateProcess ") + num(GetLastError()));
    CloseHandle(pi.hThread);
    started.push_back({pi.dwProcessId, pi.hProcess});
    WaitForInputIdle(pi.hProcess, 10000);
    line(std::string("pid\t") + num(pi.dwProcessId));
    done();
}

// alive <pid>: "running", or "exited <code>".
void cmd_alive(DWORD pid) {
    HANDLE h = handle_of(pid);
    if (!h) return fail("not started here");
    DWORD code = 0;
    if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
        line("running");
    } else {
        GetExitCodeProcess(h, &code);
        line(std::string("exited\t") + num(code));
    }
    done();
}

void cmd_kill(DWORD pid) {
    HANDLE h = handle_of(pid);
    if (!h) return fail("not started here");
    TerminateProcess(h, 99);
    WaitForSingleObject(h, 5000);
    done();
}

std::vector<std::string> fields_of(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t tab = s.find('\t', start);
        out.push_back(s.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return out;
        start = tab + 1;
    }
}

long long number(const std::string& s) { return strtoll(s.c_str(), nullptr, 0); }

bool run(const std::vector<std::string>& f) {
    const std::string& c = f[0];
    auto need = [&](size_t n) {
        if (f.size() < n + 1) {
            fail(c + " needs " + num(n) + " arguments");
            return false;
        }
        return true;
    };
    if (c == "quit") {
        done();
        return false;
    } else if (c == "windows") {
        cmd_windows(f.size() > 1 ? DWORD(number(f[1])) : 0);
    } else if (c == "children") {
        if (need(1)) cmd_children(to_hwnd(f[1]));
    } else if (c == "rows") {
        if (need(1)) cmd_rows(to_hwnd(f[1]));
    } else if (c == "itemrect") {
        if (need(2)) cmd_itemrect(to_hwnd(f[1]), int(number(f[2])));
    } else if (c == "setsel") {
        if (need(3)) cmd_setsel(to_hwnd(f[1]), int(number(f[2])), number(f[3]) != 0);
    } else if (c == "status") {
        if (need(1)) cmd_status(to_hwnd(f[1]));
    } else if (c == "text") {
        if (need(1)) {
            line(escaped(text_of(to_hwnd(f[1]))));
            done();
        }
    } else if (c == "client") {
        // client <hwnd>: the client area in screen pixels, "<l> <t> <r> <b>".
        if (need(1)) {
            RECT r = {};
            HWND w = to_hwnd(f[1]);
            GetClientRect(w, &r);
            MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
            line(rect_text(r));
            done();
        }
    } else if (c == "settext") {
        if (need(2)) {
            std::wstring t = unescaped(f[2]);
            LRESULT r = 0;
            if (query(to_hwnd(f[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()), &r))
                done();
            else
                fail("WM_SETTEXT");
        }
    } else if (c == "click") {
        if (need(2)) cmd_click(to_hwnd(f[1]), unescaped(f[2]));
    } else if (c == "menu") {
        if (need(2)) {
            if (PostMessageW(to_hwnd(f[1]), WM_COMMAND, WPARAM(number(f[2])), 0))
                done();
            else
                fail("PostMessage");
        }
    } else if (c == "post" || c == "send") {
        if (need(4)) {
            HWND w = to_hwnd(f[1]);
            UINT msg = UINT(number(f[2]));
            WPARAM wp = WPARAM(number(f[3]));
            LPARAM lp = LPARAM(number(f[4]));
            LRESULT r = 0;
            if (c == "post" ? PostMessageW(w, msg, wp, lp) != 0 : query(w, msg, wp, lp, &r)) {
                line(snum(r));
                done();
            } else {
                fail(c);
            }
        }
    } else if (c == "focus") {
        if (need(1)) cmd_focus(DWORD(number(f[1])));
    } else if (c == "start") {
        if (need(2)) cmd_start(unescaped(f[1]), unescaped(f[2]));
    } else if (c == "alive") {
        if (need(1)) cmd_alive(DWORD(number(f[1])));
    } else if (c == "kill") {
        if (need(1)) cmd_kill(DWORD(number(f[1])));
    } else if (c == "ping") {
        done();
    } else {
        fail(std::string("unknown command ") + c);
    }
    return true;
}

}  // namespace

int main() {
    // A dead driver must not leave a dialog in the target waiting on us, so nothing here blocks
    // without a time-out except reading the next command.
    std::string buf;
    char chunk[4096];
    while (fgets(chunk, sizeof chunk, stdin)) {
        buf += chunk;
        if (buf.empty() || buf.back() != '\n') continue;
        while (!buf.empty() && (buf.back() == '\n' || buf.back() == '\r')) buf.pop_back();
        std::string cmd;
        cmd.swap(buf);
        if (cmd.empty()) continue;
        if (!run(fields_of(cmd))) break;
    }
    return 0;
}
