#include "app/Program.h"
#include "calls/Dialling.h"
#include "TapiBridge.h"

#include "AppFixture.h"

#include <set>

namespace velmora::core {
namespace {

TEST(TapiChoice, LastNamesInCaseFreeOrderAndHangUpWins) {
    struct Case {
        std::vector<std::string> names;
        std::optional<std::string> request;  // nullopt: nothing to do
        std::string dialFile, endFile;
    };
    const Case cases[] = {
        {{}, std::nullopt, "", ""},
        {{"notes.txt", "x.dial", "dia", "sub"}, std::nullopt, "", ""},
        {{"100.dia", "200.dia"}, "200.dia", "200.dia", ""},
        {{"200.dia", "100.dia"}, "200.dia", "200.dia", ""},
        {{"300.dia", "x.end"}, "#hangup", "300.dia", "x.end"},
        {{"a.end", "B.END", "c.End"}, "#hangup", "", "c.End"},
        {{"5550000100.DIA", "5550000200.dia"}, "5550000200.dia", "5550000200.dia", ""},
        {{"b.dia", "A.dia", "a.dia"}, "b.dia", "b.dia", ""},             // case-free order
        {{"Z.dia", "ä.dia"}, "ä.dia", "ä.dia", ""},                      // bytes beyond ASCII after letters
        {{" 5557654321.dia"}, "5557654321.dia", " 5557654321.dia", ""},  // blanks trimmed
    };
    for (const auto& c : cases) {
        TapiChoice choice;
        for (const auto& name : c.names) choice.consider(name);
        const auto got = choice.request();
        ASSERT_EQ(got.has_value(), c.request.has_value()) << ::testing::PrintToString(c.names);
        if (!got) continue;
        EXPECT_EQ(got->text, *c.request);
        EXPECT_EQ(got->dialFile, c.dialFile);
        EXPECT_EQ(got->endFile, c.endFile);
    }
}

struct TapiBridgeTest : testing::AppFixture {
    app::Program program{app};
    TapiBridgeTest() {
        window.webtimer.setEnabled(false);
        window.DialTimer.setEnabled(false);  // only the bridge acts here
        root.write("bin/velmoraapp.ini", "[System]\r\nLogin=1001\r\nUseSipTapi=True\r\n");
        std::filesystem::create_directories(root.dir / "datalink");
        window.BtnOnline.click();
        engine.clearCalls();
    }
    void drop(const std::string& name) { root.write("datalink/" + name, ""); }
    std::set<std::string> left() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(root.dir / "datalink"))
            out.insert(e.path().filename().string());
        return out;
    }
    std::vector<std::string> dialled() const {
        std::vector<std::string> out;
        for (const auto& c : engine.callsOf("Dial")) out.push_back(c.args[1]);
        return out;
    }
};

TEST_F(TapiBridgeTest, OneRequestATickHighestNameFirst) {
    drop("100.dia");
    drop("200.dia");
    drop("5557654321.DIA");
    window.TapiSip.onTick();
    EXPECT_EQ(left(), (std::set<std::string>{"100.dia", "200.dia"}));
    EXPECT_EQ(dialled(), (std::vector<std::string>{"5557654321"}));
    EXPECT_EQ(platform.clipboardLog, (std::vector<std::string>{"clear", "set:5557654321.DIA", "clear"}));
    window.TapiSip.onTick();  // "200.dia" yields no ten digits: taken, never dialled
    EXPECT_EQ(left(), (std::set<std::string>{"100.dia"}));
    EXPECT_EQ(dialled().size(), 1u);
    EXPECT_EQ(platform.clipboard, "200.dia");
}

TEST_F(TapiBridgeTest, AHangUpRequestWinsAndBothFilesGo) {
    drop("300.dia");
    drop("x.end");
    drop("100.dia");
    int hangUps = 0;
    window.BtnHangUp.onClick = [&hangUps] { ++hangUps; };
    window.TapiSip.onTick();
    EXPECT_EQ(hangUps, 1);
    EXPECT_EQ(left(), (std::set<std::string>{"100.dia"}));
    EXPECT_TRUE(dialled().empty());
    EXPECT_EQ(platform.clipboardLog, (std::vector<std::string>{"clear", "set:#hangup", "clear"}));
}

TEST_F(TapiBridgeTest, OnlyWhatTheClickToDialRulesLetThroughReachesTheEngine) {
    const std::pair<std::string, std::string> cases[] = {
        {"5557654321.dia", "5557654321"},
        {"1 555 765 4321.dia", ""},  // 18 characters: longer than swipeSize 14
        {"(555)765-4321.dia", ""},   // 17 characters
        {"$(rm -rf x);5.dia", ""},   // no ten digits
        {"'5557654321'.dia", ""},    // 16 characters
        {"555765432é.dia", ""},      // nine digits
        {"..dia", ""},
    };
    for (const auto& [name, number] : cases) {
        engine.clearCalls();
        drop(name);
        window.TapiSip.onTick();
        EXPECT_TRUE(left().empty()) << name;
        EXPECT_EQ(dialled(), number.empty() ? std::vector<std::string>{} : std::vector<std::string>{number}) << name;
    }
}

TEST_F(TapiBridgeTest, NothingWithoutUseSipTapiOrWithoutAFolder) {
    drop("5557654321.dia");
    app.state.useSipTapi = false;
    window.TapiSip.onTick();
    EXPECT_EQ(left(), (std::set<std::string>{"5557654321.dia"}));
    app.state.useSipTapi = true;
    std::filesystem::remove_all(root.dir / "datalink");
    window.TapiSip.onTick();
    EXPECT_TRUE(dialled().empty());
    EXPECT_TRUE(platform.clipboardLog.empty());
}

TEST_F(TapiBridgeTest, ARequestWhoseFileCannotBeDeletedWaitsAndIsNeverRepeated) {
    drop("5557654321.dia");
    bool deletable = false;
    const auto remove = [&deletable](const std::filesystem::path& file) {
        return deletable && removeRequestFile(file);
    };
    const auto handOver = [this](const std::string& r) { calls::carryOutClipboardText(app, r); };
    for (int tick = 0; tick < 3; ++tick) tapiSipTick(app, handOver, remove);
    EXPECT_TRUE(dialled().empty());
    EXPECT_TRUE(platform.clipboardLog.empty());
    deletable = true;
    tapiSipTick(app, handOver, remove);
    tapiSipTick(app, handOver, remove);
    EXPECT_EQ(dialled(), (std::vector<std::string>{"5557654321"}));
}

TEST_F(TapiBridgeTest, RequestsAreCarriedOutWithClickToDialOff) {
    ASSERT_FALSE(window.autoCheck.ticked());
    drop("5557654321.dia");
    loop.advance(500);
    EXPECT_EQ(dialled(), (std::vector<std::string>{"5557654321"}));
}

TEST_F(TapiBridgeTest, AThousandRequestsAreServedOneATick) {
    for (int i = 0; i < 1000; ++i) drop(std::to_string(5550001000L + i) + ".dia");
    loop.advance(500);
    EXPECT_EQ(left().size(), 999u);
    EXPECT_EQ(dialled(), (std::vector<std::string>{"5550001999"}));
    loop.advance(500);
    EXPECT_EQ(dialled().back(), "5550001998");
}

TEST_F(TapiBridgeTest, AMissingBridgeProgramIsSaid) {
    window.tapiPush.click();
    EXPECT_TRUE(platform.launches.empty());
    EXPECT_EQ(window.ListStatusLog.lines().back(), "Quenlo is not installed in apps/.");
    EXPECT_TRUE(window.tapiPush.enabled());
}

TEST_F(TapiBridgeTest, TheButtonStartsTheBridgeProgramAndWaits) {
    root.write("apps/Quenlo", "");
    bool offWhileStarting = false;
    loop.post([&] { offWhileStarting = !window.tapiPush.enabled(); });
    window.tapiPush.click();
    EXPECT_TRUE(offWhileStarting);
    EXPECT_TRUE(window.tapiPush.enabled());
    ASSERT_EQ(platform.launches.size(), 1u);
    EXPECT_EQ(platform.launches[0].program.filename(), "Quenlo");
    EXPECT_TRUE(platform.launches[0].arguments.empty());
}

}  // namespace
}  // namespace velmora::core
