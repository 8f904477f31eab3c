// The playback engine: opening a play file, the two circulating buffers, the refill step with
// gain and metering, the level tick, the end of playback, stop and pause, and the output-device
// questions.
#include "message_window.h"
#include "play/gain.h"
#include "platform/codecs/codec.h"
#include "platform/wavefile.h"
#include "tonwell.h"

#include <algorithm>

namespace tonwell {

using namespace component;

HRESULT Tonwell::openPlayFile(RiffReader& file, std::vector<std::uint8_t>& format, Chunk* data, bool findData) const {
    if (!file.open(playFilename_)) return fail(TonwellPlayFileOpenFailed, QStringLiteral("Failed to open play file"));
    const WaveFileStep step = readWaveFile(file, maxFormatSize_, format, findData ? data : nullptr);
    if (step == WaveFileStep::Ok) return S_OK;
    file.close();
    switch (step) {
    case WaveFileStep::NotWave: return fail(TonwellInvalidAudioFile, QStringLiteral("Not a valid wave audio file"));
    case WaveFileStep::NoFormat: return fail(TonwellDamagedAudioFile, QStringLiteral("Damaged wave audio file"));
    case WaveFileStep::FormatUnreadable:
        return fail(TonwellFileErrorReadingFormat, QStringLiteral("Error reading format of wave audio file"));
    default: return fail(TonwellFileWaveDataError, QStringLiteral("Unable to find data in wave audio file"));
    }
}

HRESULT Tonwell::put_PlayFilename(QString v) {
    playFilename_ = v;
    if (v.isEmpty()) return S_OK;
    RiffReader file;
    std::vector<std::uint8_t> format;
    if (const HRESULT hr = openPlayFile(file, format, nullptr, false); FAILED(hr)) return hr;
    file.close();
    // Tag details are asked by tag with a format size of extra size + 18; the details of the
    // exact record, bounded by the buffer.
    const std::size_t size = std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(format, 16), format.size());
    const WaveFormat f = WaveFormat::fromBytes(std::span(format).first(size));
    const CodecManager& acm = CodecManager::instance();
    if (!acm.tagName(f.tag, &playTag_)) playTag_.clear();
    if (!acm.describe(f, &playAttributes_)) playAttributes_.clear();
    return S_OK;
}

HRESULT Tonwell::Play(std::int32_t WaveOutID) {
    if (const HRESULT hr = ensureWindow(); FAILED(hr)) return hr;
    if (playing_) return S_OK;
    // Between StopPlay (or the end of the data) and DonePlay the old buffers are still coming
    // back from the device: a new start is refused until DonePlay.
    if (playBusy_) return fail(TonwellOutOpenError, waveErrorText(MMSYSERR_ALLOCATED));
    playing_ = playBusy_ = true;

    Chunk data;
    if (const HRESULT hr = openPlayFile(playFile_, playFormat_, &data, true); FAILED(hr)) {
        playing_ = playBusy_ = false;
        return hr;
    }
    playBytesLeft_ = data.size;
    const std::size_t recordSize =
        std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(playFormat_, 16), playFormat_.size());
    const WaveFormat f = WaveFormat::fromBytes(std::span(playFormat_).first(recordSize));

    // Buffer size: PlayBufferLength tenths of a second, 1024 to 10000 bytes, whole blocks.
    auto n = static_cast<long long>(playBufferLength_ * 0.1 * f.avgBytesPerSec);
    n = std::clamp<long long>(n, 1024, 10000);
    if (f.blockAlign > 0) n -= n % f.blockAlign;
    playBufferSize_ = static_cast<std::uint32_t>(n);
    for (auto& b : playBuffers_) b.assign(playBufferSize_, 0);

    MessageWindow* window = window_.get();
    const MMRESULT opened = openMappedWaveOut(
        waveOutSystem(), WaveOutID, f, [window](WaveHeader* h) { window->post(kMsgPlayBufferDone, 0, h); }, &waveOut_);
    if (opened != MMSYSERR_NOERROR) {
        playFile_.close();
        playing_ = playBusy_ = false;
        return fail(TonwellOutOpenError, waveErrorText(opened).left(128));
    }
    for (std::size_t i = 0; i < playHeaders_.size(); ++i) {
        WaveHeader& h = playHeaders_[i];
        h = WaveHeader{playBuffers_[i].data(), playBufferSize_, playBufferSize_, i, 0, 0};
        const MMRESULT prepared = waveOut_->prepare(&h);
        if (prepared != MMSYSERR_NOERROR) {
            for (WaveHeader& p : playHeaders_) waveOut_->unprepare(&p);
            waveOut_->close();
            waveOut_.reset();
            playFile_.close();
            playHeadersInUse_ = 0;
            playing_ = playBusy_ = false;
            return fail(TonwellPrepareHeaderFailure, waveErrorText(prepared).left(128));
        }
        ++playHeadersInUse_;
    }

    playMarker_ = f.blockAlign == 1 ? 8 : 16;
    if (f.channels != 1 || f.tag != WAVE_FORMAT_PCM) playMarker_ = 99;
    if (playMarker_ != 99 && !window_->levelTimer.isActive()) window_->levelTimer.start();

    for (WaveHeader& h : playHeaders_) window_->post(kMsgPlayBufferDone, 0, &h);
    return S_OK;
}

void Tonwell::onPlayBufferDone(WaveHeader* h) {
    if (!waveOut_ || (h != &playHeaders_[0] && h != &playHeaders_[1])) return;
    long long r = 0;
    if (playing_) {
        const std::uint32_t want = std::min(playBytesLeft_, h->bufferLength);
        r = want ? playFile_.read(h->data, want) : 0;
        if (r < 0) r = 0;  // a read error ends playback like the end of the data
        playBytesLeft_ -= static_cast<std::uint32_t>(r);
    }
    bool retire = true;
    if (playing_ && r > 0) {
        waveOut_->unprepare(h);
        h->flags = 0;
        h->bufferLength = h->bytesRecorded = static_cast<std::uint32_t>(r);
        waveOut_->prepare(h);
        if (playBytesLeft_ == 0) h->flags |= WHDR_ENDOFDATA;
        if (playMarker_ == 8)
            applyGain8(h->data, h->bufferLength, playGain_, playPeak_);
        else if (playMarker_ == 16)
            applyGain16(h->data, h->bufferLength, playGain_, playPeak_);
        if (waveOut_->write(h) == MMSYSERR_NOERROR)
            retire = false;
        else
            playing_ = false;
    }
    if (retire && --playHeadersInUse_ == 0) endPlayback();
}

void Tonwell::releasePlayback() {
    if (waveOut_) {
        if (playHeadersInUse_ > 0)  // stopped midway (destruction): what the device holds goes
            waveOut_->reset();
        for (WaveHeader& h : playHeaders_) waveOut_->unprepare(&h);
        waveOut_->close();
        waveOut_.reset();
    }
    playFile_.close();
    for (auto& b : playBuffers_) std::vector<std::uint8_t>().swap(b);
    playHeadersInUse_ = 0;
}

void Tonwell::endPlayback() {
    // A host may let go of the control from DonePlay or VUChange: keep it alive until the end.
    const std::shared_ptr<Tonwell> self = weak_from_this().lock();
    releasePlayback();
    if (window_ && !recording_) window_->levelTimer.stop();
    playing_ = false;
    playPaused_ = false;
    playPeak_ = 0;
    connections_.fire(eventid::VUChange, {Variant(std::int16_t(0)), Variant(static_cast<std::int16_t>(recordPeak_))});
    playBusy_ = false;
    connections_.fire(eventid::DonePlay, {});
}

void Tonwell::onLevelTick() {
    const std::shared_ptr<Tonwell> self = weak_from_this().lock();
    connections_.fire(eventid::VUChange, {Variant(static_cast<std::int16_t>(std::min(playPeak_, 100))),
                                          Variant(static_cast<std::int16_t>(std::min(recordPeak_, 100)))});
    playPeak_ = recordPeak_ = 0;
    if (silencePeak_ > silenceLevel_ && silent_) {
        silent_ = false;
        connections_.fire(eventid::Silence, {Variant(std::int16_t(0))});
    }
}

HRESULT Tonwell::StopPlay() {
    if (playing_) {
        waveOut_->reset();
        playing_ = false;
    }
    return S_OK;
}

HRESULT Tonwell::put_PlayPaused(VARIANT_BOOL v) {
    if (!playing_) return S_OK;
    MMRESULT rc;
    if (v == VARIANT_TRUE) {
        playPaused_ = true;
        rc = waveOut_->pause();
    } else {
        rc = waveOut_->restart();
        if (rc == MMSYSERR_NOERROR) playPaused_ = false;
    }
    if (rc != MMSYSERR_NOERROR) return fail(TonwellOutPauseError, waveErrorText(rc).left(128));
    return S_OK;
}

HRESULT Tonwell::WaveOutGetName(std::int16_t id, QString* name) {
    WaveOutCaps caps;
    if (waveOutSystem().caps(id, &caps) != MMSYSERR_NOERROR)
        return fail(TonwellGetWaveOutNameFailed, QStringLiteral("Failed to get wave out device name"));
    *name = caps.name;
    return S_OK;
}

HRESULT Tonwell::WaveOutGetCaps(std::int16_t id, std::int32_t* result) {
    *result = 0;
    WaveOutSystem& system = waveOutSystem();
    WaveOutCaps caps;
    if (system.caps(id, &caps) != MMSYSERR_NOERROR) return S_OK;
    struct Bit {
        std::uint32_t device;
        std::int32_t ours;
    };
    constexpr Bit bits[] = {{WAVE_FORMAT_1M08, tw11025Hz8bit}, {WAVE_FORMAT_1M16, tw11025Hz16bit},
                            {WAVE_FORMAT_2M08, tw2205Hz8bit},  {WAVE_FORMAT_2M16, tw2205Hz16bit},
                            {WAVE_FORMAT_4M08, tw44100Hz8bit}, {WAVE_FORMAT_4M16, tw44100Hz16bit}};
    for (const Bit& b : bits)
        if (caps.formats & b.device) *result |= b.ours;
    if (system.query(id, WaveFormat::pcm(8000, 16)) == MMSYSERR_NOERROR) *result |= tw8000Hz16bit;
    if (system.query(id, WaveFormat::pcm(8000, 8)) == MMSYSERR_NOERROR) *result |= tw8000Hz8bit;
    return S_OK;
}

}  // namespace tonwell
