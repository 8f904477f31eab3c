#pragma once

#include <linphone/core.h>

namespace velmora::engine {

// The call is over (or going): nothing more can be done with it.
inline bool callEnded(LinphoneCallState state) {
    return state == LinphoneCallEnd || state == LinphoneCallError || state == LinphoneCallReleased;
}

// Held by us (a hold re-INVITE is out or was accepted).
inline bool callHeld(LinphoneCall* call) {
    const LinphoneCallState state = linphone_call_get_state(call);
    return state == LinphoneCallPausing || state == LinphoneCallPaused;
}

}  // namespace velmora::engine
