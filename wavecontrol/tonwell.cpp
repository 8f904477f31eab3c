// The control object: construction, its plain properties, error info and the run-time checks.
#include "tonwell.h"

#include "component/errorinfo.h"
#include "component/factory.h"
#include "message_window.h"
#include "platform/codecs/codec.h"
#include "platform/wavein.h"
#include "typelib.h"

#include <QCoreApplication>
#include <algorithm>

namespace tonwell {

using namespace component;

float gainFor(std::int16_t v) { return static_cast<float>(v <= 0 ? 1.0 + v * 0.01 : 1.0 + v * 0.1); }

Tonwell::Tonwell() {
    setDefaults();
    extent_ = Extent{pixelsToHimetric(32), pixelsToHimetric(32)};
    waveInDevs_ = static_cast<std::int16_t>(std::min(waveInSystem().deviceCount(), 32767u));
    waveOutDevs_ = static_cast<std::int16_t>(std::min(waveOutSystem().deviceCount(), 32767u));
    maxFormatSize_ = std::max(CodecManager::instance().maxFormatSize(), kWaveFormatHeaderSize);
    convertFormat_.assign(maxFormatSize_, 0);
    intermediateFormat_.assign(maxFormatSize_, 0);
    recordFormatBuffer_.assign(maxFormatSize_, 0);
    formatbuf::markNotSet(convertFormat_);
    formatbuf::markNotSet(intermediateFormat_);
    formatbuf::markNotSet(recordFormatBuffer_);
}

Tonwell::~Tonwell() {
    // Stop the devices and the worker first: they post to the window, which must outlive them.
    stopConversion();
    releasePlayback();
    releaseRecording();
    if (window_) {
        window_->detach();
        if (window_->dispatching())
            window_.release()->deleteLater();  // destroyed from one of its own event handlers
        else
            window_.reset();
    }
}

void* Tonwell::queryInterface(const Guid& id) {
    if (id == Unknown::iid) return static_cast<Unknown*>(this);
    if (id == Dispatch::iid || id == IID_ITonwell) return static_cast<Dispatch*>(this);
    if (id == OleObject::iid) return static_cast<OleObject*>(this);
    if (id == EventSource::iid || id == DIID__ITonwellEvents) return static_cast<EventSource*>(this);
    if (id == PersistStreamInit::iid) return static_cast<PersistStreamInit*>(this);
    if (id == PersistPropertyBag::iid) return static_cast<PersistPropertyBag*>(this);
    return nullptr;
}

const TypeInfo& Tonwell::typeInfo() const { return tonwellTypeInfo(); }

HRESULT Tonwell::invoke(DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) {
    return invokeTonwell(*this, id, kinds, args, result);
}

void Tonwell::setDefaults() {
    playFilename_.clear();
    recordFilename_.clear();
    playTag_.clear();
    playAttributes_.clear();
    recordTag_.clear();
    recordAttributes_.clear();
    convertTag_.clear();
    convertAttributes_.clear();
    playVolume_ = 0;
    playGain_ = 1.0f;
    recordLevel_ = 0;
    recordGain_ = 1.0f;
    recordFormat_ = tw8000Hz16bit;
    silenceLevel_ = 25;
    silenceTimer_ = 1000;
    playBufferLength_ = 2;
    recordBufferLength_ = 1;
    silenceDeletion_ = false;
    playPaused_ = recordPaused_ = false;
    playing_ = recording_ = converting_ = false;
    playBusy_ = recordBusy_ = false;
    playPeak_ = recordPeak_ = silencePeak_ = 0;
    silent_ = true;
}

HRESULT Tonwell::fail(HRESULT hr, const QString& description) const {
    QString source;
    if (FAILED(progIdFromClsid(CLSID_Tonwell, &source))) source = QString::fromLatin1(kProgId);
    return reportError(hr, IID_ITonwell, source, description, QString::fromLatin1(kHelpFile), kHelpContext);
}

HRESULT Tonwell::runTimeOnly() const { return ambients().userMode() ? S_OK : CTL_E_GETNOTSUPPORTED; }

HRESULT Tonwell::ensureWindow() {
    if (window_) return S_OK;
    // Without an application object no posted message would ever be delivered.
    if (!QCoreApplication::instance()) return hresultFromErrno(0x578);  // ERROR_INVALID_WINDOW_HANDLE
    window_ = std::make_unique<MessageWindow>(*this);
    return S_OK;
}

// --- plain properties -------------------------------------------------------------------

HRESULT Tonwell::get_Enabled(VARIANT_BOOL* v) {
    *v = enabled_;
    return S_OK;
}

HRESULT Tonwell::put_Enabled(VARIANT_BOOL v) {
    if (!requestEdit(DISPID_ENABLED)) return S_FALSE;
    enabled_ = toVariantBool(v == VARIANT_TRUE);
    propertyChanged(DISPID_ENABLED);
    return S_OK;
}

HRESULT Tonwell::get_PlayFilename(QString* v) {
    *v = playFilename_;
    return S_OK;
}

HRESULT Tonwell::get_PlayVolume(std::int16_t* v) {
    *v = playVolume_;
    return S_OK;
}

HRESULT Tonwell::put_PlayVolume(std::int16_t v) {
    playVolume_ = std::clamp<std::int16_t>(v, -100, 100);
    playGain_ = gainFor(playVolume_);
    return S_OK;
}

HRESULT Tonwell::get_RecordFilename(QString* v) {
    *v = recordFilename_;
    return S_OK;
}

HRESULT Tonwell::put_RecordFilename(QString v) {
    recordFilename_ = v;
    return S_OK;
}

HRESULT Tonwell::get_RecordLevel(std::int16_t* v) {
    *v = recordLevel_;
    return S_OK;
}

HRESULT Tonwell::put_RecordLevel(std::int16_t v) {
    recordLevel_ = std::clamp<std::int16_t>(v, -100, 100);
    recordGain_ = gainFor(recordLevel_);
    return S_OK;
}

HRESULT Tonwell::get_SilenceLevel(std::int16_t* v) {
    *v = silenceLevel_;
    return S_OK;
}

HRESULT Tonwell::put_SilenceLevel(std::int16_t v) {
    silenceLevel_ = std::clamp<std::int16_t>(v, 0, 100);
    return S_OK;
}

HRESULT Tonwell::get_SilenceTimer(std::int16_t* v) {
    *v = silenceTimer_;
    return S_OK;
}

HRESULT Tonwell::put_SilenceTimer(std::int16_t v) {
    silenceTimer_ = std::max<std::int16_t>(v, 0);
    if (window_ && window_->silenceTimer.isActive()) window_->silenceTimer.start(silencePeriod());
    return S_OK;
}

HRESULT Tonwell::get_PlayBufferLength(std::int16_t* v) {
    *v = playBufferLength_;
    return S_OK;
}

HRESULT Tonwell::put_PlayBufferLength(std::int16_t v) {
    if (v < 0) return fail(TonwellInvalidPropertyValue, QStringLiteral("Play buffer length invalid property value"));
    playBufferLength_ = v;
    return S_OK;
}

HRESULT Tonwell::get_RecordBufferLength(std::int16_t* v) {
    *v = recordBufferLength_;
    return S_OK;
}

HRESULT Tonwell::put_RecordBufferLength(std::int16_t v) {
    if (v < 0) return fail(TonwellInvalidPropertyValue, QStringLiteral("Record buffer length invalid property value"));
    recordBufferLength_ = v;
    return S_OK;
}

HRESULT Tonwell::get_SilenceDeletion(VARIANT_BOOL* v) {
    *v = toVariantBool(silenceDeletion_);
    return S_OK;
}

HRESULT Tonwell::put_SilenceDeletion(VARIANT_BOOL v) {
    silenceDeletion_ = v == VARIANT_TRUE;
    dataChanged();
    return S_OK;
}

HRESULT Tonwell::get_PlayPaused(VARIANT_BOOL* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = toVariantBool(playPaused_);
    return S_OK;
}

HRESULT Tonwell::get_RecordPaused(VARIANT_BOOL* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = toVariantBool(recordPaused_);
    return S_OK;
}

HRESULT Tonwell::put_RecordPaused(VARIANT_BOOL v) {
    if (recording_) recordPaused_ = v == VARIANT_TRUE;
    return S_OK;
}

HRESULT Tonwell::get_PlayBusy(VARIANT_BOOL* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = toVariantBool(playBusy_);
    return S_OK;
}

HRESULT Tonwell::get_RecordBusy(VARIANT_BOOL* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = toVariantBool(recordBusy_);
    return S_OK;
}

HRESULT Tonwell::get_ConvertBusy(VARIANT_BOOL* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = toVariantBool(converting_);
    return S_OK;
}

HRESULT Tonwell::get_PlayTag(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = playTag_;
    return S_OK;
}

HRESULT Tonwell::get_PlayAttributes(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = playAttributes_;
    return S_OK;
}

HRESULT Tonwell::get_RecordTag(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = recordTag_;
    return S_OK;
}

HRESULT Tonwell::get_RecordAttributes(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = recordAttributes_;
    return S_OK;
}

HRESULT Tonwell::get_ConvertTag(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = convertTag_;
    return S_OK;
}

HRESULT Tonwell::get_ConvertAttributes(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = convertAttributes_;
    return S_OK;
}

HRESULT Tonwell::get_WaveInNumDevs(std::int16_t* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = waveInDevs_;
    return S_OK;
}

HRESULT Tonwell::get_WaveOutNumDevs(std::int16_t* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    *v = waveOutDevs_;
    return S_OK;
}

}  // namespace tonwell
