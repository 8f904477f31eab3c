#include "RingBack.h"

#include "core/AppContext.h"

namespace velmora::calls {

void startRingBack(core::AppContext& app) {
    if (app.state.ringBackOn) app.platform.startRingSound(app.root.bin("ring.wav"));
}

void stopRingBack(core::AppContext& app) {
    if (app.state.ringBackOn) app.platform.stopRingSound();
}

}  // namespace velmora::calls
