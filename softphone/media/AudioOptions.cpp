#include "AudioOptions.h"

#include "calls/RingBack.h"
#include "core/AppContext.h"

namespace velmora::media {

void ringBackSwitchClicked(core::AppContext& app) {
    calls::stopRingBack(app);
    app.state.ringBackOn = app.window.CheckPlayDialTone.ticked();
}

}  // namespace velmora::media
