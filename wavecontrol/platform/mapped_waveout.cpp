// The device mapper's converter: a compressed format plays through a decoder to 16-bit PCM.
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
    MappedWaveOut(std::unique_ptr<StreamConverter> decoder, WaveDoneCallback done)
        : decoder_(std::move(decoder)), done_(std::move(done))
    {
    }
    ~MappedWaveOut() override
    {
        {
            std::lock_guard lock(mutex_);
            done_ = nullptr; // nothing of the caller's may be touched any more
        }
        if (inner_) {
            inner_->reset();
            inner_->close();
        }
    }

    MMRESULT openInner(WaveOutSystem& system, int id, const WaveFormat& pcm)
    {
        return system.open(id, pcm, [this](WaveHeader* inner) { innerDone(inner); }, &inner_);
    }

    MMRESULT write(WaveHeader* h) override
    {
        if (!h)
            return MMSYSERR_INVALPARAM;
        if (!(h->flags & WHDR_PREPARED))
            return WAVERR_UNPREPARED;
        auto pending = std::make_unique<Pending>();
        pending->outer = h;
        if (!decoder_->convert(std::span(h->data, h->bufferLength), pending->pcm, false))
            return MMSYSERR_ERROR;
        pending->header.data = pending->pcm.data();
        pending->header.bufferLength = static_cast<std::uint32_t>(pending->pcm.size());
        // A buffer that decodes to nothing (a torn block, a partial MP3 frame) still comes back.
        static std::uint8_t empty;
        if (!pending->header.data)
            pending->header.data = &empty;
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
    MMRESULT close() override
    {
        {
            std::lock_guard lock(mutex_);
            if (!pending_.empty())
                return WAVERR_STILLPLAYING;
        }
        const MMRESULT rc = inner_->close();
        if (rc == MMSYSERR_NOERROR)
            inner_.reset();
        return rc;
    }

private:
    struct Pending {
        WaveHeader* outer = nullptr;
        WaveHeader header;
        std::vector<std::uint8_t> pcm;
    };

    void innerDone(WaveHeader* inner)
    {
        std::unique_ptr<Pending> pending;
        {
            std::lock_guard lock(mutex_);
            auto it = pending_.find(inner);
            if (it == pending_.end())
                return;
            pending = std::move(it->second);
            pending_.erase(it);
        }
        WaveDoneCallback done;
        {
            std::lock_guard lock(mutex_);
            done = done_;
        }
        if (!done)
            return;
        WaveHeader* outer = pending->outer;
        outer->flags = (outer->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        done(outer);
    }

    std::unique_ptr<StreamConverter> decoder_;
    WaveDoneCallback done_;
    std::unique_ptr<WaveOut> inner_;
    std::mutex mutex_;
    std::map<WaveHeader*, std::unique_ptr<Pending>> pending_;
};

} // namespace

MMRESULT openMappedWaveOut(WaveOutSystem& system, int id, const WaveFormat& f, WaveDoneCallback done,
                           std::unique_ptr<WaveOut>* out)
{
    const MMRESULT direct = system.query(id, f);
    if (direct == MMSYSERR_NOERROR)
        return system.open(id, f, std::move(done), out);
    if (direct != WAVERR_BADFORMAT)
        return direct;
    WaveFormat pcm;
    auto decoder = CodecManager::instance().openDecoder(f, &pcm);
    if (!decoder || (f.isPcm() && pcm == f))
        return WAVERR_BADFORMAT;
    auto mapped = std::make_unique<MappedWaveOut>(std::move(decoder), std::move(done));
    const MMRESULT rc = mapped->openInner(system, id, pcm);
    if (rc != MMSYSERR_NOERROR)
        return rc;
    *out = std::move(mapped);
    return MMSYSERR_NOERROR;
}

} // namespace tonwell
