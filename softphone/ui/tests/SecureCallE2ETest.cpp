// velmoraapp over SIP/TLS with mandatory SRTP against the demo customer,
// through a Kamailio that listens for TLS with a throw-away certificate.
#include "AppUnderTest.h"

#include "Kamailio.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <fstream>

namespace velmora::e2e {
namespace {

constexpr const char* kCustomer = "5551234567";

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SecureCallE2E, RegistersOverTlsCallsWithSrtpAndLogsTheCall) {
    rig::Kamailio pbx({.domain = "pbx7730.test",
                       .accounts = {{"1001", "secret0001"}, {kCustomer, "customerpw"}},
                       .debugLevel = 1,
                       .tls = true});
    char name[] = "/tmp/velmora-secure-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(name);
    writeAgentRoot(root, pbx.tlsHostPort());
    std::ofstream(root / "bin/deployment.ini", std::ios::app)
        << "Transport=tls\r\nRootCA=" << pbx.certificateAuthority().string()
        << "\r\nMediaEncryption=srtp-mandatory\r\n";

    // The customer answers over TLS with SRTP and speaks a second of tone.
    const auto prompt = root / "prompt.wav";
    ASSERT_EQ(QProcess::execute("sox", {"-n", "-r", "8000", "-c", "1", "-b", "16", QString::fromStdString(prompt),
                                        "synth", "1", "sine", "440"}),
              0);
    QProcess customer;
    customer.setProcessChannelMode(QProcess::MergedChannels);
    customer.start(DEMO_CUSTOMER_BINARY,
                   {"--server", QString::fromStdString(pbx.tlsHostPort()), "--domain", "pbx7730.test", "--user",
                    kCustomer, "--password", "customerpw", "--prompt", QString::fromStdString(prompt), "--state",
                    QString::fromStdString(root / "customer"), "--tls-ca",
                    QString::fromStdString(pbx.certificateAuthority()), "--srtp", "yes"});
    ASSERT_TRUE(customer.waitForStarted());

    PrivateBus bus;
    {
        AppUnderTest app(root, bus);
        ASSERT_TRUE(app.waitUntilReady()) << app.output().toStdString();
        ASSERT_TRUE(eventually([&] { return app.get("autoCheck", "Enabled") == "True"; }, std::chrono::seconds(30)))
            << app.items("ListStatusLog").join("|").toStdString();
        EXPECT_EQ(app.get("RegLight", "Caption"), "Registered");

        EXPECT_EQ(app.set("EditPhoneNo", "Text", kCustomer), "");
        EXPECT_EQ(app.click("BtnDial"), "");
        ASSERT_TRUE(eventually([&] { return app.items("ListStatusLog").contains("Line-1: Success to connect."); },
                               std::chrono::seconds(30)))
            << app.items("ListStatusLog").join("|").toStdString() << "\n"
            << customer.readAll().toStdString();
        EXPECT_EQ(app.click("BtnHangUp"), "");
        EXPECT_TRUE(eventually([&] {
            return readText(root / "logs/Ann_calllogs.csv").find(",\"hang up\"\r\n") != std::string::npos;
        })) << readText(root / "logs/Ann_calllogs.csv");
        EXPECT_EQ(readText(root / "logs/Ann_calllogs.csv").rfind("\"5551234567\",\"Ann\",", 0), 0u);
    }
    customer.terminate();
    customer.waitForFinished(5000);
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace velmora::e2e
