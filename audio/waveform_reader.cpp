#include "audio/waveform_reader.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "audio/audio_decoder.h"
#include "audio/waveform_cache.h"
#include "gui/msg_table.h"

using Clock = std::chrono::steady_clock;

struct Waveform_Reader::Job {
    std::u16string path;
    std::vector<std::u16string> folders;
    std::shared_ptr<Waveform> waveform = std::make_shared<Waveform>();
    std::atomic<bool> stop{false};

    std::mutex mutex;
    std::condition_variable ended_signal;
    bool ended = false;                 // guarded by mutex
    std::function<void()> on_change;    // guarded by mutex; emptied by stop

    void changed() {
        const std::lock_guard lock(mutex);
        if (on_change) on_change();
    }
    void run();
};

namespace {

// Hands each frame's peak and speech features to the waveform in batches, and says so at
// most every change period.
class Publisher : public Audio_Frame_Consumer {
public:
    explicit Publisher(Waveform_Reader::Job& job) : job_(job) {
        batch_.reserve(batch_frames);
        speech_batch_.reserve(batch_frames);
    }
    void begin(std::uint32_t rate) override {
        builder_.begin(rate);
        speech_.begin(rate);
    }
    void frame(std::span<const std::int16_t> samples) override {
        builder_.frame(samples);
        speech_.frame(samples);
        if (batch_.size() >= batch_frames) flush(false);
    }
    void flush(bool last) {
        if (!batch_.empty()) job_.waveform->add(batch_, speech_batch_);
        batch_.clear();
        speech_batch_.clear();
        const Clock::time_point now = Clock::now();
        if (!last && now - told_ < std::chrono::milliseconds(Waveform_Reader::change_period_ms)) return;
        told_ = now;
        job_.changed();
    }

private:
    static constexpr std::size_t batch_frames = 100;
    Waveform_Reader::Job& job_;
    std::vector<Peak> batch_;
    Peak_Builder builder_{batch_};
    std::vector<Speech_Frame> speech_batch_;
    Speech_Features speech_{speech_batch_};
    Clock::time_point told_{};
};

}  // namespace

void Waveform_Reader::Job::run() {
    Media_Stamp stamp;
    const bool stamped = media_stamp(path, stamp);
    std::vector<Peak> frames;
    std::vector<Speech_Frame> speech;
    if (stamped && load_cached_waveform(folders, stamp, frames, speech)) {
        waveform->start_reading(frames.size() * audio_frame_ms);
        waveform->add(frames, speech);
        waveform->finish();
        changed();
        return;
    }
    Publisher publisher(*this);
    const Decode_End end = decode_audio(path, publisher, stop, [this](std::uint64_t length_ms) {
        waveform->start_reading(length_ms);
        changed();
    });
    publisher.flush(false);
    if (end == Decode_End::stopped) return;
    if (end == Decode_End::no_audio || end == Decode_End::cannot_open)
        waveform->set_none();
    else
        waveform->finish();
    changed();
    // A file read to its end, or to the error that ends it, is not read again.
    if (stamped && waveform->state() == Waveform::State::done && !stop)
        store_cached_waveform(folders, stamp, waveform->frames(), waveform->speech_frames());
}

Waveform_Reader::~Waveform_Reader() { stop(exit_wait_ms); }

std::shared_ptr<const Waveform> Waveform_Reader::start(const std::u16string& path,
                                                       std::vector<std::u16string> cache_folders,
                                                       std::function<void()> on_change) {
    stop();
    auto job = std::make_shared<Job>();
    job->path = path;
    job->folders = std::move(cache_folders);
    job->on_change = std::move(on_change);
    const bool started = start_thread([job] {
        job->run();
        const std::lock_guard lock(job->mutex);
        job->ended = true;
        job->ended_signal.notify_all();
    });
    if (!started) return nullptr;
    job_ = job;
    return job_->waveform;
}

void Waveform_Reader::stop(std::uint32_t wait_ms) {
    if (!job_) return;
    const std::shared_ptr<Job> job = std::move(job_);
    job->stop = true;
    std::unique_lock lock(job->mutex);
    job->on_change = nullptr;
    job->ended_signal.wait_for(lock, std::chrono::milliseconds(wait_ms), [&] { return job->ended; });
}

bool Waveform_Reader::idle() const {
    if (!job_) return true;
    const std::lock_guard lock(job_->mutex);
    return job_->ended;
}

std::shared_ptr<const Waveform> Waveform_Reader::waveform() const { return job_ ? job_->waveform : nullptr; }
