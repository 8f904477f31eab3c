#include "calls/Dialling.h"

#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::calls {
namespace {

using Kind = ClipboardAction::Kind;

struct ClipboardCase {
    const char* text;
    long swipe;
    Kind kind;
    const char* number;
};

class ClipboardRulesTest : public ::testing::TestWithParam<ClipboardCase> {};

TEST_P(ClipboardRulesTest, TurnsTheTextIntoAnAction) {
    const auto& c = GetParam();
    const auto action = readClipboardText(c.text, c.swipe);
    EXPECT_EQ(action.kind, c.kind);
    EXPECT_EQ(action.number, c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ClipboardRulesTest,
    ::testing::Values(ClipboardCase{"|5557654321|x|y", 20, Kind::Dial, "5557654321"},
                      ClipboardCase{"1 (555) 765-4321", 20, Kind::Dial, "5557654321"},
                      ClipboardCase{"555-7654", 20, Kind::Ignore, ""},
                      ClipboardCase{"(555) 765-4321", 14, Kind::Dial, "5557654321"},
                      ClipboardCase{"(555) 765-43210", 14, Kind::Ignore, ""},
                      ClipboardCase{"  5557654321  ", 14, Kind::Dial, "5557654321"},
                      ClipboardCase{"555765432199", 14, Kind::Dial, "5557654321"},
                      ClipboardCase{"15557654", 14, Kind::Ignore, ""}, ClipboardCase{"*END*", 14, Kind::HangUp, ""},
                      ClipboardCase{"#hangup", 14, Kind::HangUp, ""}, ClipboardCase{"|#hangup|", 14, Kind::HangUp, ""},
                      ClipboardCase{"#pam", 14, Kind::PlayMessage, ""}, ClipboardCase{"#HANGUP", 14, Kind::Ignore, ""},
                      ClipboardCase{"", 14, Kind::Ignore, ""},
                      ClipboardCase{"\u200f5557654321", 14, Kind::Dial, "5557654321"},
                      ClipboardCase{"\xff\xfe"
                                    "5557654321",
                                    14, Kind::Dial, "5557654321"}));

TEST(ClipboardRules, LongTextsAreIgnoredWhateverTheyHold) {
    EXPECT_EQ(readClipboardText(std::string(1 << 20, '5'), 14).kind, Kind::Ignore);
    EXPECT_EQ(readClipboardText(std::string(15, '5'), 14).kind, Kind::Ignore);
}

struct DiallingTest : core::testing::AppFixture {
    app::Program program{app};
    DiallingTest() {
        root.write("bin/velmoraapp.ini", "[System]\r\nDisplayName=Ann\r\nLogin=1001\r\n");
        window.webtimer.setEnabled(false);
        window.EditAccountDisplayName.setText("Ann");
        app.state.lineCount = 2;
        core::fillLineLists(app);
        engine.outputDevices = {"Speaker"};  // as the lists were filled from the engine
        window.ListAudioIn.addItem("Default Device");
        window.ListAudioIn.setListIndex(0);
        window.ListAudioOut.addItem("Default Device");
        window.ListAudioOut.addItem("Speaker");
        window.ListAudioOut.setListIndex(1);
    }
};

TEST_F(DiallingTest, DialPlacesTheCallAndLogsIt) {
    window.ComboDial.setListIndex(1);
    window.EditPhoneNo.setText("5557654321");
    window.BtnDial.click();
    EXPECT_EQ(engine.callsOf("Dial")[0].text(), "Dial(1,5557654321,-1,0)");
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Line-2: Dialing - 5557654321");
    EXPECT_EQ(window.mouseMenu.caption(), "Dialing - 5557654321");
    EXPECT_EQ(root.read("logs/callsout.txt"), "5557654321    12/9/2026 2:05:09 PM\r\n");
    EXPECT_EQ(window.callsec.text(), "0");
    EXPECT_TRUE(window.CallTimer.enabled());
    EXPECT_EQ(app.state.lastDialledNumber, "5557654321");
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("LastNumber=5557654321\r\n"), std::string::npos);
    loop.advance(3000);
    EXPECT_EQ(window.callsec.text(), "3");
}

TEST_F(DiallingTest, EnterInTheNumberFieldDials) {
    window.EditPhoneNo.setText("5557654321");
    window.EditPhoneNo.enter();
    EXPECT_EQ(engine.callsOf("Dial")[0].text(), "Dial(0,5557654321,-1,0)");
}

TEST_F(DiallingTest, KeysTypedDuringACallGoOutAsDtmf) {
    for (char key : {'5', 'a'}) window.EditPhoneNo.keyPress(key);  // no call yet: nothing sent
    EXPECT_TRUE(engine.callsOf("SendDtmfDigit").empty());
    engine.setLineBusy(0, true);
    for (char key : {'1', '#', '*', 'x', ' ', '9'}) window.EditPhoneNo.keyPress(key);
    std::vector<std::string> sent;
    for (const auto& call : engine.callsOf("SendDtmfDigit")) sent.push_back(call.text());
    EXPECT_EQ(sent, (std::vector<std::string>{"SendDtmfDigit(0,1)", "SendDtmfDigit(0,#)", "SendDtmfDigit(0,*)",
                                              "SendDtmfDigit(0,9)"}));
}

TEST_F(DiallingTest, CallerIdBoxStoresTrueOrFalse) {
    window.cidCheck.click();
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("AutoCid=True\r\n"), std::string::npos);
    window.cidCheck.click();
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("AutoCid=False\r\n"), std::string::npos);
}

TEST_F(DiallingTest, EmptyNumberAndRefusedDialLeaveNoTrace) {
    window.BtnDial.click();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "Please enter a phone number.");
    window.EditPhoneNo.setText("555");
    engine.failNext("Dial", engine::kLineBusy);
    window.BtnDial.click();
    EXPECT_EQ(platform.messages.back().text, "Line is already busy.");
    EXPECT_TRUE(window.ListStatusLog.lines().empty());
    EXPECT_FALSE(window.CallTimer.enabled());
    EXPECT_EQ(root.read("logs/callsout.txt"), "<missing>");
}

TEST_F(DiallingTest, DialPadAppendsByItsRules) {
    window.EditPhoneNo.setText("555765432");
    window.BtnDialPad7.click();  // nine characters: appended
    window.BtnDialPad7.click();  // ten: not appended
    window.BtnDialPadStar.click();
    window.BtnDialPadNo.click();
    window.ctText1.click();  // eleven characters: appended again
    window.BtnDialPad1.click();
    EXPECT_EQ(window.EditPhoneNo.text(), "5557654327*32");
    std::vector<std::string> sent;
    for (const auto& c : engine.callsOf("SendDtmfDigit")) sent.push_back(c.args[1]);
    EXPECT_EQ(sent, (std::vector<std::string>{"7", "7", "*", "#", "3", "2"}));
}

TEST_F(DiallingTest, BoxCodeIsPaced) {
    std::vector<std::int64_t> at;
    window.Command1.click();
    EXPECT_EQ(loop.elapsed(), 1000 + 3 * 300);
    std::string digits;
    for (const auto& c : engine.callsOf("SendDtmfDigit")) digits += c.args[1];
    EXPECT_EQ(digits, "5807");
}

TEST_F(DiallingTest, RedialUsesTheStoredNumberOnly) {
    window.redialPush.click();
    EXPECT_TRUE(engine.callsOf("Dial").empty());
    root.write("bin/velmoraapp.ini", "[System]\r\nLastNumber=5550001111\r\n");
    window.redialPush.click();
    ASSERT_EQ(engine.callsOf("Dial").size(), 1u);
    EXPECT_EQ(engine.callsOf("Dial")[0].args[1], "5550001111");
}

TEST_F(DiallingTest, ClipboardDiallerDialsAndClearsOnlyWhenItActs) {
    window.autoCheck.setValue(1);
    window.swipeLengthTxT.setText("20");
    EXPECT_EQ(window.autoCheck.caption(), "Click On");
    platform.clipboard = "555-7654";
    loop.advance(500);
    EXPECT_TRUE(engine.callsOf("Dial").empty());
    EXPECT_EQ(*platform.clipboard, "555-7654");
    platform.clipboard = "1 (555) 765-4321";
    loop.advance(500);
    EXPECT_EQ(*platform.clipboard, "");
    ASSERT_EQ(engine.callsOf("Dial").size(), 1u);
    EXPECT_EQ(engine.callsOf("Dial")[0].args[1], "5557654321");
    loop.advance(5000);
    EXPECT_EQ(engine.callsOf("Dial").size(), 1u);

    platform.clipboard = "#hangup";
    loop.advance(500);
    EXPECT_EQ(engine.callsOf("DisconnectLine").size(), 1u);
    EXPECT_EQ(*platform.clipboard, "");
}

TEST_F(DiallingTest, ClipboardDiallerNeedsTheBoxAndWarnsOnlyAfterGoingOffline) {
    platform.clipboard = "5557654321";
    window.mouseMenu.setCaption("x");
    loop.advance(1000);
    EXPECT_TRUE(engine.callsOf("Dial").empty());
    EXPECT_EQ(window.mouseMenu.caption(), "x") << "OffLine at start is not Online";
    window.BtnOnline.setCaption("Online");
    loop.advance(500);
    EXPECT_EQ(window.mouseMenu.caption(), "You Are Not On Line!!!");
    window.autoCheck.setValue(1);
    loop.advance(500);
    EXPECT_EQ(engine.callsOf("Dial").size(), 1u) << "dialling is still attempted";
}

TEST_F(DiallingTest, ClickToDialBoxStoresItsState) {
    window.autoCheck.setEnabled(true);
    window.autoCheck.click();
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("autocall=1\r\n"), std::string::npos);
    window.autoCheck.click();
    EXPECT_NE(root.read("bin/velmoraapp.ini").find("autocall=0\r\n"), std::string::npos);
    EXPECT_EQ(window.autoCheck.caption(), "Click Off");
}

}  // namespace
}  // namespace velmora::calls
