#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Sipp.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <gtest/gtest.h>

#include <QProcess>
#include <QUrl>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::e2e {
namespace {

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// This test program doubles as the desktop's opener: started as "xdg-open" it
// records what it was given (its arguments, and the opened page's mode and
// text, read while the page is there) into $VELMORA_OPENER_RECORD and ends.
const bool kRanAsOpener = [] {
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    for (std::size_t at = 0; at < all.size();) {
        const auto end = all.find('\0', at);
        args.push_back(all.substr(at, end - at));
        at = end == std::string::npos ? all.size() : end + 1;
    }
    if (args.empty() || std::filesystem::path(args[0]).filename() != "xdg-open") return false;
    const char* record = std::getenv("VELMORA_OPENER_RECORD");
    if (record) {
        std::ofstream out(record, std::ios::binary | std::ios::app);
        for (std::size_t i = 1; i < args.size(); ++i) out << "arg: " << args[i] << "\n";
        std::string file = args.size() > 1 ? args[1] : "";
        if (file.rfind("file://", 0) == 0) file = QUrl(QString::fromStdString(file)).toLocalFile().toStdString();
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0) out << "mode: " << std::oct << (st.st_mode & 07777) << std::dec << "\n";
        out << "page: " << readText(file) << "\n";
    }
    std::_Exit(0);
}();

// A TCP port nobody listens on just now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

constexpr const char* kCustomer = "5557654321";
constexpr const char* kService = "net.velmora.Softphone";


struct HardeningE2E : ::testing::Test {
    std::filesystem::path root;
    rig::Kamailio pbx{{"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1}};
    PrivateBus bus;
    std::unique_ptr<AppUnderTest> app;

    HardeningE2E() {
        char name[] = "/tmp/velmora-hardening-XXXXXX";
        root = ::mkdtemp(name);
        writeAgentRoot(root, pbx.hostPort());
    }
    ~HardeningE2E() override {
        app.reset();
        std::filesystem::remove_all(root);
    }

    // The object paths the program offers on the bus, once it offers any.
    QStringList publishedObjects() {
        QStringList nodes;
        eventually([&] {
            QDBusInterface introspect(kService, "/", "org.freedesktop.DBus.Introspectable", bus.connection());
            const QDBusReply<QString> xml = introspect.call("Introspect");
            if (!xml.isValid()) return false;
            nodes.clear();
            for (const QString& part : xml.value().split("<node name=\"").mid(1)) nodes << part.section('"', 0, 0);
            return !nodes.isEmpty();
        });
        return nodes;
    }

    // Opens the window's Web page as the agent does: a click on its entry in
    // the page list.
    bool openWebPage() {
        QDBusInterface automation(kService, "/Automation", "net.velmora.Automation", bus.connection());
        const QDBusReply<QString> reply = automation.call("Where", "pageList/Web");
        const QStringList at = reply.isValid() ? reply.value().split(' ') : QStringList();
        if (at.size() != 5) return false;
        QProcess xdotool;
        xdotool.start("xdotool", {"mousemove", QString::number(at[0].toInt() + at[2].toInt() / 2),
                                  QString::number(at[1].toInt() + at[3].toInt() / 2), "click", "1"});
        return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
    }

    // What of the browser engine the program has: its helper processes, and
    // the engine's library or Mesa's LLVM (an OpenGL context) in its memory.
    QStringList browserEngine() {
        QStringList found;
        for (const QString& process : app->survivors())
            if (process.contains("(QtWebEngineProc")) found << process;
        std::ifstream maps("/proc/" + std::to_string(app->pid()) + "/maps");
        for (std::string line; std::getline(maps, line);)
            for (const char* library : {"libQt6WebEngineCore", "libLLVM"})
                if (line.find(library) != std::string::npos && !found.contains(library)) found << library;
        return found;
    }

    QDBusMessage setDialerText(const QString& text) {
        QDBusInterface properties(kService, "/Dialer", "org.freedesktop.DBus.Properties", bus.connection());
        return properties.call("Set", "net.velmora.Dialer", "velmoraDDEtxt",
                               QVariant::fromValue(QDBusVariant(QVariant(text))));
    }
    QString dialerText() {
        QDBusInterface properties(kService, "/Dialer", "org.freedesktop.DBus.Properties", bus.connection());
        const QDBusReply<QDBusVariant> reply = properties.call("Get", "net.velmora.Dialer", "velmoraDDEtxt");
        return reply.isValid() ? reply.value().variant().toString() : "error: " + reply.error().message();
    }
};

TEST_F(HardeningE2E, WithoutTheOptInOnlyTheDialerIsOnTheBusAndItTakesExtensionsOnly) {
    app = std::make_unique<AppUnderTest>(root, bus, false);
    const QStringList objects = publishedObjects();
    EXPECT_TRUE(objects.contains("Dialer")) << objects.join(",").toStdString() << app->output().toStdString();
    EXPECT_FALSE(objects.contains("Automation")) << objects.join(",").toStdString();
    EXPECT_TRUE(app->get("BtnOnline", "Caption").startsWith("error:"));

    EXPECT_EQ(setDialerText("1002").type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(dialerText(), "1002");
    for (const char* refused : {"12345678901", "1002;rm -rf", "sip:1002@evil", "", "10 02", "١٢٣"}) {
        const QDBusMessage reply = setDialerText(QString::fromUtf8(refused));
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << refused;
        EXPECT_TRUE(reply.errorMessage().contains("velmoraDDEtxt")) << reply.errorMessage().toStdString();
    }
    EXPECT_EQ(dialerText(), "1002");
    EXPECT_EQ(setDialerText("*97#").type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(dialerText(), "*97#");
}

TEST_F(HardeningE2E, SecretsStayPrivateAndSigtermEndsInOrder) {
    const auto settings = root / "bin/velmoraapp.ini";
    std::filesystem::permissions(settings, std::filesystem::perms(0644));
    auto customer = std::make_unique<rig::Sipp>(rig::Sipp::Setup{"uas_answer.xml", {}, kCustomer, "", 60, 1, {}});
    ASSERT_EQ(rig::registerContact(pbx, kCustomer, "customerpw", customer->port()), "");

    qputenv("VELMORA_ENGINE_DEBUG", "1");  // every SIP message in logs/engine.log
    app = std::make_unique<AppUnderTest>(root, bus);
    qunsetenv("VELMORA_ENGINE_DEBUG");
    ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
    ASSERT_TRUE(eventually([&] { return app->get("BtnOnline", "Caption") == "Offline"; }, std::chrono::seconds(30)))
        << app->output().toStdString();
    EXPECT_EQ(std::filesystem::status(settings).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0600));
    EXPECT_NE(app->output().toStdString().find("velmoraapp.ini"), std::string::npos) << "said on stderr";

    for (const char* secret : {"EditAccountAuthPassword", "Text1", "Text3", "LMPassTxt"}) {
        const QString reply = app->get(secret, "Text");
        EXPECT_TRUE(reply.startsWith("error:")) << secret << ": " << reply.toStdString();
        EXPECT_TRUE(reply.contains(secret)) << reply.toStdString();
    }
    EXPECT_EQ(app->get("EditAccountUserName", "Text"), "1001");

    EXPECT_EQ(app->set("EditPhoneNo", "Text", kCustomer), "");
    EXPECT_EQ(app->click("BtnDial"), "");
    ASSERT_TRUE(eventually([&] { return app->items("ListStatusLog").contains("Line-1: Success to connect."); }))
        << app->items("ListStatusLog").join("|").toStdString();
    EXPECT_EQ(app->click("BtnHangUp"), "");
    ASSERT_TRUE(eventually([&] { return customer->messages().find("BYE sip:") != std::string::npos; }));

    ASSERT_EQ(::kill(static_cast<pid_t>(app->pid()), SIGTERM), 0);
    int exitCode = -1;
    ASSERT_TRUE(app->waitForExit(std::chrono::milliseconds(2000), &exitCode)) << app->output().toStdString();
    EXPECT_EQ(exitCode, 0) << app->output().toStdString();
    // The un-REGISTER went out before the end (the engine's debug log holds every SIP message).
    const std::string log = readText(root / "logs/engine.log");
    const auto lastRegister = log.rfind("REGISTER sip:");
    ASSERT_NE(lastRegister, std::string::npos) << log.substr(0, 2000);
    EXPECT_NE(log.find("Expires: 0", lastRegister), std::string::npos) << log.substr(lastRegister, 1500);

    EXPECT_EQ(app->output().toStdString().find("secret0001"), std::string::npos) << "nothing prints the password";
    using std::filesystem::perms;
    for (const char* folder : {"logs", "engine", "messages"}) {
        if (!std::filesystem::exists(root / folder)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder))
            EXPECT_EQ(entry.status().permissions() & (perms::group_all | perms::others_all), perms::none)
                << entry.path();
    }
    EXPECT_TRUE(std::filesystem::exists(root / "logs/engine.log"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path() == settings) continue;
        EXPECT_EQ(readText(entry.path()).find("secret0001"), std::string::npos) << entry.path();
    }
}

TEST_F(HardeningE2E, TheWebPanelTakesACertificateOnlyFromATrustedAuthority) {
    QTemporaryDir pki;
    rig::makeTestPki(pki.path().toStdString());  // an authority neither the system nor the panel trusts
    const int port = freePort();
    QProcess server;
    server.setWorkingDirectory(pki.path());
    server.setProcessChannelMode(QProcess::MergedChannels);
    // s_server prints what a client sends once its handshake is through.
    server.start("openssl", {"s_server", "-accept", QString("127.0.0.1:%1").arg(port), "-cert", "server.pem", "-key",
                             "server.key"});
    ASSERT_TRUE(server.waitForStarted());
    QString served;
    const auto serverSaw = [&](const char* text) {
        served += QString::fromUtf8(server.readAll());
        return served.contains(text);
    };
    const std::string deployment = readText(root / "bin/deployment.ini") +
                                   "PanelAddress=https://localhost:" + std::to_string(port) + "\r\n";
    const std::string page = "/app/active_extensions/active_extensions.php";
    std::ofstream(root / "bin/velmoraapp.ini", std::ios::app) << "Userweb=1001\r\npassweb=webpa55\r\n";

    std::ofstream(root / "bin/deployment.ini", std::ios::trunc) << deployment;
    app = std::make_unique<AppUnderTest>(root, bus);
    ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
    ASSERT_TRUE(openWebPage());
    EXPECT_TRUE(eventually([&] { return app->output().contains("web panel: certificate of https://localhost refused"); },
                           std::chrono::seconds(30)))
        << app->output().toStdString() << served.toStdString();
    EXPECT_FALSE(serverSaw("GET ")) << "no request over a connection to an unchecked server";
    app.reset();

    std::ofstream(root / "bin/deployment.ini", std::ios::trunc)
        << deployment << "RootCA=" << pki.path().toStdString() << "/ca.pem\r\n";
    app = std::make_unique<AppUnderTest>(root, bus);
    ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
    ASSERT_TRUE(openWebPage());
    // With the panel's credentials when the page is opened before the program
    // goes online, without them after: the browser shows the last address asked for.
    EXPECT_TRUE(eventually([&] { return serverSaw(("GET " + page).c_str()); },
                           std::chrono::seconds(30)))
        << served.toStdString() << app->output().toStdString();
    // Read out, the address keeps its password to itself.
    const std::string base = "https://localhost:" + std::to_string(port) + page;
    const std::string shown = app->get("WebBrowser1", "Text").toStdString();
    EXPECT_TRUE(shown == base + "?username=***&password=***" || shown == base) << shown;
    server.kill();
    server.waitForFinished();
}

TEST_F(HardeningE2E, TheBrowserEngineStartsTheFirstTimeTheWebPageIsOpened) {
    QTemporaryDir pki;
    rig::makeTestPki(pki.path().toStdString());
    const int port = freePort();
    QProcess server;
    server.setWorkingDirectory(pki.path());
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start("openssl", {"s_server", "-accept", QString("127.0.0.1:%1").arg(port), "-cert", "server.pem", "-key",
                             "server.key"});
    ASSERT_TRUE(server.waitForStarted());
    QString served;
    const auto serverSaw = [&](const char* text) {
        served += QString::fromUtf8(server.readAll());
        return served.contains(text);
    };
    std::ofstream(root / "bin/deployment.ini", std::ios::app)
        << "PanelAddress=https://localhost:" << port << "\r\nRootCA=" << pki.path().toStdString() << "/ca.pem\r\n";
    const std::string page = "https://localhost:" + std::to_string(port) + "/app/active_extensions/active_extensions.php";

    app = std::make_unique<AppUnderTest>(root, bus);
    ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
    ASSERT_TRUE(eventually([&] { return app->get("RegLight", "Caption") == "Registered"; }, std::chrono::seconds(30)))
        << app->output().toStdString();
    eventually([] { return false; }, std::chrono::seconds(3));
    // Online for a while, the Web page never opened: no engine, no helper
    // process, no OpenGL, no request; the panel still reads out the address
    // it will show.
    EXPECT_EQ(browserEngine(), QStringList()) << app->output().toStdString();
    EXPECT_FALSE(serverSaw("GET ")) << served.toStdString();
    EXPECT_EQ(app->get("WebBrowser1", "Text").toStdString(), page);

    ASSERT_TRUE(openWebPage());
    EXPECT_TRUE(eventually([&] { return serverSaw(("GET " + page.substr(page.find("/app/")) + " ").c_str()); },
                           std::chrono::seconds(30)))
        << served.toStdString() << app->output().toStdString();
    const QStringList engine = browserEngine();
    EXPECT_TRUE(engine.contains("libQt6WebEngineCore")) << engine.join(", ").toStdString();
    EXPECT_TRUE(std::any_of(engine.begin(), engine.end(), [](const QString& p) { return p.contains("QtWebEngine"); }))
        << engine.join(", ").toStdString();
    server.kill();
    server.waitForFinished();
}

TEST_F(HardeningE2E, TheCrmPasswordReachesTheBrowserInAPrivatePageAndOnNoCommandLine) {
    QTemporaryDir standIns;
    const auto opener = std::filesystem::path(standIns.path().toStdString()) / "xdg-open";
    std::filesystem::create_symlink(std::filesystem::read_symlink("/proc/self/exe"), opener);
    const auto record = std::filesystem::path(standIns.path().toStdString()) / "record.txt";
    std::ofstream(root / "bin/deployment.ini", std::ios::app) << "CrmHost=crm.example.test\r\n";
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", standIns.path().toUtf8() + ":" + path);
    qputenv("VELMORA_OPENER_RECORD", QByteArray::fromStdString(record.string()));
    app = std::make_unique<AppUnderTest>(root, bus);
    qputenv("PATH", path);
    qunsetenv("VELMORA_OPENER_RECORD");
    ASSERT_TRUE(app->waitUntilReady()) << app->output().toStdString();
    EXPECT_EQ(app->set("LMUsetTxt", "Text", "ann"), "");
    EXPECT_EQ(app->set("LMPassTxt", "Text", "crm-pa55&word"), "");
    EXPECT_EQ(app->set("CIDTxt", "Text", "5557654321"), "");
    EXPECT_EQ(app->click("CIDPush"), "");
    ASSERT_TRUE(eventually([&] { return readText(record).find("page: ") != std::string::npos; }))
        << app->output().toStdString();
    const std::string recorded = readText(record);
    std::string arguments;
    for (std::size_t at = recorded.find("arg: "); at != std::string::npos; at = recorded.find("arg: ", at + 1))
        arguments += recorded.substr(at, recorded.find('\n', at) - at) + "\n";
    EXPECT_NE(arguments.find("file:///"), std::string::npos) << recorded;
    EXPECT_EQ(arguments.find("pa55"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("mode: 600\n"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("<form method=\"post\" action=\"https://crm.example.test/lm_sp.asp\">"), std::string::npos)
        << recorded;
    EXPECT_NE(recorded.find("name=\"p\" value=\"crm-pa55&amp;word\""), std::string::npos) << recorded;
    // The page is gone once the hand-over's wait is over.
    const std::string opened = arguments.substr(arguments.find("file://"));
    const auto page = QUrl(QString::fromStdString(opened.substr(0, opened.find('\n')))).toLocalFile().toStdString();
    EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(page); })) << page;
}

}  // namespace
}  // namespace velmora::e2e
