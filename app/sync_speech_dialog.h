#pragma once
// "Sync to speech" (template 117): waits while the video's audio is still being read, looks
// on a worker thread for the map that lays the subs over the speech, and shows what it found.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "audio/speech_detection.h"
#include "audio/speech_sync.h"
#include "gui/dialogs.h"
#include "gui/native_controls.h"

/// show() gives 1 from Apply (IDOK, the default button), which is enabled only when a sync
/// was found (`result.found`); 2 from Cancel or the close box, once the worker has stopped.
class Sync_Speech_Dialog : public modal_dialog, public command_table {
public:
    static constexpr unsigned poll_ms = 100;

    /// How the reading of the audio stands.
    struct Reading {
        bool done = false;   ///< it ended: the frames read are all there will be
        bool none = false;   ///< the video has no audio that can be read
        unsigned percent = 0;
    };

    Sync_Speech_Dialog();
    ~Sync_Speech_Dialog();

    // In.
    std::function<Reading()> reading;  ///< asked every `poll_ms` until done
    /// The speech frames read; asked once, when the reading is done.
    std::function<std::vector<Speech_Frame>()> speech_frames;
    std::vector<Sub_Span> all_subs;       ///< the document's spans
    std::vector<Sub_Span> selected_subs;  ///< the selection's; empty when none is selected
    std::function<bool(std::function<void()>)> start_worker = start_thread;

    // Out.
    Speech_Sync result;
    bool selected_only = false;

    /// What the dialog says of a result (also the text of the dialog).
    static std::u16string describe(const Speech_Sync& sync);

private:
    LRESULT on_init();
    LRESULT on_timer();
    LRESULT on_cancel();
    void search();
    void found(const Speech_Sync& sync);
    void say(const std::u16string& text);

    std::vector<Speech_Frame> frames_;
    std::vector<std::uint8_t> speech_;  // detected once, by the first search
    std::atomic<bool> stop_{false};
    bool searching_ = false;
    bool cancelled_ = false;
};
