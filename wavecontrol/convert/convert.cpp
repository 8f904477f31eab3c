// The control's conversion members: the target format, the format dialog, and Convert with its
// worker thread. The worker works on a copy of what it needs, clears the converting flag and
// posts its result to the hidden window; the events are fired on the control's thread.
#include "convert/conversion.h"
#include "message_window.h"
#include "platform/codecs/codec.h"
#include "platform/format_chooser.h"
#include "platform/format_text.h"
#include "tonwell.h"

#include <optional>
#include <system_error>

namespace tonwell {

using namespace component;

namespace {

const QString kConvertFormatInvalid = QStringLiteral("Convert format invalid property value");

}  // namespace

void Tonwell::setConvertFormat(std::span<const std::uint8_t> record) {
    std::fill(convertFormat_.begin(), convertFormat_.end(), 0);
    std::copy(record.begin(), record.end(), convertFormat_.begin());
    const std::size_t size =
        std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(convertFormat_, 16), convertFormat_.size());
    const WaveFormat f = WaveFormat::fromBytes(std::span(convertFormat_).first(size));
    const CodecManager& acm = CodecManager::instance();
    if (!acm.tagName(f.tag, &convertTag_)) convertTag_.clear();
    if (!acm.describe(f, &convertAttributes_)) convertAttributes_.clear();
}

HRESULT Tonwell::get_ConvertFormat(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    v->clear();
    if (!formatbuf::isSet(convertFormat_)) return S_OK;
    const std::size_t size =
        std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(convertFormat_, 16), convertFormat_.size());
    *v = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(convertFormat_.data()), static_cast<qsizetype>(size))
            .toHex()
            .toUpper());
    return S_OK;
}

HRESULT Tonwell::put_ConvertFormat(QString v) {
    if (v.isEmpty()) {
        std::fill(convertFormat_.begin(), convertFormat_.end(), 0);
        formatbuf::markNotSet(convertFormat_);
        return S_OK;
    }
    // A whole record (at least its 18-byte header) that fits the buffer, in hexadecimal digits
    // of either case; anything else leaves the target as it was.
    const auto bytes = fromHex(v);
    if (!bytes || bytes->size() < kWaveFormatHeaderSize || bytes->size() > convertFormat_.size())
        return fail(TonwellInvalidPropertyValue, kConvertFormatInvalid);
    setConvertFormat(*bytes);
    return S_OK;
}

HRESULT Tonwell::ShowConvertFormatDialog(std::int32_t hWnd) {
    std::optional<WaveFormat> initial;
    if (formatbuf::isSet(convertFormat_)) {
        const std::size_t size =
            std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(convertFormat_, 16), convertFormat_.size());
        initial = WaveFormat::fromBytes(std::span(convertFormat_).first(size));
    }
    FormatChoice choice;
    switch (chooseFormat(widgetForHandle(hWnd), QStringLiteral("Choose Required Output Format"), FormatUse::All,
                         initial ? &*initial : nullptr, convertFormat_.size(), &choice)) {
    case ChooseResult::Canceled: return S_OK;
    case ChooseResult::Failed: return fail(TonwellACMError, QStringLiteral("Failed to show output format dialog"));
    case ChooseResult::Chosen: break;
    }
    setConvertFormat(choice.format.toBytes());
    convertTag_ = choice.tag;
    convertAttributes_ = choice.attributes;
    return S_OK;
}

HRESULT Tonwell::Convert(QString InputFileName, QString OutputFileName) {
    if (converting_) return fail(TonwellACMError, QStringLiteral("Converter busy"));
    inputFileName_ = InputFileName;
    outputFileName_ = OutputFileName;
    if (InputFileName == OutputFileName)
        return fail(TonwellACMError, QStringLiteral("OutputFileName can not be the same name as InputFileName"));
    if (InputFileName.isEmpty() || OutputFileName.isEmpty())
        return fail(TonwellACMError, QStringLiteral("OutputFileName or InputFileName invalid name"));
    converting_ = true;
    if (FAILED(ensureWindow())) {
        converting_ = false;
        return fail(TonwellACMError, QStringLiteral("Internal error failed to set message callback"));
    }
    // The previous worker has cleared the flag and posted its result; it ends at once.
    if (convertWorker_.joinable()) convertWorker_.join();
    ConversionJob job;
    job.input = inputFileName_;
    job.output = outputFileName_;
    job.target = convertFormat_;
    job.maxFormatSize = maxFormatSize_;
    job.stop = &stopConversion_;
    MessageWindow* window = window_.get();
    try {
        convertWorker_ = std::thread([this, window, job = std::move(job)] {
            const int code = runConversion(job);
            if (code == kConversionStopped) return;  // the control is going away: no one to tell
            converting_ = false;
            if (code == kConversionOk)
                window->post(kMsgConversionDone, 0, nullptr);
            else
                window->post(kMsgConversionFailed, static_cast<std::uintptr_t>(code), nullptr);
        });
    } catch (const std::system_error&) {
        converting_ = false;
        return fail(TonwellACMError, QStringLiteral("Internal error failed to start conversion thread"));
    }
    return S_OK;
}

void Tonwell::stopConversion() {
    stopConversion_ = true;
    if (convertWorker_.joinable()) convertWorker_.join();
}

void Tonwell::onConversionDone(int code) {
    // A host may let go of the control from its event handler: keep it alive until the end.
    const std::shared_ptr<Tonwell> self = weak_from_this().lock();
    if (code == kConversionOk)
        connections_.fire(eventid::ConvertDone, {});
    else
        connections_.fire(eventid::ConvertError,
                          {Variant(static_cast<std::int32_t>(code)), Variant(conversionErrorText(code))});
}

}  // namespace tonwell
