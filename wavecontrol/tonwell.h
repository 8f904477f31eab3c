// Tonwell, the wave audio control: plays, records and converts wave files.
#pragma once
#include "component/control.h"
#include "component/dispatch.h"
#include "component/persist.h"
#include "component/unknown.h"
#include "platform/riff.h"
#include "platform/wavein.h"
#include "platform/waveformat.h"
#include "platform/waveout.h"
#include "tonwell_ids.h"

#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace tonwell {

class MessageWindow;

using component::Variant;
using component::VARIANT_BOOL;

class Tonwell final : public std::enable_shared_from_this<Tonwell>,
                      public component::Unknown,
                      public component::Dispatch,
                      public component::ControlBase,
                      public component::PersistStreamInit,
                      public component::PersistPropertyBag {
public:
    Tonwell();
    ~Tonwell() override;
    Tonwell(const Tonwell&) = delete;
    Tonwell& operator=(const Tonwell&) = delete;

    // Unknown, Dispatch
    void* queryInterface(const Guid& id) override;
    const component::TypeInfo& typeInfo() const override;
    HRESULT invoke(DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) override;

    // PersistStreamInit and PersistPropertyBag (one initNew serves both).
    HRESULT initNew() override;
    HRESULT load(component::Stream& stream) override;
    HRESULT save(component::Stream& stream, bool clearDirty) override;
    bool isDirty() const override { return dirty_; }
    HRESULT load(component::PropertyBag& bag) override;
    HRESULT save(component::PropertyBag& bag, bool clearDirty, bool saveAllProperties) override;

    // ITonwell, in interface order.
    HRESULT get_Enabled(VARIANT_BOOL* v);
    HRESULT put_Enabled(VARIANT_BOOL v);
    HRESULT get_PlayFilename(QString* v);
    HRESULT put_PlayFilename(QString v);
    HRESULT get_PlayVolume(std::int16_t* v);
    HRESULT put_PlayVolume(std::int16_t v);
    HRESULT get_RecordFilename(QString* v);
    HRESULT put_RecordFilename(QString v);
    HRESULT get_RecordLevel(std::int16_t* v);
    HRESULT put_RecordLevel(std::int16_t v);
    HRESULT get_SilenceLevel(std::int16_t* v);
    HRESULT put_SilenceLevel(std::int16_t v);
    HRESULT get_SilenceTimer(std::int16_t* v);
    HRESULT put_SilenceTimer(std::int16_t v);
    HRESULT Play(std::int32_t WaveOutID);
    HRESULT Record(std::int32_t WaveInID);
    HRESULT StopPlay();
    HRESULT StopRecord();
    HRESULT get_RecordFormat(TonwellFormatConstants* v);
    HRESULT put_RecordFormat(TonwellFormatConstants v);
    HRESULT get_WaveInNumDevs(std::int16_t* v);
    HRESULT get_WaveOutNumDevs(std::int16_t* v);
    HRESULT WaveInGetName(std::int16_t DeviceID, QString* name);
    HRESULT WaveOutGetName(std::int16_t DeviceID, QString* name);
    HRESULT About();
    HRESULT WaveInGetCaps(std::int16_t DeviceID, std::int32_t* caps);
    HRESULT WaveOutGetCaps(std::int16_t DeviceID, std::int32_t* caps);
    HRESULT get_PlayBufferLength(std::int16_t* v);
    HRESULT put_PlayBufferLength(std::int16_t v);
    HRESULT get_RecordBufferLength(std::int16_t* v);
    HRESULT put_RecordBufferLength(std::int16_t v);
    HRESULT get_SilenceDeletion(VARIANT_BOOL* v);
    HRESULT put_SilenceDeletion(VARIANT_BOOL v);
    HRESULT get_PlayPaused(VARIANT_BOOL* v);
    HRESULT put_PlayPaused(VARIANT_BOOL v);
    HRESULT get_RecordPaused(VARIANT_BOOL* v);
    HRESULT put_RecordPaused(VARIANT_BOOL v);
    HRESULT ShowConvertFormatDialog(std::int32_t hWnd);
    HRESULT get_ConvertAttributes(QString* v);
    HRESULT get_ConvertTag(QString* v);
    HRESULT Convert(QString InputFileName, QString OutputFileName);
    HRESULT get_ConvertBusy(VARIANT_BOOL* v);
    HRESULT get_ConvertFormat(QString* v);
    HRESULT put_ConvertFormat(QString v);
    HRESULT ShowRecordFormatDialog(std::int32_t hWnd);
    HRESULT get_RecordTag(QString* v);
    HRESULT get_RecordAttributes(QString* v);
    HRESULT get_RecordUserFormat(QString* v);
    HRESULT put_RecordUserFormat(QString v);
    HRESULT get_PlayBusy(VARIANT_BOOL* v);
    HRESULT get_RecordBusy(VARIANT_BOOL* v);
    HRESULT get_PlayTag(QString* v);
    HRESULT get_PlayAttributes(QString* v);

    // Hidden-window handlers (the control's thread only).
    void onPlayBufferDone(WaveHeader* h);
    // `session` tells buffers of the current recording from those of one abandoned at its start.
    void onRecordBufferDone(std::uintptr_t session, WaveHeader* h);
    void onLevelTick();
    void onSilenceTick();
    void onConversionDone(int code);  // kConversionOk or the failed step's code

    // For tests and the benchmark: what playback and recording are using.
    std::uint32_t playBufferSize() const { return playBufferSize_; }
    std::uint32_t recordBufferSize() const { return recordBufferSize_; }
    float playGain() const { return playGain_; }
    std::size_t maxFormatSize() const { return maxFormatSize_; }
    const MessageWindow* messageWindow() const { return window_.get(); }

private:
    // Sets error info (ITonwell, the registered ProgID, help file and context) and returns hr.
    HRESULT fail(HRESULT hr, const QString& description) const;
    // The run-time-only getters' check: S_OK in user mode, else 0x800A018A.
    HRESULT runTimeOnly() const;
    HRESULT ensureWindow();
    void setDefaults();

    // Opening a play file, steps 1-3 (format) and 4 (data); fills the format buffer.
    HRESULT openPlayFile(RiffReader& file, std::vector<std::uint8_t>& format, Chunk* data, bool findData) const;
    void endPlayback();
    void releasePlayback();  // frees what playback holds, firing nothing
    void applyRecordFormat(std::int32_t value);
    // Copies a record over the cleared target buffer and names it in ConvertTag/ConvertAttributes.
    void setConvertFormat(std::span<const std::uint8_t> record);
    // Asks a running worker to stop and waits for it (the control is going away).
    void stopConversion();
    void setRecordMarkerFromFormat();
    // A failed Record step: releases what the start took, clears the flags, reports hr.
    HRESULT abandonRecord(HRESULT hr, const QString& description);
    void endRecording();
    void releaseRecording();  // closes the file valid and frees what recording holds, firing nothing
    int silencePeriod() const;

    // Properties.
    VARIANT_BOOL enabled_ = component::VARIANT_TRUE;
    QString playFilename_, recordFilename_;
    std::int16_t playVolume_ = 0, recordLevel_ = 0;
    float playGain_ = 1.0f, recordGain_ = 1.0f;
    std::int32_t recordFormat_ = tw8000Hz16bit;
    std::int16_t silenceLevel_ = 25, silenceTimer_ = 1000;
    std::int16_t playBufferLength_ = 2, recordBufferLength_ = 1;
    bool silenceDeletion_ = false;
    bool playPaused_ = false, recordPaused_ = false;
    bool playing_ = false, recording_ = false;
    // Set by Convert, cleared by the worker just before it posts its result.
    std::atomic<bool> converting_ = false;
    bool playBusy_ = false, recordBusy_ = false;
    bool silent_ = true;
    int silencePeak_ = 0, playPeak_ = 0, recordPeak_ = 0;
    QString playTag_, playAttributes_, recordTag_, recordAttributes_, convertTag_, convertAttributes_;
    QString inputFileName_, outputFileName_;
    std::int16_t waveInDevs_ = 0, waveOutDevs_ = 0;
    std::size_t maxFormatSize_ = kWaveFormatHeaderSize;
    std::vector<std::uint8_t> convertFormat_, intermediateFormat_, recordFormatBuffer_;
    int recordMarker_ = 911;
    bool initialised_ = false;

    // Playback.
    std::unique_ptr<MessageWindow> window_;
    RiffReader playFile_;
    std::uint32_t playBytesLeft_ = 0;
    std::vector<std::uint8_t> playFormat_;
    std::unique_ptr<WaveOut> waveOut_;
    std::array<std::vector<std::uint8_t>, 2> playBuffers_;
    std::array<WaveHeader, 2> playHeaders_{};
    int playHeadersInUse_ = 0;
    int playMarker_ = 99;
    std::uint32_t playBufferSize_ = 0;

    // Recording.
    bool noFile_ = false;
    RiffWriter recordFile_;
    Chunk riffChunk_, subChunk_;
    std::unique_ptr<WaveIn> waveIn_;
    std::array<std::vector<std::uint8_t>, 2> recordBuffers_;
    std::array<WaveHeader, 2> recordHeaders_{};
    int recordHeadersInUse_ = 0;
    std::uint32_t recordBufferSize_ = 0;
    std::uintptr_t recordSession_ = 0;

    // Conversion.
    std::thread convertWorker_;
    std::atomic<bool> stopConversion_ = false;
};

// Gain rule shared by PlayVolume and RecordLevel: 1 + v * 0.01 for v <= 0, 1 + v * 0.1 above.
float gainFor(std::int16_t v);

}  // namespace tonwell
