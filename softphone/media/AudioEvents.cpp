#include "AudioEvents.h"

#include "core/AppContext.h"

#include <cmath>

namespace velmora::media {

int sliderFromVolume(long volume) { return static_cast<int>(std::lround(volume / 25.0)); }

void AudioEvents::OnConnected(int, const std::string&, const std::string&) {
    auto& w = app_.window;
    w.SliderSpkVol.setValue(sliderFromVolume(app_.engine.GetSpeakerVolume()));
    w.SliderMicVol.setValue(sliderFromVolume(app_.engine.GetMicrophoneVolume()));
    w.CheckMicBoost.setValue(app_.engine.IsMicBoostEnabled() ? 1 : 0);
}

}  // namespace velmora::media
