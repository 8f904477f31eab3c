#include "AppUnderTest.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <fstream>

namespace velmora::e2e {
namespace {

struct Root {
    std::filesystem::path dir;
    Root() {
        char name[] = "/tmp/velmora-e2e-XXXXXX";
        dir = ::mkdtemp(name);
        std::filesystem::create_directories(dir / "bin");
    }
    ~Root() { std::filesystem::remove_all(dir); }
};

TEST(StartupE2E, ShowsTheSettingsRefusesASecondInstanceAndQuitsCleanly) {
    Root root;
    std::ofstream(root.dir / "bin/velmoraapp.ini") << "[System]\r\nSIPProxy=7730\r\nLogin=1001\r\n";
    PrivateBus bus;
    AppUnderTest app(root.dir, bus);
    ASSERT_TRUE(app.waitUntilReady()) << app.output().toStdString();

    EXPECT_EQ(app.get("EditAccountSIPProxy", "Text"), "pbx7730");
    EXPECT_EQ(app.get("BtnOnline", "Caption"), "OffLine");
    EXPECT_EQ(app.get("SysStatFrm", "Visible"), "False");
    EXPECT_EQ(app.get("CheckRegisterToProxy", "Value"), "1");
    EXPECT_TRUE(app.get("NoSuchControl", "Text").contains("NoSuchControl"));
    EXPECT_TRUE(app.get("BtnOnline", "Colour").contains("Colour"));

    // Setting a text through the bus runs the same change handling as typing.
    EXPECT_EQ(app.set("EditPhoneNo", "Text", "5557654321"), "");
    EXPECT_TRUE(eventually([&] { return app.get("EditPhoneNo", "Text") == "5557654321"; }));

    AppUnderTest second(root.dir, bus);
    int secondCode = -1;
    ASSERT_TRUE(second.waitForExit(std::chrono::seconds(20), &secondCode));
    EXPECT_EQ(secondCode, 1);
    EXPECT_EQ(app.get("EditAccountSIPProxy", "Text"), "pbx7730") << "the first one runs on";

    EXPECT_EQ(app.click("exitcmd"), "");
    int code = -1;
    ASSERT_TRUE(app.waitForExit(std::chrono::seconds(20), &code));
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(eventually([&] { return app.survivors().isEmpty(); }, std::chrono::seconds(10)))
        << app.survivors().join(", ").toStdString();
}

// Runs an X utility of the test desktop and returns what it printed.
std::string runTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput().toStdString();
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(StartupE2E, ARootOthersCanChangeIsRefusedAndOneTheyCanReadMadePrivate) {
    Root root;
    std::ofstream(root.dir / "bin/velmoraapp.ini") << "[System]\r\nSIPProxy=7730\r\nLogin=1001\r\n";
    std::filesystem::create_directories(root.dir / "datalink");
    std::filesystem::permissions(root.dir / "datalink", std::filesystem::perms(0777));
    PrivateBus bus;
    {
        AppUnderTest app(root.dir, bus);
        const std::string said = (root.dir / "datalink").string() + " can be changed by other users";
        ASSERT_TRUE(eventually([&] { return app.output().contains(QString::fromStdString(said)); }))
            << app.output().toStdString();
        // The message box is up for an agent who started it from the desktop.
        EXPECT_TRUE(eventually([&] { return !runTool("xdotool", {"search", "--name", "^Velmora Software$"}).empty(); }));
        EXPECT_TRUE(app.get("BtnOnline", "Caption").startsWith("error:")) << "no window, no bus";
        EXPECT_FALSE(std::filesystem::exists(root.dir / "bin/.velmoraapp.lock"));
        EXPECT_FALSE(std::filesystem::exists(root.dir / "bin/websettings.ini"));
    }
    std::filesystem::permissions(root.dir / "datalink", std::filesystem::perms(0755));
    AppUnderTest app(root.dir, bus);
    ASSERT_TRUE(app.waitUntilReady()) << app.output().toStdString();
    EXPECT_EQ(std::filesystem::status(root.dir / "datalink").permissions(), std::filesystem::perms(0700));
    EXPECT_TRUE(app.output().contains("datalink was open to other users; it is now the user's alone"))
        << app.output().toStdString();
}

TEST(WindowE2E, TitleCallerIdChoiceAndTheRealWindowPosition) {
    Root root;
    std::ofstream(root.dir / "bin/velmoraapp.ini") << "[System]\r\ncustomernumber=WN7730\r\nAutoCid=True\r\n";
    PrivateBus bus;
    AppUnderTest app(root.dir, bus);
    ASSERT_TRUE(app.waitUntilReady()) << app.output().toStdString();

    const std::string title =
        "Velmora Software              Customer Number - WN7730                         Ver. 6.0.22a";
    std::string windows;
    ASSERT_TRUE(eventually([&] {
        windows = runTool("xwininfo", {"-root", "-tree"});
        return windows.find("\"" + title + "\"") != std::string::npos;
    })) << windows;
    EXPECT_EQ(app.get("cidCheck", "Value"), "1");

    // The agent moves the window; the key-pad view then writes where it really is.
    // (Other tests' windows may share the display: the customer number tells this one.)
    const std::string id = runTool("xdotool", {"search", "--name", "Customer Number - WN7730 "});
    ASSERT_FALSE(id.empty());
    runTool("xdotool", {"windowmove", QString::fromStdString(id.substr(0, id.find('\n'))), "300", "200"});
    ASSERT_TRUE(eventually([&] { return app.get("Form", "Left") == "4500" && app.get("Form", "Top") == "3000"; }))
        << app.get("Form", "Left").toStdString() << "," << app.get("Form", "Top").toStdString();
    EXPECT_EQ(app.click("expChk"), "");
    EXPECT_TRUE(eventually([&] {
        return readFile(root.dir / "bin/buttonprg.ini") == "[System]\r\nLeft=4500\r\nTop=3000\r\n";
    })) << readFile(root.dir / "bin/buttonprg.ini");
}

TEST(ProvisioningE2E, SavingThePanelWritesTheAccount) {
    Root root;
    std::ofstream(root.dir / "bin/deployment.ini") << "[Deployment]\r\nServiceDomain=voice.example.net\r\n";
    PrivateBus bus;
    AppUnderTest app(root.dir, bus);
    ASSERT_TRUE(app.waitUntilReady()) << app.output().toStdString();

    EXPECT_EQ(app.click("custNumCmd"), "");
    EXPECT_TRUE(eventually([&] { return app.get("Frame7", "Visible") == "True"; }));
    EXPECT_EQ(app.set("Text1", "Text", "AB77301001secret0001"), "");
    EXPECT_EQ(app.set("Text2", "Text", "portal"), "");
    EXPECT_EQ(app.click("SaveCustNum"), "");
    EXPECT_TRUE(eventually([&] { return app.get("Frame7", "Visible") == "False"; }));

    std::ifstream in(root.dir / "bin/velmoraapp.ini", std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written,
              "[System]\r\npassweb=\r\nUserweb=portal\r\nMon=True\r\nSIPProxy=7730.voice.example.net\r\n"
              "OutBoundProxy=7730.voice.example.net\r\nAuthLogin=1001\r\nLogin=1001\r\nPassword=secret0001\r\n"
              "customerNumber=AB77301001secret0001\r\n");
}

}  // namespace
}  // namespace velmora::e2e
