#include "calls/CallerId.h"
#include "calls/IncomingCalls.h"

#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::calls {
namespace {

using Lines = std::vector<std::string>;

struct IncomingCallsTest : core::testing::AppFixture {
    app::Program program{app};
    IncomingCallsTest() {
        window.webtimer.setEnabled(false);
        app.state.lineCount = 2;
        core::fillLineLists(app);
        window.ComboIncomingCall.setListIndex(1);
        engine.clearCalls();  // what filling the line selectors asked is not part of a test
    }
    void offer(const std::string& id, const std::string& name, const std::string& number) {
        engine.raise().OnIncomingCall(id, name, number, "sip:" + number + "@pbx.test", "sip:1001@pbx.test");
    }
    std::string ring() const { return "start:" + (root.dir / "bin/ring.wav").string(); }
};

TEST_F(IncomingCallsTest, AnOfferedCallIsListedShownAndRung) {
    offer("c1", "Anna Smith", "5557654321");
    EXPECT_EQ(window.ListIncomingCall.lines(), (Lines{"Anna Smith - 5557654321"}));
    EXPECT_EQ(window.ListIncomingCallIds.lines(), (Lines{"c1"}));
    EXPECT_EQ(window.ListIncomingCall.listIndex(), 0);
    EXPECT_EQ(window.CIDTxt.text(), "5557654321");
    EXPECT_TRUE(window.InBoundFrm.visible());
    EXPECT_EQ(platform.ringLog, (Lines{ring()}));
    EXPECT_EQ(platform.notifications, (Lines{"Incoming call|Anna Smith - 5557654321"}));
    window.CheckPlayRingTone.click();  // cleared: the ring stops, later calls are silent
    offer("c2", "", "1002");
    EXPECT_EQ(platform.ringLog, (Lines{ring(), "stop"}));
    EXPECT_EQ(window.ListIncomingCall.lines(), (Lines{"Anna Smith - 5557654321", "1002"}));
}

TEST_F(IncomingCallsTest, AcceptAndRejectWithNothingSelectedCallNoEngineOperation) {
    window.BtnAccept.click();
    window.BtnReject.click();
    offer("c1", "", "1002");
    window.ListIncomingCall.setListIndex(-1);
    window.BtnAccept.click();
    window.BtnReject.click();
    EXPECT_TRUE(engine.calls().empty());
    EXPECT_EQ(window.ListIncomingCall.count(), 1);
}

TEST_F(IncomingCallsTest, AcceptTakesTheChosenCallOnTheIncomingLine) {
    window.ListAudioIn.addItem("Default Device");
    window.ListAudioIn.addItem("Mic");
    window.ListAudioIn.setListIndex(1);
    offer("c1", "", "1002");
    offer("c2", "Bob", "1003");
    window.ListIncomingCall.choose(1);
    EXPECT_EQ(window.CIDTxt.text(), "1003");
    window.BtnAccept.click();
    EXPECT_EQ(engine.callsOf("AcceptCall")[0].args, (Lines{"1", "c2", "0", "-2"}));
    // The other call stays listed with its own id, and keeps ringing.
    EXPECT_EQ(window.ListIncomingCall.lines(), (Lines{"1002"}));
    EXPECT_EQ(window.ListIncomingCallIds.lines(), (Lines{"c1"}));
    EXPECT_EQ(window.ListIncomingCall.listIndex(), 0);
    EXPECT_TRUE(window.InBoundFrm.visible());
    EXPECT_EQ(window.EditPhoneNo.text(), "1003");
    EXPECT_EQ(platform.ringLog, (Lines{ring(), ring(), "stop", ring()}));
    window.BtnAccept.click();
    EXPECT_EQ(window.ListIncomingCall.count(), 0);
    EXPECT_FALSE(window.InBoundFrm.visible());
    EXPECT_EQ(platform.ringLog.back(), "stop");
}

TEST_F(IncomingCallsTest, ARefusedAcceptLeavesEverythingAndSaysWhy) {
    offer("c1", "", "1002");
    engine.failNext("AcceptCall", engine::kInvalidCallId);
    window.BtnAccept.click();
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(window.ListIncomingCallIds.lines(), (Lines{"c1"}));
    EXPECT_TRUE(window.InBoundFrm.visible());
}

TEST_F(IncomingCallsTest, AcceptHandsOverTheCallerIdOnlyAfterNineCharacters) {
    struct Case {
        std::string number;
        bool handedOver;
    };
    window.cidCheck.setValue(1);
    for (const Case& c : {Case{"555765432", false}, Case{"5557654321", true}}) {
        SCOPED_TRACE(c.number);
        window.EditPhoneNo.setText("");
        offer("c-" + c.number, "", c.number);
        window.BtnAccept.click();
        // The hand-over has run (10 s on the virtual clock) when Accept returns.
        EXPECT_EQ(window.CIDTxt.text(), c.handedOver ? "" : c.number);
        EXPECT_EQ(std::filesystem::exists(root.dir / "datalink"), c.handedOver);
    }
}

TEST_F(IncomingCallsTest, RecordAllTicksTheRecordingBoxOnAccept) {
    app.state.recordAllSetting = "True";
    offer("c1", "", "1002");
    window.BtnAccept.click();
    EXPECT_TRUE(window.CheckStartRecording.ticked());
}

TEST_F(IncomingCallsTest, RejectRefusesTheChosenCall) {
    offer("c1", "", "1002");
    window.EditPhoneNo.setText("1002");
    engine.failNext("RejectCall", engine::kInvalidCallId);
    window.BtnReject.click();  // refused: silently nothing
    EXPECT_EQ(window.ListIncomingCall.count(), 1);
    EXPECT_TRUE(platform.messages.empty());
    window.BtnReject.click();
    EXPECT_EQ(engine.callsOf("RejectCall").back().args, (Lines{"c1"}));
    EXPECT_EQ(window.ListIncomingCall.count(), 0);
    EXPECT_FALSE(window.InBoundFrm.visible());
    EXPECT_EQ(window.CIDTxt.text(), "");
    EXPECT_EQ(window.EditPhoneNo.text(), "");
    EXPECT_EQ(platform.ringLog.back(), "stop");

    window.EditPhoneNo.setText("5557654321");  // a call in progress on line 2
    engine.setLineBusy(1, true);
    offer("c2", "", "1003");
    window.BtnReject.click();
    EXPECT_EQ(engine.callsOf("RejectCall").back().args, (Lines{"c2"}));
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654321");
}

TEST_F(IncomingCallsTest, ACancelledCallLeavesAndCountsAsMissed) {
    offer("c1", "Anna", "5557654321");
    offer("c2", "", "1002");
    engine.raise().OnIncomingCallEnded("c1");
    engine.raise().OnIncomingCallEnded("unknown");
    EXPECT_EQ(window.ListIncomingCallIds.lines(), (Lines{"c2"}));
    EXPECT_EQ(window.missedcall.caption(), "1");
    EXPECT_TRUE(window.missedcall.visible());
    engine.raise().OnIncomingCallEnded("c2");
    EXPECT_EQ(window.missedcall.caption(), "2");
    EXPECT_FALSE(window.InBoundFrm.visible());
    EXPECT_EQ(window.ListMissedCalls.lines(), (Lines{"5557654321  Anna  14:05:09", "1002    14:05:09"}));
    EXPECT_EQ(platform.ringLog.back(), "stop");

    window.missedcall.click();
    EXPECT_EQ(window.missedcall.caption(), "0");
    EXPECT_FALSE(window.missedcall.visible());
    EXPECT_TRUE(window.MissedCallsFrm.visible());
    window.ListMissedCalls.setListIndex(0);
    window.BtnCallBack.click();
    EXPECT_EQ(engine.callsOf("Dial").at(0).args.at(1), "5557654321");
}

TEST_F(IncomingCallsTest, DoNotDisturbRefusesTheRingingCalls) {
    offer("c1", "", "1002");
    offer("c2", "", "1003");
    window.CheckDisturb.click();
    EXPECT_EQ(engine.names(), (Lines{"EnableDoNotDisturb", "RejectCall", "RejectCall"}));
    EXPECT_EQ(window.ListIncomingCall.count(), 0);
    EXPECT_EQ(window.missedcall.caption(), "0");
    window.CheckDisturb.click();
    EXPECT_EQ(engine.names().back(), "DisableDoNotDisturb");
}

TEST_F(IncomingCallsTest, AFloodOfOfferedCallsIsListedAndEachLeavesWhenItEnds) {
    for (int i = 0; i < 50; ++i) offer("c" + std::to_string(i), "Caller\n<b>" + std::to_string(i), std::to_string(i));
    EXPECT_EQ(window.ListIncomingCall.count(), 50);
    EXPECT_EQ(window.ListIncomingCall.lines()[7], "Caller <b>7 - 7");
    for (int i = 0; i < 50; i += 2) engine.raise().OnIncomingCallEnded("c" + std::to_string(i));
    EXPECT_EQ(window.ListIncomingCall.count(), 25);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(window.ListIncomingCallIds.lines()[i], "c" + std::to_string(2 * i + 1));
    EXPECT_EQ(window.missedcall.caption(), "25");
}

TEST_F(IncomingCallsTest, CidCheckIsStoredAsTrueOrFalse) {
    window.cidCheck.click();
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("AutoCid=True"), std::string::npos);
    window.cidCheck.click();
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("AutoCid=False"), std::string::npos);
}

TEST_F(IncomingCallsTest, TheDataLinkHandOverWritesTheFileAndClearsTheFolderTenSecondsLater) {
    root.write("datalink/other.TXT", "x");
    root.write("datalink/keep.dia", "x");
    window.EditPhoneNo.setText("5557654321");
    window.CIDTxt.setText("5557654321");
    bool sawFile = false;
    loop.post([&] {
        sawFile = root.read("datalink/5557654321.txt") == "\"5557654321\"\r\n";
        EXPECT_FALSE(window.CIDPush.enabled());
        window.CIDPush.click();  // pressed again meanwhile: nothing
    });
    const auto started = loop.tickCount();
    window.CIDPush.click();
    EXPECT_TRUE(sawFile);
    EXPECT_GE(loop.tickCount() - started, 10000u);
    EXPECT_TRUE(window.CIDPush.enabled());
    EXPECT_EQ(window.CIDTxt.text(), "");
    EXPECT_FALSE(std::filesystem::exists(root.dir / "datalink/5557654321.txt"));
    EXPECT_FALSE(std::filesystem::exists(root.dir / "datalink/other.TXT"));
    EXPECT_TRUE(std::filesystem::exists(root.dir / "datalink/keep.dia"));
}

TEST_F(IncomingCallsTest, ACallerNumberNamesTheDataLinkFileByItsDigitsOnly) {
    struct Case {
        std::string number, file;
    };
    for (const Case& c :
         {Case{"../../bin/x", ""}, Case{"+1 (555) 765-4321", "15557654321.txt"}, Case{"../12/34", "1234.txt"}}) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(digitsOf(c.number).empty() ? "" : digitsOf(c.number) + ".txt", c.file);
        std::vector<std::string> written;
        loop.post([&] {
            for (const auto& e : std::filesystem::recursive_directory_iterator(root.dir))
                if (e.path().extension() == ".txt") written.push_back(e.path().lexically_relative(root.dir).string());
        });
        window.CIDTxt.setText(c.number);
        window.CIDPush.click();
        EXPECT_EQ(written, c.file.empty() ? Lines{} : Lines{"datalink/" + c.file});
        loop.advance(20000);
    }
}

}  // namespace
}  // namespace velmora::calls
