#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

namespace velmora::e2e {

// A private D-Bus session bus for one test, stopped with it.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    const QString& address() const { return address_; }
    QDBusConnection connection() const { return QDBusConnection(name_); }

private:
    QProcess daemon_;
    QString address_, name_;
};

// velmoraapp started on an install root, on a private bus, in its own session
// so that every process it leaves behind can be found. With automation (the
// default) it offers /Automation (VELMORA_AUTOMATION=1), which the helpers
// below and the benchmarks drive it through.
class AppUnderTest {
public:
    AppUnderTest(const std::filesystem::path& root, const PrivateBus& bus, bool automation = true);
    ~AppUnderTest();

    // Waits until the remote bus answers; false when the program never got there.
    bool waitUntilReady(std::chrono::milliseconds limit = std::chrono::seconds(30));
    bool waitForExit(std::chrono::milliseconds limit, int* exitCode = nullptr);
    qint64 pid() const { return process_.processId(); }
    // Processes still alive in the program's session (its helpers included).
    QStringList survivors() const;
    QString output();

    // The automation interface; an error reply comes back as "error: <message>".
    QString get(const QString& control, const QString& property);
    QString set(const QString& control, const QString& property, const QString& value);
    QString click(const QString& control);
    QStringList items(const QString& control);

private:
    QString call(const QString& method, const QList<QVariant>& args);

    const PrivateBus& bus_;
    QProcess process_;
    qint64 session_ = 0;
    QString output_;
};

// Polls until done() or the limit passes, keeping the test's own loop alive.
bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(15));

std::filesystem::path appBinary();

// Puts text on the X clipboard (xclip serves it until another program takes it).
void copyToClipboard(const QString& text);

// An install root for the agent Ann (login 1001, password secret0001) of the
// account 7730, provisioned against the telephone system at proxyHostPort
// (domain pbx7730.test), with a click-to-dial length of 20.
void writeAgentRoot(const std::filesystem::path& root, const std::string& proxyHostPort);

}  // namespace velmora::e2e
