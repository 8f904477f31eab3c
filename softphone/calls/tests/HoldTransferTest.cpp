#include "calls/HoldTransfer.h"

#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::calls {
namespace {

struct HoldTransferTest : core::testing::AppFixture {
    std::unique_ptr<app::Program> program;
    HoldTransferTest() {
        root.write("bin/velmoraapp.ini", "[System]\r\nPreDialNumber=9\r\nrecordAll=False\r\n");
        program = std::make_unique<app::Program>(app);
        window.webtimer.setEnabled(false);
        window.EditAccountDisplayName.setText("Ann");
        app.state.lineCount = 2;
        core::fillLineLists(app);
        window.ListAudioIn.addItem("Default Device");
        window.ListAudioIn.setListIndex(0);
        window.ListAudioOut.addItem("Default Device");
        window.ListAudioOut.setListIndex(0);
        engine.clearCalls();
    }
    void customerOnFirstLine() {
        window.EditPhoneNo.setText("5557654321");
        window.BtnDial.click();
        engine.raise().OnConnected(0, "Customer", "5557654321");
        loop.advance(7000);
        engine.clearCalls();
    }
    std::string callLog() const { return root.read("logs/Ann_calllogs.csv"); }
    std::vector<std::string> statuses() const { return window.ListStatusLog.lines(); }
};

TEST_F(HoldTransferTest, HoldAndUnholdActOnTheDialLine) {
    customerOnFirstLine();
    window.BtnHold.click();
    EXPECT_EQ(engine.callTexts(), (std::vector<std::string>{"HoldLine(0)"}));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Line-1: Hold"}));
    engine.clearCalls();
    engine.failNext("UnholdLine", engine::kLineNotOpen);
    window.BtnUnHold.click();  // refused: said, and the steps after it still run
    EXPECT_EQ(engine.names({"GetLastEngineError"}), (std::vector<std::string>{"UnholdLine"}));
    EXPECT_EQ(platform.messages.at(0).text, "Line is not open.");
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Line-1: Connected"}));
}

TEST_F(HoldTransferTest, UnholdResumesRecordingOnlyForRecordAllTrue) {
    for (const auto& [value, resumes] : {std::pair{"True", true}, {"true", false}, {"False", false}}) {
        SCOPED_TRACE(value);
        root.write("bin/velmoraapp.ini", std::string("[System]\r\nrecordAll=") + value + "\r\n");
        window.EditPhoneNo.setText("5557654321");
        window.CheckStartRecording.setValue(0);
        engine.clearCalls();
        window.BtnUnHold.click();
        EXPECT_EQ(window.CheckStartRecording.ticked(), resumes);
        EXPECT_EQ(engine.callsOf("StartLineRecording").size(), resumes ? 1u : 0u);
    }
}

TEST_F(HoldTransferTest, BlindTransferSendsPrefixAndNumberAndLogsTheTransferNumber) {
    customerOnFirstLine();
    window.EditTransferPhoneNo.setText("5550001111");
    window.ComboDial.setListIndex(1);
    window.BtnTransferCall.click();
    EXPECT_EQ(engine.callTexts(), (std::vector<std::string>{"TransferCall(0,95550001111)"}));
    EXPECT_EQ(statuses().back(), "Line-1: Blind Transfer ");
    EXPECT_EQ(window.ComboDial.listIndex(), 0);
    // The record waits for the far end to take the call over.
    EXPECT_EQ(callLog(), "<missing>");
    engine.raise().OnTransferAccepted(0);
    engine.raise().OnHungUp(0);
    EXPECT_EQ(callLog(), "\"5550001111\",\"Ann\",\"7\",\"14:05:09\",\"12/9/2026\",\"Blind Transfer\"\r\n");
    EXPECT_EQ(window.callsec.text(), "0");
    EXPECT_FALSE(window.CallTimer.enabled());
    EXPECT_EQ(window.EditPhoneNo.text(), "");
}

TEST_F(HoldTransferTest, RefusedOrEmptyBlindTransferLogsNothing) {
    customerOnFirstLine();
    window.BtnTransferCall.click();  // no transfer number
    EXPECT_EQ(platform.messages.at(0).text, "Please enter a phone number.");
    EXPECT_TRUE(engine.callsOf("TransferCall").empty());
    window.EditTransferPhoneNo.setText("5550001111");
    engine.failNext("TransferCall", engine::kInvalidUri);
    window.BtnTransferCall.click();
    EXPECT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(callLog(), "<missing>");
    EXPECT_EQ(window.callsec.text(), "7");
}

TEST_F(HoldTransferTest, BlindTransferWithoutAgentNameKeepsTheCounter) {
    customerOnFirstLine();
    window.EditAccountDisplayName.setText("");
    window.EditTransferPhoneNo.setText("5550001111");
    window.BtnTransferCall.click();
    EXPECT_EQ(engine.callsOf("TransferCall").size(), 1u);
    EXPECT_EQ(window.callsec.text(), "7");
}

TEST_F(HoldTransferTest, SecondLineCallTakesTheNumberFromTheTransferText) {
    struct Case {
        const char* text;
        const char* dialled;  // nullptr: nothing dialled
    };
    const Case cases[] = {
        {"5557654321 Sales desk", "95557654321"},
        {"5557654321", "95557654321"},
        {"555-765 43", "9555-765 43"},  // ten characters: taken whole
        {"555", nullptr},
        {"", nullptr},
        {" 5557654321 x", nullptr},
        {"123 Support", "9123"},
        {"55555555555555555555555555555555555555555555555555 late space", nullptr},
    };
    customerOnFirstLine();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        engine.clearCalls();
        window.EditTransferPhoneNo.setText(c.text);
        window.ComboDial.setListIndex(0);
        window.CallTranPush.click();
        const auto dials = engine.callsOf("Dial");
        if (c.dialled) {
            ASSERT_EQ(dials.size(), 1u);
            EXPECT_EQ(dials[0].text(), std::string("Dial(1,") + c.dialled + ",-1,-1)");
            EXPECT_EQ(statuses().back(), std::string("Line-2: Dialing - ") + c.dialled);
        } else {
            EXPECT_TRUE(dials.empty());
        }
    }
    EXPECT_EQ(root.read("logs/callsout.txt").find("9555"), std::string::npos);  // the customer's line only
    EXPECT_TRUE(window.CallTimer.enabled());                                    // the first line's counter runs on
    EXPECT_GT(std::stoi(window.callsec.text()), 7);
    EXPECT_EQ(window.PreDialTxT.text(), "9");
}

TEST_F(HoldTransferTest, SupervisedTransferUnholdsJoinsAndLogs) {
    customerOnFirstLine();
    window.BtnHold.click();
    window.EditTransferPhoneNo.setText("5550001111");
    window.CallTranPush.click();
    engine.clearCalls();
    window.BtnConsultTransfer.click();
    EXPECT_EQ(engine.names({"GetLastEngineError"}), (std::vector<std::string>{"UnholdLine", "JoinLines"}));
    EXPECT_EQ(engine.callsOf("JoinLines").at(0).text(), "JoinLines(0,1)");
    EXPECT_TRUE(app.state.consultTransferFlag);
    EXPECT_EQ(window.ComboDial.listIndex(), 0);
    EXPECT_EQ(statuses().back(), "Line-1: Supervised Transfer ");
    EXPECT_EQ(callLog().rfind("\"5550001111\",\"Ann\",", 0), 0u) << callLog();
    EXPECT_NE(callLog().find(",\"14:05:09\",\"12/9/2026\",\"Supervised Transfer\"\r\n"), std::string::npos);
    EXPECT_EQ(window.callsec.text(), "0");
}

TEST_F(HoldTransferTest, SupervisedTransferRefusals) {
    window.BtnConsultTransfer.click();  // no call number: nothing at all, not even the unhold
    EXPECT_TRUE(engine.calls().empty());

    customerOnFirstLine();
    window.ComboConsultLineB.setListIndex(0);
    window.BtnConsultTransfer.click();
    EXPECT_EQ(platform.messages.at(0).text, "Please select two different lines.");
    EXPECT_TRUE(engine.callsOf("JoinLines").empty());

    window.ComboConsultLineB.setListIndex(1);
    engine.failNext("JoinLines", engine::kLineNotOpen);
    window.BtnConsultTransfer.click();
    EXPECT_FALSE(app.state.consultTransferFlag);  // not joined: the call is still the agent's
    EXPECT_EQ(callLog(), "<missing>");
}

TEST_F(HoldTransferTest, ThreeWayUnholdsTheFirstLineAndEndsOnIt) {
    window.ComboDial.setListIndex(1);
    window.threeWayPush.click();
    EXPECT_EQ(engine.names({"GetLastEngineError"}), (std::vector<std::string>{"UnholdLine"}));
    EXPECT_EQ(engine.callsOf("UnholdLine").at(0).text(), "UnholdLine(0)");
    EXPECT_EQ(window.ComboDial.listIndex(), 0);
}

TEST_F(HoldTransferTest, TransferNumberAndForwardingFieldsAreStored) {
    window.EditTransferPhoneNo.addItem("5550002222");
    window.EditTransferPhoneNo.choose(0);
    EXPECT_EQ(app.settings().get(core::keys::TransferNumber), "5550002222");
    window.Frame10.doubleClick();
    EXPECT_EQ(window.EditTransferPhoneNo.text(), "");
    EXPECT_EQ(app.settings().get(core::keys::TransferNumber), "");

    window.CheckForwardCall.click();  // no number: said, box unticked, forwarding stays off
    EXPECT_EQ(platform.messages.at(0).text, "Please enter a phone number.");
    EXPECT_FALSE(window.CheckForwardCall.ticked());
    EXPECT_EQ(engine.callTexts(), (std::vector<std::string>{"ForwardCalls(False,)"}));

    engine.clearCalls();
    window.EditForwardCallPhoneNo.setText("5552223333");
    window.EditForwardCallPhoneNo.click();
    EXPECT_EQ(app.settings().get(core::keys::Forward), "5552223333");
    window.CheckForwardCall.click();
    window.CheckForwardCall.click();
    EXPECT_EQ(engine.callTexts(),
              (std::vector<std::string>{"ForwardCalls(True,5552223333)", "ForwardCalls(False,5552223333)"}));
}

TEST_F(HoldTransferTest, TransferOutcomesAreStatusLines) {
    engine.raise().OnTransferAccepted(1);
    engine.raise().OnTransferFailed(0, 486, "Busy Here");
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Line-2: Transfer accepted.", "Fail to Transfer: Busy Here"}));
}

}  // namespace
}  // namespace velmora::calls
