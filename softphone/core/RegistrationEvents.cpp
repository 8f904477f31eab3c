#include "RegistrationEvents.h"

#include "AppContext.h"
#include "StatusLog.h"

namespace velmora::core {

void RegistrationEvents::OnTryingToRegister() {
    ShowStatus(app_, "Trying to register.");
    app_.window.mouseMenu.setCaption("Trying to register.");
}

void RegistrationEvents::OnRegistered() {
    auto& w = app_.window;
    ShowStatus(app_, "Registered successfully.");
    w.RegLight.setCaption("Registered");
    msDelay(app_.loop, 500);
    w.ListStatusLog.clear();
    ShowStatus(app_, "Ready...");
    w.mouseMenu.setCaption("Ready...");
    msDelay(app_.loop, 1000);
    w.mouseMenu.setCaption("Click Right Mouse Button for Menu");
    w.autoCheck.setEnabled(true);
}

void RegistrationEvents::OnRegisterFailed(long, const std::string& reason) {
    ShowStatus(app_, "Failed: " + reason);
    app_.window.RegLight.setCaption("Failed");
    app_.window.mouseMenu.setCaption("Failed to register.");
}

void RegistrationEvents::OnTryingToReRegister() { ShowStatus(app_, "Trying to Re-Register."); }

void RegistrationEvents::OnReRegisterFailed(long, const std::string& reason) {
    ShowStatus(app_, "Fail to Re-Register: " + reason);
    app_.window.RegLight.setCaption("Failed");
}

void RegistrationEvents::OnTryingToUnregister() { ShowStatus(app_, "Trying to Unregister."); }

void RegistrationEvents::OnUnregistered() {
    ShowStatus(app_, "Unregistered successfully.");
    app_.window.RegLight.setCaption("Offline");
    app_.window.mouseMenu.setCaption("Unregistered successfully.");
    app_.window.mouseMenu.setCaption("You Are No On Line.");
}

void RegistrationEvents::OnUnregisterFailed() { ShowStatus(app_, "Fail to unregister."); }

void StatusLineEvents::OnDtmfDigit(int line, const std::string& digit) {
    ShowStatus(app_, lineStatus(line, "Key-pressed: " + digit));
}

void StatusLineEvents::OnPlayWaveDone(int line) { ShowStatus(app_, lineStatus(line, "Play wave done.")); }

}  // namespace velmora::core
