#include "core/Timers.h"
#include "media/FeatureCodes.h"

#include "MediaFixture.h"

#include "engine/EngineErrors.h"

namespace velmora::media {
namespace {

using FeatureCodes = testing::MediaFixture;

// A customer's call on line 2, connected for `seconds`.
void customerOnLine2(testing::MediaFixture& f, int seconds) {
    f.window.ComboDial.setListIndex(1);
    f.window.EditPhoneNo.setText("5557654321");
    f.window.BtnDial.click();
    f.engine.raise().OnConnected(1, "Customer", "5557654321");
    f.loop.advance(seconds * 1000);
    f.engine.clearCalls();
}

TEST_F(FeatureCodes, MessageDropTransfersToTheMessageBoxAndLogsAnsweringMachineOnceTaken) {
    customerOnLine2(*this, 17);
    window.ComboTransferCall.setListIndex(1);
    window.EditTransferPhoneNo.setText("5550001111");
    window.PlayMsgPush.click();
    EXPECT_EQ(engine.names({"IsLineBusy"}), std::vector<std::string>{"TransferCall"});
    EXPECT_EQ(engine.callsOf("TransferCall").at(0).text(), "TransferCall(1,*551001)");
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Line-2: Answering Machine ");
    EXPECT_EQ(window.ComboDial.listIndex(), 0);
    // Nothing is logged, and the call keeps its fields, until the far end has taken it.
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"), "<missing>");
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654321");
    engine.raise().OnTransferAccepted(1);
    engine.raise().OnHungUp(1);
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"),
              "\"5550001111\",\"Ann\",\"17\",\"14:05:09\",\"12/9/2026\",\"Answering Machine\"\r\n");
    EXPECT_EQ(window.callsec.text(), "0");
    EXPECT_EQ(window.EditPhoneNo.text(), "");
    EXPECT_FALSE(window.CallTimer.enabled());
}

TEST_F(FeatureCodes, ClipboardPamDropsTheMessage) {
    window.autoCheck.setValue(1);
    platform.clipboard = " #pam ";
    loop.advance(500);
    EXPECT_EQ(engine.callsOf("TransferCall").at(0).text(), "TransferCall(0,*551001)");
    EXPECT_EQ(platform.clipboard, "");
}

TEST_F(FeatureCodes, MessageDropTheFarEndRefusesIsAFailedTransfer) {
    customerOnLine2(*this, 5);
    window.ComboTransferCall.setListIndex(1);
    window.EditTransferPhoneNo.setText("5550001111");
    window.PlayMsgPush.click();
    engine.raise().OnTransferFailed(1, 603, "Decline");
    loop.advance(1000);
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Fail to Transfer: Decline");
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"), "<missing>");
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654321");
    EXPECT_EQ(window.callsec.text(), "6");
    // The call is the line's as before: Hang Up ends and logs it under its number.
    window.ComboDial.setListIndex(1);
    window.BtnHangUp.click();
    EXPECT_EQ(engine.callsOf("DisconnectLine").at(0).text(), "DisconnectLine(1)");
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"),
              "\"5557654321\",\"Ann\",\"6\",\"14:05:09\",\"12/9/2026\",\"hang up\"\r\n");
}

TEST_F(FeatureCodes, MessageDropTheEngineRefusesIsShownAndNotLogged) {
    customerOnLine2(*this, 1);
    window.ComboTransferCall.setListIndex(1);
    engine.failNext("TransferCall", engine::kNoVoiceSession);
    window.PlayMsgPush.click();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Selected line is not in voice session."});
    EXPECT_EQ(root.read("logs/Ann_calllogs.csv"), "<missing>");
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654321");
}

TEST_F(FeatureCodes, MessageDropWithoutDisplayNameLogsNothingAndKeepsTheFields) {
    window.EditAccountDisplayName.setText("");
    window.EditPhoneNo.setText("5557654321");
    window.callsec.setText("9");
    window.PlayMsgPush.click();
    EXPECT_EQ(root.read("logs/_calllogs.csv"), "<missing>");
    EXPECT_EQ(window.callsec.text(), "9");
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654321");
}

TEST_F(FeatureCodes, UserNameNamingAnotherHostIsNeverTransferredTo) {
    window.EditAccountUserName.setText("1001@elsewhere.example");
    window.PlayMsgPush.click();
    window.LAMPush.click();
    EXPECT_TRUE(engine.callsOf("TransferCall").empty());
    EXPECT_TRUE(engine.callsOf("Dial").empty());
    EXPECT_EQ(window.ListStatusLog.lines().at(0), "Line-1: The user name can not be dialled.");
}

TEST_F(FeatureCodes, ListenToTheMessageBoxSwitchesInBandDtmfOnAndDials) {
    window.ListAudioIn.addItem("Mic");
    window.ListAudioIn.setListIndex(1);
    window.LAMPush.click();
    EXPECT_TRUE(window.CheckForceInbandDTMF.ticked());
    EXPECT_EQ(engine.callsOf("Dial").at(0).text(), "Dial(0,*551001,0,-1)");
}

TEST_F(FeatureCodes, VoiceMailStaysDisabledUntilHangUp) {
    window.vmclick.click();
    EXPECT_EQ(engine.callsOf("Dial").at(0).args.at(1), "*97");
    EXPECT_FALSE(window.vmclick.enabled());
    window.BtnHangUp.click();
    EXPECT_TRUE(window.vmclick.enabled());
}

TEST_F(FeatureCodes, GreetingButtonsWorkOnlyWithDid) {
    for (const char* did : {"True", "true", ""}) {
        SCOPED_TRACE(did);
        root.write("bin/velmoraapp.ini", std::string("[System]\r\nDID=") + did + "\r\n");
        engine.clearCalls();
        platform.launches.clear();
        root.write("apps/Fennow", "");
        core::runSettingsCheck(app);
        const bool on = std::string(did) == "True";
        EXPECT_EQ(window.GreatPush.visible(), on);
        EXPECT_EQ(window.ListtogreetingCmd.visible(), on);
        window.ListtogreetingCmd.click();
        window.GreatPush.click();
        EXPECT_EQ(engine.callTexts(), on ? std::vector<std::string>{"Dial(0,9001,-1,-1)"} : std::vector<std::string>{});
        EXPECT_EQ(platform.launches.size(), on ? 1u : 0u);
        EXPECT_TRUE(window.GreatPush.enabled());
        EXPECT_TRUE(window.ListtogreetingCmd.enabled());
    }
}

TEST(TransferNumber, IsTheWholeTenCharactersOrTheTextBeforeTheFirstBlank) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"", std::nullopt},
        {"5557654321", "5557654321"},
        {"555765432 ", "555765432 "},
        {"1002 Bob Smith", "1002"},
        {"1002", std::nullopt},
        {"55576543210", std::nullopt},
        {std::string(49, '5') + " x", std::string(49, '5')},
        {std::string(50, '5') + " x", std::nullopt},
    };
    for (const auto& [text, number] : cases) EXPECT_EQ(transferNumberToDial(text), number) << text;
}

TEST_F(FeatureCodes, TransferNumberIsDialledWithAStatusLine) {
    window.EditTransferPhoneNo.setText("1002 Bob Smith");
    window.VMCallPush.click();
    EXPECT_EQ(engine.callTexts(), std::vector<std::string>{"Dial(0,1002,-1,-1)"});
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Line-1: Dialing - 1002");
    window.EditTransferPhoneNo.setText("1@evil.org");  // ten characters, not a number
    window.VMCallPush.click();
    EXPECT_EQ(engine.callsOf("Dial").size(), 1u);
}

}  // namespace
}  // namespace velmora::media
