// The library's entry points: self-registration and the class factory of Knobix.
#include "KnobixControl.h"

#include "component/errorinfo.h"
#include "component/module.h"

#include <QApplication>
#include <QThread>

namespace roundbutton {

using namespace component;

const ClassDescriptor& knobixClass() {
    static const ClassDescriptor c = [] {
        ClassDescriptor d;
        d.clsid = kClsidKnobix;
        d.progId = QString::fromLatin1(kProgId);
        d.description = QStringLiteral("Knobix");
        d.programmable = true;
        d.control = true;
        d.typeLib.libid = kLibId;
        d.typeLib.name = QStringLiteral("RoundButton");
        d.typeLib.version = QStringLiteral("1.0");
        d.typeLib.lcid = 1033;
        d.typeLib.interfaces = {{kIidKnobix, QStringLiteral("_Knobix")},
                                {kIidKnobixEvents, QStringLiteral("__Knobix")}};
        d.create = []() -> std::shared_ptr<Unknown> {
            // A widget needs the host's QApplication, on the application's thread.
            auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
            if (!app || QThread::currentThread() != app->thread()) {
                reportError(E_UNEXPECTED, kIidKnobix, QString::fromLatin1(kProgId),
                            QStringLiteral("Knobix needs the host's QApplication and its thread"));
                return nullptr;
            }
            return std::make_shared<KnobixControl>();
        };
        return d;
    }();
    return c;
}

}  // namespace roundbutton

static std::span<const component::ClassDescriptor> knobixClasses() { return {&roundbutton::knobixClass(), 1}; }

COMPONENT_DEFINE_MODULE(knobixClasses)
