#pragma once
// The identities of the RoundButton type library: class, interfaces, record and members.

#include "component/guid.h"
#include "component/hresult.h"

namespace roundbutton {

constexpr component::Guid kLibId = component::Guid::of("{CDF62B2B-63CB-41F0-8C7D-9300AEF205CD}");
constexpr component::Guid kClsidKnobix = component::Guid::of("{B296801C-0403-4FD0-83A7-0EA5C6677795}");
constexpr component::Guid kIidKnobix = component::Guid::of("{53BBE79E-4961-41CF-9667-F2D37DFFFF3D}");        // _Knobix
constexpr component::Guid kIidKnobixEvents = component::Guid::of("{ED562EC9-2372-4ADE-B82C-DD6397AE99D6}");  // __Knobix
constexpr component::Guid kRecordColores = component::Guid::of("{B19E3FE4-8848-40A2-A7A0-1C39DB9D3EF1}");
constexpr const char* kProgId = "RoundButton.Knobix";

// `_Knobix` members.
namespace dispid {
constexpr component::DISPID Caption = 0x6803000C;
constexpr component::DISPID Enabled = 0x6803000B;
constexpr component::DISPID Font = 0x6803000A;
constexpr component::DISPID MouseIcon = 0x68030009;
constexpr component::DISPID MousePointer = 0x68030008;
constexpr component::DISPID Picture = 0x68030007;
constexpr component::DISPID Refresh = 0x60030028;
constexpr component::DISPID BackColor = 0x68030006;
constexpr component::DISPID ForeColor = 0x68030005;
constexpr component::DISPID RoundSize = 0x68030004;
constexpr component::DISPID Light = 0x68030003;
constexpr component::DISPID ToolTipText = 0x68030002;
constexpr component::DISPID BackColorOriginal = 0x6003002E;
constexpr component::DISPID CreaNuevaRegion = 0x6003002F;
constexpr component::DISPID CreateRegion = 0x68030001;
constexpr component::DISPID Roundness3D = 0x68030000;
}  // namespace dispid

// `__Knobix` events.
namespace eventid {
constexpr component::DISPID Click = 1;
constexpr component::DISPID KeyDown = 2;
constexpr component::DISPID KeyPress = 3;
constexpr component::DISPID KeyUp = 4;
constexpr component::DISPID MouseDown = 5;
constexpr component::DISPID MouseMove = 6;
constexpr component::DISPID MouseUp = 7;
constexpr component::DISPID Resize = 8;
}  // namespace eventid

}  // namespace roundbutton
