#include "KnobixHost.h"

#include "component/byref.h"
#include "component/errorinfo.h"
#include "component/factory.h"
#include "component/persist.h"
#include "component/widget.h"

#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace knobixhost {

using namespace component;

namespace {
const QString kProgId = QStringLiteral("RoundButton.Knobix");
}

QString defaultLibrary() {
    // An installed host uses the library installed beside it; a host in the build tree, the built one.
    const QString exeDir = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
    const QString candidates[] = {exeDir + QStringLiteral("/../" KNOBIX_LIBDIR "/libknobix.so"),
                                  QString::fromUtf8(KNOBIX_BUILD_LIBRARY)};
    for (const QString& path : candidates)
        if (QFileInfo::exists(path)) return QFileInfo(path).canonicalFilePath();
    return {};
}

QString describe(HRESULT hr) {
    QString text = QStringLiteral("0x%1").arg(std::uint32_t(hr), 8, 16, QLatin1Char('0'));
    if (auto info = getErrorInfo(); info && !info->description.isEmpty()) text += ": " + info->description;
    return text;
}

HRESULT createKnobix(Control* out, QString* error) {
    std::shared_ptr<Unknown> obj;
    HRESULT hr = createInstance(kProgId, &obj);
    if (hr == CO_E_CLASSSTRING && !defaultLibrary().isEmpty()) {
        hr = registerServer(defaultLibrary());
        if (SUCCEEDED(hr)) hr = createInstance(kProgId, &obj);
    }
    if (FAILED(hr)) {
        *error = QStringLiteral("cannot create %1: %2").arg(kProgId, describe(hr));
        return hr;
    }
    out->object = obj;
    out->dispatch = query<Dispatch>(obj);
    auto* widget = query<ControlWidget>(obj);
    auto* ole = query<OleObject>(obj);
    auto* persist = query<PersistPropertyBag>(obj);
    if (!out->dispatch || !widget || !ole || !persist) {
        *error = QStringLiteral("%1 lacks an interface a host needs").arg(kProgId);
        return E_NOINTERFACE;
    }
    out->widget = widget->widget();
    out->site = std::make_shared<SimpleSite>(true);
    ole->setClientSite(out->site);
    return persist->initNew();
}

bool putByName(const Control& c, const QString& name, const Variant& value, QString* error) {
    DISPID id = 0;
    HRESULT hr = c.dispatch->idOfName(name, &id);
    if (SUCCEEDED(hr)) hr = c.dispatch->put(id, value);
    if (FAILED(hr)) *error = QStringLiteral("%1 = %2: %3").arg(name, value.toString(), describe(hr));
    return SUCCEEDED(hr);
}

void EventPrinter::invoke(DISPID id, std::span<const Variant> args) {
    const EventInfo* e = info_.event(id);
    QString line = name_ + ": " + (e ? e->name : QString::number(id));
    for (const Variant& a : args) line += " " + argumentValue(a).toString();
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
    if (onLine) onLine(line);
}

}  // namespace knobixhost
