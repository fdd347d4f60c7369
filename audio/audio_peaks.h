#pragma once
// What drawing needs of an audio track: the lowest and highest sample of each 10 ms of the
// mono mix, and coarser levels of the same for zoomed-out views. Standard types only: the
// decoder feeds it on its thread, the timeline reads it, the tests run it natively.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

/// The length of one frame of the audio, the unit of everything read from it.
inline constexpr std::uint32_t audio_frame_ms = 10;

/// Takes the mono mix one frame at a time, in order, the first frame at time 0.
class Audio_Frame_Consumer {
public:
    virtual ~Audio_Frame_Consumer() = default;
    /// Before the first frame.
    virtual void begin(std::uint32_t sample_rate) = 0;
    /// One frame: sample_rate / 100 samples, give or take one (frame k holds the samples from
    /// k * rate / 100 up to (k + 1) * rate / 100); the last frame of a track may be shorter.
    virtual void frame(std::span<const std::int16_t> samples) = 0;
};

/// Mixes interleaved 16-bit PCM to mono (the mean of the channels) and cuts it into frames
/// for a consumer. Samples are laid end to end from time 0; a timestamp later than where the
/// samples have reached by more than `gap_ms` is a gap, filled with silence (so the first
/// samples of a track whose decoder stamps them after its priming still start at 0).
class Frame_Splitter {
public:
    static constexpr std::uint32_t gap_ms = 100;
    /// A gap is filled up to the track's length, or by this much at most when that is unknown.
    static constexpr std::uint32_t longest_gap_s = 600;

    /// A rate of 0 or no channels make a splitter that passes nothing on.
    Frame_Splitter(std::uint32_t sample_rate, std::uint32_t channels, Audio_Frame_Consumer& consumer);

    /// `frames` sample frames of `channels` interleaved samples each. `at_100ns` is the
    /// decoder's timestamp of the first, negative when it has none.
    void add(const std::int16_t* interleaved, std::size_t frames, std::int64_t at_100ns = -1);
    /// Silence up to `at_100ns`, when that is a gap (the decoder's stream ticks).
    void skip_to(std::int64_t at_100ns);
    /// Passes on the last, partial frame.
    void finish();
    /// The decoder changed the number of channels (none is ignored).
    void set_channels(std::uint32_t channels) {
        if (rate_ && channels) channels_ = channels;
    }
    /// The track's length as the decoder states it, in milliseconds.
    void set_length(std::uint64_t ms) { limit_ = rate_ ? ms * rate_ / 1000 : 0; }

    /// Mono samples passed on or waiting in the partial frame.
    std::uint64_t position() const { return position_; }
    /// Milliseconds of audio taken so far.
    std::uint64_t read_ms() const;

private:
    std::uint64_t frame_end(std::uint64_t index) const;
    /// Samples still missing from the current frame.
    std::size_t room() const;
    /// `count` samples were appended to the current frame: passes it on when it is full.
    void taken(std::size_t count);

    std::uint32_t rate_ = 0;
    std::uint32_t channels_ = 0;
    Audio_Frame_Consumer& consumer_;
    std::vector<std::int16_t> pending_;
    std::uint64_t position_ = 0;
    std::uint64_t frame_index_ = 0;
    std::uint64_t limit_ = 0;
};

struct Peak {
    std::int16_t low = 0;
    std::int16_t high = 0;
    bool operator==(const Peak&) const = default;
};

/// Level 0 holds one peak per frame; each level above holds one per `level_factor` of the
/// level below it (40 ms, 160 ms, ...), the last one covering what has come so far.
class Peak_Levels {
public:
    static constexpr std::uint32_t level_factor = 4;
    static constexpr unsigned max_levels = 12;

    /// Makes room for this many frames, so adding them never moves the peaks.
    void reserve(std::size_t frames);
    void add(Peak peak);
    void clear();

    std::size_t count(unsigned level = 0) const { return level < levels_.size() ? levels_[level].size() : 0; }
    unsigned levels() const { return static_cast<unsigned>(levels_.size()); }
    Peak at(unsigned level, std::size_t index) const { return levels_[level][index]; }
    /// Level 0, frame by frame.
    const std::vector<Peak>& frames() const;
    /// Milliseconds that one peak of the level covers.
    static std::uint64_t level_ms(unsigned level);
    /// The coarsest level whose peaks are no longer than `ms_per_pixel`, so that each pixel
    /// still gets a value of its own; 0 when even frames are longer.
    unsigned level_for(double ms_per_pixel) const;
    /// Milliseconds covered: frames times 10.
    std::uint64_t duration_ms() const { return static_cast<std::uint64_t>(count()) * audio_frame_ms; }
    /// Bytes the peaks take (their capacity).
    std::size_t bytes() const;

private:
    std::vector<std::vector<Peak>> levels_;
};

/// The peak of each frame, appended to `out`.
class Peak_Builder : public Audio_Frame_Consumer {
public:
    explicit Peak_Builder(std::vector<Peak>& out) : out_(out) {}
    void begin(std::uint32_t) override {}
    void frame(std::span<const std::int16_t> samples) override;

private:
    std::vector<Peak>& out_;
};

/// One pixel column of a drawn waveform.
struct Wave_Column {
    enum class State : std::uint8_t { none, unread, read };
    State state = State::none;
    Peak peak;
    bool operator==(const Wave_Column&) const = default;
};

/// The columns of a view `width` pixels wide that starts at `view_start` ms and shows
/// `view_span` ms. Column x covers [view_start + x * span / width, view_start + (x + 1) *
/// span / width); it is read when any peak of it is there, unread when its start is before
/// `unread_end_ms` but no peak is there yet, and none otherwise.
std::vector<Wave_Column> wave_columns(const Peak_Levels& levels, std::int64_t view_start, std::uint32_t view_span,
                                      int width, std::uint64_t unread_end_ms);
