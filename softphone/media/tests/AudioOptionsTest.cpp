#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::media {
namespace {

struct AudioOptionsTest : core::testing::AppFixture {
    app::Program program{app};
    AudioOptionsTest() {
        window.webtimer.setEnabled(false);
        app.state.lineCount = 2;
        core::fillLineLists(app);
    }
};

TEST_F(AudioOptionsTest, RingBackSwitchTakesEffectAtOnce) {
    app.state.ringBackOn = true;
    engine.raise().OnProvisionalResponse(0, 180, "Ringing");  // tone sounding
    window.CheckPlayDialTone.click();                         // off: the tone stops now
    EXPECT_FALSE(app.state.ringBackOn);
    engine.raise().OnProvisionalResponse(0, 180, "Ringing");  // no tone while off
    window.CheckPlayDialTone.click();
    EXPECT_TRUE(app.state.ringBackOn);
    engine.raise().OnProvisionalResponse(0, 180, "Ringing");
    const std::string ring = "start:" + (root.dir / "bin/ring.wav").string();
    EXPECT_EQ(platform.ringLog, (std::vector<std::string>{ring, "stop", ring}));
}

TEST_F(AudioOptionsTest, AnEstablishedCallShowsTheEngineVolumesAfterItsStatusLine) {
    engine.setLong("GetSpeakerVolume", 255);
    engine.setLong("GetMicrophoneVolume", 37);
    window.SliderSpkVol.observe(
        [this] { EXPECT_EQ(window.ListStatusLog.lines().back(), "Line-1: Success to connect."); });
    engine.raise().OnConnected(0, "Customer", "5551234567");
    EXPECT_EQ(window.SliderSpkVol.value(), 10);
    EXPECT_EQ(window.SliderMicVol.value(), 1);
}

}  // namespace
}  // namespace velmora::media
