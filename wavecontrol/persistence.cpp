// Stream and property-bag persistence over the control's one property map.
#include "tonwell.h"

namespace tonwell {

using namespace component;

namespace {

constexpr std::uint32_t kStreamVersion = 0x00000300;

const PropertyMapEntry kPropertyMap[] = {
    {QStringLiteral("_cx"), PropertyMapEntry::ExtentWidth},
    {QStringLiteral("_cy"), PropertyMapEntry::ExtentHeight},
    {QStringLiteral("PlayFilename"), PropertyMapEntry::Property, dispid::PlayFilename, VT_BSTR},
    {QStringLiteral("RecordFilename"), PropertyMapEntry::Property, dispid::RecordFilename, VT_BSTR},
    {QStringLiteral("PlayVolume"), PropertyMapEntry::Property, dispid::PlayVolume, VT_I2},
    {QStringLiteral("RecordLevel"), PropertyMapEntry::Property, dispid::RecordLevel, VT_I2},
    {QStringLiteral("RecordFormat"), PropertyMapEntry::Property, dispid::RecordFormat, VT_I4},
    {QStringLiteral("SilenceLevel"), PropertyMapEntry::Property, dispid::SilenceLevel, VT_I2},
    {QStringLiteral("SilenceTimer"), PropertyMapEntry::Property, dispid::SilenceTimer, VT_I2},
    {QStringLiteral("PlayBufferLength"), PropertyMapEntry::Property, dispid::PlayBufferLength, VT_I2},
    {QStringLiteral("RecordBufferLength"), PropertyMapEntry::Property, dispid::RecordBufferLength, VT_I2},
    {QStringLiteral("SilenceDeletion"), PropertyMapEntry::Property, dispid::SilenceDeletion, VT_BOOL},
};

}  // namespace

HRESULT Tonwell::initNew() {
    if (initialised_) return E_UNEXPECTED;
    setDefaults();
    initialised_ = true;
    return S_OK;
}

HRESULT Tonwell::load(Stream& stream) {
    if (initialised_) return E_UNEXPECTED;
    const HRESULT hr = loadMapFromStream(*this, &extent_, kPropertyMap, kStreamVersion, stream);
    if (FAILED(hr)) return E_FAIL;
    initialised_ = true;
    dirty_ = false;
    return S_OK;
}

HRESULT Tonwell::save(Stream& stream, bool clearDirty) {
    const HRESULT hr = saveMapToStream(*this, extent_, kPropertyMap, kStreamVersion, stream);
    if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
    return hr;
}

HRESULT Tonwell::load(PropertyBag& bag) {
    if (initialised_) return E_UNEXPECTED;
    const HRESULT hr = loadMapFromBag(*this, &extent_, kPropertyMap, bag);
    if (FAILED(hr)) return E_FAIL;
    initialised_ = true;
    dirty_ = false;
    return S_OK;
}

HRESULT Tonwell::save(PropertyBag& bag, bool clearDirty, bool) {
    const HRESULT hr = saveMapToBag(*this, extent_, kPropertyMap, bag);
    if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
    return hr;
}

}  // namespace tonwell
