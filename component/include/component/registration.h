// Self-registration: what a class writes into the registry, and how it is removed again.
#pragma once
#include "component/guid.h"
#include "component/hresult.h"
#include "component/registry.h"
#include "component/unknown.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace component {

struct TypeLibDescriptor {
    Guid libid;    // null: the class has no type library
    QString name;  // "TONWELLLib"
    QString version = QStringLiteral("1.0");
    std::uint32_t lcid = 0;
    struct Interface {
        Guid iid;
        QString name;
    };
    std::vector<Interface> interfaces;  // registered under Interface\{iid}
};

// Everything the registry and the class factory need to know about one creatable class.
struct ClassDescriptor {
    Guid clsid;
    QString progId;                    // "Tonwell.Tonwell.1"
    QString versionIndependentProgId;  // "Tonwell.Tonwell" (empty: none)
    QString description;               // "Tonwell Class"
    QString threadingModel = QStringLiteral("Apartment");
    bool programmable = false;
    bool control = false;
    bool insertable = false;
    int toolboxBitmap = 0;                    // resource id for ToolboxBitmap32; 0: no key
    std::optional<std::uint32_t> miscStatus;  // OLEMISC flags for aspect 1 (MiscStatus\1)
    TypeLibDescriptor typeLib;
    std::function<std::shared_ptr<Unknown>()> create;
};

// Writes, for the class served by the shared library at `modulePath`:
//   CLSID\{clsid}                       = description
//     InprocServer32                    = modulePath, ThreadingModel
//     ProgID, VersionIndependentProgID  = the ProgIDs
//     Programmable, Control, Insertable (empty keys, when set)
//     ToolboxBitmap32                   = "modulePath, id"
//     MiscStatus = "0", MiscStatus\1 = flags
//     TypeLib = libid, Version = type library version
//   progId          = description, with CLSID (and Insertable when set)
//   versionIndependentProgId = description, with CLSID and CurVer = progId
//   TypeLib\{libid}\version = name, with 0\linux64 = modulePath, FLAGS, HELPDIR
//   Interface\{iid} = name, with TypeLib = libid and Version
HRESULT registerClass(Registry& registry, const ClassDescriptor& cls, const QString& modulePath);
// Removes every key registerClass wrote (the TypeLib key only down to this version).
HRESULT unregisterClass(Registry& registry, const ClassDescriptor& cls);

}  // namespace component
