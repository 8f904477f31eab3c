#pragma once

#include "core/window/MainWindowModel.h"

#include <QDBusContext>
#include <QDBusVirtualObject>
#include <QObject>
#include <QStringList>

namespace velmora::ui {

// /Dialer, net.velmora.Dialer: the fields an outside dialer program links to:
// properties velmoraDDEtxt (read/write) and dialerOnDDE (read), methods
// DDEListen and DDEVelmora. velmoraDDEtxt takes an extension only (digits,
// "*" and "#", at most 10); anything else is an error reply and changes
// nothing. Served by hand (a virtual object): Qt's own property handling
// cannot refuse a write with an error.
class DialerObject : public QDBusVirtualObject {
public:
    explicit DialerObject(core::MainWindowModel& window) : window_(window) {}
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    core::MainWindowModel& window_;
};

// /Automation, net.velmora.Automation: reads and sets any named control and
// acts on it through the same handlers as the agent's own actions. The text
// of a control holding a password or the provisioning code is never read
// out: Get refuses it with an error that names the control.
class AutomationObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.velmora.Automation")

public:
    explicit AutomationObject(core::MainWindowModel& window) : window_(window) {}

public slots:
    QStringList Controls();
    QString Get(const QString& control, const QString& property);
    QStringList Items(const QString& control);
    void Set(const QString& control, const QString& property, const QString& value);
    void Click(const QString& control);
    void DoubleClick(const QString& control);
    void Choose(const QString& control, int index);
    // Where a widget of the program's windows is on the screen, for tests
    // that drive the real widgets with the X server's input: "x y width
    // height shown" ("shown" 1 when it is visible in full, nothing scrolled
    // or cut off), or "" when there is none. "pageList/TITLE" names a page's
    // entry in the page list.
    QString Where(const QString& widget);

private:
    core::Control* lookUp(const QString& control);
    // Answers the caller first, then acts: a handler that waits or opens a
    // message box must not hold the caller's request open.
    void replyThenRun(std::function<void()> action);
    void fail(const QString& what);

    core::MainWindowModel& window_;
};

// Puts the objects on the session bus as net.velmora.Softphone: /Dialer
// always, /Automation only when asked for (it drives the whole window, so
// any program of the session could dial with it). False (and one line on
// stderr) when there is no session bus or the name is taken.
bool publishRemoteBus(core::MainWindowModel& window, QObject* owner, bool automation);

}  // namespace velmora::ui
