#pragma once

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// CheckPlayDialTone clicked: a tone that may be sounding stops, then the
// ring-back switch follows the box at once.
void ringBackSwitchClicked(core::AppContext& app);

}  // namespace velmora::media
