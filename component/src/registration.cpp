#include "component/registration.h"

#include <QFileInfo>

namespace component {

HRESULT registerClass(Registry& reg, const ClassDescriptor& cls, const QString& modulePath) {
    const QString clsid = cls.clsid.toString();
    const QString key = QStringLiteral("CLSID\\") + clsid;
    bool ok = reg.setValue(key, {}, cls.description);
    ok = ok && reg.setValue(key + QLatin1String("\\InprocServer32"), {}, modulePath);
    ok = ok &&
         reg.setValue(key + QLatin1String("\\InprocServer32"), QStringLiteral("ThreadingModel"), cls.threadingModel);
    if (!cls.progId.isEmpty()) ok = ok && reg.setValue(key + QLatin1String("\\ProgID"), {}, cls.progId);
    if (!cls.versionIndependentProgId.isEmpty())
        ok = ok && reg.setValue(key + QLatin1String("\\VersionIndependentProgID"), {}, cls.versionIndependentProgId);
    if (cls.programmable) ok = ok && reg.createKey(key + QLatin1String("\\Programmable"));
    if (cls.control) ok = ok && reg.createKey(key + QLatin1String("\\Control"));
    if (cls.insertable) ok = ok && reg.createKey(key + QLatin1String("\\Insertable"));
    if (cls.toolboxBitmap)
        ok = ok && reg.setValue(key + QLatin1String("\\ToolboxBitmap32"), {},
                                QStringLiteral("%1, %2").arg(modulePath).arg(cls.toolboxBitmap));
    if (cls.miscStatus) {
        ok = ok && reg.setValue(key + QLatin1String("\\MiscStatus"), {}, QStringLiteral("0"));
        ok = ok && reg.setValue(key + QLatin1String("\\MiscStatus\\1"), {}, QString::number(*cls.miscStatus));
    }
    const TypeLibDescriptor& tlb = cls.typeLib;
    if (!tlb.libid.isNull()) {
        const QString libid = tlb.libid.toString();
        ok = ok && reg.setValue(key + QLatin1String("\\TypeLib"), {}, libid);
        ok = ok && reg.setValue(key + QLatin1String("\\Version"), {}, tlb.version);
        const QString libKey = QStringLiteral("TypeLib\\%1\\%2").arg(libid, tlb.version);
        ok = ok && reg.setValue(libKey, {}, tlb.name);
        ok = ok && reg.setValue(libKey + QStringLiteral("\\%1\\linux64").arg(tlb.lcid, 0, 16), {}, modulePath);
        ok = ok && reg.setValue(libKey + QLatin1String("\\FLAGS"), {}, QStringLiteral("0"));
        ok = ok && reg.setValue(libKey + QLatin1String("\\HELPDIR"), {}, QFileInfo(modulePath).absolutePath());
        for (const auto& itf : tlb.interfaces) {
            const QString itfKey = QStringLiteral("Interface\\") + itf.iid.toString();
            ok = ok && reg.setValue(itfKey, {}, itf.name);
            ok = ok && reg.setValue(itfKey + QLatin1String("\\TypeLib"), {}, libid);
            ok = ok && reg.setValue(itfKey + QLatin1String("\\TypeLib"), QStringLiteral("Version"), tlb.version);
        }
    }
    auto writeProgId = [&](const QString& progId, bool current) {
        if (progId.isEmpty()) return;
        ok = ok && reg.setValue(progId, {}, cls.description);
        ok = ok && reg.setValue(progId + QLatin1String("\\CLSID"), {}, clsid);
        if (current) {
            if (cls.insertable) ok = ok && reg.createKey(progId + QLatin1String("\\Insertable"));
        } else {
            ok = ok && reg.setValue(progId + QLatin1String("\\CurVer"), {}, cls.progId);
        }
    };
    writeProgId(cls.progId, true);
    writeProgId(cls.versionIndependentProgId, false);
    return ok ? S_OK : REGDB_E_WRITEREGDB;
}

HRESULT unregisterClass(Registry& reg, const ClassDescriptor& cls) {
    bool ok = reg.deleteTree(QStringLiteral("CLSID\\") + cls.clsid.toString());
    if (!cls.progId.isEmpty()) ok = reg.deleteTree(cls.progId) && ok;
    if (!cls.versionIndependentProgId.isEmpty()) ok = reg.deleteTree(cls.versionIndependentProgId) && ok;
    const TypeLibDescriptor& tlb = cls.typeLib;
    if (!tlb.libid.isNull()) {
        const QString libKey = QStringLiteral("TypeLib\\") + tlb.libid.toString();
        ok = reg.deleteTree(libKey + QLatin1Char('\\') + tlb.version) && ok;
        reg.deleteKeyIfEmpty(libKey);
        for (const auto& itf : tlb.interfaces)
            ok = reg.deleteTree(QStringLiteral("Interface\\") + itf.iid.toString()) && ok;
    }
    return ok ? S_OK : REGDB_E_WRITEREGDB;
}

}  // namespace component
