#include "RemoteBus.h"

#include <QApplication>
#include <QListWidget>
#include <QWidget>

#include "Logging.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>
#include <QMetaObject>

#include <algorithm>
#include <optional>

namespace velmora::ui {
namespace {

constexpr const char* kService = "net.velmora.Softphone";
constexpr const char* kErrorUnknown = "net.velmora.Automation.Error.Unknown";
constexpr const char* kErrorRefused = "net.velmora.Automation.Error.Refused";
constexpr const char* kErrorUnknownProperty = "org.freedesktop.DBus.Error.UnknownProperty";
constexpr const char* kErrorReadOnly = "org.freedesktop.DBus.Error.PropertyReadOnly";

QString q(const std::string& s) { return QString::fromStdString(s); }

// Controls whose text is a password or the provisioning code (which holds
// the SIP password).
bool holdsSecret(const QString& control) {
    return control == "EditAccountAuthPassword" || control == "Text1" || control == "Text3" || control == "LMPassTxt";
}

// What an outside dialer may put into velmoraDDEtxt: an extension.
bool isExtension(const QString& text) {
    if (text.isEmpty() || text.size() > 10) return false;
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; });
}

QStringList toList(const std::vector<std::string>& items) {
    QStringList out;
    for (const auto& item : items) out << q(item);
    return out;
}

}  // namespace

QString DialerObject::introspect(const QString&) const {
    return QStringLiteral(
        "<interface name=\"net.velmora.Dialer\">"
        "<property name=\"velmoraDDEtxt\" type=\"s\" access=\"readwrite\"/>"
        "<property name=\"dialerOnDDE\" type=\"s\" access=\"read\"/>"
        "<method name=\"DDEListen\"/><method name=\"DDEVelmora\"/>"
        "</interface>"
        "<interface name=\"org.freedesktop.DBus.Properties\">"
        "<method name=\"Get\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"out\"/></method>"
        "<method name=\"Set\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"name\" type=\"s\" direction=\"in\"/><arg name=\"value\" type=\"v\" direction=\"in\"/></method>"
        "<method name=\"GetAll\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"values\" type=\"a{sv}\" direction=\"out\"/></method>"
        "</interface>");
}

bool DialerObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString member = message.member();
    const QList<QVariant> args = message.arguments();
    const auto reply = [&](const QList<QVariant>& values = {}) {
        connection.send(message.createReply(values));
        return true;
    };
    const auto error = [&](const QString& name, const QString& text) {
        connection.send(message.createErrorReply(name, text));
        return true;
    };
    const auto text = [this](const QString& property) -> std::optional<QString> {
        if (property == "velmoraDDEtxt") return q(window_.velmoraDDEtxt.text());
        if (property == "dialerOnDDE") return q(window_.dialerOnDDE.text());
        return std::nullopt;
    };
    if (message.interface() == "org.freedesktop.DBus.Properties") {
        if (member == "Get" && args.size() == 2) {
            const auto value = text(args.at(1).toString());
            if (!value) return error(kErrorUnknownProperty, "no property " + args.at(1).toString());
            return reply({QVariant::fromValue(QDBusVariant(*value))});
        }
        if (member == "GetAll") {
            QVariantMap all;
            all["velmoraDDEtxt"] = *text("velmoraDDEtxt");
            all["dialerOnDDE"] = *text("dialerOnDDE");
            return reply({all});
        }
        if (member == "Set" && args.size() == 3) {
            const QString property = args.at(1).toString();
            if (property == "dialerOnDDE") return error(kErrorReadOnly, "dialerOnDDE is read-only");
            if (property != "velmoraDDEtxt") return error(kErrorUnknownProperty, "no property " + property);
            const QString value = qvariant_cast<QDBusVariant>(args.at(2)).variant().toString();
            if (!isExtension(value))
                return error(kErrorRefused, "velmoraDDEtxt takes an extension: digits, * and #, at most 10");
            window_.velmoraDDEtxt.setText(value.toStdString());
            return reply();
        }
        return false;
    }
    if (message.interface().isEmpty() || message.interface() == "net.velmora.Dialer") {
        // Answered first: the click may run a handler that waits.
        if (member == "DDEListen") {
            reply();
            window_.DDEListen.click();
            return true;
        }
        if (member == "DDEVelmora") {
            reply();
            window_.DDEVelmora.click();
            return true;
        }
    }
    return false;
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
    if (holdsSecret(control) && property == "Text") {
        sendErrorReply(kErrorRefused, "the text of control " + control + " is a secret and is not read out");
        return {};
    }
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

QString AutomationObject::Where(const QString& name) {
    const QString widgetName = name.section('/', 0, 0), entry = name.section('/', 1);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        QWidget* w = top->objectName() == widgetName ? top : top->findChild<QWidget*>(widgetName);
        if (!w || !w->isVisible()) continue;
        QRect area(w->mapToGlobal(QPoint(0, 0)), w->size());
        bool shown = w->visibleRegion().boundingRect() == w->rect();
        if (!entry.isEmpty()) {
            auto* list = qobject_cast<QListWidget*>(w);
            const auto found = list ? list->findItems(entry, Qt::MatchExactly) : QList<QListWidgetItem*>();
            if (found.isEmpty()) return {};
            const QRect item = list->visualItemRect(found.front());
            // In sight in full: inside the list's view, and its name not cut short.
            const int needed = list->fontMetrics().horizontalAdvance(found.front()->text()) +
                               list->iconSize().width() + 12;
            shown = shown && list->viewport()->rect().contains(item) && needed <= item.width();
            area = QRect(list->viewport()->mapToGlobal(item.topLeft()), item.size());
        }
        return QString("%1 %2 %3 %4 %5").arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height()).arg(shown);
    }
    return {};
}

bool publishRemoteBus(core::MainWindowModel& window, QObject* owner, bool automation) {
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
    dialer->setParent(owner);
    bus.registerVirtualObject("/Dialer", dialer);
    if (automation) {
        auto* remote = new AutomationObject(window);
        remote->setParent(owner);
        bus.registerObject("/Automation", remote, QDBusConnection::ExportAllSlots);
    }
    return true;
}

}  // namespace velmora::ui
