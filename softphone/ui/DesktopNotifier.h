#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <deque>
#include <functional>

namespace velmora::ui {

// Notifications through the freedesktop notification service on the session
// bus. Clicking one of ours runs `activated` (the window comes forward).
// Without the service nothing is shown and nothing fails.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(std::function<void()> activated, QObject* parent = nullptr);
    void notify(const QString& title, const QString& body);
    // An offered call's notification: its Answer and Reject act on that call
    // (by its id), whatever else rings meanwhile.
    void notifyCall(const QString& title, const QString& body, const QString& callId);
    std::function<void(const QString& callId, bool answer)> callAction;

private slots:
    void onActionInvoked(uint id, const QString& action);

private:
    std::function<void()> activated_;
    void send(const QString& title, const QString& body, const QStringList& actions, const QVariantMap& hints,
              const QString& callId);
    struct Raised {
        uint id;
        QString callId;  // empty for a notification of no call
    };
    std::deque<Raised> ours_;  // the latest notifications we raised
};

// A body as the service shows it: some services read markup in bodies, so
// "&", "<" and ">" are written as entities.
QString escapedNotificationBody(const QString& text);

}  // namespace velmora::ui
