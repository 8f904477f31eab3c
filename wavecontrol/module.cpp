// The shared library's class table and exported entry points (self-registration, factory).
#include "component/module.h"

#include "tonwell.h"

namespace {

std::span<const component::ClassDescriptor> classes() {
    static const component::ClassDescriptor tonwell = [] {
        component::ClassDescriptor c;
        c.clsid = tonwell::CLSID_Tonwell;
        c.progId = QString::fromLatin1(tonwell::kProgId);
        c.versionIndependentProgId = QString::fromLatin1(tonwell::kVersionIndependentProgId);
        c.description = QStringLiteral("Tonwell Class");
        c.threadingModel = QStringLiteral("Apartment");
        c.programmable = c.control = c.insertable = true;
        c.toolboxBitmap = 101;
        c.miscStatus = tonwell::kMiscStatus;
        c.typeLib.libid = tonwell::LIBID_TONWELLLib;
        c.typeLib.name = QStringLiteral("TONWELLLib");
        c.typeLib.version = QStringLiteral("1.0");
        c.typeLib.lcid = 1033;
        c.typeLib.interfaces = {{tonwell::IID_ITonwell, QStringLiteral("ITonwell")},
                                {tonwell::DIID__ITonwellEvents, QStringLiteral("_ITonwellEvents")}};
        c.create = [] { return std::shared_ptr<component::Unknown>(std::make_shared<tonwell::Tonwell>()); };
        return c;
    }();
    return {&tonwell, 1};
}

}  // namespace

COMPONENT_DEFINE_MODULE(classes)
