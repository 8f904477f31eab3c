// The entry points of a control's shared library, generated from its class descriptors.
//
// In exactly one source file of the library:
//
//   static std::span<const component::ClassDescriptor> classes() { ... }
//   COMPONENT_DEFINE_MODULE(classes)
//
// which defines, with default visibility (build the rest of the library with hidden visibility):
//   HRESULT DllRegisterServer();     writes every class into Registry() with this library's path
//   HRESULT DllUnregisterServer();   removes them
//   HRESULT DllGetClassObject(const component::Guid* clsid, std::shared_ptr<component::Unknown>* factory);
//   void    ComponentAttachRuntime(const component::Runtime* runtime);
#pragma once
#include "component/errorinfo.h"
#include "component/factory.h"
#include "component/registration.h"

#include <span>

namespace component {

// The path of the shared library that contains `address` (dladdr).
QString modulePathOf(const void* address);

HRESULT moduleRegister(std::span<const ClassDescriptor> classes, const QString& modulePath);
HRESULT moduleUnregister(std::span<const ClassDescriptor> classes);
HRESULT moduleGetClassObject(std::span<const ClassDescriptor> classes, const Guid* clsid,
                             std::shared_ptr<Unknown>* factory);

// A factory over a descriptor's create function.
class DescriptorFactory : public Unknown, public ClassFactory {
public:
    explicit DescriptorFactory(const ClassDescriptor& cls) : cls_(cls) {}
    void* queryInterface(const Guid& id) override;
    HRESULT createInstance(std::shared_ptr<Unknown>* object) override;

private:
    const ClassDescriptor& cls_;
};

}  // namespace component

#define COMPONENT_EXPORT extern "C" __attribute__((visibility("default")))

#define COMPONENT_DEFINE_MODULE(classesFunction)                                                                      \
    COMPONENT_EXPORT component::HRESULT DllRegisterServer() {                                                         \
        return component::moduleRegister(classesFunction(),                                                           \
                                         component::modulePathOf(reinterpret_cast<const void*>(&DllRegisterServer))); \
    }                                                                                                                 \
    COMPONENT_EXPORT component::HRESULT DllUnregisterServer() {                                                       \
        return component::moduleUnregister(classesFunction());                                                        \
    }                                                                                                                 \
    COMPONENT_EXPORT component::HRESULT DllGetClassObject(const component::Guid* clsid,                               \
                                                          std::shared_ptr<component::Unknown>* factory) {             \
        return component::moduleGetClassObject(classesFunction(), clsid, factory);                                    \
    }                                                                                                                 \
    COMPONENT_EXPORT void ComponentAttachRuntime(const component::Runtime* runtime) {                                 \
        component::attachRuntime(runtime);                                                                            \
    }
