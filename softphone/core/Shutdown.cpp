#include "Shutdown.h"

#include "AppContext.h"
#include "Online.h"

namespace velmora::core {

void shutdownProgram(AppContext& app) {
    // Exit, a window close and a signal can each ask during the wait below.
    if (app.state.shuttingDown) return;
    app.state.shuttingDown = true;
    app.platform.stopRingSound();
    if (isOnline(app)) goOffline(app);
    msDelay(app.loop, 1000);
    app.engine.ShutdownEngine();
    app.platform.forceQuit();
}

}  // namespace velmora::core
