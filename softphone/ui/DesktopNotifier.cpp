#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <algorithm>

namespace velmora::ui {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr std::size_t kRemembered = 32;

}  // namespace

QString escapedNotificationBody(const QString& text) { return text.toHtmlEscaped(); }

DesktopNotifier::DesktopNotifier(std::function<void()> activated, QObject* parent)
    : QObject(parent), activated_(std::move(activated)) {
    QDBusConnection::sessionBus().connect(kService, kPath, kService, "ActionInvoked", this,
                                          SLOT(onActionInvoked(uint, QString)));
}

void DesktopNotifier::notify(const QString& title, const QString& body) {
    send(title, body, {"default", "Show"}, {}, {});
}

void DesktopNotifier::notifyCall(const QString& title, const QString& body, const QString& callId) {
    send(title, body, {"default", "Show", "answer", "Answer", "reject", "Reject"},
         {{"urgency", QVariant::fromValue(uchar(2))}, {"category", "call.incoming"}, {"resident", false}}, callId);
}

void DesktopNotifier::send(const QString& title, const QString& body, const QStringList& actions,
                           const QVariantMap& hints, const QString& callId) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    call << QString("velmoraapp") << uint(0) << QString("velmoraapp") << title << escapedNotificationBody(body)
         << actions << hints << int(-1);
    // Asynchronous: a missing or slow service never holds the window up.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, callId](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<uint> reply = *w;
        if (!reply.isError()) {
            ours_.push_back({reply.value(), callId});
            if (ours_.size() > kRemembered) ours_.pop_front();
        }
        w->deleteLater();
    });
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    const auto raised = std::find_if(ours_.begin(), ours_.end(), [id](const Raised& r) { return r.id == id; });
    if (raised == ours_.end()) return;  // another program's notification
    if (!raised->callId.isEmpty() && (action == "answer" || action == "reject")) {
        if (callAction) callAction(raised->callId, action == "answer");
        return;
    }
    if (activated_) activated_();
}

}  // namespace velmora::ui
