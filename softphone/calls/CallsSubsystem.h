#pragma once

namespace velmora::core {
struct AppContext;
class EngineEventBus;
}  // namespace velmora::core

namespace velmora::calls {

// Dialling, the dial pad, click-to-dial and call end: connects their controls
// and timers to the handlers and adds the reactions to the call's progress.
void install(core::AppContext& app, core::EngineEventBus& events);

}  // namespace velmora::calls
