#include "calls/CallEnd.h"

#include "app/Program.h"
#include "core/Online.h"
#include "core/StatusLog.h"

#include "AppFixture.h"

namespace velmora::calls {
namespace {

struct CallEndTest : core::testing::AppFixture {
    app::Program program{app};
    CallEndTest() {
        window.webtimer.setEnabled(false);
        window.EditAccountDisplayName.setText("Ann");
        app.state.lineCount = 2;
        app.state.ringBackOn = true;
        core::fillLineLists(app);
    }
    void callConnected(const std::string& number, int seconds) {
        window.EditPhoneNo.setText(number);
        window.BtnDial.click();
        engine.raise().OnConnecting(0);
        engine.raise().OnProvisionalResponse(0, 180, "Ringing");
        engine.raise().OnConnected(0, "Customer", number);
        loop.advance(seconds * 1000);
    }
};

TEST_F(CallEndTest, HangUpEndsTheCallAndWritesOneRecord) {
    callConnected("5557654321", 42);
    window.ComboDial.setListIndex(1);
    window.ComboDial.setListIndex(0);
    engine.clearCalls();
    window.BtnHangUp.click();
    EXPECT_EQ(engine.names({"IsLineBusy"}), (std::vector<std::string>{"DisconnectLine"}));
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"),
              "\"5557654321\",\"Ann\",\"42\",\"14:05:09\",\"12/9/2026\",\"hang up\"\r\n");
    EXPECT_EQ(window.EditPhoneNo.text(), "");
    EXPECT_EQ(window.callsec.text(), "0");
    EXPECT_FALSE(window.CallTimer.enabled());
    EXPECT_EQ(window.ListStatusLog.count(), 0);
    EXPECT_TRUE(window.logCleanTimer.enabled());
    EXPECT_EQ(platform.ringLog,
              (std::vector<std::string>{"start:" + (root.dir / "bin/ring.wav").string(), "stop", "stop"}));
}

TEST_F(CallEndTest, HangUpWithNoCallWritesNoRecordAndShowsNoBox) {
    engine.failAlways("DisconnectLine", engine::kLineNotOpen);  // a box, were it asked
    window.BtnHangUp.click();
    callConnected("5557654321", 3);
    engine.clearFailures();
    engine.setLineBusy(0, false);  // the far end ended it (logged once)
    engine.raise().OnHungUp(0);
    window.BtnHangUp.click();  // a second press finds nothing to end
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(engine.callsOf("DisconnectLine").size(), 0u);
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"), "\"5557654321\",\"Ann\",\"3\",\"14:05:09\",\"12/9/2026\",\"\"\r\n");
}

TEST_F(CallEndTest, HangUpWithoutAnAgentNameWritesNothing) {
    callConnected("5557654321", 5);
    window.EditAccountDisplayName.setText("");
    window.BtnHangUp.click();
    EXPECT_FALSE(std::filesystem::exists(root.dir / "logs/_calllogs.csv"));
    EXPECT_EQ(window.callsec.text(), "5");
}

TEST_F(CallEndTest, RefusedDisconnectKeepsTheNumberAndTheLog) {
    callConnected("5557654321", 1);
    engine.failNext("DisconnectLine", engine::kLineNotOpen);
    window.BtnHangUp.click();
    EXPECT_EQ(platform.messages.back().text, "Line is not open.");
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654321");
    EXPECT_FALSE(window.CallTimer.enabled());
    EXPECT_FALSE(std::filesystem::exists(root.dir / "logs/Ann_calllogs.csv"));
}

TEST_F(CallEndTest, FarEndHangUpLogsAnEmptyOutcomeEvenWithoutAName) {
    callConnected("5557654321", 7);
    engine.raise().OnHungUp(1);
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"), "\"5557654321\",\"Ann\",\"7\",\"14:05:09\",\"12/9/2026\",\"\"\r\n");
    EXPECT_EQ(window.EditPhoneNo.text(), "");
    EXPECT_EQ(app.state.lastDialledNumber, "5557654321");
    EXPECT_TRUE(engine.callsOf("DisconnectLine").empty());

    window.EditAccountDisplayName.setText("");
    callConnected("5550001111", 2);
    engine.raise().OnHungUp(0);
    EXPECT_EQ(root.read("logs/_calllogs.csv"), "\"5550001111\",\"\",\"2\",\"14:05:09\",\"12/9/2026\",\"\"\r\n");
}

TEST_F(CallEndTest, BusyShowsTheBannerAndHangsUpTwoSecondsLater) {
    window.EditPhoneNo.setText("5557654321");
    window.BtnDial.click();
    loop.advance(1000);
    engine.raise().OnFailureResponseA(0, 486, "Busy Here", "");
    EXPECT_EQ(window.mouseMenu.caption(), "BUSY");
    EXPECT_EQ(loop.elapsed(), 3000) << "the event handler waited 2000 ms";
    EXPECT_EQ(engine.callsOf("DisconnectLine").size(), 1u);
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"),
              "\"5557654321\",\"Ann\",\"3\",\"14:05:09\",\"12/9/2026\",\"hang up\"\r\n");
}

TEST_F(CallEndTest, CallProgressStatusLines) {
    window.EditPhoneNo.setText("555");
    engine.raise().OnConnecting(1);
    engine.raise().OnProvisionalResponse(1, 183, "Session Progress");
    engine.raise().OnFailureResponseD(1, 302, "Moved Temporarily");
    engine.raise().OnConnectFailed(1);
    engine.setLong("GetSpeakerVolume", 255);
    engine.setLong("GetMicrophoneVolume", 37);
    engine.setLong("IsMicBoostEnabled", 1);
    root.write("bin/velmoraapp.ini", "[System]\r\nrecordAll=True\r\n");
    std::vector<std::string> shown;
    window.ListStatusLog.observe([&] {
        const auto& lines = window.ListStatusLog.lines();
        if (!lines.empty() && (shown.empty() || shown.back() != lines.back())) shown.push_back(lines.back());
    });
    EXPECT_EQ(window.ListStatusLog.lines(),
              (std::vector<std::string>{"Line-2: Connecting.", "Session Progress", "Line-2 Response: Moved Temporarily",
                                        "Line-2: Fail to connect."}));
    engine.raise().OnConnected(1, "x", "555");
    // The connect's own line, then recording starts afresh in the list.
    EXPECT_EQ(shown, (std::vector<std::string>{"Line-2: Success to connect.", "Recording -555"}));
    EXPECT_EQ(window.SliderSpkVol.value(), 10);
    EXPECT_EQ(window.SliderMicVol.value(), 1);
    EXPECT_EQ(window.CheckMicBoost.value(), 1);
    EXPECT_EQ(window.CheckStartRecording.value(), 1);
}

TEST_F(CallEndTest, AMissingLogsFolderIsCreatedRatherThanLosingTheRecord) {
    std::filesystem::remove_all(root.dir / "logs");
    callConnected("5557654321", 1);
    window.BtnHangUp.click();
    EXPECT_TRUE(std::filesystem::exists(root.dir / "logs/Ann_calllogs.csv"));
}

TEST_F(CallEndTest, QuotesInsideAFieldAreDoubled) {
    window.EditAccountDisplayName.setText("Ann \"the agent\"");
    callConnected("555", 0);
    window.BtnHangUp.click();
    EXPECT_EQ(root.read("logs/Ann \"the agent\"_calllogs.csv"),
              "\"555\",\"Ann \"\"the agent\"\"\",\"0\",\"14:05:09\",\"12/9/2026\",\"hang up\"\r\n");
}

}  // namespace
}  // namespace velmora::calls
