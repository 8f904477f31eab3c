#pragma once
// What both commands of the host do with a control: create Knobix by ProgID (registering the
// library when the class is not registered yet), give it a site, and call it late-bound.

#include "component/dispatch.h"
#include "component/events.h"
#include "component/site.h"
#include "component/unknown.h"

#include <QString>
#include <memory>

class QWidget;

namespace knobixhost {

struct Control {
    std::shared_ptr<component::Unknown> object;
    std::shared_ptr<component::SimpleSite> site;
    component::Dispatch* dispatch = nullptr;
    QWidget* widget = nullptr;
};

// The library to register when "RoundButton.Knobix" is not registered: the one next to this
// build, else the installed one.
QString defaultLibrary();

// Creates, sites and initialises a new control; on failure returns the HRESULT and a message.
component::HRESULT createKnobix(Control* out, QString* error);

// Sets a property by name, as a script would; false (with a message) when the call fails.
bool putByName(const Control& c, const QString& name, const component::Variant& value, QString* error);

// A sink that prints every event with its arguments, one line each ("Knobix 2: MouseUp 1 0 600 240").
class EventPrinter : public component::EventSink {
public:
    EventPrinter(const component::TypeInfo& info, QString name) : info_(info), name_(std::move(name)) {}
    void invoke(component::DISPID id, std::span<const component::Variant> args) override;
    std::function<void(const QString&)> onLine;

private:
    const component::TypeInfo& info_;
    QString name_;
};

QString describe(component::HRESULT hr);

}  // namespace knobixhost
