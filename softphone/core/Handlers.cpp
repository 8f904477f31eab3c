#include "Handlers.h"

#include "AppContext.h"
#include "Online.h"
#include "Shutdown.h"

namespace velmora::core {

void installHandlers(AppContext& app) {
    auto& w = app.window;
    w.BtnOnline.onClick = [&app] {
        if (isOnline(app)) goOffline(app);
    };
    w.exitcmd.onClick = [&app] { shutdownProgram(app); };
}

}  // namespace velmora::core
