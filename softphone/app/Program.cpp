#include "Program.h"

#include "calls/CallsSubsystem.h"
#include "core/AppContext.h"
#include "core/CoreSubsystem.h"
#include "media/MediaSubsystem.h"

namespace velmora::app {

// Order matters where several subsystems react to one event: the call's own
// status line comes before the media reactions to it.
Program::Program(core::AppContext& app) : app_(app) {
    core::installCore(app, events_);
    calls::install(app, events_);
    media::install(app, events_);
    app.engine.setEvents(&events_);
}

Program::~Program() { app_.engine.setEvents(nullptr); }

}  // namespace velmora::app
