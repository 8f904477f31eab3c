#pragma once

namespace velmora::core {

struct AppContext;
class EngineEventBus;

// Going online, the status log, provisioning and shutdown: connects their
// controls and timers to the handlers and adds their engine-event reactions.
void installCore(AppContext& app, EngineEventBus& events);

}  // namespace velmora::core
