#include "AppUnderTest.h"

#include <QCoreApplication>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QUuid>

#include <csignal>
#include <fstream>
#include <unistd.h>

namespace velmora::e2e {

bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

std::filesystem::path appBinary() { return VELMORAAPP_BINARY; }

void copyToClipboard(const QString& text) {
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i"});
    xclip.write(text.toUtf8());
    xclip.closeWriteChannel();
    xclip.waitForFinished(5000);  // xclip forks and serves the selection until it is taken
}

void writeAgentRoot(const std::filesystem::path& root, const std::string& proxyHostPort) {
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "logs");
    std::ofstream(root / "bin/deployment.ini")
        << "[Deployment]\r\nServiceDomain=test\r\nProxyAddress=" << proxyHostPort << "\r\n";
    std::ofstream(root / "bin/velmoraapp.ini")
        << "[System]\r\ncustomerNumber=AB77301001secret0001\r\nDisplayName=Ann\r\nLogin=1001\r\n"
           "AuthLogin=1001\r\nPassword=secret0001\r\nSIPProxy=7730.test\r\nOutBoundProxy=7730.test\r\n"
           "Mon=True\r\nswipeSize=20\r\n";
}

PrivateBus::PrivateBus() {
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    daemon_.waitForStarted();
    eventually([&] { return daemon_.canReadLine() || daemon_.state() != QProcess::Running; }, std::chrono::seconds(10));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    name_ = "test-bus-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDBusConnection::connectToBus(address_, name_);
}

PrivateBus::~PrivateBus() {
    QDBusConnection::disconnectFromBus(name_);
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

AppUnderTest::AppUnderTest(const std::filesystem::path& root, const PrivateBus& bus, bool automation) : bus_(bus) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.remove("RINGVALE_ROOT");
    if (automation)
        env.insert("VELMORA_AUTOMATION", "1");
    else
        env.remove("VELMORA_AUTOMATION");
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setChildProcessModifier([] { ::setsid(); });
    process_.start(QString::fromStdString(appBinary().string()), {"--root", QString::fromStdString(root.string())});
    process_.waitForStarted();
    session_ = process_.processId();
}

AppUnderTest::~AppUnderTest() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    if (session_ > 0) ::kill(-static_cast<pid_t>(session_), SIGKILL);
}

QString AppUnderTest::output() {
    output_ += QString::fromUtf8(process_.readAll());
    return output_;
}

bool AppUnderTest::waitUntilReady(std::chrono::milliseconds limit) {
    return eventually(
               [&] {
                   if (process_.state() == QProcess::NotRunning) return true;
                   return !get("BtnOnline", "Caption").startsWith("error:");
               },
               limit) &&
           process_.state() == QProcess::Running;
}

bool AppUnderTest::waitForExit(std::chrono::milliseconds limit, int* exitCode) {
    const bool ended = eventually([&] { return process_.state() == QProcess::NotRunning; }, limit);
    if (ended && exitCode) *exitCode = process_.exitCode();
    return ended;
}

QStringList AppUnderTest::survivors() const {
    QStringList alive;
    for (const auto& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric) continue;
        std::ifstream stat(("/proc/" + entry + "/stat").toStdString());
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos) continue;
        // Fields after the name: state ppid pgrp session ...
        char state = 0;
        long ppid = 0, pgrp = 0, session = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %ld %ld %ld", &state, &ppid, &pgrp, &session) != 4) continue;
        if (session == session_ && state != 'Z') alive << QString::fromStdString(text.substr(0, close + 1));
    }
    return alive;
}

QString AppUnderTest::call(const QString& method, const QList<QVariant>& args) {
    QDBusMessage msg =
        QDBusMessage::createMethodCall("net.velmora.Softphone", "/Automation", "net.velmora.Automation", method);
    msg.setArguments(args);
    const QDBusMessage reply = bus_.connection().call(msg, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) return "error: " + reply.errorMessage();
    return reply.arguments().isEmpty() ? QString() : reply.arguments().first().toString();
}

QString AppUnderTest::get(const QString& control, const QString& property) { return call("Get", {control, property}); }

QString AppUnderTest::set(const QString& control, const QString& property, const QString& value) {
    return call("Set", {control, property, value});
}

QString AppUnderTest::click(const QString& control) { return call("Click", {control}); }

QStringList AppUnderTest::items(const QString& control) {
    QDBusMessage msg =
        QDBusMessage::createMethodCall("net.velmora.Softphone", "/Automation", "net.velmora.Automation", "Items");
    msg.setArguments({control});
    const QDBusMessage reply = bus_.connection().call(msg, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first().toStringList();
}

}  // namespace velmora::e2e
