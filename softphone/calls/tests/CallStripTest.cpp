#include "calls/CallHistory.h"
#include "calls/CallStrip.h"
#include "calls/QuickActions.h"

#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::calls {
namespace {

using State = StripLine::State;

// The pure model first: rows drawn from a call book, a clock given by hand.
TEST(CallStripModelTest, FollowsACallFromCallingToItsOutcomeThenClears) {
    core::CallBook book;
    CallStripModel strip(2);
    EXPECT_FALSE(strip.refresh(book, 1000, {}, {}, 0));
    EXPECT_EQ(strip.lines()[0].state, State::Idle);
    EXPECT_EQ(strip.lines()[0].stateText, "Free");

    core::Call& call = book.place(0, "5551234567", core::CallDirection::Outgoing, 1000, 0);
    EXPECT_TRUE(strip.refresh(book, 1000, {}, {}, 0));
    EXPECT_EQ(strip.lines()[0].state, State::Calling);
    EXPECT_EQ(strip.lines()[0].number, "5551234567");
    EXPECT_FALSE(strip.lines()[0].canHold());
    EXPECT_TRUE(strip.lines()[0].canHangUp());

    call.state = core::CallState::Connected;
    call.answered = 1005;
    strip.refresh(book, 1070, {}, {}, 0);
    EXPECT_EQ(strip.lines()[0].stateText, "Connected");
    EXPECT_EQ(strip.lines()[0].talkTime, "1:05");
    EXPECT_TRUE(strip.needsClock());
    strip.refresh(book, 1071, {{true, true}}, {}, 0);
    EXPECT_EQ(strip.lines()[0].state, State::OnHold);
    EXPECT_TRUE(strip.lines()[0].muted);
    EXPECT_EQ(strip.lines()[1].state, State::Idle) << "the other line is untouched";

    book.end(call, 1080);
    strip.refresh(book, 1080, {}, {}, 0);
    EXPECT_EQ(strip.lines()[0].state, State::Ended);
    EXPECT_EQ(strip.lines()[0].stateText, "Ended: far end hung up");
    EXPECT_FALSE(strip.lines()[0].canHangUp());
    strip.refresh(book, 1080 + CallStripModel::kOutcomeSeconds, {}, {}, 0);
    EXPECT_EQ(strip.lines()[0].state, State::Idle);
    EXPECT_FALSE(strip.needsClock());
}

TEST(CallStripModelTest, ANewCallIsNeverHiddenBehindAnEndedOne) {
    core::CallBook book;
    CallStripModel strip(2);
    core::Call& first = book.place(1, "1002", core::CallDirection::Incoming, 10, 0);
    first.callerName = "Bob\x1b[31m Evil\nName";
    strip.refresh(book, 10, {}, {}, 0);
    EXPECT_EQ(strip.lines()[1].callerName.find('\n'), std::string::npos);
    EXPECT_EQ(strip.lines()[1].callerName.find('\x1b'), std::string::npos);
    strip.agentEnds(1);
    book.end(first, 11);
    strip.refresh(book, 11, {}, {}, 0);
    EXPECT_EQ(strip.lines()[1].stateText, "Ended: cancelled");
    book.place(1, "1003", core::CallDirection::Outgoing, 12, 0);
    strip.refresh(book, 12, {}, {}, 0);
    EXPECT_EQ(strip.lines()[1].state, State::Calling);
    EXPECT_EQ(strip.lines()[1].number, "1003");
}

TEST(CallStripModelTest, OutcomesOfTransfersRefusalsAndTheAgentsHangUp) {
    core::CallBook book;
    CallStripModel strip(2);
    core::Call& a = book.place(0, "1", core::CallDirection::Outgoing, 0, 0);
    a.state = core::CallState::Failed;
    strip.refresh(book, 0, {}, {}, 0, "BUSY");
    EXPECT_EQ(strip.lines()[0].stateText, "Refused: BUSY");
    book.end(a, 2);
    strip.refresh(book, 2, {}, {}, 0);
    EXPECT_EQ(strip.lines()[0].stateText, "Refused: BUSY");

    core::Call& b = book.place(1, "2", core::CallDirection::Incoming, 0, 0);
    b.state = core::CallState::Transferring;
    b.answered = 1;
    b.transferOutcome = "Blind Transfer";
    strip.refresh(book, 3, {}, {}, 0);
    EXPECT_EQ(strip.lines()[1].stateText, "Transferring");
    book.end(b, 4);
    strip.refresh(book, 4, {}, {}, 0);
    EXPECT_EQ(strip.lines()[1].stateText, "Transferred");

    strip.refresh(book, 100, {}, {}, 0);
    core::Call& c = book.place(0, "3", core::CallDirection::Incoming, 100, 0);
    c.state = core::CallState::Connected;
    c.answered = 100;
    strip.refresh(book, 101, {}, {}, 0);
    strip.agentEnds(0);
    book.end(c, 102);
    strip.refresh(book, 102, {}, {}, 0);
    EXPECT_EQ(strip.lines()[0].stateText, "Ended: you hung up");
    EXPECT_EQ(strip.lines()[0].talkTime, "0:01");
}

TEST(CallStripModelTest, AnOfferRingsOnTheIncomingLine) {
    core::CallBook book;
    CallStripModel strip(2);
    strip.refresh(book, 0, {}, {{"5557654321", "Anna"}, {"1002", ""}}, 1);
    EXPECT_EQ(strip.lines()[0].state, State::Idle);
    EXPECT_EQ(strip.lines()[1].state, State::Ringing);
    EXPECT_EQ(strip.lines()[1].stateText, "Ringing (2 calls)");
    EXPECT_EQ(strip.lines()[1].callerName, "Anna");
    EXPECT_FALSE(strip.needsClock());
}

TEST(CallStripModelTest, TalkTimeText) {
    EXPECT_EQ(talkTimeText(0), "0:00");
    EXPECT_EQ(talkTimeText(59), "0:59");
    EXPECT_EQ(talkTimeText(3725), "1:02:05");
    EXPECT_EQ(talkTimeText(-3), "0:00");
}

// The whole program: the strip's buttons and the quick actions run the
// window's own controls.
struct StripProgramTest : core::testing::AppFixture {
    app::Program program{app};
    CallStripModel strip{2};
    StripProgramTest() {
        window.webtimer.setEnabled(false);
        window.EditAccountDisplayName.setText("Ann");
        app.state.lineCount = 2;
        core::fillLineLists(app);
        app.state.lineMicMuted.assign(2, false);
        app.state.lineSpeakerMuted.assign(2, false);
        engine.OpenLine(0, false, "", 5782);
        engine.OpenLine(1, false, "", 5782);
        engine.clearCalls();
    }
    void connectedOn(int line, const std::string& number) {
        window.ComboDial.setListIndex(line);
        window.EditPhoneNo.setText(number);
        window.BtnDial.click();
        engine.setLineBusy(line, true);
        engine.raise().OnConnected(line, "Customer", number);
    }
};

TEST_F(StripProgramTest, HoldMuteAndHangUpActOnTheirOwnLine) {
    connectedOn(1, "5557654321");
    window.ComboDial.setListIndex(0);
    EXPECT_EQ(window.StripState2.caption(), "Connected");
    EXPECT_EQ(window.StripCaller2.caption(), "5557654321");
    EXPECT_TRUE(window.StripHold2.enabled());
    engine.clearCalls();

    window.StripHold2.click();
    EXPECT_EQ(engine.callsOf("HoldLine").size(), 1u);
    EXPECT_EQ(engine.callsOf("HoldLine")[0].args, (std::vector<std::string>{"1"}));
    engine.setLineOnHold(1, true);
    EXPECT_EQ(window.StripState2.caption(), "On hold");
    EXPECT_EQ(window.StripHold2.caption(), "Unhold");
    EXPECT_EQ(window.StripState1.caption(), "Free");
    EXPECT_FALSE(window.StripHangUp1.visible());
    window.StripHold2.click();
    EXPECT_EQ(engine.callsOf("UnholdLine")[0].args, (std::vector<std::string>{"1"}));
    engine.setLineOnHold(1, false);
    EXPECT_EQ(window.StripState2.caption(), "Connected");
    // Held from elsewhere (the Hold button of the Transfer page, a far end):
    // the strip follows what the Lines page reads every second.
    engine.setLineOnHold(1, true);
    window.TimerTick.onTick();
    EXPECT_EQ(window.StripState2.caption(), "On hold");
    engine.setLineOnHold(1, false);
    window.TimerTick.onTick();
    EXPECT_EQ(window.StripState2.caption(), "Connected");

    window.StripMute2.click();
    EXPECT_EQ(engine.callsOf("MuteLineMicrophone")[0].args, (std::vector<std::string>{"1", "True"}));
    EXPECT_EQ(window.StripMute2.caption(), "Unmute");

    window.StripHangUp2.click();
    EXPECT_EQ(engine.callsOf("DisconnectLine")[0].args, (std::vector<std::string>{"1"}));
    EXPECT_EQ(window.StripState2.caption(), "Ended: you hung up");
    EXPECT_FALSE(window.StripHold2.visible());
    EXPECT_NE(root.read("logs/Ann_calllogs.csv").find("\"hang up\""), std::string::npos);
}

TEST_F(StripProgramTest, QuickActionsAnswerAndRejectTheCallTheyName) {
    engine.raise().OnIncomingCall("c1", "Anna", "5557654321", "sip:a@x", "sip:1001@x");
    engine.raise().OnIncomingCall("c2", "Bob", "5550000002", "sip:b@x", "sip:1001@x");
    EXPECT_FALSE(answerOffered(app, "gone"));
    EXPECT_TRUE(rejectOffered(app, "c2"));
    EXPECT_EQ(engine.callsOf("RejectCall")[0].args, (std::vector<std::string>{"c2"}));
    EXPECT_TRUE(answerOffered(app, "c1"));
    EXPECT_EQ(engine.callsOf("AcceptCall")[0].args[1], "c1");
    EXPECT_FALSE(runQuickAction(app, QuickAction::Answer)) << "nothing left to answer";
    EXPECT_FALSE(runQuickAction(app, QuickAction::Redial)) << "never a second call by a stray key";
    EXPECT_TRUE(runQuickAction(app, QuickAction::HangUp));
    EXPECT_EQ(engine.callsOf("DisconnectLine").size(), 1u);
    EXPECT_TRUE(runQuickAction(app, QuickAction::DoNotDisturb));
    EXPECT_TRUE(window.CheckDisturb.ticked());
}

TEST_F(StripProgramTest, HotkeysHaveDefaultsAndKeepWhatTheAgentChose) {
    const auto file = app.settingsFile();
    HotkeySettings keys = loadHotkeys(file);
    EXPECT_EQ(keys.keys[0], "Ctrl+Alt+A");
    EXPECT_TRUE(keys.global);
    keys.keys[0] = "F9";
    keys.keys[2] = "";
    keys.keys[3] = "Ctrl+\nX";
    keys.global = false;
    ASSERT_TRUE(saveHotkeys(file, keys));
    const HotkeySettings back = loadHotkeys(file);
    EXPECT_EQ(back.keys[0], "F9");
    EXPECT_EQ(back.keys[2], "") << "switched off stays off";
    EXPECT_EQ(back.keys[3], "") << "a key text with a line break is refused";
    EXPECT_EQ(back.keys[4], "Ctrl+Alt+M");
    EXPECT_FALSE(back.global);
    EXPECT_TRUE(back.mediaKeys);
}

TEST_F(StripProgramTest, HistoryListsSearchesFiltersAndRedials) {
    root.write("logs/Ann_calllogs.csv",
               "\"5551112222\",\"Ann\",\"12\",\"10:00:30\",\"12/9/2026\",\"hang up\"\r\n"
               "\"5553334444\",\"Ann\",\"40\",\"09:00:00\",\"12/8/2026\",\"\"\r\n");
    root.write("logs/callsout.txt", "5551112222          12/9/2026 10:00:18 AM\r\n");
    root.write("messages/5551112222_091226_100029.wav", "RIFF");
    const auto history = loadHistory(app, {{"5553334444", "Carla"}});
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].number, "5553334444") << "newest first, as the log reads";
    EXPECT_EQ(history[0].name, "Carla");
    EXPECT_FALSE(history[0].outgoing);
    EXPECT_TRUE(history[1].outgoing);
    EXPECT_EQ(history[1].recording.filename(), "5551112222_091226_100029.wav");
    EXPECT_TRUE(history[0].recording.empty());
    std::tm today{};
    today.tm_year = 126, today.tm_mon = 11, today.tm_mday = 9;
    EXPECT_TRUE(matches(history[1], {"111", HistoryDay::Today, ""}, today));
    EXPECT_FALSE(matches(history[0], {"", HistoryDay::Today, ""}, today));
    EXPECT_TRUE(matches(history[0], {"carl", HistoryDay::Yesterday, "far end hung up"}, today));
    EXPECT_FALSE(matches(history[0], {"", HistoryDay::All, "hang up"}, today));
    EXPECT_EQ(dayNumber("1/1/1970"), 0);
    EXPECT_EQ(dayNumber("junk"), -1);

    EXPECT_TRUE(redialEntry(app, history[0]));
    EXPECT_EQ(engine.callsOf("Dial").size(), 1u);
    EXPECT_FALSE(redialEntry(app, history[1])) << "a call is up on the dial line";
}

}  // namespace
}  // namespace velmora::calls
