#pragma once
// Reads the waveform of one media file on a worker thread of its own: from the cache when it
// holds the file, else by decoding the audio, adding the peaks as they come and storing them
// in the cache once the reading has ended.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/waveform.h"

class Waveform_Reader {
public:
    /// How long `stop` waits for the worker, and the destructor at the program's end. A worker
    /// still busy then (inside the platform's decoder) ends by itself and drops its work.
    static constexpr std::uint32_t stop_wait_ms = 250;
    static constexpr std::uint32_t exit_wait_ms = 3000;
    /// The least time between two calls of `on_change` while peaks come in.
    static constexpr std::uint32_t change_period_ms = 100;

    Waveform_Reader() = default;
    ~Waveform_Reader();
    Waveform_Reader(const Waveform_Reader&) = delete;
    Waveform_Reader& operator=(const Waveform_Reader&) = delete;

    /// Stops the reading in progress, then starts reading `path`, looking for it in (and
    /// storing it into) `cache_folders`. `on_change` is called on the worker thread when there
    /// is more to draw or the state changed, never after `stop` returned; it must not wait for
    /// the caller's thread (post a message, do not send one). Null when no thread could start.
    std::shared_ptr<const Waveform> start(const std::u16string& path, std::vector<std::u16string> cache_folders,
                                          std::function<void()> on_change);
    /// Asks the worker to end and waits until it has, for at most `wait_ms`.
    void stop(std::uint32_t wait_ms = stop_wait_ms);
    /// True when no worker of this reader runs (it ended, or was stopped).
    bool idle() const;
    /// The waveform being read or last read; null before the first start and after stop.
    std::shared_ptr<const Waveform> waveform() const;

    struct Job;

private:
    std::shared_ptr<Job> job_;
};
