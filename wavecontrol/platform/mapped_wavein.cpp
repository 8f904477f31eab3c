// The device mapper on the input side: a compressed format is recorded by capturing the PCM format
// the codec manager suggests for it and encoding that through a codec-manager stream.
#include "platform/codecs/codec.h"
#include "platform/wavein.h"

#include <array>
#include <deque>
#include <mutex>

namespace tonwell {

namespace {

// Two PCM buffers of about 100 ms circulate on the real device. Each one that comes back is
// encoded; the caller's buffers are filled from the encoded bytes in order and come back when
// full. A reset, or a real device that went away, flushes the encoder into the caller's next
// buffers and returns them all.
class MappedWaveIn : public WaveIn {
public:
    MappedWaveIn(const WaveFormat& pcm, const WaveFormat& coded, WaveDoneCallback done)
        : pcm_(pcm), coded_(coded), done_(std::move(done)) {
        const std::uint32_t block = std::max<std::uint32_t>(1, pcm.blockAlign);
        const std::uint32_t bytes = std::max(block, pcm.avgBytesPerSec / 10);
        for (std::size_t i = 0; i < inner_.size(); ++i) {
            innerData_[i].assign(bytes - bytes % block, 0);
            inner_[i] = WaveHeader{innerData_[i].data(), static_cast<std::uint32_t>(innerData_[i].size()), 0, i, 0, 0};
        }
    }
    ~MappedWaveIn() override {
        {
            std::lock_guard lock(mutex_);
            done_ = nullptr;  // nothing of the caller's may be touched any more
        }
        if (device_) {
            stopInner();
            device_->close();
        }
    }

    MMRESULT openInner(WaveInSystem& system, int id) {
        MMRESULT rc = CodecManager::instance().openStream(pcm_, coded_, ACM_STREAMOPENF_NONREALTIME, &stream_);
        if (rc != MMSYSERR_NOERROR) return WAVERR_BADFORMAT;
        rc = system.open(
            id, pcm_, [this](WaveHeader* h) { innerDone(h); }, &device_);
        if (rc != MMSYSERR_NOERROR) return rc;
        for (WaveHeader& h : inner_)
            if ((rc = device_->prepare(&h)) != MMSYSERR_NOERROR) return rc;
        return MMSYSERR_NOERROR;
    }

    MMRESULT addBuffer(WaveHeader* h) override {
        if (!h) return MMSYSERR_INVALPARAM;
        if (!(h->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        std::lock_guard lock(mutex_);
        // After the real device went away, buffers are taken only while encoded bytes are left.
        if (failed_ && codedAt_ == encoded_.size()) return MMSYSERR_NODRIVER;
        if (h->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        h->flags = (h->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        h->bytesRecorded = 0;
        queue_.push_back(h);
        if (failed_)
            returnAll();
        else
            deliver();
        return MMSYSERR_NOERROR;
    }

    MMRESULT start() override {
        {
            std::lock_guard lock(mutex_);
            if (started_) return MMSYSERR_NOERROR;
            started_ = true;
            stopping_ = false;
        }
        for (WaveHeader& h : inner_)
            if (const MMRESULT rc = device_->addBuffer(&h); rc != MMSYSERR_NOERROR) return rc;
        return device_->start();
    }

    MMRESULT reset() override {
        stopInner();
        std::lock_guard lock(mutex_);
        finishAll();
        return MMSYSERR_NOERROR;
    }

    MMRESULT close() override {
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) return WAVERR_STILLPLAYING;
        }
        stopInner();
        for (WaveHeader& h : inner_) device_->unprepare(&h);
        const MMRESULT rc = device_->close();
        if (rc == MMSYSERR_NOERROR) device_.reset();
        return rc;
    }

private:
    // Stops the real device; its buffers come back through innerDone, encoded but not re-queued.
    void stopInner() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            started_ = false;
        }
        device_->reset();
    }

    // On the real device's thread.
    void innerDone(WaveHeader* h) {
        std::lock_guard lock(mutex_);
        carry_.insert(carry_.end(), h->data, h->data + std::min(h->bytesRecorded, h->bufferLength));
        std::size_t used = 0;
        if (stream_->convert(carry_, ACM_STREAMCONVERTF_BLOCKALIGN, encoded_, &used) == MMSYSERR_NOERROR)
            carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(used));
        deliver();
        if (stopping_) return;
        if (device_->addBuffer(h) != MMSYSERR_NOERROR && !failed_) {
            // The real device went away: what was captured goes out, then nothing more comes.
            failed_ = true;
            finishAll();
        }
    }

    // Fills the caller's buffers from the encoded bytes, whole ones only (the lock is held).
    void deliver() {
        const std::size_t block = std::max<std::size_t>(1, coded_.blockAlign);
        while (!queue_.empty()) {
            WaveHeader* h = queue_.front();
            const std::size_t usable = h->bufferLength - h->bufferLength % block;
            if (encoded_.size() - codedAt_ < usable) return;
            take(h, usable);
        }
    }

    void take(WaveHeader* h, std::size_t n) {
        std::copy_n(encoded_.begin() + static_cast<std::ptrdiff_t>(codedAt_), n, h->data);
        h->bytesRecorded = static_cast<std::uint32_t>(n);
        codedAt_ += n;
        if (codedAt_ == encoded_.size()) {
            encoded_.clear();
            codedAt_ = 0;
        }
        queue_.pop_front();
        h->flags = (h->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        if (done_) done_(h);
    }

    // Flushes the encoder and returns every caller buffer with what there is (the lock is held).
    // After a reset the stream starts afresh for a later start and nothing is kept; after the
    // real device went away, what no buffer could take waits for the next ones.
    void finishAll() {
        std::size_t used = 0;
        stream_->convert(carry_, ACM_STREAMCONVERTF_END, encoded_, &used);
        carry_.clear();
        returnAll();
        if (!failed_) {
            encoded_.clear();
            codedAt_ = 0;
            CodecManager::instance().openStream(pcm_, coded_, ACM_STREAMOPENF_NONREALTIME, &stream_);
        }
    }

    // The codec's last block may be a short one: it goes out as the codec made it.
    void returnAll() {
        while (!queue_.empty()) {
            WaveHeader* h = queue_.front();
            take(h, std::min<std::size_t>(h->bufferLength, encoded_.size() - codedAt_));
        }
    }

    const WaveFormat pcm_, coded_;
    WaveDoneCallback done_;
    std::unique_ptr<WaveIn> device_;
    std::unique_ptr<CodecStream> stream_;
    std::array<std::vector<std::uint8_t>, 2> innerData_;
    std::array<WaveHeader, 2> inner_{};
    std::mutex mutex_;
    std::deque<WaveHeader*> queue_;
    std::vector<std::uint8_t> carry_;    // captured PCM short of a whole source block
    std::vector<std::uint8_t> encoded_;  // encoded bytes not yet handed out, from codedAt_
    std::size_t codedAt_ = 0;
    bool started_ = false;
    bool stopping_ = false;
    bool failed_ = false;
};

}  // namespace

MMRESULT openMappedWaveIn(WaveInSystem& system, int id, const WaveFormat& f, WaveDoneCallback done,
                          std::unique_ptr<WaveIn>* out) {
    const MMRESULT direct = system.query(id, f);
    if (direct == MMSYSERR_NOERROR) return system.open(id, f, std::move(done), out);
    if (direct != WAVERR_BADFORMAT) return direct;
    // The PCM the codec decodes to is what its encoder takes.
    WaveFormat pcm;
    pcm.tag = WAVE_FORMAT_PCM;
    if (CodecManager::instance().suggest(f, &pcm, ACM_FORMATSUGGESTF_WFORMATTAG) != MMSYSERR_NOERROR || pcm == f)
        return WAVERR_BADFORMAT;
    auto mapped = std::make_unique<MappedWaveIn>(pcm, f, std::move(done));
    const MMRESULT rc = mapped->openInner(system, id);
    if (rc != MMSYSERR_NOERROR) return rc;
    *out = std::move(mapped);
    return MMSYSERR_NOERROR;
}

}  // namespace tonwell
