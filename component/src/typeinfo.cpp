#include "component/typeinfo.h"

namespace component {

const MemberInfo* TypeInfo::member(DISPID id) const {
    for (const auto& m : members)
        if (m.id == id) return &m;
    return nullptr;
}

const MemberInfo* TypeInfo::member(const QString& name) const {
    for (const auto& m : members)
        if (m.name.compare(name, Qt::CaseInsensitive) == 0) return &m;
    return nullptr;
}

const EventInfo* TypeInfo::event(DISPID id) const {
    for (const auto& e : events)
        if (e.id == id) return &e;
    return nullptr;
}

}  // namespace component
