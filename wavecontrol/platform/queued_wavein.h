// The buffer queue and capturing thread that the ALSA and virtual input devices share.
#pragma once
#include "platform/wavein.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tonwell {

// Buffers are filled in the order added, by the device's own thread, which also makes every
// done-callback. A backend supplies capture(): fill one slice, blocking for as long as capturing
// it takes. It returns the bytes it captured, 0 when interrupted (reset, close) before capturing
// any, or -1 when the device failed (vanished): every queued buffer then comes back with what it
// holds and the device refuses new buffers.
class QueuedWaveIn : public WaveIn {
public:
    ~QueuedWaveIn() override;
    MMRESULT addBuffer(WaveHeader* h) override;
    MMRESULT start() override;
    MMRESULT reset() override;
    MMRESULT close() override;

protected:
    QueuedWaveIn(const WaveFormat& format, WaveDoneCallback done);
    // Starts the capturing thread; call at the end of the backend's constructor.
    void startThread();
    // Stops the capturing thread; call at the start of the backend's destructor.
    void stopThread();

    virtual long capture(std::uint8_t* data, std::size_t n) = 0;
    // The slice size in bytes (small slices keep reset prompt).
    virtual std::size_t sliceBytes() const;
    // On the capturing thread without the lock: capturing begins (after start, or after a
    // reset and a new start); a reset stops it.
    virtual void onStart() {}
    virtual void onStop() {}
    // Whether capture() should give up early (reset or close pending).
    bool interrupted();

    const WaveFormat format_;
    // For backends that wait (the virtual device's pacing): wakes on reset and close.
    template <class Clock, class Duration>
    bool waitUntil(const std::chrono::time_point<Clock, Duration>& t) {
        std::unique_lock lock(mutex_);
        return !wake_.wait_until(lock, t, [&] { return resetPending_ || stopping_; });
    }

private:
    void run();
    void complete(WaveHeader* h);
    // Returns every queued buffer (called on the capturing thread with the lock held).
    void returnAll(std::unique_lock<std::mutex>& lock);

    WaveDoneCallback done_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable resetDone_;
    std::deque<WaveHeader*> queue_;
    bool started_ = false;
    bool capturing_ = false;  // onStart has run and onStop not since
    bool resetPending_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    bool closed_ = false;
    std::thread thread_;
};

}  // namespace tonwell
