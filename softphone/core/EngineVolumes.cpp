#include "EngineVolumes.h"

#include "AppContext.h"

#include <cmath>

namespace velmora::core {

int sliderFromVolume(long volume) { return static_cast<int>(std::lround(volume / 25.0)); }

void showEngineVolumes(AppContext& app) {
    auto& w = app.window;
    w.SliderSpkVol.setValue(sliderFromVolume(app.engine.GetSpeakerVolume()));
    w.SliderMicVol.setValue(sliderFromVolume(app.engine.GetMicrophoneVolume()));
    w.CheckMicBoost.setValue(app.engine.IsMicBoostEnabled() ? 1 : 0);
}

}  // namespace velmora::core
