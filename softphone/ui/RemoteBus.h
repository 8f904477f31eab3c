#pragma once

#include "core/window/MainWindowModel.h"

#include <QDBusContext>
#include <QObject>
#include <QStringList>

namespace velmora::ui {

// /Dialer, net.velmora.Dialer: the fields an outside dialer program links to.
// A command is answered before it runs: its handler waits and may open a
// message box, and the dialer must not be held meanwhile.
class DialerObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.velmora.Dialer")
    Q_PROPERTY(QString velmoraDDEtxt READ velmoraDDEtxt WRITE setVelmoraDDEtxt)
    Q_PROPERTY(QString dialerOnDDE READ dialerOnDDE)

public:
    explicit DialerObject(core::MainWindowModel& window) : window_(window) {}
    QString velmoraDDEtxt() const;
    void setVelmoraDDEtxt(const QString& text);
    QString dialerOnDDE() const;

public slots:
    void DDEListen();
    void DDEVelmora();

private:
    void replyThenClick(core::Button& command);
    core::MainWindowModel& window_;
};

// /Automation, net.velmora.Automation: reads and sets any named control and
// acts on it through the same handlers as the agent's own actions.
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

private:
    core::Control* lookUp(const QString& control);
    // Answers the caller first, then acts: a handler that waits or opens a
    // message box must not hold the caller's request open.
    void replyThenRun(std::function<void()> action);
    void fail(const QString& what);

    core::MainWindowModel& window_;
};

// Puts both objects on the session bus as net.velmora.Softphone. False (and
// one line on stderr) when there is no session bus or the name is taken.
bool publishRemoteBus(core::MainWindowModel& window, QObject* owner);

}  // namespace velmora::ui
