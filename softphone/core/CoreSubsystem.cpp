#include "CoreSubsystem.h"

#include "AppContext.h"
#include "EngineEventBus.h"
#include "Online.h"
#include "Provisioning.h"
#include "RegistrationEvents.h"
#include "Shutdown.h"
#include "StatusLog.h"
#include "TapiBridge.h"
#include "Timers.h"
#include "WebPanel.h"

namespace velmora::core {

void installCore(AppContext& app, EngineEventBus& events) {
    events.add(std::make_unique<RegistrationEvents>(app));
    events.add(std::make_unique<StatusLineEvents>(app));

    auto& w = app.window;
    w.BtnOnline.onClick = [&app] { toggleOnline(app); };
    w.OnLineTimer.onTick = [&app] {
        app.window.OnLineTimer.setEnabled(false);
        toggleOnline(app);
    };
    w.webtimer.onTick = [&app] { runWebPanel(app); };
    w.exitcmd.onClick = [&app] { shutdownProgram(app); };

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

    // Periodic timers; TapiSip is the calls subsystem's, whose dialling rules
    // carry the bridge's requests out.
    w.TimerTick.onTick = [&app] { lineStatusTick(app); };
    w.TimerProgressBar.onTick = [&app] { levelMeterTick(app); };
    w.TimeTimer.onTick = [&app] { clockTick(app); };
    w.tapiPush.onClick = [&app] { tapiPushClicked(app); };
}

}  // namespace velmora::core
