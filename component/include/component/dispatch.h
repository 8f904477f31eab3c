// Late-bound calls: the Dispatch interface and the table that maps DISPIDs to C++ members.
#pragma once
#include "component/typeinfo.h"
#include "component/unknown.h"
#include "component/variant.h"

#include <functional>
#include <span>
#include <tuple>
#include <type_traits>
#include <utility>

namespace component {

class Dispatch {
public:
    static constexpr Guid iid = Guid::of("{00020400-0000-0000-C000-000000000046}");
    virtual ~Dispatch() = default;

    virtual const TypeInfo& typeInfo() const = 0;
    // Arguments come in declaration order (args[0] is the first parameter; a put's value is
    // args[0]). `result` may be null when the caller does not want it.
    virtual HRESULT invoke(DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) = 0;

    HRESULT idOfName(const QString& name, DISPID* id) const {
        const MemberInfo* m = typeInfo().member(name);
        if (!m) return DISP_E_UNKNOWNNAME;
        *id = m->id;
        return S_OK;
    }

    // Conveniences for hosts and tests.
    HRESULT get(DISPID id, Variant* result) { return invoke(id, DISPATCH_PROPERTYGET, {}, result); }
    HRESULT put(DISPID id, const Variant& value) {
        return invoke(id, DISPATCH_PROPERTYPUT, std::span(&value, 1), nullptr);
    }
    HRESULT call(DISPID id, std::span<const Variant> args, Variant* result = nullptr) {
        return invoke(id, DISPATCH_METHOD, args, result);
    }
};

// How each C++ parameter type travels in a Variant.
template <class V, class = void>
struct VariantTraits;

#define COMPONENT_VARIANT_TRAITS(Type, Tag, Getter)               \
    template <>                                                   \
    struct VariantTraits<Type> {                                  \
        static constexpr VarType vt = Tag;                        \
        static Type from(const Variant& v) { return v.Getter(); } \
        static Variant to(const Type& x) { return Variant(x); }   \
    };
COMPONENT_VARIANT_TRAITS(std::int16_t, VT_I2, i2)
COMPONENT_VARIANT_TRAITS(std::int32_t, VT_I4, i4)
COMPONENT_VARIANT_TRAITS(std::uint8_t, VT_UI1, ui1)
COMPONENT_VARIANT_TRAITS(std::uint16_t, VT_UI2, ui2)
COMPONENT_VARIANT_TRAITS(std::uint32_t, VT_UI4, ui4)
COMPONENT_VARIANT_TRAITS(float, VT_R4, r4)
COMPONENT_VARIANT_TRAITS(double, VT_R8, r8)
COMPONENT_VARIANT_TRAITS(VARIANT_BOOL, VT_BOOL, boolVal)
COMPONENT_VARIANT_TRAITS(QString, VT_BSTR, bstr)
#undef COMPONENT_VARIANT_TRAITS

template <>
struct VariantTraits<Variant> {
    static constexpr VarType vt = VT_EMPTY;  // passed through unchanged
    static Variant from(const Variant& v) { return v; }
    static Variant to(const Variant& v) { return v; }
};

template <>
struct VariantTraits<std::shared_ptr<Unknown>> {
    static constexpr VarType vt = VT_DISPATCH;
    static std::shared_ptr<Unknown> from(const Variant& v) { return v.object(); }
    static Variant to(const std::shared_ptr<Unknown>& x) { return Variant(x); }
};

// Enumerations travel as 32-bit integers (VARIANT_BOOL has its own traits above).
template <class E>
struct VariantTraits<E, std::enable_if_t<std::is_enum_v<E> && !std::is_same_v<E, VARIANT_BOOL>>> {
    static constexpr VarType vt = VT_I4;
    static E from(const Variant& v) { return static_cast<E>(v.i4()); }
    static Variant to(const E& x) { return Variant(static_cast<std::int32_t>(x)); }
};

namespace detail {

template <class V>
HRESULT convertArg(const Variant& in, V& out) {
    using Traits = VariantTraits<V>;
    if constexpr (Traits::vt == VT_EMPTY) {
        out = in;
        return S_OK;
    } else {
        Variant converted;
        const HRESULT hr = in.changeType(Traits::vt, &converted);
        if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
        out = Traits::from(converted);
        return S_OK;
    }
}

template <class... A>
constexpr bool lastIsPointer() {
    if constexpr (sizeof...(A) == 0)
        return false;
    else
        return std::is_pointer_v<std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>>;
}

template <class T, class... A, std::size_t... I>
HRESULT callMember(T& obj, HRESULT (T::*fn)(A...), std::span<const Variant> args, Variant* result,
                   std::index_sequence<I...>) {
    using Args = std::tuple<A...>;
    (void)args;
    std::tuple<std::decay_t<std::tuple_element_t<I, Args>>...> in;
    HRESULT hr = S_OK;
    ((hr = SUCCEEDED(hr) ? convertArg(args[I], std::get<I>(in)) : hr), ...);
    if (FAILED(hr)) return hr;
    if constexpr (lastIsPointer<A...>()) {
        using Out = std::remove_pointer_t<std::tuple_element_t<sizeof...(A) - 1, Args>>;
        Out out{};
        hr = (obj.*fn)(std::get<I>(in)..., &out);
        if (SUCCEEDED(hr) && result) *result = VariantTraits<Out>::to(out);
        return hr;
    } else {
        hr = (obj.*fn)(std::get<I>(in)...);
        if (SUCCEEDED(hr) && result) *result = Variant();
        return hr;
    }
}

template <class T, class... A>
constexpr std::size_t inputCount() {
    return sizeof...(A) - (lastIsPointer<A...>() ? 1 : 0);
}

template <class T, class... A>
VarType resultType() {
    if constexpr (lastIsPointer<A...>())
        return VariantTraits<std::remove_pointer_t<std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>>>::vt;
    else
        return VT_EMPTY;
}

}  // namespace detail

// The dispatch table of class T. Members are C++ methods with the COM shapes:
//   getter  HRESULT get_X(V* out)
//   setter  HRESULT put_X(V value)
//   method  HRESULT M(A1, A2, ..., [R* result])   (a trailing pointer is the result)
// V, A and R may be int16_t (short), int32_t (long), uint32_t, float, double, VARIANT_BOOL,
// QString, Variant, std::shared_ptr<Unknown> or an enumeration (as long).
// Arguments are coerced as VariantChangeType does; a wrong count gives DISP_E_BADPARAMCOUNT.
template <class T>
class DispatchTable {
public:
    using Handler = std::function<HRESULT(T&, std::span<const Variant>, Variant*)>;

    explicit DispatchTable(TypeInfo info = {}) : info_(std::move(info)) {}

    template <class G, class P>
    DispatchTable& property(DISPID id, const QString& name, const QString& help, HRESULT (T::*getter)(G*),
                            HRESULT (T::*setter)(P)) {
        Entry& e = add(id, name, help, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, VariantTraits<G>::vt);
        e.get = wrap(getter);
        e.put = wrap(setter);
        return *this;
    }

    template <class G>
    DispatchTable& readOnly(DISPID id, const QString& name, const QString& help, HRESULT (T::*getter)(G*)) {
        Entry& e = add(id, name, help, DISPATCH_PROPERTYGET, VariantTraits<G>::vt);
        e.get = wrap(getter);
        return *this;
    }

    // An object-valued property whose put is by reference (Set x.Font = f), with optional let.
    template <class G, class P>
    DispatchTable& objectProperty(DISPID id, const QString& name, const QString& help, HRESULT (T::*getter)(G*),
                                  HRESULT (T::*setter)(P)) {
        Entry& e = add(id, name, help, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF,
                       VariantTraits<G>::vt);
        e.get = wrap(getter);
        e.put = wrap(setter);
        return *this;
    }

    template <class... A>
    DispatchTable& method(DISPID id, const QString& name, const QString& help, QStringList params,
                          HRESULT (T::*fn)(A...)) {
        Entry& e = add(id, name, help, DISPATCH_METHOD, detail::resultType<T, A...>(), std::move(params));
        e.method = wrap(fn);
        return *this;
    }

    TypeInfo& info() { return info_; }
    const TypeInfo& typeInfo() const { return info_; }

    HRESULT invoke(T& obj, DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) const {
        const Entry* e = find(id);
        if (!e) return DISP_E_MEMBERNOTFOUND;
        // A property read is preferred when a host asks for "method or get" on a property.
        if ((kinds & DISPATCH_PROPERTYGET) && e->get) return e->get(obj, args, result);
        if ((kinds & DISPATCH_METHOD) && e->method) return e->method(obj, args, result);
        if ((kinds & DISPATCH_METHOD) && e->get && args.empty()) return e->get(obj, args, result);
        if ((kinds & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && e->put) return e->put(obj, args, nullptr);
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    struct Entry {
        MemberInfo info;
        Handler get, put, method;
    };

    Entry& add(DISPID id, const QString& name, const QString& help, unsigned kinds, VarType type,
               QStringList params = {}) {
        Entry e;
        e.info.params = std::move(params);
        e.info.id = id;
        e.info.name = name;
        e.info.help = help;
        e.info.kinds = kinds;
        e.info.type = type;
        entries_.push_back(std::move(e));
        info_.members.push_back(entries_.back().info);
        return entries_.back();
    }

    const Entry* find(DISPID id) const {
        for (const auto& e : entries_)
            if (e.info.id == id) return &e;
        return nullptr;
    }

    template <class... A>
    static Handler wrap(HRESULT (T::*fn)(A...)) {
        return [fn](T& obj, std::span<const Variant> args, Variant* result) -> HRESULT {
            constexpr std::size_t n = detail::inputCount<T, A...>();
            if (args.size() != n) return DISP_E_BADPARAMCOUNT;
            return detail::callMember(obj, fn, args, result, std::make_index_sequence<n>{});
        };
    }

    TypeInfo info_;
    std::vector<Entry> entries_;
};

}  // namespace component
