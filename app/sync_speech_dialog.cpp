#include "app/sync_speech_dialog.h"

#include "core/time_map.h"
#include "gui/win_str.h"
#include "io/strings.h"
#include "res/dialog_ids.h"

namespace {

constexpr UINT_PTR poll_timer = 1;

std::u16string percent(double value) { return format(u"%u %%", static_cast<unsigned>(value + 0.5)); }

std::u16string shift_text(std::int64_t ms) {
    std::u16string text = format_signed_time(ms);
    if (ms >= 0) text.insert(0, 1, u'+');
    return text;
}

}  // namespace

Sync_Speech_Dialog::Sync_Speech_Dialog() : modal_dialog(IDD_SYNC_SPEECH) {
    on_message(WM_INITDIALOG, [this](params&) { return on_init(); });
    on_message(WM_TIMER, [this](params&) { return on_timer(); });
    on_message(WM_CLOSE, [this](params&) { return on_cancel(); });
    on_command(IDCANCEL, [this](params&) { return on_cancel(); });
    on_command(IDOK, [this](params&) -> LRESULT {
        if (!searching_ && result.found) EndDialog(hwnd, 1);
        return 1;
    });
    on_command(IDC_SYNC_SPEECH_SELECTED, [this](params&) -> LRESULT {
        selected_only = IsDlgButtonChecked(hwnd, IDC_SYNC_SPEECH_SELECTED) == BST_CHECKED;
        if (!searching_ && !frames_.empty()) search();
        return 1;
    });
}

Sync_Speech_Dialog::~Sync_Speech_Dialog() = default;

LRESULT Sync_Speech_Dialog::on_init() {
    EnableWindow(GetDlgItem(hwnd, IDOK), FALSE);
    EnableWindow(GetDlgItem(hwnd, IDC_SYNC_SPEECH_SELECTED), FALSE);
    center_on_parent(*this);
    SetTimer(hwnd, poll_timer, poll_ms, nullptr);
    on_timer();
    return 1;
}

LRESULT Sync_Speech_Dialog::on_timer() {
    if (searching_ || !frames_.empty() || !reading) return 0;
    const Reading now = reading();
    const HWND progress = GetDlgItem(hwnd, IDC_SYNC_SPEECH_PROGRESS);
    if (now.none) {
        KillTimer(hwnd, poll_timer);
        say(u"No sync was found: the video has no audio that can be read.");
        return 0;
    }
    if (!now.done) {
        say(format(u"Reading the video's audio: %s\nThe search starts when it is read.", percent(now.percent)));
        SendMessageW(progress, PBM_SETPOS, now.percent, 0);
        return 0;
    }
    KillTimer(hwnd, poll_timer);
    SendMessageW(progress, PBM_SETPOS, 100, 0);
    frames_ = speech_frames ? speech_frames() : std::vector<Speech_Frame>{};
    if (frames_.empty()) {
        say(u"No sync was found: the video has no audio that can be read.");
        return 0;
    }
    search();
    return 0;
}

void Sync_Speech_Dialog::search() {
    const std::vector<Sub_Span> spans = selected_only ? selected_subs : all_subs;
    stop_ = false;
    searching_ = true;
    EnableWindow(GetDlgItem(hwnd, IDOK), FALSE);
    EnableWindow(GetDlgItem(hwnd, IDC_SYNC_SPEECH_SELECTED), FALSE);
    say(u"Looking for the subs' places in the speech...");
    const bool started = start_worker([this, spans] {
        if (speech_.empty()) speech_ = detect_speech(frames_);
        Speech_Sync_Options options;
        options.stop = &stop_;
        const Speech_Sync sync = sync_to_speech(speech_, spans, options);
        run_on_ui_thread(*this, [this, sync] { found(sync); });
    });
    if (!started) {
        searching_ = false;
        say(u"No sync was found: no thread could be started to search.");
    }
}

void Sync_Speech_Dialog::found(const Speech_Sync& sync) {
    searching_ = false;
    if (cancelled_) {
        EndDialog(hwnd, 2);
        return;
    }
    result = sync;
    say(describe(sync));
    EnableWindow(GetDlgItem(hwnd, IDOK), sync.found);
    EnableWindow(GetDlgItem(hwnd, IDC_SYNC_SPEECH_SELECTED), !selected_subs.empty());
    if (sync.found) SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd, IDOK)), TRUE);
}

LRESULT Sync_Speech_Dialog::on_cancel() {
    // The worker reports to this dialog: it ends once the worker has stopped.
    if (searching_) {
        cancelled_ = true;
        stop_ = true;
        say(u"Stopping...");
        return 1;
    }
    EndDialog(hwnd, 2);
    return 1;
}

void Sync_Speech_Dialog::say(const std::u16string& text) {
    set_window_text(GetDlgItem(hwnd, IDC_SYNC_SPEECH_TEXT), text);
}

std::u16string Sync_Speech_Dialog::describe(const Speech_Sync& sync) {
    if (!sync.found) {
        return format(u"No sync was found: nothing fits the speech clearly better than the subs as they are.\n"
                      u"Speech fits %s of the subs' time now.",
                      percent(sync.fit_before));
    }
    std::u16string text = format(u"Speech fits %s of the subs' time now and %s after this change.\n\n",
                                 percent(sync.fit_before), percent(sync.fit_after));
    if (sync.pieces.size() == 1) {
        text += format(u"Shift: %s\n", shift_text(sync.pieces[0].shift));
    } else {
        text += u"Shifts: " + shift_text(sync.pieces[0].shift);
        for (std::size_t k = 1; k < sync.pieces.size(); ++k) {
            text += format(u", then %s from %s", shift_text(sync.pieces[k].shift),
                           format_clock_time(ms_to_timecode(sync.pieces[k].from)));
        }
        text += u"\n";
    }
    text += same_rate(sync.from, sync.to)
                ? std::u16string(u"Frame rate: unchanged\n")
                : format(u"Frame rate: %s to %s frames a second\n", format_frame_rate(sync.from), format_frame_rate(sync.to));
    text += format(u"Cuts: %u", static_cast<unsigned>(sync.cuts()));
    return text;
}
