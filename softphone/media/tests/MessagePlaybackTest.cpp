#include "MediaFixture.h"

#include "engine/EngineErrors.h"

namespace velmora::media {
namespace {

using Playback = testing::MediaFixture;

TEST_F(Playback, MessageFieldsStartAtTheThreePreRecordedMessages) {
    EXPECT_EQ(window.EditPlayFileName.text(), "");
    EXPECT_EQ(window.EditPlayFileName1.text(), (root.dir / "PreRecordedMessages/msg1.wav").string());
    EXPECT_EQ(window.EditPlayFileName3.text(), (root.dir / "PreRecordedMessages/msg3.wav").string());
}

TEST_F(Playback, FrameButtonsDriveThePlayLine) {
    window.ComboPlayWave.setListIndex(1);
    window.EditPlayFileName.setText("  /tmp/a b.wav");
    window.CheckPlayListen.setValue(1);
    engine.setLong("GetPlayPosition", 7);
    for (auto* button : {&window.BtnSetPlayFile, &window.BtnStartPlay2, &window.BtnStartPlay, &window.BtnPlayPause,
                         &window.StopPlayPush, &window.BtnPlayStop, &window.BtnPlayForward})
        button->click();
    EXPECT_EQ(engine.callTexts(),
              (std::vector<std::string>{"SetPlayFile(1,  /tmp/a b.wav)",
                                        "SetPlayFile(1," + window.EditPlayFileName2.text() + ")", "StartPlay(1,True)",
                                        "PausePlay(1)", "PausePlay(1)", "StopPlay(1)", "GetPlayPosition(1)",
                                        "SeekPlayPosition(1,9)"}));
}

TEST_F(Playback, RewindNearTheStartAsksForANegativePosition) {
    for (long position : {0L, 1L, 5L}) {
        engine.clearCalls();
        engine.setLong("GetPlayPosition", position);
        window.BtnPlayRewind.click();
        EXPECT_EQ(engine.callsOf("SeekPlayPosition").at(0).text(),
                  "SeekPlayPosition(0," + std::to_string(position - 2) + ")");
    }
}

TEST_F(Playback, MessageButtonLoadsWaitsAndPlaysOnTheLineSelectedThen) {
    // The agent picks line 2 while the message button waits.
    loop.startTimer(100, [this] { window.ComboPlayWave.setListIndex(1); });
    const auto before = loop.elapsed();
    window.PlayMsg1.click();
    EXPECT_EQ(loop.elapsed() - before, 250);
    EXPECT_EQ(engine.callTexts(), (std::vector<std::string>{"SetPlayFile(0," + window.EditPlayFileName1.text() + ")",
                                                            "StartPlay(1,False)"}));
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(Playback, EmptyMessageFieldStillWaitsAndPlaysAndBothRefusalsAreShown) {
    window.EditPlayFileName2.setText("");
    engine.failNext("SetPlayFile", engine::kWaveOpenFailed);
    engine.failNext("StartPlay", engine::kNoVoiceSession);
    const auto before = loop.elapsed();
    window.PlayMsg2.click();
    EXPECT_EQ(loop.elapsed() - before, 250);
    EXPECT_EQ(engine.names({"GetLastEngineError"}), (std::vector<std::string>{"SetPlayFile", "StartPlay"}));
    EXPECT_EQ(engine.callsOf("SetPlayFile").at(0).text(), "SetPlayFile(0,)");
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"Can not open the wave file.", "Selected line is not in voice session."}));
}

TEST_F(Playback, RefusedFilesShowTheEngineMessageAndKeepTheWindowAsItIs) {
    const std::pair<long, const char*> cases[] = {{engine::kWaveOpenFailed, "Can not open the wave file."},
                                                  {engine::kWaveReadFailed, "Fail to read wave file."},
                                                  {engine::kUnsupportedWaveFormat, "Unsupported wave file format."}};
    window.EditPlayFileName.setText("/tmp/x.wav");
    for (const auto& [code, text] : cases) {
        platform.messages.clear();
        engine.failNext("SetPlayFile", code);
        window.BtnSetPlayFile.click();
        EXPECT_EQ(messageTexts(), std::vector<std::string>{text});
        EXPECT_EQ(window.EditPlayFileName.text(), "/tmp/x.wav");
    }
}

TEST_F(Playback, EndOfPlayIsReportedOnceForItsLine) {
    engine.raise().OnPlayWaveDone(1);
    EXPECT_EQ(window.ListStatusLog.lines(), std::vector<std::string>{"Line-2: Play wave done."});
}

}  // namespace
}  // namespace velmora::media
