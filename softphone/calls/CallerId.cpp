#include "CallerId.h"

#include "core/AppContext.h"

namespace velmora::calls {

void cidCheckClicked(core::AppContext& app) {
    app.settings().set(core::keys::AutoCid, app.window.cidCheck.ticked() ? "True" : "False");
}

}  // namespace velmora::calls
