// Variant: the tagged value that dispatch calls, events and persistence carry.
#pragma once
#include "component/hresult.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace component {

class Unknown;

enum VarType : std::uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
};

// Automation boolean: true is -1, false is 0. A distinct type, so that dispatch tables tag it
// VT_BOOL rather than VT_I2.
enum VARIANT_BOOL : std::int16_t { VARIANT_FALSE = 0, VARIANT_TRUE = -1 };

constexpr VARIANT_BOOL toVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

class Variant {
public:
    Variant() = default;
    Variant(std::int16_t v) : vt_(VT_I2) { num_.i2 = v; }
    Variant(std::int32_t v) : vt_(VT_I4) { num_.i4 = v; }
    Variant(std::uint8_t v) : vt_(VT_UI1) { num_.ui1 = v; }
    Variant(std::uint16_t v) : vt_(VT_UI2) { num_.ui2 = v; }
    Variant(std::uint32_t v) : vt_(VT_UI4) { num_.ui4 = v; }
    Variant(float v) : vt_(VT_R4) { num_.r4 = v; }
    Variant(double v) : vt_(VT_R8) { num_.r8 = v; }
    Variant(VARIANT_BOOL v) : vt_(VT_BOOL) { num_.i2 = v; }
    Variant(bool) = delete;  // ambiguous between BOOL and integers: use fromBool
    Variant(const QString& s) : vt_(VT_BSTR), str_(s) {}
    Variant(const char* s) : vt_(VT_BSTR), str_(QString::fromUtf8(s)) {}
    // An object reference; VT_DISPATCH unless `type` says VT_UNKNOWN.
    Variant(std::shared_ptr<Unknown> object, VarType type = VT_DISPATCH) : vt_(type), obj_(std::move(object)) {}

    static Variant fromBool(bool b) { return Variant(toVariantBool(b)); }
    static Variant null() {
        Variant v;
        v.vt_ = VT_NULL;
        return v;
    }
    static Variant error(HRESULT scode) {
        Variant v;
        v.vt_ = VT_ERROR;
        v.num_.i4 = scode;
        return v;
    }

    VarType type() const { return vt_; }
    bool isEmpty() const { return vt_ == VT_EMPTY; }

    // Raw accessors: the stored value when the type matches, otherwise 0 / empty.
    std::int16_t i2() const { return vt_ == VT_I2 ? num_.i2 : 0; }
    std::int32_t i4() const { return vt_ == VT_I4 || vt_ == VT_ERROR ? num_.i4 : 0; }
    std::uint8_t ui1() const { return vt_ == VT_UI1 ? num_.ui1 : 0; }
    std::uint16_t ui2() const { return vt_ == VT_UI2 ? num_.ui2 : 0; }
    std::uint32_t ui4() const { return vt_ == VT_UI4 ? num_.ui4 : 0; }
    float r4() const { return vt_ == VT_R4 ? num_.r4 : 0.0f; }
    double r8() const { return vt_ == VT_R8 ? num_.r8 : 0.0; }
    VARIANT_BOOL boolVal() const { return vt_ == VT_BOOL ? static_cast<VARIANT_BOOL>(num_.i2) : VARIANT_FALSE; }
    const QString& bstr() const { return str_; }
    const std::shared_ptr<Unknown>& object() const { return obj_; }

    // Coerces to `target` the way VariantChangeType does for these types: numbers round to the
    // nearest (ties to even) and are range-checked (DISP_E_OVERFLOW); text parses as a number or
    // "True"/"False" (DISP_E_TYPEMISMATCH otherwise); booleans become -1/0; empty becomes 0 or "".
    HRESULT changeType(VarType target, Variant* out) const;

    // Display text, as a script host would print the value ("True", "12", "1.5").
    QString toString() const;

    friend bool operator==(const Variant& a, const Variant& b);

private:
    VarType vt_ = VT_EMPTY;
    union {
        std::int16_t i2;
        std::int32_t i4;
        std::uint8_t ui1;
        std::uint16_t ui2;
        std::uint32_t ui4;
        float r4;
        double r8;
    } num_{};
    QString str_;
    std::shared_ptr<Unknown> obj_;
};

}  // namespace component
