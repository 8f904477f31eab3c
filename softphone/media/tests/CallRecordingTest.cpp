#include "core/Timers.h"
#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::media {
namespace {

// An agent's call to 5557654321 on the first line, connected at 14:05:09 on
// 9 December 2026 (the fake desktop's clock).
struct CallRecordingTest : core::testing::AppFixture {
    std::vector<std::string> shown;  // every line the status list held, in order
    std::unique_ptr<app::Program> program;

    CallRecordingTest() { window.webtimer.setEnabled(false); }
    void start(const std::string& recordAll) {
        root.write("bin/velmoraapp.ini", "[System]\r\nrecordAll=" + recordAll + "\r\n");
        program = std::make_unique<app::Program>(app);
        window.EditAccountDisplayName.setText("Ann");
        app.state.lineCount = 2;
        core::fillLineLists(app);
        window.ListStatusLog.observe([this] {
            if (window.ListStatusLog.count() > 0) shown.push_back(window.ListStatusLog.lines().back());
        });
    }
    void connect(const std::string& number) {
        window.EditPhoneNo.setText(number);
        window.BtnDial.click();
        engine.setLineBusy(0, true);
        engine.raise().OnConnected(0, "Customer", number);
    }
    std::string inMessages(const std::string& name) const {
        return (root.dir / "messages" / (name + "_091226_140509.wav")).string();
    }
    std::vector<std::string> saves() const {
        std::vector<std::string> out;
        for (const auto& call : engine.callsOf("SaveRecording")) out.push_back(call.text());
        return out;
    }
};

TEST_F(CallRecordingTest, CallEndSavesOnlyWhenRecordAllOrThisCallAsksAndNotAfterASupervisedTransfer) {
    struct Case {
        const char* recordAll;
        bool thisCall, afterSupervisedTransfer, saved;
    };
    const Case cases[] = {
        {"True", false, false, true}, {"true", false, false, false}, {"False", false, false, false},
        {"", false, false, false},    {"False", true, false, true},  {"true", true, false, true},
        {"True", true, false, true},  {"True", false, true, false},  {"False", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("recordAll=") + c.recordAll + " thisCall=" + std::to_string(c.thisCall) +
                     " flag=" + std::to_string(c.afterSupervisedTransfer));
        engine.clearCalls();
        start(c.recordAll);
        connect("5557654321");
        if (c.thisCall) window.RecThisCallCheck.setValue(1);
        app.state.consultTransferFlag = c.afterSupervisedTransfer;
        window.BtnHangUp.click();
        // What was recorded and not saved is kept as the call's own unsaved recording.
        const bool recorded = std::string(c.recordAll) == "True" || c.thisCall;
        const auto file = c.saved ? inMessages("5557654321")
                                  : (root.dir / "engine/recordings/unsaved/5557654321_091226_140509.wav").string();
        EXPECT_EQ(saves(),
                  recorded ? std::vector<std::string>{"SaveRecording(0," + file + ")"} : std::vector<std::string>{});
        EXPECT_EQ(engine.callsOf("ResetRecording").size(), recorded ? 1u : 0u);
        EXPECT_FALSE(window.CheckStartRecording.ticked());
        EXPECT_FALSE(window.RecThisCallCheck.ticked());
        program.reset();
    }
}

TEST_F(CallRecordingTest, RecordedCallShowsRecordingPausedAndStoppedInOrder) {
    start("True");
    connect("5557654321");
    EXPECT_EQ(engine.callsOf("StartLineRecording").at(0).text(), "StartLineRecording(0,2,True)");
    EXPECT_EQ(window.CheckStartRecording.caption(), "Stop Recording Call");
    window.BtnHangUp.click();
    std::vector<std::string> recording;
    for (const auto& line : shown)
        if (line.find("Recording") != std::string::npos && (recording.empty() || recording.back() != line))
            recording.push_back(line);
    EXPECT_EQ(recording, (std::vector<std::string>{"Recording -5557654321", "Recording Paused -5557654321",
                                                   "Stopped Recording -5557654321"}));
    EXPECT_EQ(window.CheckStartRecording.caption(), "Start Recording Call");
    EXPECT_EQ(window.EditSaveFileName.text(), inMessages("5557654321"));
    // Straight to the list: the failed-call check never sees them.
    EXPECT_EQ(window.LineStatTxT.text().find("Recording"), std::string::npos);
}

TEST_F(CallRecordingTest, FileNameIsTrimmedWhileTheStatusShowsTheNumberAsTyped) {
    start("True");
    connect(" 5557654321 ");
    EXPECT_EQ(window.EditSaveFileName.text(), inMessages("5557654321"));
    EXPECT_EQ(shown.back(), "Recording - 5557654321 ");
}

TEST_F(CallRecordingTest, TwoSavesWithinOneSecondGetOneName) {
    start("True");
    connect("5557654321");
    window.BtnHold.click();
    window.BtnUnHold.click();
    window.BtnHangUp.click();
    const std::string save = "SaveRecording(0," + inMessages("5557654321") + ")";
    EXPECT_EQ(saves(), (std::vector<std::string>{save, save}));
}

TEST_F(CallRecordingTest, NumberCannotPlaceARecordingOutsideMessages) {
    start("True");
    for (const std::string number : {"../../bin/velmoraapp.ini", "a\\..\\b", "..", "12/34"}) {
        SCOPED_TRACE(number);
        window.EditPhoneNo.setText(number);
        window.CheckStartRecording.setValue(1);
        const std::filesystem::path file = window.EditSaveFileName.text();
        EXPECT_EQ(file.parent_path(), root.dir / "messages");
        EXPECT_EQ(file.filename().string().find(".."), std::string::npos);
        window.CheckStartRecording.setValue(0);
    }
}

TEST_F(CallRecordingTest, FailedSaveIsShownKeepsTheBufferAndALaterSaveSucceeds) {
    start("True");
    connect("5557654321");
    engine.failNext("SaveRecording", engine::kWaveWriteFailed);
    window.BtnHold.click();
    EXPECT_EQ(platform.messages.at(0).text, "Fail to write wave file.");
    EXPECT_EQ(engine.callsOf("ResetRecording").size(), 0u);
    EXPECT_EQ(std::find(shown.begin(), shown.end(), "Stopped Recording -5557654321"), shown.end());
    window.BtnUnHold.click();
    window.BtnHangUp.click();
    EXPECT_EQ(saves().size(), 2u);
    EXPECT_EQ(engine.callsOf("ResetRecording").size(), 1u);
}

TEST_F(CallRecordingTest, BoxesComboAndResetDriveTheEngine) {
    start("False");
    window.EditPhoneNo.setText(" ");
    window.CheckStartRecording.setValue(1);  // a blank number: only the box changes
    EXPECT_TRUE(engine.callsOf("StartLineRecording").empty());
    EXPECT_EQ(window.CheckStartRecording.caption(), "Start Recording Call");
    window.CheckStartRecording.setValue(0);

    connect("5557654321");
    EXPECT_TRUE(engine.callsOf("StartLineRecording").empty());  // recordAll off
    window.RecThisCallCheck.click();
    EXPECT_TRUE(window.CheckStartRecording.ticked());
    engine.clearCalls();
    window.CheckStartRecording.click();  // cleared by hand: paused, nothing saved
    EXPECT_EQ(engine.names(), (std::vector<std::string>{"PauseLineRecording"}));
    engine.setLineRecording(0, true);
    window.ComboRecord.setListIndex(0);
    EXPECT_TRUE(window.CheckStartRecording.ticked());
    engine.clearCalls();
    window.BtnResetRecordingBuffer.click();
    EXPECT_EQ(engine.callTexts(), (std::vector<std::string>{"ResetRecording(0)"}));
}

TEST_F(CallRecordingTest, StartUpClearsTheBoxUnlessRecordAllIsSet) {
    for (const auto& [value, stays] : {std::pair{"False", false}, {"", false}, {"True", true}, {"yes", true}}) {
        SCOPED_TRACE(value);
        window.CheckStartRecording.setValue(1);
        root.write("bin/velmoraapp.ini", std::string("[System]\r\nrecordAll=") + value + "\r\n");
        core::runSettingsCheck(app);  // the one-time check a second after start-up
        EXPECT_EQ(window.CheckStartRecording.ticked(), stays);
        EXPECT_EQ(app.state.recordAllSetting, value);
    }
}

TEST_F(CallRecordingTest, MonitorRecordingIsNamedAfterTheAgentAndSavedByItsHangUp) {
    start("False");
    app.state.monitoredAgent = "1002";
    window.EditPhoneNo.setText("199");
    window.recCheck2.click();
    EXPECT_EQ(app.state.monitorRecordingFile, inMessages("1002"));
    EXPECT_EQ(shown.back(), "Recording -1002");
    EXPECT_EQ(engine.callsOf("StartLineRecording").size(), 1u);
    engine.clearCalls();
    window.ctPush2.click();
    EXPECT_EQ(engine.callTexts(),
              (std::vector<std::string>{"DisconnectLine(0)", "SaveRecording(0," + inMessages("1002") + ")",
                                        "ResetRecording(0)", "PauseLineRecording(0)"}));
    EXPECT_FALSE(window.recCheck2.ticked());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Stopped Recording -1002"), shown.end());

    engine.clearCalls();
    window.ctPush2.click();  // not recording: the buffer is discarded
    EXPECT_EQ(engine.callTexts(), (std::vector<std::string>{"DisconnectLine(0)", "ResetRecording(0)"}));
}

TEST_F(CallRecordingTest, ToolButtonsStartTheirProgramsAndComeBack) {
    start("False");
    root.write("apps/Darrow", "");
    window.backupwav.click();
    EXPECT_TRUE(window.backupwav.enabled());
    window.RecClick.click();
    ASSERT_EQ(platform.launches.size(), 1u);
    EXPECT_EQ(platform.launches[0].program, root.dir / "apps/Darrow");
    EXPECT_EQ(shown.back(), "Skelby is not installed in apps/.");
    EXPECT_EQ(window.backupwav.toolTip(), "Back up call recordings to a server.");
}

}  // namespace
}  // namespace velmora::media
