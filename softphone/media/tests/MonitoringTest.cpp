#include "media/Monitoring.h"

#include "MediaFixture.h"

#include "engine/EngineErrors.h"

namespace velmora::media {
namespace {

struct Monitoring : testing::MediaFixture {
    void monitorList(std::vector<std::string> entries) {
        window.MonList.clear();
        for (const auto& e : entries) window.MonList.addItem(e);
    }
    std::vector<std::string> dialled() const {
        std::vector<std::string> out;
        for (const auto& call : engine.callsOf("Dial")) out.push_back(call.args.at(1));
        return out;
    }
};

TEST(MonitorEntry, IsCutToTenCharactersWithoutBlanks) {
    EXPECT_EQ(monitorExtension("  1002  "), "1002");
    EXPECT_EQ(monitorExtension("10021002100210"), "1002100210");
    EXPECT_EQ(monitorExtension(" 123456789 12"), "123456789");
    EXPECT_EQ(monitorExtension(std::string(5000, '7')), std::string(10, '7'));
}

TEST_F(Monitoring, DoubleClickListensOrSpeaksToTheAgentAfterHalfASecond) {
    monitorList({"1002", "  10021002100210 "});
    window.MonList.setListIndex(0);
    const auto before = loop.elapsed();
    window.MonList.doubleClick();
    EXPECT_EQ(loop.elapsed() - before, 500);
    window.VelmoraCheck.setValue(1);
    window.MonList.setListIndex(1);
    window.MonList.doubleClick();
    EXPECT_EQ(dialled(), (std::vector<std::string>{"1991002", "1981002100210"}));
    EXPECT_EQ(app.state.monitoredAgent, "1002100210");
    EXPECT_TRUE(window.ListStatusLog.lines().empty());
}

TEST_F(Monitoring, DoubleClickWithNothingSelectedDialsNothing) {
    monitorList({"1002"});
    window.MonList.doubleClick();
    EXPECT_TRUE(dialled().empty());
    EXPECT_EQ(app.state.monitoredAgent, "");
}

TEST_F(Monitoring, RemoteCommandsDialTheTrimmedTextOrTheBareCode) {
    const std::tuple<std::string, core::Button*, std::string> cases[] = {
        {" 1004 ", &window.DDEListen, "1991004"},
        {"1004", &window.DDEVelmora, "1981004"},
        {"", &window.DDEListen, "199"},
    };
    for (const auto& [text, button, number] : cases) {
        engine.clearCalls();
        window.velmoraDDEtxt.setText(text);
        button->click();
        EXPECT_EQ(dialled(), std::vector<std::string>{number});
    }
}

TEST_F(Monitoring, ExtensionsThatAreNotKeypadTextAreNotDialled) {
    for (const char* text : {"1004@evil.example", "sip:1004", "10 04"}) {
        window.velmoraDDEtxt.setText(text);
        window.DDEListen.click();
    }
    EXPECT_TRUE(dialled().empty());
    EXPECT_EQ(window.ListStatusLog.lines().front(), "Line-1: Not an extension: 1004@evil.");
}

TEST_F(Monitoring, RefusedDialIsShown) {
    engine.failNext("Dial", engine::kLineNotOpen);
    window.velmoraDDEtxt.setText("1004");
    window.DDEListen.click();
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(Monitoring, BargeInKeySendsThree) {
    EXPECT_EQ(window.BtnDialPad3.caption(), "Barge In");
    window.BtnDialPad3.click();
    EXPECT_EQ(engine.callsOf("SendDtmfDigit").at(0).text(), "SendDtmfDigit(0,3)");
}

TEST_F(Monitoring, AgentClickHangsUpAndCallsTheColleagueOnTheSecondLine) {
    window.agentList.addItem("1003_Bob");
    window.EditPhoneNo.setText("5557654321");
    engine.setLineBusy(0, true);
    window.agentList.choose(0);
    EXPECT_EQ(engine.names({"IsLineBusy", "GetLastEngineError"}), (std::vector<std::string>{"DisconnectLine", "Dial"}));
    EXPECT_EQ(engine.callsOf("DisconnectLine").at(0).text(), "DisconnectLine(0)");
    EXPECT_EQ(engine.callsOf("Dial").at(0).text(), "Dial(1,*331003,-1,-1)");
    EXPECT_EQ(window.EditPhoneNo.text(), "1003_Bob");
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Line-2: Dialing - 1003");
}

TEST_F(Monitoring, AgentEntryWithoutUnderscoreSwitchesLinesAndFillsTheNumberOnly) {
    for (const std::string& entry : {std::string("Bob"), std::string(50, '1') + "_x"}) {
        engine.clearCalls();
        window.agentList.clear();
        window.agentList.addItem(entry);
        window.ComboDial.setListIndex(0);
        window.agentList.choose(0);
        EXPECT_TRUE(dialled().empty());
        EXPECT_EQ(window.ComboDial.listIndex(), 1);
        EXPECT_EQ(window.EditPhoneNo.text(), entry);
    }
}

TEST_F(Monitoring, AgentListIsReloadedAndEdited) {
    root.write("bin/AgentList.txt", "1001_Ann,\"1002_Bob\"\n1003_Cy\n");
    window.agentList.addItem("old");
    window.ralCmd.click();
    EXPECT_EQ(window.agentList.lines(), (std::vector<std::string>{"1001_Ann", "1002_Bob", "1003_Cy"}));
    window.ealCmd.click();
    EXPECT_EQ(platform.edited, std::vector<std::filesystem::path>{root.dir / "bin/AgentList.txt"});
}

TEST_F(Monitoring, HostileListFilesFillToTheirMaximum) {
    std::string many;
    for (int i = 0; i < 10000; ++i) many += std::to_string(i) + "_" + std::string(5000 * (i < 3), 'x') + "\n";
    root.write("bin/agentlist.txt", many);
    window.ralCmd.click();
    EXPECT_EQ(window.agentList.count(), 49);
    root.write("bin/agentlist.txt", std::string("\0\xff\x01,\x80\n", 6));
    window.ralCmd.click();
    EXPECT_LE(window.agentList.count(), 2);
    window.agentList.choose(0);
    EXPECT_TRUE(dialled().empty());
}

}  // namespace
}  // namespace velmora::media
