#include "AppUnderTest.h"

#include "Kamailio.h"
#include "Sipp.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5557654321";
constexpr const char* kService = "net.velmora.Softphone";

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

}  // namespace
}  // namespace velmora::e2e
