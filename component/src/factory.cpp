#include "component/factory.h"

#include "component/errorinfo.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace component {

namespace {

using GetClassObjectFn = HRESULT (*)(const Guid*, std::shared_ptr<Unknown>*);
using AttachRuntimeFn = void (*)(const Runtime*);
using ServerFn = HRESULT (*)();

// Modules are loaded once and never unloaded: objects and their code may outlive any one call.
void* loadModule(const QString& path) {
    static std::mutex mutex;
    static std::map<QString, void*> loaded;
    std::lock_guard lock(mutex);
    auto it = loaded.find(path);
    if (it != loaded.end()) return it->second;
    void* handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    if (auto attach = reinterpret_cast<AttachRuntimeFn>(dlsym(handle, "ComponentAttachRuntime")))
        attach(currentRuntime());
    loaded.emplace(path, handle);
    return handle;
}

HRESULT callServerEntry(const QString& modulePath, const char* entry) {
    void* handle = loadModule(modulePath);
    if (!handle) return CO_E_DLLNOTFOUND;
    auto fn = reinterpret_cast<ServerFn>(dlsym(handle, entry));
    return fn ? fn() : CO_E_ERRORINDLL;
}

}  // namespace

HRESULT clsidFromProgId(const QString& progId, Guid* clsid, const Registry& registry) {
    if (!clsid) return E_POINTER;
    QString name = progId;
    for (int hop = 0; hop < 2 && !name.isEmpty(); ++hop) {
        if (auto text = registry.value(name + QLatin1String("\\CLSID"))) {
            if (auto g = Guid::parse(*text)) {
                *clsid = *g;
                return S_OK;
            }
            return CO_E_CLASSSTRING;
        }
        name = registry.value(name + QLatin1String("\\CurVer")).value_or(QString());
    }
    return CO_E_CLASSSTRING;
}

HRESULT progIdFromClsid(const Guid& clsid, QString* progId, const Registry& registry) {
    if (!progId) return E_POINTER;
    auto text = registry.value(QStringLiteral("CLSID\\%1\\ProgID").arg(clsid.toString()));
    if (!text || text->isEmpty()) return REGDB_E_CLASSNOTREG;
    *progId = *text;
    return S_OK;
}

HRESULT createInstance(const Guid& clsid, std::shared_ptr<Unknown>* object, const Registry& registry) {
    if (!object) return E_POINTER;
    object->reset();
    auto path = registry.value(QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid.toString()));
    if (!path || path->isEmpty()) return REGDB_E_CLASSNOTREG;
    return createInstanceFromModule(*path, clsid, object);
}

HRESULT createInstanceFromModule(const QString& modulePath, const Guid& clsid, std::shared_ptr<Unknown>* object) {
    if (!object) return E_POINTER;
    object->reset();
    void* handle = loadModule(modulePath);
    if (!handle) return CO_E_DLLNOTFOUND;
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    if (!getClassObject) return CO_E_ERRORINDLL;
    std::shared_ptr<Unknown> factoryObject;
    HRESULT hr = getClassObject(&clsid, &factoryObject);
    if (FAILED(hr)) return hr;
    ClassFactory* factory = query<ClassFactory>(factoryObject);
    if (!factory) return E_NOINTERFACE;
    return factory->createInstance(object);
}

HRESULT createInstance(const QString& name, std::shared_ptr<Unknown>* object, const Registry& registry) {
    Guid clsid;
    if (auto g = name.startsWith(QLatin1Char('{')) ? Guid::parse(name) : std::nullopt)
        clsid = *g;
    else if (const HRESULT hr = clsidFromProgId(name, &clsid, registry); FAILED(hr))
        return hr;
    return createInstance(clsid, object, registry);
}

HRESULT registerServer(const QString& modulePath) { return callServerEntry(modulePath, "DllRegisterServer"); }
HRESULT unregisterServer(const QString& modulePath) { return callServerEntry(modulePath, "DllUnregisterServer"); }

}  // namespace component
