#include "Shutdown.h"

#include "AppContext.h"
#include "Online.h"

#include <vector>

namespace velmora::core {

namespace {

void hangUpEveryCall(AppContext& app) {
    std::vector<std::uint64_t> live;
    for (const Call* call : app.state.calls.live()) live.push_back(call->serial);
    if (app.state.calls.hangUpCall)
        for (const std::uint64_t serial : live) app.state.calls.hangUpCall(serial);
}

}  // namespace

void shutdownProgram(AppContext& app) {
    // Exit, a window close and a signal can each ask during the wait below.
    if (app.state.shuttingDown) return;
    app.state.shuttingDown = true;
    app.platform.stopRingSound();
    // Every call up ends as the agent's Hang Up ends it: its record written
    // and its recording saved or kept, before the engine goes.
    hangUpEveryCall(app);
    if (isOnline(app)) goOffline(app);
    msDelay(app.loop, 1000);
    hangUpEveryCall(app);  // one that came up during the waits
    app.engine.ShutdownEngine();
    app.platform.forceQuit();
}

}  // namespace velmora::core
