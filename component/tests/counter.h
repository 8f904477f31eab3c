// A small control used by the tests: one property of each shape and two methods.
#pragma once
#include "component/control.h"
#include "component/dispatch.h"
#include "component/errorinfo.h"
#include "component/persist.h"

namespace testing_controls {

using namespace component;

inline constexpr Guid kCounterClsid = Guid::of("{11111111-2222-3333-4444-555555555555}");
inline constexpr Guid kICounter = Guid::of("{11111111-2222-3333-4444-000000000001}");

class Counter : public Unknown, public Dispatch, public ControlBase {
public:
    void* queryInterface(const Guid& id) override {
        if (id == Unknown::iid) return static_cast<Unknown*>(this);
        if (id == Dispatch::iid) return static_cast<Dispatch*>(this);
        if (id == OleObject::iid) return static_cast<OleObject*>(this);
        if (id == EventSource::iid) return static_cast<EventSource*>(this);
        return nullptr;
    }
    const TypeInfo& typeInfo() const override { return table().typeInfo(); }
    HRESULT invoke(DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) override {
        return table().invoke(*this, id, kinds, args, result);
    }

    HRESULT get_Count(std::int32_t* v) {
        *v = count;
        return S_OK;
    }
    HRESULT put_Count(std::int32_t v) {
        if (v < 0)
            return reportError(E_INVALIDARG, kICounter, QStringLiteral("Test.Counter.1"), QStringLiteral("negative"));
        count = v;
        propertyChanged(1);
        return S_OK;
    }
    HRESULT get_Label(QString* v) {
        *v = label;
        return S_OK;
    }
    HRESULT put_Label(QString v) {
        label = v;
        return S_OK;
    }
    HRESULT get_Flag(VARIANT_BOOL* v) {
        *v = flag;
        return S_OK;
    }
    HRESULT put_Flag(VARIANT_BOOL v) {
        flag = v == VARIANT_TRUE ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT get_Small(std::int16_t* v) {
        *v = small;
        return S_OK;
    }
    HRESULT put_Small(std::int16_t v) {
        small = v;
        return S_OK;
    }
    HRESULT get_Mode(VARIANT_BOOL* v) {
        *v = toVariantBool(ambients().userMode());
        return S_OK;
    }
    HRESULT Add(std::int32_t a, std::int16_t b, std::int32_t* sum) {
        *sum = a + b;
        return S_OK;
    }
    HRESULT Ping(QString text) {
        connections_.fire(1, {Variant(text), Variant(std::int16_t(count))});
        return S_OK;
    }

    static const DispatchTable<Counter>& table() {
        static const DispatchTable<Counter> t = [] {
            TypeInfo info;
            info.name = QStringLiteral("ICounter");
            info.iid = kICounter;
            DispatchTable<Counter> d(info);
            d.property(1, QStringLiteral("Count"), QStringLiteral("the count"), &Counter::get_Count,
                       &Counter::put_Count)
                .property(2, QStringLiteral("Label"), QString(), &Counter::get_Label, &Counter::put_Label)
                .property(3, QStringLiteral("Flag"), QString(), &Counter::get_Flag, &Counter::put_Flag)
                .property(4, QStringLiteral("Small"), QString(), &Counter::get_Small, &Counter::put_Small)
                .readOnly(5, QStringLiteral("Mode"), QString(), &Counter::get_Mode)
                .method(6, QStringLiteral("Add"), QStringLiteral("adds"), {QStringLiteral("a"), QStringLiteral("b")},
                        &Counter::Add)
                .method(7, QStringLiteral("Ping"), QString(), {QStringLiteral("text")}, &Counter::Ping);
            d.info().events.push_back(
                {1, QStringLiteral("Pong"), {QStringLiteral("text"), QStringLiteral("count")}, {}});
            return d;
        }();
        return t;
    }

    std::int32_t count = 0;
    QString label;
    VARIANT_BOOL flag = VARIANT_FALSE;
    std::int16_t small = 0;
};

}  // namespace testing_controls
