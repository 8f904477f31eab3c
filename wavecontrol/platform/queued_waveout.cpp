#include "platform/queued_waveout.h"

#include <algorithm>

namespace tonwell {

QueuedWaveOut::QueuedWaveOut(const WaveFormat& format, WaveDoneCallback done)
    : format_(format), done_(std::move(done)) {}

QueuedWaveOut::~QueuedWaveOut() { stop(); }

void QueuedWaveOut::start() {
    thread_ = std::thread([this] { run(); });
}

void QueuedWaveOut::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::size_t QueuedWaveOut::sliceBytes() const {
    // About 10 ms of audio, whole blocks.
    const std::size_t block = std::max<std::size_t>(1, format_.blockAlign);
    const std::size_t bytes = std::max<std::size_t>(block, format_.avgBytesPerSec / 100);
    return bytes - bytes % block;
}

bool QueuedWaveOut::interrupted() {
    std::lock_guard lock(mutex_);
    return paused_ || resetPending_ || stopping_;
}

bool QueuedWaveOut::finishInterrupted() {
    std::lock_guard lock(mutex_);
    return paused_ || resetPending_ || stopping_ || queue_.size() > ends_.size();
}

MMRESULT QueuedWaveOut::write(WaveHeader* h) {
    if (!h) return MMSYSERR_INVALPARAM;
    if (!(h->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return MMSYSERR_INVALHANDLE;
        if (failed_) return MMSYSERR_NODRIVER;
        if (h->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        h->flags = (h->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        queue_.push_back(h);
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::pause() {
    std::lock_guard lock(mutex_);
    if (closed_) return MMSYSERR_INVALHANDLE;
    paused_ = true;
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::restart() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return MMSYSERR_INVALHANDLE;
        paused_ = false;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::reset() {
    std::unique_lock lock(mutex_);
    if (closed_) return MMSYSERR_INVALHANDLE;
    resetPending_ = true;
    wake_.notify_all();
    resetDone_.wait(lock, [&] { return !resetPending_; });
    paused_ = false;  // a reset also ends a pause
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return MMSYSERR_INVALHANDLE;
        if (!queue_.empty()) return WAVERR_STILLPLAYING;
        closed_ = true;
    }
    stop();
    return MMSYSERR_NOERROR;
}

void QueuedWaveOut::complete(WaveHeader* h) {
    h->flags = (h->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (done_) done_(h);
}

void QueuedWaveOut::settle(std::unique_lock<std::mutex>& lock) {
    const std::size_t pending = pendingBytes();
    const std::uint64_t heard = rendered_ > pending ? rendered_ - pending : 0;
    while (!ends_.empty() && ends_.front() <= heard) {
        WaveHeader* h = queue_.front();
        queue_.pop_front();
        ends_.pop_front();
        lock.unlock();
        complete(h);
        lock.lock();
    }
}

void QueuedWaveOut::run() {
    std::unique_lock lock(mutex_);
    std::size_t offset = 0;  // bytes of the first buffer not yet handed over that were handed over
    bool resume = true;
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || resetPending_ || (!paused_ && !queue_.empty()); });
        if (resetPending_) {
            std::deque<WaveHeader*> returned;
            returned.swap(queue_);
            ends_.clear();
            rendered_ = 0;
            offset = 0;
            lock.unlock();
            onDrop();
            for (WaveHeader* h : returned) complete(h);
            lock.lock();
            resetPending_ = false;
            resume = true;
            resetDone_.notify_all();
            continue;
        }
        if (stopping_) return;
        if (ends_.size() == queue_.size()) {
            // Everything queued is with the device: play it out, then return what was heard. A
            // pause meanwhile holds what is left until the restart.
            lock.unlock();
            if (resume) {
                onResume();
                resume = false;
            }
            finish();
            lock.lock();
            if (paused_ && !resetPending_ && !stopping_) {
                lock.unlock();
                onPause();
                lock.lock();
                resume = true;
            }
            settle(lock);
            if (queue_.empty()) resume = true;
            continue;
        }
        WaveHeader* h = queue_[ends_.size()];
        long r = failed_ ? -1 : 1;
        lock.unlock();
        if (r > 0 && resume) {
            onResume();
            resume = false;
        }
        while (r > 0 && offset < h->bufferLength) {
            if (interrupted()) {
                r = 0;
                break;
            }
            r = render(h->data + offset, std::min<std::size_t>(sliceBytes(), h->bufferLength - offset));
            if (r > 0) {
                offset += static_cast<std::size_t>(r);
                rendered_ += static_cast<std::uint64_t>(r);
            }
        }
        lock.lock();
        if (r < 0) {
            // The device failed: nothing it holds will be heard; return everything.
            failed_ = true;
            std::deque<WaveHeader*> returned;
            returned.swap(queue_);
            ends_.clear();
            offset = 0;
            lock.unlock();
            for (WaveHeader* g : returned) complete(g);
            lock.lock();
            continue;
        }
        if (offset >= h->bufferLength) {
            ends_.push_back(rendered_);
            offset = 0;
        } else if (paused_ && !resetPending_ && !stopping_) {
            lock.unlock();
            onPause();
            lock.lock();
            resume = true;
        }
        settle(lock);
    }
}

}  // namespace tonwell
