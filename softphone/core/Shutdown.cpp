#include "Shutdown.h"

#include "AppContext.h"
#include "Online.h"

namespace velmora::core {

void shutdownProgram(AppContext& app) {
    app.platform.stopRingSound();
    if (isOnline(app)) goOffline(app);
    msDelay(app.loop, 1000);
    app.engine.ShutdownEngine();
    app.platform.forceQuit();
}

}  // namespace velmora::core
