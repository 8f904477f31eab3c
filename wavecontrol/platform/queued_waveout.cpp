#include "platform/queued_waveout.h"

#include <algorithm>

namespace tonwell {

QueuedWaveOut::QueuedWaveOut(const WaveFormat& format, WaveDoneCallback done) : format_(format), done_(std::move(done)) {}

QueuedWaveOut::~QueuedWaveOut() { stop(); }

void QueuedWaveOut::start() { thread_ = std::thread([this] { run(); }); }

void QueuedWaveOut::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::size_t QueuedWaveOut::sliceBytes() const
{
    // About 10 ms of audio, whole blocks.
    const std::size_t block = std::max<std::size_t>(1, format_.blockAlign);
    const std::size_t bytes = std::max<std::size_t>(block, format_.avgBytesPerSec / 100);
    return bytes - bytes % block;
}

bool QueuedWaveOut::interrupted()
{
    std::lock_guard lock(mutex_);
    return paused_ || resetPending_ || stopping_;
}

MMRESULT QueuedWaveOut::write(WaveHeader* h)
{
    if (!h)
        return MMSYSERR_INVALPARAM;
    if (!(h->flags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        if (failed_)
            return MMSYSERR_NODRIVER;
        if (h->flags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        h->flags = (h->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        queue_.push_back(h);
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::pause()
{
    std::lock_guard lock(mutex_);
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    paused_ = true;
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::restart()
{
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        paused_ = false;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::reset()
{
    std::unique_lock lock(mutex_);
    if (closed_)
        return MMSYSERR_INVALHANDLE;
    resetPending_ = true;
    wake_.notify_all();
    resetDone_.wait(lock, [&] { return !resetPending_; });
    paused_ = false; // a reset also ends a pause
    return MMSYSERR_NOERROR;
}

MMRESULT QueuedWaveOut::close()
{
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return MMSYSERR_INVALHANDLE;
        if (!queue_.empty())
            return WAVERR_STILLPLAYING;
        closed_ = true;
    }
    stop();
    return MMSYSERR_NOERROR;
}

void QueuedWaveOut::complete(WaveHeader* h)
{
    h->flags = (h->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (done_)
        done_(h);
}

void QueuedWaveOut::run()
{
    std::unique_lock lock(mutex_);
    std::size_t offset = 0; // bytes of the front buffer already played
    bool resume = true;
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || resetPending_ || (!paused_ && !queue_.empty()); });
        if (resetPending_) {
            std::deque<WaveHeader*> returned;
            returned.swap(queue_);
            offset = 0;
            lock.unlock();
            onDrop();
            for (WaveHeader* h : returned)
                complete(h);
            lock.lock();
            resetPending_ = false;
            resume = true;
            resetDone_.notify_all();
            continue;
        }
        if (stopping_)
            return;
        WaveHeader* h = queue_.front();
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
            if (r > 0)
                offset += static_cast<std::size_t>(r);
        }
        lock.lock();
        if (r < 0) {
            failed_ = true;
            offset = h->bufferLength;
        }
        if (offset < h->bufferLength) { // interrupted
            if (paused_ && !resetPending_ && !stopping_) {
                lock.unlock();
                onPause();
                lock.lock();
                resume = true;
            }
            continue;
        }
        queue_.pop_front();
        offset = 0;
        if (queue_.empty())
            resume = true;
        lock.unlock();
        complete(h);
        lock.lock();
    }
}

} // namespace tonwell
