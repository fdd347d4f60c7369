#include "app/sync_speech_dialog.h"

#include <gtest/gtest.h>

#include <atomic>

#include "io/strings.h"
#include "tests/app/dialog_test_support.h"

using namespace dialog_test;

namespace {

// A minute of audio with speech where each sub is spoken, as the reading pass would leave its
// frames, and the subs' spans moved by `shift`.
std::vector<Sub_Span> spoken_subs() {
    std::vector<Sub_Span> subs;
    for (std::uint64_t t = 4000, k = 0; t < 55000; t += 2500 + 700 * (k % 4), ++k) subs.push_back({t, t + 1500 + 300 * (k % 3)});
    return subs;
}

std::vector<Speech_Frame> frames(bool with_speech) {
    std::vector<Speech_Frame> out(6000, Speech_Frame{0, 0, 255, 0});
    if (!with_speech) return out;
    for (const Sub_Span& s : spoken_subs())
        for (std::uint64_t k = s.start / 10; k < s.end / 10; ++k) out[k] = {150, 148, 10, 60};
    return out;
}

std::vector<Sub_Span> moved(std::int64_t shift) {
    std::vector<Sub_Span> out;
    for (const Sub_Span& s : spoken_subs())
        out.push_back({static_cast<std::uint64_t>(static_cast<std::int64_t>(s.start) + shift),
                       static_cast<std::uint64_t>(static_cast<std::int64_t>(s.end) + shift)});
    return out;
}

bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

}  // namespace

TEST(SyncSpeechDialog, WaitsForTheAudioSearchesAndShowsWhatItFound) {
    const struct {
        const char* what;
        bool audio, with_speech, selected_only;
        int press;  // once the search ended (or, with no audio, at once)
        INT_PTR result;
        const wchar_t* says;  // the dialog's text then starts with this
        std::int64_t shift;   // found
    } cases[] = {
        {"speech 3.2 s before its subs", true, true, false, IDOK, 1, L"Speech fits", -3200},
        {"the selected subs only", true, true, true, IDOK, 1, L"Speech fits", -3200},
        {"no speech", true, false, false, IDCANCEL, 2, L"No sync was found: nothing fits", 0},
        {"no audio", false, false, false, IDCANCEL, 2, L"No sync was found: the video has no audio", 0},
    };
    Owner owner;
    for (const auto& c : cases) {
        std::atomic<unsigned> percent{40};
        std::atomic<bool> done{false};
        Sync_Speech_Dialog dialog;
        dialog.reading = [&] { return Sync_Speech_Dialog::Reading{done, !c.audio, percent}; };
        dialog.speech_frames = [&] { return frames(c.with_speech); };
        dialog.all_subs = moved(3200);
        dialog.selected_subs = std::vector<Sub_Span>(dialog.all_subs.begin(), dialog.all_subs.begin() + 8);
        std::wstring reading_text, final_text;
        bool apply_while_reading = true, apply_at_end = false;
        const INT_PTR result = run_dialog(L"Sync to speech", [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
            if (c.audio) {
                wait_for([&] { return item_text(d, IDC_SYNC_SPEECH_TEXT).starts_with(L"Reading"); });
                reading_text = item_text(d, IDC_SYNC_SPEECH_TEXT);
                apply_while_reading = enabled(d, IDOK);
                done = true;
            }
            // A search takes seconds on a busy machine.
            const auto searched = [&] {
                const std::wstring text = item_text(d, IDC_SYNC_SPEECH_TEXT);
                return text.starts_with(L"No sync") || text.starts_with(L"Speech fits");
            };
            EXPECT_TRUE(wait_for(searched, 60000)) << c.what;
            if (c.selected_only) {
                click(d, IDC_SYNC_SPEECH_SELECTED);
                EXPECT_TRUE(wait_for([&] {
                    return enabled(d, IDC_SYNC_SPEECH_SELECTED) && is_checked(d, IDC_SYNC_SPEECH_SELECTED) && searched();
                }, 60000)) << c.what;
            }
            final_text = item_text(d, IDC_SYNC_SPEECH_TEXT);
            apply_at_end = enabled(d, IDOK);
            click(d, c.press);
            wait_for([&] { return !IsWindow(d); });
        });
        EXPECT_EQ(result, c.result) << c.what;
        if (c.audio) {
            EXPECT_EQ(reading_text, L"Reading the video's audio: 40 %\nThe search starts when it is read.") << c.what;
            EXPECT_FALSE(apply_while_reading) << c.what;
        }
        EXPECT_TRUE(final_text.starts_with(c.says)) << c.what << ": " << utf16_to_utf8(u16(final_text));
        EXPECT_EQ(apply_at_end, c.result == 1) << c.what;
        EXPECT_EQ(dialog.result.found, c.result == 1) << c.what;
        EXPECT_EQ(dialog.selected_only, c.selected_only) << c.what;
        if (c.result == 1) {
            ASSERT_EQ(dialog.result.pieces.size(), 1u) << c.what;
            EXPECT_NEAR(static_cast<double>(dialog.result.pieces[0].shift), static_cast<double>(c.shift), 20) << c.what;
            EXPECT_NE(final_text.find(L"Shift: -0:00:03.2"), std::wstring::npos) << utf16_to_utf8(u16(final_text));
        }
    }
}

TEST(SyncSpeechDialog, CancelWhileReadingEndsWithoutSearching) {
    Owner owner;
    Sync_Speech_Dialog dialog;
    bool asked_frames = false;
    dialog.reading = [] { return Sync_Speech_Dialog::Reading{false, false, 10}; };
    dialog.speech_frames = [&] {
        asked_frames = true;
        return frames(true);
    };
    dialog.all_subs = moved(0);
    const INT_PTR result = run_dialog(L"Sync to speech", [&] { return dialog.show(owner.hwnd); }, [&](HWND d) {
        wait_for([&] { return item_text(d, IDC_SYNC_SPEECH_TEXT).starts_with(L"Reading"); });
        click(d, IDCANCEL);
        wait_for([&] { return !IsWindow(d); });
    });
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(asked_frames);
    EXPECT_FALSE(dialog.result.found);
}

TEST(SyncSpeechDialog, DescribesShiftsRatesAndCuts) {
    Speech_Sync sync;
    sync.found = true;
    sync.fit_before = 33.4;
    sync.fit_after = 69.5;
    sync.from = {25, 1};
    sync.to = {24000, 1001};
    sync.pieces = {{0, -95000}, {3600000, -125000}};
    EXPECT_EQ(Sync_Speech_Dialog::describe(sync),
              u"Speech fits 33 % of the subs' time now and 70 % after this change.\n\n"
              u"Shifts: -0:01:35.000, then -0:02:05.000 from 1:00:00.000\n"
              u"Frame rate: 25 to 23.976 frames a second\n"
              u"Cuts: 1");
    sync.from = sync.to = {1, 1};
    sync.pieces = {{0, 12300}};
    EXPECT_EQ(Sync_Speech_Dialog::describe(sync),
              u"Speech fits 33 % of the subs' time now and 70 % after this change.\n\n"
              u"Shift: +0:00:12.300\nFrame rate: unchanged\nCuts: 0");
}
