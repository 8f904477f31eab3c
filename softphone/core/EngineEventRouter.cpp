#include "EngineEventRouter.h"

#include "AppContext.h"
#include "StatusLog.h"

namespace velmora::core {

void EngineEventRouter::OnDtmfDigit(int line, const std::string& digit) {
    ShowStatus(app_, lineStatus(line, "Key-pressed: " + digit));
}

void EngineEventRouter::OnPlayWaveDone(int line) { ShowStatus(app_, lineStatus(line, "Play wave done.")); }

}  // namespace velmora::core

namespace velmora::core {

void EngineEventRouter::OnTryingToRegister() {
    ShowStatus(app_, "Trying to register.");
    app_.window.mouseMenu.setCaption("Trying to register.");
}

void EngineEventRouter::OnRegistered() {
    auto& w = app_.window;
    ShowStatus(app_, "Registered successfully.");
    msDelay(app_.loop, 500);
    w.ListStatusLog.clear();
    ShowStatus(app_, "Ready...");
    w.mouseMenu.setCaption("Ready...");
    msDelay(app_.loop, 1000);
    w.mouseMenu.setCaption("Click Right Mouse Button for Menu");
    w.autoCheck.setEnabled(true);
}

void EngineEventRouter::OnRegisterFailed(long, const std::string& reason) {
    ShowStatus(app_, "Failed: " + reason);
    app_.window.mouseMenu.setCaption("Failed to register.");
}

void EngineEventRouter::OnTryingToReRegister() { ShowStatus(app_, "Trying to Re-Register."); }

void EngineEventRouter::OnReRegisterFailed(long, const std::string& reason) {
    ShowStatus(app_, "Fail to Re-Register: " + reason);
}

void EngineEventRouter::OnTryingToUnregister() { ShowStatus(app_, "Trying to Unregister."); }

void EngineEventRouter::OnUnregistered() {
    ShowStatus(app_, "Unregistered successfully.");
    app_.window.mouseMenu.setCaption("Unregistered successfully.");
    app_.window.mouseMenu.setCaption("You Are No On Line.");
}

void EngineEventRouter::OnUnregisterFailed() { ShowStatus(app_, "Fail to unregister."); }

}  // namespace velmora::core
