// Creating controls: class factories, and creation by CLSID or ProgID through the registry.
#pragma once
#include "component/guid.h"
#include "component/hresult.h"
#include "component/registry.h"
#include "component/unknown.h"

#include <QString>
#include <memory>

namespace component {

class ClassFactory {
public:
    static constexpr Guid iid = Guid::of("{00000001-0000-0000-C000-000000000046}");
    virtual ~ClassFactory() = default;
    virtual HRESULT createInstance(std::shared_ptr<Unknown>* object) = 0;
};

// ProgID to CLSID: the ProgID's CLSID value, or, for a version-independent ProgID without one,
// that of its CurVer. CO_E_CLASSSTRING when the ProgID is not registered.
HRESULT clsidFromProgId(const QString& progId, Guid* clsid, const Registry& registry = Registry());
// The ProgID registered for a CLSID; REGDB_E_CLASSNOTREG when there is none.
HRESULT progIdFromClsid(const Guid& clsid, QString* progId, const Registry& registry = Registry());

// Loads the class's module named by CLSID\{clsid}\InprocServer32 (once per process, with
// dlopen; modules stay loaded), gives it this module's runtime and asks it for the object.
// REGDB_E_CLASSNOTREG: not registered; CO_E_DLLNOTFOUND: the module does not load;
// CO_E_ERRORINDLL: it lacks the entry points; CLASS_E_CLASSNOTAVAILABLE: it does not serve the class.
HRESULT createInstance(const Guid& clsid, std::shared_ptr<Unknown>* object, const Registry& registry = Registry());
// `name` is a ProgID or a CLSID in braces.
HRESULT createInstance(const QString& name, std::shared_ptr<Unknown>* object, const Registry& registry = Registry());
// As createInstance by CLSID, from the module at `modulePath`, without the registry: for a host
// that ships beside its control and runs before (or without) registration.
HRESULT createInstanceFromModule(const QString& modulePath, const Guid& clsid, std::shared_ptr<Unknown>* object);

// Loads a module by path and calls its DllRegisterServer / DllUnregisterServer (regsvr32).
HRESULT registerServer(const QString& modulePath);
HRESULT unregisterServer(const QString& modulePath);

}  // namespace component
