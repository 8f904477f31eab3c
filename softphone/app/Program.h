#pragma once

#include "core/EngineEventBus.h"

namespace velmora::core {
struct AppContext;
}

namespace velmora::app {

// The program apart from its view: every subsystem's handlers on the window's
// controls, and the engine's events fanned out to the subsystems' reactions.
// Lives as long as the engine may raise events.
class Program {
public:
    explicit Program(core::AppContext& app);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

private:
    core::AppContext& app_;
    core::EngineEventBus events_;
};

}  // namespace velmora::app
