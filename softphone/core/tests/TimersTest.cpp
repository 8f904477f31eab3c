#include "app/Program.h"
#include "Online.h"
#include "Startup.h"
#include "Timers.h"

#include "AppFixture.h"

namespace velmora::core {
namespace {

struct TimersTest : testing::AppFixture {
    app::Program program{app};
    TimersTest() { window.webtimer.setEnabled(false); }
    void goOnline() {
        root.write("bin/velmoraapp.ini", "[System]\r\nLogin=1001\r\n");
        window.BtnOnline.click();
    }
    std::vector<std::string> statusCells() const {
        std::vector<std::string> out;
        for (const auto& row : window.ListViewLineStatus.rows()) out.push_back(row.at(0) + " " + row.at(1));
        return out;
    }
};

TEST_F(TimersTest, StatusWordAsksTheEngineInOrderAndNoFurtherThanNeeded) {
    struct Case {
        bool open, busy, playing, held;
        std::string word;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {false, true, true, true, "close", {"IsLineOpen"}},
        {true, false, true, true, "free", {"IsLineOpen", "IsLineBusy"}},
        {true, true, true, true, "playing", {"IsLineOpen", "IsLineBusy", "IsWavePlaying"}},
        {true, true, false, true, "hold", {"IsLineOpen", "IsLineBusy", "IsWavePlaying", "IsLineOnHold"}},
        {true, true, false, false, "busy", {"IsLineOpen", "IsLineBusy", "IsWavePlaying", "IsLineOnHold"}},
    };
    for (const auto& c : cases) {
        engine::RecordingEngine answers;
        std::string address = "127.0.0.1";
        if (c.open) answers.OpenLine(1, false, address, 7000);
        answers.setLineBusy(1, c.busy);
        answers.setLong("IsWavePlaying", c.playing ? 1 : 0);
        answers.setLineOnHold(1, c.held);
        answers.clearCalls();
        EXPECT_EQ(lineStatusWord(answers, 1), c.word);
        EXPECT_EQ(answers.names(), c.asked) << c.word;
        for (const auto& call : answers.calls()) EXPECT_EQ(call.args, std::vector<std::string>{"1"});
    }
}

TEST_F(TimersTest, LineStatusRowsAreBuiltOnceAndTouchedOnlyWhenTheWordChanges) {
    goOnline();
    loop.advance(1000);
    EXPECT_EQ(statusCells(), (std::vector<std::string>{"1 free", "2 free"}));
    int changes = 0;
    window.ListViewLineStatus.observe([&changes] { ++changes; });
    loop.advance(3000);
    EXPECT_EQ(changes, 0);
    engine.setLineBusy(0, true);
    loop.advance(1000);
    EXPECT_EQ(statusCells(), (std::vector<std::string>{"1 busy", "2 free"}));
    EXPECT_EQ(changes, 1);
    engine.setLineOnHold(0, true);
    loop.advance(1000);
    EXPECT_EQ(statusCells(), (std::vector<std::string>{"1 hold", "2 free"}));
}

TEST_F(TimersTest, MetersFollowTheEngineAndRestAtZeroOffline) {
    goOnline();
    engine.setLong("GetSpeakerLevel", 42);
    engine.setLong("GetMicrophoneLevel", 7);
    loop.advance(20);
    EXPECT_EQ(window.SpkProgress.value(), 42);
    EXPECT_EQ(window.MicProgress.value(), 7);
    window.BtnOnline.click();  // offline
    loop.advance(1000);
    EXPECT_EQ(window.SpkProgress.value(), 0);
    EXPECT_EQ(window.MicProgress.value(), 0);
    EXPECT_TRUE(window.ListViewLineStatus.rows().empty());
}

TEST(ClockText, TwelveHourClockWithAmPm) {
    const std::tuple<int, int, std::string> cases[] = {
        {15, 7, "03:07 PM"}, {0, 0, "12:00 AM"}, {12, 30, "12:30 PM"}, {9, 5, "09:05 AM"}, {23, 59, "11:59 PM"}};
    for (const auto& [hour, minute, text] : cases) {
        std::tm t{};
        t.tm_hour = hour;
        t.tm_min = minute;
        EXPECT_EQ(clockText(t), text);
    }
}

TEST_F(TimersTest, TheClockRunsFromLoad) {
    loop.advance(1000);
    EXPECT_EQ(window.TimeText.text(), "02:05 PM");
}

TEST_F(TimersTest, SettingsCheckRunsOnceShortlyAfterLoad) {
    struct Case {
        std::string recordAll;
        int recordingBox;
    };
    for (const Case& c : {Case{"", 0}, Case{"False", 0}, Case{"True", 1}, Case{"Yes", 1}}) {
        root.write("bin/velmoraapp.ini", "[System]\r\nrecordAll=" + c.recordAll + "\r\n");
        window.CheckStartRecording.setValue(1);
        runSettingsCheck(app);
        EXPECT_EQ(window.CheckStartRecording.value(), c.recordingBox) << c.recordAll;
        EXPECT_EQ(app.state.recordAllSetting, c.recordAll);
    }
    window.CheckStartRecording.setValue(1);
    root.write("bin/velmoraapp.ini", "[System]\r\nrecordAll=False\r\n");
    loadWindow(app, false);
    EXPECT_EQ(window.CheckStartRecording.value(), 1);
    loop.advance(kSettingsCheckDelayMs);
    EXPECT_EQ(window.CheckStartRecording.value(), 0);
    window.CheckStartRecording.setValue(1);
    loop.advance(10 * kSettingsCheckDelayMs);  // once only
    EXPECT_EQ(window.CheckStartRecording.value(), 1);
}

}  // namespace
}  // namespace velmora::core
