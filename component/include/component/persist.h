// Persistence: streams, property bags, the persistence interfaces and the tagged-value format.
#pragma once
#include "component/dispatch.h"
#include "component/hresult.h"
#include "component/site.h"
#include "component/unknown.h"
#include "component/variant.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace component {

class Stream {
public:
    virtual ~Stream() = default;
    // Reads up to n bytes; *got says how many came (fewer at the end of the stream).
    virtual HRESULT read(void* buffer, std::uint32_t n, std::uint32_t* got) = 0;
    virtual HRESULT write(const void* data, std::uint32_t n) = 0;
};

class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(const QByteArray& data) : data_(data.begin(), data.end()) {}
    HRESULT read(void* buffer, std::uint32_t n, std::uint32_t* got) override;
    HRESULT write(const void* data, std::uint32_t n) override;
    QByteArray data() const { return QByteArray(data_.data(), static_cast<qsizetype>(data_.size())); }
    void rewind() { pos_ = 0; }

private:
    std::vector<char> data_;
    std::size_t pos_ = 0;
};

class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // E_INVALIDARG when `name` is not in the bag. `wanted` is the type the reader expects; the
    // bag coerces to it (VT_EMPTY: as stored).
    virtual HRESULT read(const QString& name, Variant* value, VarType wanted) = 0;
    virtual HRESULT write(const QString& name, const Variant& value) = 0;
};

// An ordered bag of named values; its text form is one "name=type:value" line per entry.
class MemoryPropertyBag : public PropertyBag {
public:
    HRESULT read(const QString& name, Variant* value, VarType wanted) override;
    HRESULT write(const QString& name, const Variant& value) override;
    const std::vector<std::pair<QString, Variant>>& entries() const { return entries_; }
    bool contains(const QString& name) const;
    QString toText() const;
    static MemoryPropertyBag fromText(const QString& text);

private:
    std::vector<std::pair<QString, Variant>> entries_;
};

class PersistStreamInit {
public:
    static constexpr Guid iid = Guid::of("{7FD52380-4E07-101B-AE2D-08002B2EC713}");
    virtual ~PersistStreamInit() = default;
    virtual HRESULT initNew() = 0;
    virtual HRESULT load(Stream& stream) = 0;
    virtual HRESULT save(Stream& stream, bool clearDirty) = 0;
    virtual bool isDirty() const = 0;
};

class PersistPropertyBag {
public:
    static constexpr Guid iid = Guid::of("{37D84F60-42CB-11CE-8135-00AA004BB851}");
    virtual ~PersistPropertyBag() = default;
    virtual HRESULT initNew() = 0;
    virtual HRESULT load(PropertyBag& bag) = 0;
    virtual HRESULT save(PropertyBag& bag, bool clearDirty, bool saveAllProperties) = 0;
};

// Little-endian primitives.
HRESULT writeU32(Stream& s, std::uint32_t v);
HRESULT readU32(Stream& s, std::uint32_t* v);

// A tagged value: its 16-bit VarType, then the value (2 bytes for VT_I2/VT_BOOL/VT_UI2, 4 for
// VT_I4/VT_UI4/VT_R4/VT_ERROR, 8 for VT_R8, 1 for VT_UI1; a string as a 32-bit byte count
// including the 2-byte terminator, 0 for an empty string, then that many bytes of UTF-16LE).
// Reading refuses other types, odd or truncated string counts and strings without terminator.
HRESULT writeTaggedValue(Stream& s, const Variant& v);
HRESULT readTaggedValue(Stream& s, Variant* v);

// One entry of a control's property map. An extent entry ("_cx", "_cy") stores a raw 32-bit
// HIMETRIC value in a stream and a VT_UI4 in a bag; every other entry goes through the
// control's dispatch getter and setter of `dispid`, stored as `type`.
struct PropertyMapEntry {
    enum Kind { ExtentWidth, ExtentHeight, Property };
    QString name;
    Kind kind = Property;
    DISPID dispid = 0;
    VarType type = VT_EMPTY;
};

// The map-driven save and load that both controls use. Saving reads each property through its
// getter; loading puts each through its setter (so clamping and side effects apply). A failing
// getter or setter aborts with E_FAIL, leaving what was already loaded in place.
HRESULT saveMapToStream(Dispatch& object, const Extent& extent, std::span<const PropertyMapEntry> map,
                        std::uint32_t version, Stream& s);
// Refuses a stream whose version word is above `version` with E_FAIL.
HRESULT loadMapFromStream(Dispatch& object, Extent* extent, std::span<const PropertyMapEntry> map,
                          std::uint32_t version, Stream& s);
// `skip(entry, value)` may leave an entry out of the bag (for example a value equal to its
// default); by default everything is written.
HRESULT saveMapToBag(Dispatch& object, const Extent& extent, std::span<const PropertyMapEntry> map, PropertyBag& bag,
                     const std::function<bool(const PropertyMapEntry&, const Variant&)>& skip = {});
// A name missing from the bag is skipped (the property keeps its value).
HRESULT loadMapFromBag(Dispatch& object, Extent* extent, std::span<const PropertyMapEntry> map, PropertyBag& bag);

}  // namespace component
