// The control module the factory tests register and load.
#include "counter.h"

#include "component/module.h"

namespace {

std::span<const component::ClassDescriptor> classes() {
    static const component::ClassDescriptor cls = [] {
        component::ClassDescriptor c;
        c.clsid = testing_controls::kCounterClsid;
        c.progId = QStringLiteral("Test.Counter.1");
        c.versionIndependentProgId = QStringLiteral("Test.Counter");
        c.description = QStringLiteral("Counter Class");
        c.control = true;
        c.miscStatus = 132497;
        c.create = [] { return std::make_shared<testing_controls::Counter>(); };
        return c;
    }();
    return {&cls, 1};
}

}  // namespace

COMPONENT_DEFINE_MODULE(classes)
