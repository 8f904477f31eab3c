// The record format properties: the fixed formats, the user format as text, the format dialog.
#include "platform/codecs/codec.h"
#include "platform/format_chooser.h"
#include "platform/format_text.h"
#include "tonwell.h"

#include <optional>

namespace tonwell {

using namespace component;

namespace {

struct FixedFormat {
    std::int32_t value;
    std::uint32_t rate;
    std::uint16_t bits;
};

constexpr FixedFormat kFixedFormats[] = {
    {tw8000Hz8bit, 8000, 8},    {tw11025Hz8bit, 11025, 8}, {tw11025Hz16bit, 11025, 16}, {tw2205Hz8bit, 22050, 8},
    {tw2205Hz16bit, 22050, 16}, {tw44100Hz8bit, 44100, 8}, {tw44100Hz16bit, 44100, 16},
};

void describe(const std::vector<std::uint8_t>& buffer, QString* tag, QString* attributes) {
    const WaveFormat f = WaveFormat::fromBytes(buffer);
    const CodecManager& acm = CodecManager::instance();
    if (!acm.tagName(f.tag, tag)) tag->clear();
    if (!acm.describe(f, attributes)) attributes->clear();
}

}  // namespace

void Tonwell::applyRecordFormat(std::int32_t value) {
    if (value == twUserSelect) {
        std::fill(recordFormatBuffer_.begin(), recordFormatBuffer_.end(), 0);
        formatbuf::markNotSet(recordFormatBuffer_);
        recordMarker_ = 911;
        recordTag_.clear();
        recordAttributes_.clear();
        return;
    }
    FixedFormat chosen{tw8000Hz16bit, 8000, 16};  // 2 and every unknown value
    for (const FixedFormat& f : kFixedFormats)
        if (f.value == value) chosen = f;
    const std::vector<std::uint8_t> bytes = WaveFormat::pcm(chosen.rate, chosen.bits).toBytes();
    std::fill(recordFormatBuffer_.begin(), recordFormatBuffer_.end(), 0);
    std::copy(bytes.begin(), bytes.end(), recordFormatBuffer_.begin());
    recordMarker_ = chosen.bits;
    describe(recordFormatBuffer_, &recordTag_, &recordAttributes_);
}

void Tonwell::setRecordMarkerFromFormat() {
    const WaveFormat f = WaveFormat::fromBytes(recordFormatBuffer_);
    if (!f.isPcm() || f.channels != 1)
        recordMarker_ = 911;
    else if (f.blockAlign == 1)
        recordMarker_ = 8;
    else if (f.blockAlign == 2)
        recordMarker_ = 16;
}

HRESULT Tonwell::get_RecordFormat(TonwellFormatConstants* v) {
    *v = static_cast<TonwellFormatConstants>(recordFormat_);
    return S_OK;
}

HRESULT Tonwell::put_RecordFormat(TonwellFormatConstants v) {
    recordFormat_ = v;
    applyRecordFormat(v);
    return S_OK;
}

HRESULT Tonwell::get_RecordUserFormat(QString* v) {
    if (const HRESULT hr = runTimeOnly(); FAILED(hr)) return hr;
    v->clear();
    if (recordFormat_ != twUserSelect || !formatbuf::isSet(recordFormatBuffer_)) return S_OK;
    const std::size_t size = std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(recordFormatBuffer_, 16),
                                                   recordFormatBuffer_.size());
    *v = toHex(std::span(recordFormatBuffer_).first(size));
    return S_OK;
}

HRESULT Tonwell::put_RecordUserFormat(QString v) {
    if (recordFormat_ != twUserSelect) return S_OK;
    if (v.isEmpty()) {
        std::fill(recordFormatBuffer_.begin(), recordFormatBuffer_.end(), 0);
        formatbuf::markNotSet(recordFormatBuffer_);
        return S_OK;
    }
    // Whole bytes of hexadecimal digits that fit the buffer, and a record whose extra bytes fit
    // it too; anything else is refused and changes nothing.
    if (!overlayRecordText(v, recordFormatBuffer_))
        return fail(TonwellInvalidPropertyValue, QStringLiteral("Record user format invalid property value"));
    setRecordMarkerFromFormat();
    describe(recordFormatBuffer_, &recordTag_, &recordAttributes_);
    return S_OK;
}

HRESULT Tonwell::ShowRecordFormatDialog(std::int32_t hWnd) {
    if (recordFormat_ != twUserSelect)
        return fail(TonwellACMError, QStringLiteral("Record format not user selectable"));
    std::optional<WaveFormat> initial;
    if (formatbuf::isSet(recordFormatBuffer_)) {
        const std::size_t size = std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(recordFormatBuffer_, 16),
                                                       recordFormatBuffer_.size());
        initial = WaveFormat::fromBytes(std::span(recordFormatBuffer_).first(size));
    }
    FormatChoice choice;
    switch (chooseFormat(widgetForHandle(hWnd), QStringLiteral("Choose Required Record Format"), FormatUse::Input,
                         initial ? &*initial : nullptr, recordFormatBuffer_.size(), &choice)) {
    case ChooseResult::Canceled: return S_OK;
    case ChooseResult::Failed: return fail(TonwellACMError, QStringLiteral("Failed to show record format dialog"));
    case ChooseResult::Chosen: break;
    }
    const std::vector<std::uint8_t> bytes = choice.format.toBytes();
    std::fill(recordFormatBuffer_.begin(), recordFormatBuffer_.end(), 0);
    std::copy(bytes.begin(), bytes.end(), recordFormatBuffer_.begin());
    setRecordMarkerFromFormat();
    recordTag_ = choice.tag;
    recordAttributes_ = choice.attributes;
    return S_OK;
}

}  // namespace tonwell
