#include "app/Program.h"
#include "Online.h"
#include "Startup.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

struct OnlineTest : testing::AppFixture {
    app::Program program{app};
    OnlineTest() {
        root.write("bin/velmoraapp.ini",
                   "[System]\r\ncustomerNumber=AB77301001secret0001\r\nDisplayName= Ann \r\nLogin=1001\r\n"
                   "AuthLogin=1001a\r\nPassword=secret0001\r\nSIPProxy=7730.voice.test\r\n"
                   "OutBoundProxy=7730.out.test\r\nMon=True\r\n");
        root.write("bin/deployment.ini", "[Deployment]\r\nServiceDomain=voice.test\r\n");
        engine.inputDevices = {"Mic A"};
        engine.outputDevices = {"Speaker A", "Speaker B"};
        window.webtimer.setEnabled(false);
    }
    std::vector<std::string> portsOf(const std::string& op, std::size_t argument) {
        std::vector<std::string> out;
        for (const auto& c : engine.callsOf(op)) out.push_back(c.args[argument]);
        return out;
    }
};

TEST_F(OnlineTest, GoesOnlineInOrderWithTheAccountFromTheFile) {
    window.EditAccountUserName.setText("typed over");
    window.BtnOnline.click();
    EXPECT_EQ(window.BtnOnline.caption(), "Offline");
    // The line-status and meter timers run from here on: their queries are not steps.
    const std::vector<std::string> ignore{
        "GetLastEngineError", "GetInputDeviceName", "GetOutputDeviceName", "GetSpeakerVolume",   "GetMicrophoneVolume",
        "IsMicBoostEnabled",  "IsLineRecording",    "GetSpeakerLevel",     "GetMicrophoneLevel", "IsLineOpen",
        "IsLineBusy",         "IsWavePlaying",      "IsLineOnHold"};
    EXPECT_EQ(engine.names(ignore),
              (std::vector<std::string>{"SetProductTag", "GetLocalAddress", "InitializeEngine", "OpenLine", "OpenLine",
                                        "RegisterToProxy", "EnableEchoCancel", "ClearCodecSelection", "SelectCodec",
                                        "SelectCodec", "SelectCodec", "SetEngineInterval", "SetProductTag",
                                        "GetInputDeviceCount", "GetOutputDeviceCount"}));
    EXPECT_EQ(
        engine.callsOf("InitializeEngine")[0].text(),
        "InitializeEngine(False,127.0.0.1,5782,1001,1001a,secret0001,Ann,pbx7730.out.test,pbx7730.voice.test,,True,2)");
    EXPECT_EQ(portsOf("OpenLine", 3), (std::vector<std::string>{"7000", "7002"}));
    EXPECT_EQ(portsOf("SelectCodec", 0), (std::vector<std::string>{"3", "2", "0"}));
    EXPECT_EQ(engine.callsOf("RegisterToProxy")[0].args[0], "1800");
    EXPECT_EQ(engine.callsOf("SetEngineInterval")[0].args[0], "30");
    EXPECT_EQ(window.ListStatusLog.lines(), (std::vector<std::string>{"Registering to SIP Proxy."}));
    EXPECT_EQ(window.ListAudioIn.lines(), (std::vector<std::string>{"Default Device", "Mic A"}));
    EXPECT_EQ(window.ListAudioOut.count(), 3);
    EXPECT_EQ(window.ComboDial.entries(), (std::vector<std::string>{"Line-1", "Line-2"}));
    EXPECT_EQ(window.ComboDial.listIndex(), 0);
    EXPECT_EQ(window.ComboConsultLineB.listIndex(), 1);
    EXPECT_TRUE(window.TimerTick.enabled());
    EXPECT_FALSE(window.EditTotalLine.enabled());
    EXPECT_TRUE(app.state.ringBackOn);
    EXPECT_EQ(app.state.lineMicMuted, (std::vector<bool>{false, false}));
    EXPECT_EQ(window.swipeLengthTxT.text(), "14");
    EXPECT_EQ(window.WebBrowser1.address(), "https://pbx7730.voice.test/app/active_extensions/active_extensions.php");
    EXPECT_TRUE(platform.messages.empty());
}

struct VolumeCase {
    long speaker, microphone;
    int speakerSlider, microphoneSlider;
};

class OnlineVolumesTest : public OnlineTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(OnlineVolumesTest, SlidersShowTheEngineVolumesOnceOnline) {
    engine.setLong("GetSpeakerVolume", GetParam().speaker);
    engine.setLong("GetMicrophoneVolume", GetParam().microphone);
    window.BtnOnline.click();
    EXPECT_EQ(window.SliderSpkVol.value(), GetParam().speakerSlider);
    EXPECT_EQ(window.SliderMicVol.value(), GetParam().microphoneSlider);
}

INSTANTIATE_TEST_SUITE_P(Rounding, OnlineVolumesTest,
                         ::testing::Values(VolumeCase{255, 12, 10, 0}, VolumeCase{37, 38, 1, 2},
                                           VolumeCase{125, 0, 5, 0}));

TEST_F(OnlineTest, RegistrationLightFollowsTheRegistration) {
    EXPECT_EQ(window.RegLight.caption(), "Offline");
    window.BtnOnline.click();
    engine.raise().OnRegisterFailed(403, "Forbidden");
    EXPECT_EQ(window.RegLight.caption(), "Failed");
    engine.raise().OnRegistered();
    EXPECT_EQ(window.RegLight.caption(), "Registered");
    engine.raise().OnReRegisterFailed(408, "Request Timeout");
    EXPECT_EQ(window.RegLight.caption(), "Failed");
    window.BtnOnline.click();  // offline
    EXPECT_EQ(window.RegLight.caption(), "Offline");
}

TEST_F(OnlineTest, TakenPortsMoveOnWithoutAMessage) {
    engine.failNext("InitializeEngine", engine::kPortInUse, 2);
    engine.failNext("OpenLine", engine::kPortInUse, 1);
    window.BtnOnline.click();
    EXPECT_EQ(portsOf("InitializeEngine", 2), (std::vector<std::string>{"5782", "5783", "5784"}));
    EXPECT_EQ(portsOf("OpenLine", 3), (std::vector<std::string>{"7000", "7002", "7004"}));
    EXPECT_EQ(portsOf("OpenLine", 0), (std::vector<std::string>{"0", "0", "1"}));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(window.BtnOnline.caption(), "Offline");
}

struct StopCase {
    const char* name;
    std::function<void(OnlineTest&)> arrange;
    std::string message;
};

TEST_F(OnlineTest, EveryStoppingStepLeavesTheToggleOffline) {
    const std::vector<StopCase> cases{
        {"no login", [](OnlineTest& t) { t.root.write("bin/velmoraapp.ini", "[System]\r\n"); },
         "Please enter the SIP proxy Login Id."},
        {"no SIP port", [](OnlineTest& t) { t.engine.failAlways("InitializeEngine", engine::kPortInUse); },
         "Can not open SIP communication port."},
        {"engine refuses", [](OnlineTest& t) { t.engine.failNext("InitializeEngine", engine::kNoNetwork); },
         "Please Check Your Internet Connection."},
        {"no RTP port", [](OnlineTest& t) { t.engine.failAlways("OpenLine", engine::kPortInUse); },
         "Unable to open RTP communication port."},
        {"registration refused",
         [](OnlineTest& t) { t.engine.failNext("RegisterToProxy", engine::kRegisterRequestFailed); },
         "Error to create REGISTER request. Please check the provided SIP URI is valid."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine.clearFailures();
        platform.messages.clear();
        window.BtnOnline.setCaption("OffLine");
        c.arrange(*this);
        window.form.move(0, 5000);
        toggleOnline(app);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, c.message);
        EXPECT_EQ(platform.messages[0].formTopTwips, 1000);
        EXPECT_EQ(window.BtnOnline.caption(), "OffLine");
        root.write("bin/velmoraapp.ini", "[System]\r\nLogin=1001\r\n");
    }
}

TEST_F(OnlineTest, RtpPortSearchGivesUpAfterLinesPlusAThousandRetries) {
    engine.failAlways("OpenLine", engine::kPortInUse);
    window.BtnOnline.click();
    const auto ports = portsOf("OpenLine", 3);
    ASSERT_EQ(ports.size(), 1002u);
    EXPECT_EQ(ports.back(), std::to_string(7000 + 2 * 1001));
}

TEST_F(OnlineTest, WithoutRegistrationTheLinesStillOpen) {
    window.CheckRegisterToProxy.setValue(0);
    window.BtnOnline.click();
    EXPECT_TRUE(engine.callsOf("RegisterToProxy").empty());
    EXPECT_EQ(engine.callsOf("OpenLine").size(), 2u);
    EXPECT_EQ(window.BtnOnline.caption(), "Offline");
}

TEST_F(OnlineTest, TogglingTwiceGoesOfflineThenOnlineWithTheFileReRead) {
    window.BtnOnline.click();
    window.BtnOnline.click();
    EXPECT_EQ(window.BtnOnline.caption(), "Online");
    EXPECT_EQ(window.dialerOnDDE.text(), "OFF");
    EXPECT_EQ(window.ListAudioIn.count(), 0);
    root.write("bin/velmoraapp.ini", "[System]\r\nLogin=2002\r\nSIPProxy=9999\r\nswipeSize=20\r\n");
    window.BtnOnline.click();
    EXPECT_EQ(window.BtnOnline.caption(), "Offline");
    const auto inits = engine.callsOf("InitializeEngine");
    ASSERT_EQ(inits.size(), 2u);
    EXPECT_EQ(inits[1].args[3], "2002");
    EXPECT_EQ(inits[1].args[8], "pbx9999");
    EXPECT_EQ(window.swipeLengthTxT.text(), "20");
}

TEST_F(OnlineTest, RegistrationEventsWriteTheirStatusLinesAndBanners) {
    window.autoCheck.setEnabled(false);
    engine.raise().OnTryingToRegister();
    EXPECT_EQ(window.mouseMenu.caption(), "Trying to register.");
    engine.raise().OnRegistered();
    EXPECT_EQ(window.ListStatusLog.lines(), (std::vector<std::string>{"Ready..."}));
    EXPECT_EQ(window.mouseMenu.caption(), "Click Right Mouse Button for Menu");
    EXPECT_TRUE(window.autoCheck.enabled());
    EXPECT_EQ(loop.elapsed(), 1500);
    engine.raise().OnRegisterFailed(403, "Forbidden");
    EXPECT_EQ(window.mouseMenu.caption(), "Failed to register.");
    engine.raise().OnTryingToReRegister();
    engine.raise().OnReRegisterFailed(408, "Request Timeout");
    engine.raise().OnTryingToUnregister();
    engine.raise().OnUnregistered();
    EXPECT_EQ(window.mouseMenu.caption(), "You Are No On Line.");
    engine.raise().OnUnregisterFailed();
    engine.raise().OnDtmfDigit(0, "5");
    engine.raise().OnPlayWaveDone(1);
    EXPECT_EQ(window.ListStatusLog.lines(),
              (std::vector<std::string>{"Ready...", "Failed: Forbidden", "Trying to Re-Register.",
                                        "Fail to Re-Register: Request Timeout", "Trying to Unregister.",
                                        "Unregistered successfully.", "Fail to unregister.", "Line-1: Key-pressed: 5",
                                        "Line-2: Play wave done."}));
}

TEST_F(OnlineTest, WebPanelOfAProvisionedAccountGoesOnlineThreeSecondsAfterStart) {
    window.Text2.setText(" user ");
    window.Text3.setText("pw");
    window.Text1.setText("AB77301001secret0001");
    window.webtimer.setEnabled(true);
    loop.advance(2000);
    EXPECT_EQ(window.WebBrowser1.address(),
              "https://pbx7730.voice.test/app/active_extensions/active_extensions.php?username=user&password=pw");
    EXPECT_FALSE(window.webtimer.enabled());
    EXPECT_TRUE(engine.callsOf("InitializeEngine").empty());
    loop.advance(1000);
    EXPECT_EQ(engine.callsOf("InitializeEngine").size(), 1u);
    EXPECT_FALSE(window.OnLineTimer.enabled());
    loop.advance(10000);
    EXPECT_EQ(engine.callsOf("InitializeEngine").size(), 1u) << "runs once";
}

TEST_F(OnlineTest, WebPanelOfANewAccountShowsTheProvisioningPanel) {
    root.write("bin/velmoraapp.ini", "[System]\r\nMon=\r\n");
    root.write("bin/deployment.ini", "[Deployment]\r\nStartPage=https://start.example\r\n");
    window.webtimer.setEnabled(true);
    loop.advance(2000);
    EXPECT_EQ(window.WebBrowser1.address(), "https://start.example");
    EXPECT_TRUE(window.Frame7.visible());
    loop.advance(5000);
    EXPECT_TRUE(engine.calls().empty());
}

}  // namespace
}  // namespace velmora::core
