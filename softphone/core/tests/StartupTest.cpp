#include "Startup.h"
#include "Shutdown.h"
#include "Online.h"
#include "Provisioning.h"
#include "Diagnostics.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

using testing::AppFixture;

constexpr const char* kSettings =
    "[System]\r\n"
    "customerNumber=AB77301001secret0001\r\n"
    "DisplayName= Agent Smith \r\n"
    "Login=1001\r\n"
    "AuthLogin=1001\r\n"
    "Password=secret0001\r\n"
    "SIPProxy=7730\r\n"
    "OutBoundProxy=7730.example.net\r\n"
    "userweb=webuser\r\n"
    "passweb=webpass\r\n"
    "clickshow123=True\r\n"
    "InBand=True\r\n"
    "Forward=5551234567\r\n"
    "AutoCid=1\r\n"
    "LMUser=lm\r\n"
    "LMPass=lp\r\n"
    "LMWGroup=wg\r\n"
    "TransferNumber=5550001111\r\n";

struct StartupTest : AppFixture {};

TEST(WindowTitle, HasTheFixedRunsOfBlanks) {
    EXPECT_EQ(windowTitle("AB7730", "6.0.22a"),
              "Velmora Software              Customer Number - AB7730                         Ver. 6.0.22a");
}

TEST(WindowTitle, ShowsThePasswordPartOfTheCodeAsStars) {
    EXPECT_EQ(windowTitle("AB77301001secret0001", "6.0.22a"),
              "Velmora Software              Customer Number - AB77301001**********                         Ver. "
              "6.0.22a");
    EXPECT_EQ(maskedProvisioningCode("AB77301001secret0001XY"), "AB77301001**********XY");
    EXPECT_EQ(maskedProvisioningCode("AB77301001sec"), "AB77301001***");
    EXPECT_EQ(maskedProvisioningCode("AB7730"), "AB7730");
}

TEST_F(StartupTest, SettingsFileReadableByOthersIsMadePrivateAndSaidOnce) {
    std::vector<std::string> said;
    setDiagnosticSink([&](const std::string& text) { said.push_back(text); });
    root.write("bin/velmoraapp.ini", kSettings);
    const auto file = root.dir / "bin/velmoraapp.ini";
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    loadWindow(app, false);
    loadWindow(app, false);
    setDiagnosticSink(nullptr);
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all, std::filesystem::perms(0600));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("velmoraapp.ini"), std::string::npos);
    EXPECT_EQ(root.read("bin/velmoraapp.ini").substr(0, 8), "[System]") << "the content stays as it was";
}

TEST_F(StartupTest, ReadsEveryKeyIntoItsField) {
    root.write("bin/velmoraapp.ini", kSettings);
    root.write("bin/agentlist.txt", "\"1001\",\"1002\"\r\n1003\r\n");
    root.write("bin/1001.txt", "2001,2002\r\n");
    loadWindow(app, false);

    EXPECT_EQ(window.customerNumber.caption(), "Cust#: AB77301001**********");
    EXPECT_EQ(window.Text1.text(), "AB77301001secret0001");  // shown as a password field
    EXPECT_EQ(window.EditAccountDisplayName.text(), "Agent Smith");
    EXPECT_EQ(window.EditAccountUserName.text(), "1001");
    EXPECT_EQ(window.EditAccountAuthPassword.text(), "secret0001");
    EXPECT_EQ(window.EditAccountSIPProxy.text(), "pbx7730");
    EXPECT_EQ(window.EditAccountDomain.text(), "pbx7730.example.net");
    EXPECT_EQ(window.Text2.text(), "webuser");
    EXPECT_EQ(window.Text3.text(), "webpass");
    EXPECT_TRUE(window.SysStatFrm.visible());
    EXPECT_EQ(window.CheckForceInbandDTMF.value(), 1);
    EXPECT_EQ(app.state.inBandSetting, "True");
    EXPECT_EQ(window.EditForwardCallPhoneNo.text(), "5551234567");
    EXPECT_EQ(window.cidCheck.value(), 1);
    EXPECT_EQ(window.LMUsetTxt.text(), "lm");
    EXPECT_EQ(window.LMWorkGroupTxT.text(), "wg");
    EXPECT_EQ(window.EditTotalLine.text(), "2");
    EXPECT_EQ(window.form.caption(), windowTitle("AB77301001secret0001", "6.0.22a"));
    EXPECT_EQ(window.ListViewLineStatus.columns(), (std::vector<std::string>{"#", "Status"}));
    EXPECT_EQ(window.agentList.lines(), (std::vector<std::string>{"1001", "1002", "1003"}));
    EXPECT_EQ(window.MonList.lines(), (std::vector<std::string>{"2001", "2002"}));
    EXPECT_EQ(window.EditTransferPhoneNo.text(), "5550001111");
    EXPECT_EQ(window.BtnOnline.caption(), "OffLine");
    EXPECT_EQ(root.read("bin/websettings.ini"), "[System]\r\nClick=ON\r\n")
        << "the second write replaces CLICK in place with the caller's spelling";
    EXPECT_EQ(platform.forceQuitCount, 0);
}

struct AutoCidCase {
    const char* stored;
    int before;  // the box before start-up
    int after;
};

class AutoCidTest : public AppFixture, public ::testing::WithParamInterface<AutoCidCase> {};

TEST_P(AutoCidTest, TheStoredChoiceTicksOrClearsTheBox) {
    root.write("bin/velmoraapp.ini", std::string("[System]\r\nAutoCid=") + GetParam().stored + "\r\n");
    window.cidCheck.setValue(GetParam().before);
    loadWindow(app, false);
    EXPECT_EQ(window.cidCheck.value(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Values, AutoCidTest,
                         ::testing::Values(AutoCidCase{"True", 0, 1}, AutoCidCase{"False", 1, 0},
                                           AutoCidCase{"1", 0, 1}, AutoCidCase{"0", 1, 0}, AutoCidCase{"2", 0, 2},
                                           AutoCidCase{"true", 0, 0}, AutoCidCase{"3", 1, 1}, AutoCidCase{"", 1, 1}));

TEST_F(StartupTest, ClickShowNeedsTheKeyAtTheLineStart) {
    root.write("bin/velmoraapp.ini", "[system]\r\nCLICKSHOW123=True\r\n");
    loadWindow(app, false);
    EXPECT_TRUE(window.SysStatFrm.visible());

    root.write("bin/velmoraapp.ini", "[System]\r\nclickshow123 = True\r\n");
    MainWindowModel other(loop);
    AppContext second{other, engine, loop, platform, InstallRoot(root.dir), {}};
    loadWindow(second, false);
    EXPECT_FALSE(other.SysStatFrm.visible());
}

TEST_F(StartupTest, MissingFilesGiveEmptyFieldsAndCreateTheSettingsFile) {
    loadWindow(app, false);
    EXPECT_EQ(window.EditAccountUserName.text(), "");
    EXPECT_EQ(window.EditAccountSIPProxy.text(), "pbx");
    EXPECT_FALSE(window.SysStatFrm.visible());
    EXPECT_TRUE(window.agentList.lines().empty());
    EXPECT_EQ(root.read("bin/velmoraapp.ini"), "");
}

TEST_F(StartupTest, AReadOnlyRootStillStarts) {
    root.write("bin/velmoraapp.ini", kSettings);
    std::filesystem::permissions(root.dir / "bin",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    loadWindow(app, false);
    EXPECT_EQ(window.EditAccountSIPProxy.text(), "pbx7730");
}

TEST_F(StartupTest, AnotherInstanceEndsTheProgramAtOnce) {
    root.write("bin/velmoraapp.ini", kSettings);
    loadWindow(app, true);
    EXPECT_EQ(platform.forceQuitCount, 1);
    EXPECT_EQ(window.EditAccountUserName.text(), "") << "nothing is read";
    EXPECT_FALSE(std::filesystem::exists(root.dir / "bin/websettings.ini"));
}

TEST_F(StartupTest, AMonitorFileOutsideBinIsNotRead) {
    root.write("bin/velmoraapp.ini", "[System]\r\nAuthLogin=../secret\r\n");
    root.write("secret.txt", "stolen\r\n");
    loadWindow(app, false);
    EXPECT_TRUE(window.MonList.lines().empty());
}

TEST_F(StartupTest, ShutdownGoesOfflineWaitsAndEnds) {
    window.BtnOnline.setCaption("Offline");
    window.TimerTick.setEnabled(true);
    window.autoCheck.setEnabled(true);
    int engineCallsWhenQuit = -1;
    platform.onMessage = nullptr;
    const auto start = loop.elapsed();
    shutdownProgram(app);
    engineCallsWhenQuit = static_cast<int>(engine.calls().size());
    EXPECT_EQ(platform.ringLog, (std::vector<std::string>{"stop"}));
    EXPECT_EQ(engine.names(), (std::vector<std::string>{"ShutdownEngine", "ShutdownEngine"}));
    EXPECT_EQ(engineCallsWhenQuit, 2);
    EXPECT_GE(loop.elapsed() - start, 1000);
    EXPECT_EQ(window.BtnOnline.caption(), "Online");
    EXPECT_FALSE(window.TimerTick.enabled());
    EXPECT_FALSE(window.autoCheck.enabled());
    EXPECT_EQ(window.dialerOnDDE.text(), "OFF");
    EXPECT_EQ(platform.forceQuitCount, 1);
}

TEST_F(StartupTest, ASecondShutdownDuringTheWaitDoesNothing) {
    window.BtnOnline.setCaption("Offline");
    platform.onMessage = nullptr;
    loop.startTimer(500, [this] { shutdownProgram(app); });  // the window closed during Exit's wait
    shutdownProgram(app);
    EXPECT_EQ(engine.names(), (std::vector<std::string>{"ShutdownEngine", "ShutdownEngine"}));
    EXPECT_EQ(platform.forceQuitCount, 1);
}

TEST_F(StartupTest, ShutdownWhileOfflineNeverGoesOnline) {
    shutdownProgram(app);
    EXPECT_EQ(engine.names(), (std::vector<std::string>{"ShutdownEngine"}));
    EXPECT_EQ(window.BtnOnline.caption(), "OffLine");
    EXPECT_EQ(platform.forceQuitCount, 1);
}

}  // namespace
}  // namespace velmora::core
