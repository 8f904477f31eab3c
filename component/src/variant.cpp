#include "component/variant.h"

#include <cmath>
#include <limits>

namespace component {

namespace {

// The value as a double, for the numeric and boolean types; false for the others.
bool numericValue(const Variant& v, double* out) {
    switch (v.type()) {
    case VT_EMPTY: *out = 0; return true;
    case VT_I2: *out = v.i2(); return true;
    case VT_I4: *out = v.i4(); return true;
    case VT_UI1: *out = v.ui1(); return true;
    case VT_UI2: *out = v.ui2(); return true;
    case VT_UI4: *out = v.ui4(); return true;
    case VT_R4: *out = v.r4(); return true;
    case VT_R8: *out = v.r8(); return true;
    case VT_BOOL: *out = v.boolVal(); return true;
    default: return false;
    }
}

HRESULT parseText(const QString& text, double* out) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        *out = -1;
        return S_OK;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        *out = 0;
        return S_OK;
    }
    bool ok = false;
    double d = t.toDouble(&ok);
    if (!ok && (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))) {
        const qlonglong h = t.mid(2).toLongLong(&ok, 16);
        d = static_cast<double>(static_cast<std::int32_t>(h));
    }
    if (!ok) return DISP_E_TYPEMISMATCH;
    *out = d;
    return S_OK;
}

template <class T>
HRESULT toInteger(double d, T* out) {
    const double r = std::nearbyint(d);  // default rounding mode: to nearest, ties to even
    if (!std::isfinite(r) || r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        return DISP_E_OVERFLOW;
    *out = static_cast<T>(r);
    return S_OK;
}

}  // namespace

HRESULT Variant::changeType(VarType target, Variant* out) const {
    if (!out) return E_POINTER;
    if (target == vt_) {
        *out = *this;
        return S_OK;
    }
    if (target == VT_BSTR) {
        if (vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN || vt_ == VT_NULL) return DISP_E_TYPEMISMATCH;
        *out = Variant(toString());
        return S_OK;
    }
    if (target == VT_EMPTY) {
        *out = Variant();
        return S_OK;
    }
    if (target == VT_DISPATCH || target == VT_UNKNOWN) {
        if (vt_ != VT_DISPATCH && vt_ != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
        *out = Variant(obj_, target);
        return S_OK;
    }
    double d = 0;
    if (vt_ == VT_BSTR) {
        const HRESULT hr = parseText(str_, &d);
        if (FAILED(hr)) return hr;
    } else if (!numericValue(*this, &d)) {
        return DISP_E_TYPEMISMATCH;
    }
    HRESULT hr = S_OK;
    switch (target) {
    case VT_I2: {
        std::int16_t v = 0;
        hr = toInteger(d, &v);
        if (SUCCEEDED(hr)) *out = Variant(v);
        break;
    }
    case VT_I4: {
        std::int32_t v = 0;
        hr = toInteger(d, &v);
        if (SUCCEEDED(hr)) *out = Variant(v);
        break;
    }
    case VT_UI1: {
        std::uint8_t v = 0;
        hr = toInteger(d, &v);
        if (SUCCEEDED(hr)) *out = Variant(v);
        break;
    }
    case VT_UI2: {
        std::uint16_t v = 0;
        hr = toInteger(d, &v);
        if (SUCCEEDED(hr)) *out = Variant(v);
        break;
    }
    case VT_UI4: {
        std::uint32_t v = 0;
        hr = toInteger(d, &v);
        if (SUCCEEDED(hr)) *out = Variant(v);
        break;
    }
    case VT_R4:
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
        *out = Variant(static_cast<float>(d));
        break;
    case VT_R8: *out = Variant(d); break;
    case VT_BOOL: *out = fromBool(d != 0); break;
    default: return DISP_E_TYPEMISMATCH;
    }
    return hr;
}

QString Variant::toString() const {
    switch (vt_) {
    case VT_EMPTY: return QString();
    case VT_NULL: return QStringLiteral("Null");
    case VT_I2: return QString::number(num_.i2);
    case VT_I4: return QString::number(num_.i4);
    case VT_ERROR:
        return QStringLiteral("Error 0x%1").arg(static_cast<std::uint32_t>(num_.i4), 8, 16, QLatin1Char('0'));
    case VT_UI1: return QString::number(num_.ui1);
    case VT_UI2: return QString::number(num_.ui2);
    case VT_UI4: return QString::number(num_.ui4);
    case VT_R4: return QString::number(num_.r4, 'g', 7);
    case VT_R8: return QString::number(num_.r8, 'g', 15);
    case VT_BOOL: return num_.i2 ? QStringLiteral("True") : QStringLiteral("False");
    case VT_BSTR: return str_;
    case VT_DISPATCH:
    case VT_UNKNOWN: return QStringLiteral("[object]");
    }
    return QString();
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.vt_ != b.vt_) return false;
    switch (a.vt_) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_I2:
    case VT_BOOL: return a.num_.i2 == b.num_.i2;
    case VT_I4:
    case VT_ERROR: return a.num_.i4 == b.num_.i4;
    case VT_UI1: return a.num_.ui1 == b.num_.ui1;
    case VT_UI2: return a.num_.ui2 == b.num_.ui2;
    case VT_UI4: return a.num_.ui4 == b.num_.ui4;
    case VT_R4: return a.num_.r4 == b.num_.r4;
    case VT_R8: return a.num_.r8 == b.num_.r8;
    case VT_BSTR: return a.str_ == b.str_;
    case VT_DISPATCH:
    case VT_UNKNOWN: return a.obj_ == b.obj_;
    }
    return false;
}

}  // namespace component
