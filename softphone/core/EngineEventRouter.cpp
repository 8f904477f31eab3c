#include "EngineEventRouter.h"

#include "AppContext.h"
#include "StatusLog.h"
#include "calls/CallEnd.h"
#include "calls/RingBack.h"
#include "settings/IniFiles.h"

#include <cmath>

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

namespace velmora::core {

void EngineEventRouter::OnConnecting(int line) { ShowStatus(app_, lineStatus(line, "Connecting.")); }

void EngineEventRouter::OnProvisionalResponse(int line, long statusCode, const std::string& reason) {
    if (statusCode == 180) calls::startRingBack(app_);
    if (statusCode == 183) calls::stopRingBack(app_);
    ShowStatus(app_, reason);
}

void EngineEventRouter::OnFailureResponseA(int, long, const std::string& reason, const std::string&) { finalFailure(reason); }

void EngineEventRouter::OnFailureResponseB(int, long, const std::string& reason) { finalFailure(reason); }

void EngineEventRouter::OnFailureResponseC(int, long, const std::string& reason) { finalFailure(reason); }

void EngineEventRouter::OnFailureResponseD(int line, long, const std::string& reason) {
    finalFailure("Line-" + std::to_string(line + 1) + " Response: " + reason);
}

void EngineEventRouter::finalFailure(const std::string& statusLine) {
    calls::stopRingBack(app_);
    ShowStatus(app_, statusLine);
}

void EngineEventRouter::OnConnectFailed(int line) {
    calls::stopRingBack(app_);
    ShowStatus(app_, lineStatus(line, "Fail to connect."));
}

void EngineEventRouter::OnConnected(int line, const std::string&, const std::string&) {
    auto& w = app_.window;
    calls::stopRingBack(app_);
    ShowStatus(app_, lineStatus(line, "Success to connect."));
    w.SliderSpkVol.setValue(static_cast<int>(std::lround(app_.engine.GetSpeakerVolume() / 25.0)));
    w.SliderMicVol.setValue(static_cast<int>(std::lround(app_.engine.GetMicrophoneVolume() / 25.0)));
    w.CheckMicBoost.setValue(app_.engine.IsMicBoostEnabled() ? 1 : 0);
    const std::string number = w.EditPhoneNo.text();
    if (!number.empty() && number != " " &&
        GetProfileSetting(kSystemSection, "recordAll", app_.settingsFile()) == "True")
        w.CheckStartRecording.setValue(1);
}

void EngineEventRouter::OnHungUp(int line) { calls::farEndHangUp(app_, line); }

}  // namespace velmora::core
