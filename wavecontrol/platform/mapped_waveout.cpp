// The device mapper's converter: a compressed format plays through a codec-manager stream to the
// PCM format the manager suggests for it.
#include "platform/codecs/codec.h"
#include "platform/waveout.h"

#include <map>
#include <mutex>

namespace tonwell {

namespace {

// Each buffer written in the compressed format is decoded into a PCM buffer of its own, which is
// written to the real device; when that one is done, the caller's buffer is done.
class MappedWaveOut : public WaveOut {
public:
    MappedWaveOut(std::unique_ptr<CodecStream> stream, WaveDoneCallback done)
        : stream_(std::move(stream)), done_(std::move(done)) {}
    ~MappedWaveOut() override {
        {
            std::lock_guard lock(mutex_);
            done_ = nullptr;  // nothing of the caller's may be touched any more
        }
        if (inner_) {
            inner_->reset();
            inner_->close();
        }
    }

    MMRESULT openInner(WaveOutSystem& system, int id, const WaveFormat& pcm) {
        return system.open(
            id, pcm, [this](WaveHeader* inner) { innerDone(inner); }, &inner_);
    }

    MMRESULT write(WaveHeader* h) override {
        if (!h) return MMSYSERR_INVALPARAM;
        if (!(h->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        auto pending = std::make_unique<Pending>();
        pending->outer = h;
        // Whole blocks convert; a torn tail waits for the next buffer. The last buffer of the
        // data flushes what the codec still holds.
        carry_.insert(carry_.end(), h->data, h->data + h->bufferLength);
        const std::uint32_t flags =
            (h->flags & WHDR_ENDOFDATA) ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
        std::size_t used = 0;
        if (stream_->convert(carry_, flags, pending->pcm, &used) != MMSYSERR_NOERROR) return MMSYSERR_ERROR;
        carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(used));
        pending->header.data = pending->pcm.data();
        pending->header.bufferLength = static_cast<std::uint32_t>(pending->pcm.size());
        // A buffer that decodes to nothing (a torn block, a partial MP3 frame) still comes back.
        static std::uint8_t empty;
        if (!pending->header.data) pending->header.data = &empty;
        WaveHeader* inner = &pending->header;
        inner_->prepare(inner);
        h->flags = (h->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        {
            std::lock_guard lock(mutex_);
            pending_[inner] = std::move(pending);
        }
        const MMRESULT rc = inner_->write(inner);
        if (rc != MMSYSERR_NOERROR) {
            std::lock_guard lock(mutex_);
            pending_.erase(inner);
            h->flags &= ~WHDR_INQUEUE;
        }
        return rc;
    }
    MMRESULT pause() override { return inner_->pause(); }
    MMRESULT restart() override { return inner_->restart(); }
    MMRESULT reset() override { return inner_->reset(); }
    MMRESULT close() override {
        {
            std::lock_guard lock(mutex_);
            if (!pending_.empty()) return WAVERR_STILLPLAYING;
        }
        const MMRESULT rc = inner_->close();
        if (rc == MMSYSERR_NOERROR) inner_.reset();
        return rc;
    }

private:
    struct Pending {
        WaveHeader* outer = nullptr;
        WaveHeader header;
        std::vector<std::uint8_t> pcm;
    };

    void innerDone(WaveHeader* inner) {
        std::unique_ptr<Pending> pending;
        {
            std::lock_guard lock(mutex_);
            auto it = pending_.find(inner);
            if (it == pending_.end()) return;
            pending = std::move(it->second);
            pending_.erase(it);
        }
        WaveDoneCallback done;
        {
            std::lock_guard lock(mutex_);
            done = done_;
        }
        if (!done) return;
        WaveHeader* outer = pending->outer;
        outer->flags = (outer->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        done(outer);
    }

    std::unique_ptr<CodecStream> stream_;
    std::vector<std::uint8_t> carry_;  // source bytes not yet converted
    WaveDoneCallback done_;
    std::unique_ptr<WaveOut> inner_;
    std::mutex mutex_;
    std::map<WaveHeader*, std::unique_ptr<Pending>> pending_;
};

}  // namespace

MMRESULT openMappedWaveOut(WaveOutSystem& system, int id, const WaveFormat& f, WaveDoneCallback done,
                           std::unique_ptr<WaveOut>* out) {
    const MMRESULT direct = system.query(id, f);
    if (direct == MMSYSERR_NOERROR) return system.open(id, f, std::move(done), out);
    if (direct != WAVERR_BADFORMAT) return direct;
    const CodecManager& acm = CodecManager::instance();
    WaveFormat pcm;
    pcm.tag = WAVE_FORMAT_PCM;
    std::unique_ptr<CodecStream> stream;
    if (acm.suggest(f, &pcm, ACM_FORMATSUGGESTF_WFORMATTAG) != MMSYSERR_NOERROR || pcm == f ||
        acm.openStream(f, pcm, ACM_STREAMOPENF_NONREALTIME, &stream) != MMSYSERR_NOERROR)
        return WAVERR_BADFORMAT;
    auto mapped = std::make_unique<MappedWaveOut>(std::move(stream), std::move(done));
    const MMRESULT rc = mapped->openInner(system, id, pcm);
    if (rc != MMSYSERR_NOERROR) return rc;
    *out = std::move(mapped);
    return MMSYSERR_NOERROR;
}

}  // namespace tonwell
