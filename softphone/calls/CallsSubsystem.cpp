#include "CallsSubsystem.h"

#include "CallEnd.h"
#include "CallEvents.h"
#include "CallStrip.h"
#include "CallerId.h"
#include "Dialling.h"
#include "HoldTransfer.h"
#include "TransferEvents.h"
#include "IncomingCalls.h"

#include "core/AppContext.h"
#include "core/EngineEventBus.h"
#include "core/TapiBridge.h"

namespace velmora::calls {

void install(core::AppContext& app, core::EngineEventBus& events) {
    using core::Button;
    using core::Label;
    events.add(std::make_unique<CallEvents>(app));
    events.add(std::make_unique<TransferEvents>(app));

    app.state.calls.hangUpCall = [&app](std::uint64_t serial) { hangUpCall(app, serial); };

    auto& w = app.window;
    w.BtnDial.onClick = [&app] { dial(app); };
    w.EditPhoneNo.onEnter = [&w] { w.BtnDial.click(); };
    w.EditPhoneNo.onKeyPress = [&app](char key) { typedIntoNumber(app, key); };
    w.redialPush.onClick = [&app] { redial(app); };
    w.BtnHangUp.onClick = [&app] { hangUp(app); };
    w.Command1.onClick = [&app] { sendBoxCode(app); };
    w.autoCheck.onClick = [&app] { clickToDialPressed(app); };
    w.DialTimer.onTick = [&app] { clipboardDialTick(app); };
    // The bridge's requests follow the click-to-dial rules, whether or not
    // click-to-dial is on: the agent switched the bridge on by itself.
    w.TapiSip.onTick = [&app] {
        core::tapiSipTick(app, [&app](const std::string& request) { carryOutClipboardText(app, request); });
    };
    w.CallTimer.onTick = [&app] { countCallSecond(app); };
    w.cidCheck.onClick = [&app] { cidCheckClicked(app); };
    w.BtnHold.onClick = [&app] { hold(app); };
    w.BtnUnHold.onClick = [&app] { unhold(app); };
    w.BtnTransferCall.onClick = [&app] { blindTransfer(app); };
    w.CallTranPush.onClick = [&app] { secondLineCall(app); };
    w.BtnConsultTransfer.onClick = [&app] { consultTransfer(app); };
    w.threeWayPush.onClick = [&app] { threeWay(app); };
    w.EditTransferPhoneNo.onClick = [&app] { transferNumberChosen(app); };
    w.Frame10.onDoubleClick = [&app] { transferFrameDoubleClicked(app); };
    w.EditForwardCallPhoneNo.onClick = [&app] { forwardNumberClicked(app); };
    w.CheckForwardCall.onClick = [&app] { forwardCallClicked(app); };
    w.PreDialTxT.setText(app.settings().get(core::keys::PreDialNumber));
    w.CIDPush.onClick = [&app] { callerIdHandOver(app); };

    auto incoming = std::make_unique<IncomingCalls>(app);
    IncomingCalls* panel = incoming.get();
    events.add(std::move(incoming));
    w.ListIncomingCallIds.setVisible(false);
    w.missedcall.setVisible(false);
    w.BtnAccept.onClick = [panel] { panel->accept(); };
    w.BtnReject.onClick = [panel] { panel->reject(); };
    w.ListIncomingCall.onClick = [panel] { panel->offeredCallChosen(); };
    w.ListIncomingCall.onDoubleClick = [panel] { panel->accept(); };
    w.Label1.onClick = [&w] { w.InBoundFrm.setVisible(true); };
    w.ctPush1.onClick = [&w] { w.InBoundFrm.setVisible(false); };
    w.CheckDisturb.onClick = [panel] { panel->doNotDisturbClicked(); };
    w.CheckPlayRingTone.onClick = [&app] {
        if (!app.window.CheckPlayRingTone.ticked()) app.platform.stopRingSound();
    };
    w.missedcall.onClick = [panel] { panel->missedCallsPressed(); };
    w.BtnCallBack.onClick = [panel] { panel->callBack(); };
    w.ListMissedCalls.onDoubleClick = [panel] { panel->callBack(); };
    const std::pair<Button*, char> keys[] = {{&w.BtnDialPad0, '0'}, {&w.BtnDialPad1, '2'},    {&w.BtnDialPad2, '2'},
                                             {&w.BtnDialPad3, '3'}, {&w.BtnDialPad4, '4'},    {&w.BtnDialPad5, '5'},
                                             {&w.BtnDialPad6, '6'}, {&w.BtnDialPad7, '7'},    {&w.BtnDialPad8, '8'},
                                             {&w.BtnDialPad9, '9'}, {&w.BtnDialPadStar, '*'}, {&w.BtnDialPadNo, '#'}};
    for (const auto& [key, character] : keys) key->onClick = [&app, c = character] { dialPadPress(app, c); };
    const std::pair<Label*, char> captions[] = {{&w.ctText8, '0'}, {&w.abctxt, '2'},  {&w.ctText1, '3'},
                                                {&w.ctText2, '4'}, {&w.ctText3, '5'}, {&w.ctText4, '6'},
                                                {&w.ctText5, '7'}, {&w.ctText6, '8'}, {&w.ctText7, '9'}};
    for (const auto& [caption, character] : captions)
        caption->onClick = [&app, c = character] { dialPadPress(app, c); };
    // Last: it follows the calls the sinks above have just changed, and wraps
    // the handlers set above.
    installCallStrip(app, events);
}

}  // namespace velmora::calls
