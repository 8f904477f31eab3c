// The type library's view of the control: members with help texts, events and enumerations.
#pragma once
#include "component/typeinfo.h"

#include <span>

namespace tonwell {

class Tonwell;

// The ITonwell dispatch table (members in interface order), with _ITonwellEvents and the enums.
const component::TypeInfo& tonwellTypeInfo();
component::HRESULT invokeTonwell(Tonwell& t, component::DISPID id, unsigned kinds,
                                 std::span<const component::Variant> args, component::Variant* result);

}  // namespace tonwell
