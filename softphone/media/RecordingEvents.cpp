#include "RecordingEvents.h"

#include "core/AppContext.h"

namespace velmora::media {

void RecordingEvents::OnConnected(int line, const std::string&, const std::string&) {
    auto& w = app_.window;
    const core::Call* call = app_.state.calls.onLine(line);
    const std::string number = call ? call->number : w.EditPhoneNo.text();
    if (number.empty() || number == " ") return;
    app_.state.recordAllSetting = app_.settings().get(core::keys::recordAll);
    if (app_.state.recordAllSetting == "True") w.CheckStartRecording.setValue(1);
}

}  // namespace velmora::media
