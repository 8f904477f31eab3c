#include "LinphoneEngine.h"

#include <linphone/api/c-call.h>
#include <linphone/conference.h>

// Joining two lines: a conference mixed here, so that both far ends and the
// agent hear each other. A line hung up leaves the conference; the other
// call goes on with the agent.

namespace velmora::engine {

bool LinphoneEngine::JoinLines(int lineA, int lineB) {
    if (!checkLine(lineA) || !checkLine(lineB)) return false;
    if (lineA == lineB) return fail(kInvalidLine);
    EngineCall* a = liveCall(lineA);
    EngineCall* b = liveCall(lineB);
    if (!a || !b) return fail(kNoVoiceSession);
    // liblinphone gives the conference the registered contact as its
    // address; without a registration, hanging up a joined call crashes
    // inside liblinphone 5.1.
    if (!registration_.registered()) return fail(kConnectRequestFailed);
    LinphoneConference* conference = linphone_core_get_conference(core_);
    if (!conference) {
        // Audio only, with the agent in it; it stays while one call is left.
        LinphoneConferenceParams* params = linphone_core_create_conference_params(core_);
        linphone_conference_params_enable_audio(params, TRUE);
        linphone_conference_params_enable_video(params, FALSE);
        linphone_conference_params_enable_chat(params, FALSE);
        linphone_conference_params_enable_local_participant(params, TRUE);
        linphone_conference_params_enable_one_participant_conference(params, TRUE);
        conference = linphone_core_create_conference_with_params(core_, params);
        linphone_conference_params_unref(params);
        if (!conference) return fail(kConnectRequestFailed);
    }
    // Both at once: adding one call alone would put the other on hold, and
    // a call being held cannot join. Held calls are taken off hold by joining.
    bctbx_list_t* calls = nullptr;
    for (LinphoneCall* call : {a->handle.get(), b->handle.get()})
        if (!linphone_call_get_conference(call)) calls = bctbx_list_append(calls, call);
    if (calls) linphone_conference_add_participants(conference, calls);
    bctbx_list_free(calls);
    // The status liblinphone returns is not a reliable 0/-1 here; whether
    // each call now belongs to the conference is.
    if (!linphone_call_get_conference(a->handle.get()) || !linphone_call_get_conference(b->handle.get()))
        return fail(kConnectRequestFailed);
    hurry();
    return ok();
}

}  // namespace velmora::engine
