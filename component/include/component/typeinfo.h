// What a type library says about a class: its members, events and enumerations, by name and DISPID.
#pragma once
#include "component/guid.h"
#include "component/hresult.h"
#include "component/variant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace component {

// Invoke kinds are flags, as a script host may ask for "method or property get" at once.
enum InvokeKind : unsigned {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
    DISPATCH_PROPERTYPUTREF = 8,
};

// Standard DISPIDs of stock members.
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_ENABLED = -514;
constexpr DISPID DISPID_ABOUTBOX = -552;

struct MemberInfo {
    DISPID id = 0;
    QString name;
    QString help;
    QStringList params;       // parameter names of a method, in order
    unsigned kinds = 0;       // InvokeKind flags the member answers
    VarType type = VT_EMPTY;  // property type, or the method's result type (VT_EMPTY: none)
};

struct EventInfo {
    DISPID id = 0;
    QString name;
    QStringList params;
    QString help;
};

struct EnumInfo {
    struct Item {
        QString name;
        std::int32_t value = 0;
        QString help;
    };
    QString name;
    QString help;
    std::vector<Item> items;
};

struct TypeInfo {
    QString name;  // interface name, "ITonwell"
    Guid iid;
    QString help;
    std::vector<MemberInfo> members;  // in interface order
    QString eventsName;               // source interface, "_ITonwellEvents"
    Guid eventsIid;
    std::vector<EventInfo> events;
    std::vector<EnumInfo> enums;

    const MemberInfo* member(DISPID id) const;
    const MemberInfo* member(const QString& name) const;  // names compare case-insensitively
    const EventInfo* event(DISPID id) const;
};

}  // namespace component
