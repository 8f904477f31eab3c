// Arguments passed by reference: an event argument that the receiver may read and change.
#pragma once
#include "component/unknown.h"
#include "component/variant.h"

#include <memory>

namespace component {

// A by-reference argument travels as an object Variant (VT_UNKNOWN) holding a VariantRef.
// The raiser creates one per argument, fires, and reads back what the sinks left in it.
class VariantRef : public Unknown {
public:
    static constexpr Guid iid = Guid::of("{98AFCF46-4EBA-44F1-8313-D7167DE90A00}");
    explicit VariantRef(Variant value = {}) : value_(std::move(value)) {}
    void* queryInterface(const Guid& id) override { return id == iid || id == Unknown::iid ? this : nullptr; }
    virtual Variant value() const { return value_; }
    virtual void setValue(const Variant& value) { value_ = value; }

private:
    Variant value_;
};

inline Variant byRef(const std::shared_ptr<VariantRef>& ref) { return Variant(ref, VT_UNKNOWN); }

// The value of an argument: what its VariantRef holds, or the argument itself when passed by value.
inline Variant argumentValue(const Variant& arg) {
    if (VariantRef* ref = arg.type() == VT_UNKNOWN ? query<VariantRef>(arg.object()) : nullptr) return ref->value();
    return arg;
}

// Changes a by-reference argument; false when the argument was passed by value.
inline bool setArgument(const Variant& arg, const Variant& value) {
    VariantRef* ref = arg.type() == VT_UNKNOWN ? query<VariantRef>(arg.object()) : nullptr;
    if (ref) ref->setValue(value);
    return ref != nullptr;
}

}  // namespace component
