#include "platform/queued_wavein.h"

#include <algorithm>

namespace tonwell {

MMRESULT WaveIn::prepare(WaveHeader* h) {
    if (!h || !h->data || h->bufferLength == 0) return MMSYSERR_INVALPARAM;
    h->flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveIn::unprepare(WaveHeader* h) {
    if (!h) return MMSYSERR_INVALPARAM;
    if (h->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    h->flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

QueuedWaveIn::QueuedWaveIn(const WaveFormat& format, WaveDoneCallback done) : format_(format), done_(std::move(done)) {}

QueuedWaveIn::~QueuedWaveIn() { stopThread(); }

void QueuedWaveIn::startThread() {
    thread_ = std::thread([this] { run(); });
}

void QueuedWaveIn::stopThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::size_t QueuedWaveIn::sliceBytes() const {
    // About 10 ms of audio, whole blocks.
    const std::size_t block = std::max<std::size_t>(1, format_.blockAlign);
    const std::size_t bytes = std::max<std::size_t>(block, format_.avgBytesPerSec / 100);
    return bytes - bytes % block;
}

bool QueuedWaveIn::interrupted() {
    std::lock_guard lock(mutex_);
    return resetPending_ || stopping_;
}

MMRESULT QueuedWaveIn::addBuffer(WaveHeader* h) {
    if (!h) return MMSYSERR_INVALPARAM;
    if (!(h->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return MMSYSERR_INVALHANDLE;
        if (failed_) return MMSYSERR_NODRIVER;
        if (h->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        h->flags = (h->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        h->bytesRecorded = 0;
        queue_.push_back(h);
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveIn::start() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return MMSYSERR_INVALHANDLE;
        started_ = true;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveIn::reset() {
    std::unique_lock lock(mutex_);
    if (closed_) return MMSYSERR_INVALHANDLE;
    resetPending_ = true;
    wake_.notify_all();
    resetDone_.wait(lock, [&] { return !resetPending_; });
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveIn::close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return MMSYSERR_INVALHANDLE;
        if (!queue_.empty()) return WAVERR_STILLPLAYING;
        closed_ = true;
    }
    stopThread();
    return MMSYSERR_NOERROR;
}

void QueuedWaveIn::complete(WaveHeader* h) {
    h->flags = (h->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (done_) done_(h);
}

void QueuedWaveIn::returnAll(std::unique_lock<std::mutex>& lock) {
    std::deque<WaveHeader*> returned;
    returned.swap(queue_);
    lock.unlock();
    for (WaveHeader* h : returned) complete(h);
    lock.lock();
}

void QueuedWaveIn::run() {
    std::unique_lock lock(mutex_);
    const std::size_t block = std::max<std::size_t>(1, format_.blockAlign);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || resetPending_ || (started_ && !failed_ && !queue_.empty()); });
        if (resetPending_) {
            started_ = false;
            if (capturing_) {
                capturing_ = false;
                lock.unlock();
                onStop();
                lock.lock();
            }
            returnAll(lock);
            resetPending_ = false;
            resetDone_.notify_all();
            continue;
        }
        if (stopping_) break;
        WaveHeader* h = queue_.front();
        const bool begin = !capturing_;
        capturing_ = true;
        lock.unlock();
        if (begin) onStart();
        // Whole blocks only: a tail shorter than a block stays unfilled.
        const std::size_t usable = h->bufferLength - h->bufferLength % block;
        long r = 1;
        while (h->bytesRecorded < usable) {
            if (interrupted()) {
                r = 0;
                break;
            }
            r = capture(h->data + h->bytesRecorded, std::min<std::size_t>(sliceBytes(), usable - h->bytesRecorded));
            if (r < 0) break;
            h->bytesRecorded += static_cast<std::uint32_t>(r);
        }
        lock.lock();
        if (r < 0) {
            failed_ = true;
            returnAll(lock);
            continue;
        }
        if (h->bytesRecorded < usable) continue;  // interrupted: the reset or close is handled above
        queue_.pop_front();
        lock.unlock();
        complete(h);
        lock.lock();
    }
    if (capturing_) {
        capturing_ = false;
        lock.unlock();
        onStop();
    }
}

}  // namespace tonwell
