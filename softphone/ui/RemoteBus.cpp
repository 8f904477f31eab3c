#include "RemoteBus.h"

#include "Logging.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMetaObject>

namespace velmora::ui {
namespace {

constexpr const char* kService = "net.velmora.Softphone";
constexpr const char* kErrorUnknown = "net.velmora.Automation.Error.Unknown";
constexpr const char* kErrorRefused = "net.velmora.Automation.Error.Refused";

QString q(const std::string& s) { return QString::fromStdString(s); }

QStringList toList(const std::vector<std::string>& items) {
    QStringList out;
    for (const auto& item : items) out << q(item);
    return out;
}

}  // namespace

QString DialerObject::velmoraDDEtxt() const { return q(window_.velmoraDDEtxt.text()); }
void DialerObject::setVelmoraDDEtxt(const QString& text) { window_.velmoraDDEtxt.setText(text.toStdString()); }
QString DialerObject::dialerOnDDE() const { return q(window_.dialerOnDDE.text()); }
void DialerObject::DDEListen() { replyThenClick(window_.DDEListen); }
void DialerObject::DDEVelmora() { replyThenClick(window_.DDEVelmora); }

void DialerObject::replyThenClick(core::Button& command) {
    if (calledFromDBus()) {
        setDelayedReply(true);
        connection().send(message().createReply());
    }
    command.click();
}

void AutomationObject::fail(const QString& what) { sendErrorReply(kErrorUnknown, what); }

core::Control* AutomationObject::lookUp(const QString& control) {
    auto* found = window_.registry.find(control.toStdString());
    if (!found) fail("unknown control " + control);
    return found;
}

void AutomationObject::replyThenRun(std::function<void()> action) {
    setDelayedReply(true);
    connection().send(message().createReply());
    action();
}

QStringList AutomationObject::Controls() { return toList(window_.registry.names()); }

QString AutomationObject::Get(const QString& control, const QString& property) {
    auto* c = lookUp(control);
    if (!c) return {};
    auto value = c->property(property.toStdString());
    if (!value) {
        fail("unknown property " + property + " of control " + control);
        return {};
    }
    return q(*value);
}

QStringList AutomationObject::Items(const QString& control) {
    auto* c = lookUp(control);
    return c ? toList(c->items()) : QStringList();
}

void AutomationObject::Set(const QString& control, const QString& property, const QString& value) {
    auto* c = lookUp(control);
    if (!c) return;
    const std::string prop = property.toStdString();
    if (!c->property(prop)) {
        fail("unknown property " + property + " of control " + control);
        return;
    }
    if (prop != "Text" && prop != "Value" && prop != "Caption" && prop != "Enabled" && prop != "Visible" &&
        prop != "ListIndex") {
        sendErrorReply(kErrorRefused, "property " + property + " of control " + control + " is read-only");
        return;
    }
    replyThenRun([c, prop, v = value.toStdString()] { c->setProperty(prop, v); });
}

void AutomationObject::Click(const QString& control) {
    if (auto* c = lookUp(control)) replyThenRun([c] { c->click(); });
}

void AutomationObject::DoubleClick(const QString& control) {
    if (auto* c = lookUp(control)) replyThenRun([c] { c->doubleClick(); });
}

void AutomationObject::Choose(const QString& control, int index) {
    auto* c = lookUp(control);
    if (!c) return;
    if (index < 0 || index >= static_cast<int>(c->items().size())) {
        sendErrorReply(kErrorRefused, QString("no entry %1 in control %2").arg(index).arg(control));
        return;
    }
    replyThenRun([c, index] { c->choose(index); });
}

bool publishRemoteBus(core::MainWindowModel& window, QObject* owner) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcVelmora, "no D-Bus session bus; remote commands are off");
        return false;
    }
    if (!bus.registerService(kService)) {
        qCWarning(lcVelmora, "%s is taken on the session bus; remote commands are off", kService);
        return false;
    }
    auto* dialer = new DialerObject(window);
    auto* automation = new AutomationObject(window);
    dialer->setParent(owner);
    automation->setParent(owner);
    bus.registerObject("/Dialer", dialer, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
    bus.registerObject("/Automation", automation, QDBusConnection::ExportAllSlots);
    return true;
}

}  // namespace velmora::ui
