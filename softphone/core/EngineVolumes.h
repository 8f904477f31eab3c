#pragma once

namespace velmora::core {

struct AppContext;

// Slider position (0..10) for an engine volume (0..255): the nearest step of 25.
int sliderFromVolume(long volume);

// The volume sliders and CheckMicBoost show what the engine has now.
void showEngineVolumes(AppContext& app);

}  // namespace velmora::core
