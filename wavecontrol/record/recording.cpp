// The recording engine: starting a recording (file, buffers, device), the buffer step with gain,
// metering, silence detection and the writing rules, the end of recording, stop, the silence
// tick, and the input-device questions.
#include "message_window.h"
#include "record/level.h"
#include "tonwell.h"

#include <QFile>
#include <algorithm>
#include <cstdio>

namespace tonwell {

using namespace component;

namespace {

constexpr std::uint16_t kTag66 = 66;  // a format whose buffers are always 800 bytes
// No device records a format that needs more per buffer: refusing it spares a huge allocation
// for a user format with an absurd byte rate.
constexpr long long kLargestRecordBuffer = 1 << 20;

}  // namespace

int Tonwell::silencePeriod() const {
    return silenceTimer_ > 0 ? silenceTimer_ : 10;  // 0: the shortest period the timers keep
}

HRESULT Tonwell::Record(std::int32_t WaveInID) {
    if (const HRESULT hr = ensureWindow(); FAILED(hr)) return hr;
    if (recording_) return S_OK;
    // Between StopRecord and DoneRecord the old buffers are still coming back from the device:
    // a new start is refused until DoneRecord.
    if (recordBusy_) return fail(TonwellInOpenError, QStringLiteral("Error opening wave input device"));
    recording_ = recordBusy_ = true;
    ++recordSession_;

    if (!formatbuf::isSet(recordFormatBuffer_))
        return abandonRecord(TonwellRecordFileCreateFailed, QStringLiteral("Record format not set"));
    const std::size_t recordSize = std::min<std::size_t>(
        kWaveFormatHeaderSize + formatbuf::u16(recordFormatBuffer_, 16), recordFormatBuffer_.size());
    const WaveFormat f = WaveFormat::fromBytes(std::span(recordFormatBuffer_).first(recordSize));

    noFile_ = recordFilename_.isEmpty();
    if (!noFile_) {
        std::FILE* created = std::fopen(QFile::encodeName(recordFilename_).constData(), "wb");
        if (!created)
            return abandonRecord(TonwellRecordFileCreateFailed, QStringLiteral("Failed to create record file"));
        std::fclose(created);
        if (!recordFile_.create(recordFilename_))
            return abandonRecord(TonwellRecordFileOpenFailed, QStringLiteral("Failed to open record file"));
        if (!recordFile_.createChunk(&riffChunk_, kRiff, kWave))
            return abandonRecord(TonwellRecordCreateRIFFFailed, QStringLiteral("Failed to Create RIFF Chunk"));
        if (!recordFile_.createChunk(&subChunk_, kFmt))
            return abandonRecord(TonwellFileErrorCreatingFormat, QStringLiteral("Failed to Create Format Info"));
        if (!recordFile_.write(recordFormatBuffer_.data(), recordSize))
            return abandonRecord(TonwellFileErrorWritingFormat, QStringLiteral("Failed to Write Format Info"));
        if (!recordFile_.ascend(&subChunk_))
            return abandonRecord(TonwellFileAscendFailed, QStringLiteral("Failed to Ascend to Riff Chunk"));
        if (!recordFile_.createChunk(&subChunk_, kData))
            return abandonRecord(TonwellFileCreateDataFailed, QStringLiteral("Failed to Create Wave Data"));
    }

    // Buffer size: RecordBufferLength tenths of a second, at least 1024 and at most 10000 bytes;
    // MPEG Layer-3 takes a second (at least 4000 bytes), tag 66 always 800; whole blocks.
    long long size = std::max(static_cast<long long>(recordBufferLength_ * 0.1 * f.avgBytesPerSec), 1024LL);
    if (f.tag == WAVE_FORMAT_MPEGLAYER3)
        size = std::max<long long>(f.avgBytesPerSec, 4000);
    else
        size = std::min(size, 10000LL);
    if (f.tag == kTag66) size = 800;
    if (f.blockAlign > 0) size -= size % f.blockAlign;
    if (size > kLargestRecordBuffer)
        return abandonRecord(TonwellInOpenError, QStringLiteral("Error opening wave input device"));
    recordBufferSize_ = static_cast<std::uint32_t>(size);
    for (auto& b : recordBuffers_) b.assign(recordBufferSize_, 0);

    MessageWindow* window = window_.get();
    const std::uintptr_t session = recordSession_;
    const MMRESULT opened = openMappedWaveIn(
        waveInSystem(), WaveInID, f,
        [window, session](WaveHeader* h) { window->post(kMsgRecordBufferDone, session, h); }, &waveIn_);
    if (opened != MMSYSERR_NOERROR)
        return abandonRecord(TonwellInOpenError, QStringLiteral("Error opening wave input device"));
    for (std::size_t i = 0; i < recordHeaders_.size(); ++i) {
        WaveHeader& h = recordHeaders_[i];
        h = WaveHeader{recordBuffers_[i].data(), recordBufferSize_, 0, 0, 0, 0};
        const MMRESULT prepared = waveIn_->prepare(&h);
        if (prepared == MMSYSERR_NOMEM)
            return abandonRecord(TonwellRecordPrepareHeaderFailure,
                                 QStringLiteral("No memory preparing wave record headers"));
        if (prepared != MMSYSERR_NOERROR)
            return abandonRecord(TonwellRecordPrepareHeaderFailure,
                                 QStringLiteral("Failed to prepare wave record headers"));
    }
    for (WaveHeader& h : recordHeaders_)
        if (waveIn_->addBuffer(&h) != MMSYSERR_NOERROR)
            return abandonRecord(TonwellRecordBufferError, QStringLiteral("Failed to add wave record buffers"));
    if (waveIn_->start() != MMSYSERR_NOERROR)
        return abandonRecord(TonwellRecordStartFailed, QStringLiteral("Failed to start wave record"));
    recordHeadersInUse_ = static_cast<int>(recordHeaders_.size());

    if (f.isPcm() && f.channels == 1) {
        if (!window_->levelTimer.isActive()) window_->levelTimer.start();
        window_->silenceTimer.start(silencePeriod());
    }
    return S_OK;
}

HRESULT Tonwell::abandonRecord(HRESULT hr, const QString& description) {
    if (waveIn_) {
        waveIn_->reset();  // what it returns belongs to this session, which is over
        for (WaveHeader& h : recordHeaders_) waveIn_->unprepare(&h);
        waveIn_->close();
        waveIn_.reset();
    }
    recordFile_.close();  // its chunk sizes are left as they are
    for (auto& b : recordBuffers_) std::vector<std::uint8_t>().swap(b);
    ++recordSession_;
    recording_ = recordBusy_ = false;
    return fail(hr, description);
}

void Tonwell::onRecordBufferDone(std::uintptr_t session, WaveHeader* h) {
    if (session != recordSession_ || !waveIn_ || (h != &recordHeaders_[0] && h != &recordHeaders_[1])) return;
    const std::uint32_t b = std::min(h->bytesRecorded, h->bufferLength);
    if (b > 0 && recordMarker_ == 8)
        recordLevel8(h->data, b, recordGain_, recordPeak_, silencePeak_);
    else if (b > 0 && recordMarker_ == 16)
        recordLevel16(h->data, b, recordGain_, recordPeak_, silencePeak_);
    const bool silenceLeftOut = silent_ && silencePeak_ <= silenceLevel_ && silenceDeletion_;
    if (b > 0 && !noFile_ && !recordPaused_ && !silenceLeftOut)
        recordFile_.write(h->data, b);  // a write error is not checked: the recording goes on
    bool retire = true;
    if (recording_) {
        if (waveIn_->addBuffer(h) == MMSYSERR_NOERROR)
            retire = false;
        else
            recording_ = false;
    }
    if (retire && --recordHeadersInUse_ == 0) endRecording();
}

void Tonwell::releaseRecording() {
    if (waveIn_) {
        if (recordHeadersInUse_ > 0) waveIn_->reset();
        for (WaveHeader& h : recordHeaders_) waveIn_->unprepare(&h);
        waveIn_->close();
        waveIn_.reset();
    }
    if (recordFile_.isOpen()) {
        recordFile_.ascend(&subChunk_);
        recordFile_.ascend(&riffChunk_);
        recordFile_.close();
    }
    for (auto& b : recordBuffers_) std::vector<std::uint8_t>().swap(b);
    recordHeadersInUse_ = 0;
}

void Tonwell::endRecording() {
    // A host may let go of the control from DoneRecord or the events before it.
    const std::shared_ptr<Tonwell> self = weak_from_this().lock();
    releaseRecording();
    if (window_) {
        if (!playing_) window_->levelTimer.stop();
        window_->silenceTimer.stop();
    }
    recording_ = false;
    recordPeak_ = silencePeak_ = 0;
    recordPaused_ = false;
    silent_ = true;
    connections_.fire(eventid::VUChange,
                      {Variant(static_cast<std::int16_t>(std::min(playPeak_, 100))), Variant(std::int16_t(0))});
    connections_.fire(eventid::Silence, {Variant(std::int16_t(-1))});
    recordBusy_ = false;
    connections_.fire(eventid::DoneRecord, {});
}

HRESULT Tonwell::StopRecord() {
    if (recording_) {
        waveIn_->reset();  // both buffers come back with what they hold, and are still written
        recording_ = false;
    }
    return S_OK;
}

void Tonwell::onSilenceTick() {
    const std::shared_ptr<Tonwell> self = weak_from_this().lock();
    if (silencePeak_ < silenceLevel_ && !silent_) {
        silent_ = true;
        connections_.fire(eventid::Silence, {Variant(std::int16_t(-1))});
    }
    silencePeak_ = 0;
}

HRESULT Tonwell::WaveInGetName(std::int16_t id, QString* name) {
    WaveInCaps caps;
    if (waveInSystem().caps(id, &caps) != MMSYSERR_NOERROR)
        return fail(TonwellGetWaveInNameFailed, QStringLiteral("Failed to get wave in device name"));
    *name = caps.name;
    return S_OK;
}

HRESULT Tonwell::WaveInGetCaps(std::int16_t id, std::int32_t* result) {
    *result = 0;
    WaveInSystem& system = waveInSystem();
    WaveInCaps caps;
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
