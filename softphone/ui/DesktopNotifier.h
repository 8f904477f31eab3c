#pragma once

#include <QObject>
#include <QString>

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

private slots:
    void onActionInvoked(uint id, const QString& action);

private:
    std::function<void()> activated_;
    std::deque<uint> ours_;  // the latest notifications we raised
};

// A body as the service shows it: some services read markup in bodies, so
// "&", "<" and ">" are written as entities.
QString escapedNotificationBody(const QString& text);

}  // namespace velmora::ui
