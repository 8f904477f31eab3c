#include "component/module.h"

#include <dlfcn.h>

#include <QFileInfo>

namespace component {

QString modulePathOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

HRESULT moduleRegister(std::span<const ClassDescriptor> classes, const QString& modulePath) {
    if (modulePath.isEmpty()) return E_UNEXPECTED;
    Registry registry;
    for (const ClassDescriptor& cls : classes) {
        const HRESULT hr = registerClass(registry, cls, modulePath);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT moduleUnregister(std::span<const ClassDescriptor> classes) {
    Registry registry;
    HRESULT result = S_OK;
    for (const ClassDescriptor& cls : classes) {
        const HRESULT hr = unregisterClass(registry, cls);
        if (FAILED(hr)) result = hr;
    }
    return result;
}

HRESULT moduleGetClassObject(std::span<const ClassDescriptor> classes, const Guid* clsid,
                             std::shared_ptr<Unknown>* factory) {
    if (!clsid || !factory) return E_POINTER;
    for (const ClassDescriptor& cls : classes) {
        if (cls.clsid == *clsid) {
            *factory = std::make_shared<DescriptorFactory>(cls);
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void* DescriptorFactory::queryInterface(const Guid& id) {
    if (id == Unknown::iid) return static_cast<Unknown*>(this);
    if (id == ClassFactory::iid) return static_cast<ClassFactory*>(this);
    return nullptr;
}

HRESULT DescriptorFactory::createInstance(std::shared_ptr<Unknown>* object) {
    if (!object) return E_POINTER;
    if (!cls_.create) return CLASS_E_CLASSNOTAVAILABLE;
    *object = cls_.create();
    return *object ? S_OK : E_OUTOFMEMORY;
}

}  // namespace component
