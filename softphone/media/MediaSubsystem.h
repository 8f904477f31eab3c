#pragma once

namespace velmora::core {
struct AppContext;
class EngineEventBus;
}  // namespace velmora::core

namespace velmora::media {

// Recording, playback, chat, monitoring, devices and codecs: connects their
// controls to the handlers and adds their engine-event reactions.
void install(core::AppContext& app, core::EngineEventBus& events);

}  // namespace velmora::media
