#include "app/Program.h"
#include "core/EngineVolumes.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::media {
namespace {

struct AudioControlsTest : core::testing::AppFixture {
    app::Program program{app};
    AudioControlsTest() {
        window.webtimer.setEnabled(false);
        root.write("bin/velmoraapp.ini", "[System]\r\nLogin=1001\r\n");
        engine.inputDevices = {"USB headset mic", "Built-in mic"};
        engine.outputDevices = {"USB headset"};
        window.BtnOnline.click();  // two lines open, flags all clear
        engine.clearCalls();
        platform.messages.clear();
    }
    std::vector<std::string> calls() const { return engine.callTexts(); }
    std::vector<std::string> actions() const {
        return engine.names({"GetMicrophoneVolume", "GetSpeakerVolume", "GetLastEngineError"});
    }
};

TEST(SliderRounding, NearestStepOfTheEngineVolume) {
    const std::pair<long, int> cases[] = {{255, 10}, {250, 10}, {12, 0}, {13, 1}, {37, 1}, {38, 2}, {0, 0}, {125, 5}};
    for (const auto& [volume, slider] : cases) EXPECT_EQ(core::sliderFromVolume(volume), slider) << volume;
}

TEST_F(AudioControlsTest, SlidersSetTheEngineVolumeAndReportARefusal) {
    window.SliderMicVol.setValue(4);
    window.SliderSpkVol.setValue(10);
    EXPECT_EQ(engine.callsOf("SetMicrophoneVolume")[0].text(), "SetMicrophoneVolume(100)");
    EXPECT_EQ(engine.callsOf("SetSpeakerVolume")[0].text(), "SetSpeakerVolume(250)");
    EXPECT_TRUE(platform.messages.empty());
    engine.failNext("SetSpeakerVolume", engine::kInvalidValue);
    window.SliderSpkVol.setValue(2);
    ASSERT_EQ(platform.messages.size(), 1u);
}

TEST_F(AudioControlsTest, VolumesShownFromTheEngineAreNotWrittenBack) {
    engine.setLong("GetSpeakerVolume", 255);
    engine.setLong("GetMicrophoneVolume", 38);
    engine.raise().OnConnected(0, "Customer", "5551234567");
    EXPECT_EQ(window.SliderSpkVol.value(), 10);
    EXPECT_EQ(window.SliderMicVol.value(), 2);
    EXPECT_TRUE(engine.callsOf("SetSpeakerVolume").empty());
    EXPECT_TRUE(engine.callsOf("SetMicrophoneVolume").empty());
}

TEST_F(AudioControlsTest, GlobalMuteFollowsTheBoxes) {
    window.CheckMuteMic.click();
    window.CheckSpkMute.click();
    window.CheckMuteMic.click();
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"MuteMicrophone(True)", "MuteSpeaker(True)", "MuteMicrophone(False)"}));
}

TEST_F(AudioControlsTest, PerLineMuteKeepsFlagsOnlyForWhatTheEngineAccepted) {
    window.ComboMuteLine.setListIndex(1);
    window.CheckMuteLineMIC.click();
    EXPECT_EQ(app.state.lineMicMuted, (std::vector<bool>{false, true}));
    engine.failNext("MuteLineSpeaker", engine::kInvalidLine);
    window.CheckMuteLineSPK.click();
    EXPECT_EQ(app.state.lineSpeakerMuted, (std::vector<bool>{false, false}));
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(calls(), (std::vector<std::string>{"MuteLineMicrophone(1,True)", "MuteLineSpeaker(1,True)",
                                                 "GetLastEngineError()"}));
}

TEST_F(AudioControlsTest, ChoosingALineShowsItsFlagsAndCallsOnlyForBoxesThatChange) {
    window.ComboMuteLine.setListIndex(1);
    window.CheckMuteLineMIC.click();  // line 2: microphone muted
    engine.clearCalls();
    window.ComboMuteLine.setListIndex(1);  // flags match the boxes: nothing
    EXPECT_TRUE(calls().empty());
    window.ComboMuteLine.setListIndex(0);  // line 1 has no mute: the MIC box clears
    EXPECT_EQ(window.CheckMuteLineMIC.value(), 0);
    EXPECT_EQ(window.CheckMuteLineSPK.value(), 0);
    EXPECT_EQ(calls(), (std::vector<std::string>{"MuteLineMicrophone(0,False)"}));
}

TEST_F(AudioControlsTest, VoiceProcessingBoxes) {
    window.CheckAGC.click();
    window.CheckAGC.click();
    window.CheckEchoCancel.click();  // ticked at load: clearing it
    window.CheckMicBoost.click();
    engine.failNext("EnableAgc", engine::kNotOnline);
    window.CheckAGC.click();
    EXPECT_EQ(actions(), (std::vector<std::string>{"EnableAgc", "DisableAgc", "DisableEchoCancel", "EnableMicBoost",
                                                   "EnableAgc"}));
    EXPECT_EQ(engine.callsOf("EnableAgc")[0].text(), "EnableAgc(8000)");
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(AudioControlsTest, CodecBoxesSelectAndDeselectAtOnce) {
    const std::pair<core::CheckBox*, std::string> boxes[] = {{&window.CheckGSM610, "0"},
                                                             {&window.CheckiLBC, "1"},
                                                             {&window.CheckG711A, "2"},
                                                             {&window.CheckG711U, "3"},
                                                             {&window.CheckG729, "4"}};
    for (const auto& [box, codec] : boxes) {
        engine.clearCalls();
        box->click();
        box->click();
        const std::string first = box->ticked() ? "DeselectCodec(" : "SelectCodec(";
        const std::string second = box->ticked() ? "SelectCodec(" : "DeselectCodec(";
        EXPECT_EQ(calls(), (std::vector<std::string>{first + codec + ")", second + codec + ")"})) << box->name();
    }
}

TEST_F(AudioControlsTest, InbandDtmfForEveryOpenLineAndNothingOffline) {
    window.CheckForceInbandDTMF.click();
    EXPECT_EQ(calls(), (std::vector<std::string>{"EnableInbandDtmf(0)", "EnableInbandDtmf(1)"}));
    window.BtnOnline.click();  // offline
    engine.clearCalls();
    window.CheckForceInbandDTMF.click();
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(window.CheckForceInbandDTMF.value(), 0);
}

TEST_F(AudioControlsTest, DoNotDisturbAndTheRingSound) {
    window.CheckDisturb.click();
    window.CheckDisturb.click();
    EXPECT_EQ(calls(), (std::vector<std::string>{"EnableDoNotDisturb()", "DisableDoNotDisturb()"}));
    window.CheckPlayRingTone.click();  // cleared: any sound stops
    window.CheckPlayRingTone.click();  // ticked: nothing
    EXPECT_EQ(platform.ringLog, (std::vector<std::string>{"stop"}));
}

TEST_F(AudioControlsTest, CallsUseTheChosenDevicesAndFallBackOnceWhenOneIsGone) {
    const auto dial = [this] {
        engine.clearCalls();
        window.EditPhoneNo.setText("5557654321");
        window.BtnDial.click();
        return engine.callsOf("Dial").at(0).text();
    };
    EXPECT_EQ(dial(), "Dial(0,5557654321,-1,-1)");
    window.ListAudioIn.setListIndex(2);
    window.ListAudioOut.setListIndex(1);
    EXPECT_EQ(dial(), "Dial(0,5557654321,1,0)");
    engine.inputDevices = {"Built-in mic"};  // the headset is unplugged: the chosen mic moved
    EXPECT_EQ(dial(), "Dial(0,5557654321,0,0)");
    EXPECT_EQ(window.ListAudioIn.lines(), (std::vector<std::string>{"Default Device", "Built-in mic"}));
    engine.inputDevices = {};  // and now the chosen one is gone too
    EXPECT_EQ(dial(), "Dial(0,5557654321,-1,0)");
    EXPECT_EQ(dial(), "Dial(0,5557654321,-1,0)");
    const std::string notice = "Microphone \"Built-in mic\" is no longer there: calls use the default device.";
    const auto& log = window.ListStatusLog.lines();
    EXPECT_EQ(std::count(log.begin(), log.end(), notice), 1);
    EXPECT_EQ(window.ListAudioIn.listIndex(), 0);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(AudioControlsTest, ADoubleClickHidesTheDeviceFrame) {
    window.audioFrm.doubleClick();
    EXPECT_FALSE(window.audioFrm.visible());
}

}  // namespace
}  // namespace velmora::media
