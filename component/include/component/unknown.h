// The root of every component object: interfaces are found by their identifier, as in COM.
#pragma once
#include "component/guid.h"

#include <memory>

namespace component {

// Interfaces are plain abstract classes with a static `iid`; an object derives from Unknown and
// from each interface it offers, and answers queryInterface with a pointer to that base.
// Objects are owned through std::shared_ptr; the pointer an interface query returns lives as long
// as the object.
class Unknown {
public:
    static constexpr Guid iid = Guid::of("{00000000-0000-0000-C000-000000000046}");
    virtual ~Unknown() = default;
    // The interface pointer for `id`, or nullptr (E_NOINTERFACE).
    virtual void* queryInterface(const Guid& id) = 0;
};

template <class Interface>
Interface* query(Unknown* object) {
    return object ? static_cast<Interface*>(object->queryInterface(Interface::iid)) : nullptr;
}

template <class Interface>
Interface* query(const std::shared_ptr<Unknown>& object) {
    return query<Interface>(object.get());
}

}  // namespace component
