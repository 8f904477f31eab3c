#include "Handlers.h"

#include "AppContext.h"
#include "Online.h"
#include "Provisioning.h"
#include "Shutdown.h"
#include "StatusLog.h"
#include "WebPanel.h"
#include "calls/CallEnd.h"
#include "calls/Dialling.h"

namespace velmora::core {

void installHandlers(AppContext& app) {
    auto& w = app.window;
    w.BtnOnline.onClick = [&app] { toggleOnline(app); };
    w.OnLineTimer.onTick = [&app] {
        app.window.OnLineTimer.setEnabled(false);
        toggleOnline(app);
    };
    w.webtimer.onTick = [&app] { runWebPanel(app); };
    w.exitcmd.onClick = [&app] { shutdownProgram(app); };

    // Outgoing calls and call end
    w.BtnDial.onClick = [&app] { calls::dial(app); };
    w.redialPush.onClick = [&app] { calls::redial(app); };
    w.BtnHangUp.onClick = [&app] { calls::hangUp(app); };
    w.Command1.onClick = [&app] { calls::sendBoxCode(app); };
    w.autoCheck.onClick = [&app] { calls::clickToDialPressed(app); };
    w.DialTimer.onTick = [&app] { calls::clipboardDialTick(app); };
    w.CallTimer.onTick = [&app] { calls::countCallSecond(app); };
    const std::pair<Button*, char> keys[] = {
        {&w.BtnDialPad0, '0'}, {&w.BtnDialPad1, '2'}, {&w.BtnDialPad2, '2'}, {&w.BtnDialPad3, '3'},
        {&w.BtnDialPad4, '4'}, {&w.BtnDialPad5, '5'}, {&w.BtnDialPad6, '6'}, {&w.BtnDialPad7, '7'},
        {&w.BtnDialPad8, '8'}, {&w.BtnDialPad9, '9'}, {&w.BtnDialPadStar, '*'}, {&w.BtnDialPadNo, '#'}};
    for (const auto& [key, character] : keys) key->onClick = [&app, c = character] { calls::dialPadPress(app, c); };
    const std::pair<Label*, char> captions[] = {
        {&w.ctText8, '0'}, {&w.abctxt, '2'}, {&w.ctText1, '3'}, {&w.ctText2, '4'}, {&w.ctText3, '5'},
        {&w.ctText4, '6'}, {&w.ctText5, '7'}, {&w.ctText6, '8'}, {&w.ctText7, '9'}};
    for (const auto& [caption, character] : captions)
        caption->onClick = [&app, c = character] { calls::dialPadPress(app, c); };

    // Status log
    w.LineStatTxT.onChange = [&app] { onLineStatusChanged(app); };
    w.BtnClearLog.onClick = [&w] {
        w.ListStatusLog.clear();
        w.EditPhoneNo.setText("");
    };
    w.logCleanTimer.onTick = [&w] {
        w.logCleanTimer.setEnabled(false);
        w.ListStatusLog.clear();
    };

    // Provisioning and local credentials
    w.custNumCmd.onClick = [&app] { showProvisioningPanel(app); };
    w.SaveCustNum.onClick = [&app] { saveProvisioningPanel(app); };
    w.saveHidePush.onClick = [&app] { saveCrmCredentials(app); };
    w.Label18.onDoubleClick = [&app] { setProvisioned(app, true); };
    w.Label21.onDoubleClick = [&app] { setProvisioned(app, false); };
    w.editSk1.onClick = [&app] { openLoginNotes(app); };
    w.expChk.onClick = [&app] { changeKeyPadView(app); };
}

}  // namespace velmora::core
