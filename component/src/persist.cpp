#include "component/persist.h"

#include <QStringList>
#include <algorithm>
#include <cstring>

namespace component {

HRESULT MemoryStream::read(void* buffer, std::uint32_t n, std::uint32_t* got) {
    const std::size_t take = std::min<std::size_t>(data_.size() - pos_, n);
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(pos_), take, static_cast<char*>(buffer));
    pos_ += take;
    if (got) *got = static_cast<std::uint32_t>(take);
    return take == n ? S_OK : S_FALSE;
}

HRESULT MemoryStream::write(const void* data, std::uint32_t n) {
    if (pos_ + n > data_.size()) data_.resize(pos_ + n);
    std::copy_n(static_cast<const char*>(data), n, data_.begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ += n;
    return S_OK;
}

bool MemoryPropertyBag::contains(const QString& name) const {
    for (const auto& [n, v] : entries_)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

HRESULT MemoryPropertyBag::read(const QString& name, Variant* value, VarType wanted) {
    for (const auto& [n, v] : entries_) {
        if (n.compare(name, Qt::CaseInsensitive) != 0) continue;
        if (wanted == VT_EMPTY || wanted == v.type()) {
            *value = v;
            return S_OK;
        }
        return v.changeType(wanted, value);
    }
    return E_INVALIDARG;
}

HRESULT MemoryPropertyBag::write(const QString& name, const Variant& value) {
    for (auto& [n, v] : entries_) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            v = value;
            return S_OK;
        }
    }
    entries_.emplace_back(name, value);
    return S_OK;
}

QString MemoryPropertyBag::toText() const {
    QString out;
    for (const auto& [n, v] : entries_) {
        QString text = v.toString();
        text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
        out += QStringLiteral("%1=%2:%3\n").arg(n).arg(int(v.type())).arg(text);
    }
    return out;
}

MemoryPropertyBag MemoryPropertyBag::fromText(const QString& text) {
    MemoryPropertyBag bag;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const qsizetype colon = line.indexOf(QLatin1Char(':'), eq + 1);
        if (eq <= 0 || colon < 0) continue;
        bool ok = false;
        const auto type = static_cast<VarType>(line.mid(eq + 1, colon - eq - 1).toUShort(&ok));
        if (!ok) continue;
        QString raw = line.mid(colon + 1), value;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                value += raw[i + 1] == QLatin1Char('n') ? QLatin1Char('\n') : raw[i + 1];
                ++i;
            } else {
                value += raw[i];
            }
        }
        Variant v(value), typed;
        if (type == VT_BSTR || SUCCEEDED(v.changeType(type, &typed)))
            bag.write(line.left(eq), type == VT_BSTR ? v : typed);
    }
    return bag;
}

namespace {

HRESULT writeAll(Stream& s, const void* data, std::uint32_t n) {
    return FAILED(s.write(data, n)) ? STG_E_WRITEFAULT : S_OK;
}

HRESULT readAll(Stream& s, void* data, std::uint32_t n) {
    std::uint32_t got = 0;
    const HRESULT hr = s.read(data, n, &got);
    return FAILED(hr) || got != n ? STG_E_READFAULT : S_OK;
}

template <class T>
HRESULT writeLe(Stream& s, T v) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));  // the machines are little-endian
    return writeAll(s, b, sizeof(T));
}

template <class T>
HRESULT readLe(Stream& s, T* v) {
    unsigned char b[sizeof(T)];
    const HRESULT hr = readAll(s, b, sizeof(T));
    if (SUCCEEDED(hr)) std::memcpy(v, b, sizeof(T));
    return hr;
}

}  // namespace

HRESULT writeU32(Stream& s, std::uint32_t v) { return writeLe(s, v); }
HRESULT readU32(Stream& s, std::uint32_t* v) { return readLe(s, v); }

HRESULT writeTaggedValue(Stream& s, const Variant& v) {
    HRESULT hr = writeLe<std::uint16_t>(s, v.type());
    if (FAILED(hr)) return hr;
    switch (v.type()) {
    case VT_EMPTY:
    case VT_NULL: return S_OK;
    case VT_I2: return writeLe(s, v.i2());
    case VT_BOOL: return writeLe<std::int16_t>(s, v.boolVal());
    case VT_UI2: return writeLe(s, v.ui2());
    case VT_UI1: return writeLe(s, v.ui1());
    case VT_I4:
    case VT_ERROR: return writeLe(s, v.i4());
    case VT_UI4: return writeLe(s, v.ui4());
    case VT_R4: return writeLe(s, v.r4());
    case VT_R8: return writeLe(s, v.r8());
    case VT_BSTR: {
        const QString& text = v.bstr();
        if (text.isEmpty()) return writeLe<std::uint32_t>(s, 0);
        const auto bytes = static_cast<std::uint32_t>((text.size() + 1) * 2);
        hr = writeLe(s, bytes);
        if (SUCCEEDED(hr)) hr = writeAll(s, text.utf16(), bytes);  // utf16() is terminated
        return hr;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT readTaggedValue(Stream& s, Variant* v) {
    std::uint16_t type = 0;
    HRESULT hr = readLe(s, &type);
    if (FAILED(hr)) return hr;
    switch (type) {
    case VT_EMPTY: *v = Variant(); return S_OK;
    case VT_NULL: *v = Variant::null(); return S_OK;
    case VT_I2: {
        std::int16_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_BOOL: {
        std::int16_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(static_cast<VARIANT_BOOL>(x));
        return hr;
    }
    case VT_UI2: {
        std::uint16_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_UI1: {
        std::uint8_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_I4: {
        std::int32_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_ERROR: {
        std::int32_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant::error(x);
        return hr;
    }
    case VT_UI4: {
        std::uint32_t x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_R4: {
        float x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_R8: {
        double x;
        hr = readLe(s, &x);
        if (SUCCEEDED(hr)) *v = Variant(x);
        return hr;
    }
    case VT_BSTR: {
        std::uint32_t bytes = 0;
        hr = readLe(s, &bytes);
        if (FAILED(hr)) return hr;
        if (bytes == 0) {
            *v = Variant(QString());
            return S_OK;
        }
        // A sane bound: property strings are names and format texts, not megabytes.
        if (bytes % 2 != 0 || bytes > (1u << 24)) return E_FAIL;
        std::vector<char16_t> text(bytes / 2);
        hr = readAll(s, text.data(), bytes);
        if (FAILED(hr)) return hr;
        if (text.back() != 0) return E_FAIL;
        *v = Variant(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size() - 1)));
        return S_OK;
    }
    default: return E_FAIL;
    }
}

HRESULT saveMapToStream(Dispatch& object, const Extent& extent, std::span<const PropertyMapEntry> map,
                        std::uint32_t version, Stream& s) {
    HRESULT hr = writeU32(s, version);
    for (const PropertyMapEntry& e : map) {
        if (FAILED(hr)) return hr;
        switch (e.kind) {
        case PropertyMapEntry::ExtentWidth: hr = writeU32(s, extent.cx); break;
        case PropertyMapEntry::ExtentHeight: hr = writeU32(s, extent.cy); break;
        case PropertyMapEntry::Property: {
            Variant value, typed;
            if (FAILED(object.get(e.dispid, &value)) || FAILED(value.changeType(e.type, &typed))) return E_FAIL;
            hr = writeTaggedValue(s, typed);
            break;
        }
        }
    }
    return hr;
}

HRESULT loadMapFromStream(Dispatch& object, Extent* extent, std::span<const PropertyMapEntry> map,
                          std::uint32_t version, Stream& s) {
    std::uint32_t found = 0;
    HRESULT hr = readU32(s, &found);
    if (FAILED(hr)) return hr;
    if (found > version) return E_FAIL;
    for (const PropertyMapEntry& e : map) {
        switch (e.kind) {
        case PropertyMapEntry::ExtentWidth: hr = readU32(s, &extent->cx); break;
        case PropertyMapEntry::ExtentHeight: hr = readU32(s, &extent->cy); break;
        case PropertyMapEntry::Property: {
            Variant value;
            hr = readTaggedValue(s, &value);
            if (SUCCEEDED(hr) && FAILED(object.put(e.dispid, value))) return E_FAIL;
            break;
        }
        }
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT saveMapToBag(Dispatch& object, const Extent& extent, std::span<const PropertyMapEntry> map, PropertyBag& bag,
                     const std::function<bool(const PropertyMapEntry&, const Variant&)>& skip) {
    for (const PropertyMapEntry& e : map) {
        Variant value;
        switch (e.kind) {
        case PropertyMapEntry::ExtentWidth: value = Variant(extent.cx); break;
        case PropertyMapEntry::ExtentHeight: value = Variant(extent.cy); break;
        case PropertyMapEntry::Property: {
            Variant raw;
            if (FAILED(object.get(e.dispid, &raw)) || FAILED(raw.changeType(e.type, &value))) return E_FAIL;
            break;
        }
        }
        if (skip && skip(e, value)) continue;
        const HRESULT hr = bag.write(e.name, value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT loadMapFromBag(Dispatch& object, Extent* extent, std::span<const PropertyMapEntry> map, PropertyBag& bag) {
    for (const PropertyMapEntry& e : map) {
        const VarType wanted = e.kind == PropertyMapEntry::Property ? e.type : VT_UI4;
        Variant value;
        if (FAILED(bag.read(e.name, &value, wanted)))
            continue;  // not in the bag, or not convertible: the property keeps its value
        switch (e.kind) {
        case PropertyMapEntry::ExtentWidth: extent->cx = value.ui4(); break;
        case PropertyMapEntry::ExtentHeight: extent->cy = value.ui4(); break;
        case PropertyMapEntry::Property:
            if (FAILED(object.put(e.dispid, value))) return E_FAIL;
            break;
        }
    }
    return S_OK;
}

}  // namespace component
