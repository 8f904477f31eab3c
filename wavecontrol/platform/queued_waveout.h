// The buffer queue and playing thread that the ALSA and virtual output devices share.
#pragma once
#include "platform/waveout.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tonwell {

// Buffers are played in write order by the device's own thread, which also makes every
// done-callback. A backend supplies render(): hand one slice to the device, blocking while the
// device has no room. It returns the bytes it took, 0 when interrupted (pause, reset, close)
// before taking any, or -1 when the device failed: the buffer is then returned and the device
// refuses writes. A buffer is done when the device has played its last byte: a backend that holds
// audio not yet heard says how much (pendingBytes) and plays it out when nothing more is queued
// (finish), so the end of the data is heard before its buffer comes back.
class QueuedWaveOut : public WaveOut {
public:
    ~QueuedWaveOut() override;
    MMRESULT write(WaveHeader* h) override;
    MMRESULT pause() override;
    MMRESULT restart() override;
    MMRESULT reset() override;
    MMRESULT close() override;

protected:
    QueuedWaveOut(const WaveFormat& format, WaveDoneCallback done);
    // Starts the playing thread; call at the end of the backend's constructor.
    void start();
    // Stops the playing thread; call at the start of the backend's destructor.
    void stop();

    virtual long render(const std::uint8_t* data, std::size_t n) = 0;
    // The slice size in bytes (small slices keep pause and reset prompt).
    virtual std::size_t sliceBytes() const;
    // Hooks, all on the playing thread without the lock: playing stopped for a pause; playing
    // starts again after a pause or after the queue ran dry; a reset drops what the device holds.
    virtual void onPause() {}
    virtual void onResume() {}
    virtual void onDrop() {}
    // Bytes handed to the device and not yet played (0 when it plays at once).
    virtual std::size_t pendingBytes() { return 0; }
    // Nothing more is queued: play out what the device holds, returning early on interruption().
    virtual void finish() {}
    // Whether render() should give up early (pause, reset, close pending).
    bool interrupted();
    // Whether finish() should: the same, or more data queued.
    bool finishInterrupted();

    const WaveFormat format_;
    // For backends that wait (the virtual device's pacing): wakes on pause, reset and close.
    template <class Clock, class Duration>
    bool waitUntil(const std::chrono::time_point<Clock, Duration>& t) {
        std::unique_lock lock(mutex_);
        return !wake_.wait_until(lock, t, [&] { return paused_ || resetPending_ || stopping_; });
    }

private:
    void run();
    void complete(WaveHeader* h);
    // Returns the buffers whose last byte has been played.
    void settle(std::unique_lock<std::mutex>& lock);

    WaveDoneCallback done_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable resetDone_;
    // Buffers in write order; the first ends_.size() of them are wholly handed to the device,
    // each ending at the byte count in ends_, and wait only to be heard.
    std::deque<WaveHeader*> queue_;
    std::deque<std::uint64_t> ends_;
    std::uint64_t rendered_ = 0;  // bytes handed to the device since the last drop
    bool paused_ = false;
    bool resetPending_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    bool closed_ = false;
    std::thread thread_;
};

}  // namespace tonwell
