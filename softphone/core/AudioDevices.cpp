#include "AudioDevices.h"

#include "AppContext.h"
#include "StatusLog.h"

#include <algorithm>

namespace velmora::core {
namespace {

std::string deviceName(AppContext& app, bool capture, long index) {
    return capture ? app.engine.GetInputDeviceName(index) : app.engine.GetOutputDeviceName(index);
}

// The list as the engine has it now, the chosen device still chosen where it
// is; false when it is gone (the list then stands on "Default Device").
bool refill(AppContext& app, ListBox& list, bool capture, const std::string& chosen) {
    const long count = capture ? app.engine.GetInputDeviceCount() : app.engine.GetOutputDeviceCount();
    list.clear();
    list.addItem("Default Device");
    for (long i = 0; i < count; ++i) list.addItem(deviceName(app, capture, i));
    const auto& lines = list.lines();
    const auto found = std::find(lines.begin() + 1, lines.end(), chosen);
    list.setListIndex(found == lines.end() ? 0 : static_cast<int>(found - lines.begin()));
    return found != lines.end();
}

long deviceForCall(AppContext& app, ListBox& list, bool capture) {
    if (list.listIndex() < 1 || list.listIndex() >= list.count()) return -1;
    const std::string chosen = list.lines()[list.listIndex()];
    if (deviceName(app, capture, list.listIndex() - 1) == chosen) return list.listIndex() - 1;
    if (refill(app, list, capture, chosen)) return list.listIndex() - 1;
    ShowStatus(app, std::string(capture ? "Microphone" : "Speaker") + " \"" + chosen +
                        "\" is no longer there: calls use the default device.");
    return -1;
}

}  // namespace

long inputDeviceForCall(AppContext& app) { return deviceForCall(app, app.window.ListAudioIn, true); }

long outputDeviceForCall(AppContext& app) { return deviceForCall(app, app.window.ListAudioOut, false); }

}  // namespace velmora::core
