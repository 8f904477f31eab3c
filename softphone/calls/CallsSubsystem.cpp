#include "CallsSubsystem.h"

#include "CallEnd.h"
#include "CallEvents.h"
#include "CallerId.h"
#include "Dialling.h"
#include "TransferEvents.h"

#include "core/AppContext.h"
#include "core/EngineEventBus.h"

namespace velmora::calls {

void install(core::AppContext& app, core::EngineEventBus& events) {
    using core::Button;
    using core::Label;
    events.add(std::make_unique<CallEvents>(app));
    events.add(std::make_unique<TransferEvents>(app));

    auto& w = app.window;
    w.BtnDial.onClick = [&app] { dial(app); };
    w.EditPhoneNo.onEnter = [&w] { w.BtnDial.click(); };
    w.EditPhoneNo.onKeyPress = [&app](char key) { typedIntoNumber(app, key); };
    w.redialPush.onClick = [&app] { redial(app); };
    w.BtnHangUp.onClick = [&app] { hangUp(app); };
    w.Command1.onClick = [&app] { sendBoxCode(app); };
    w.autoCheck.onClick = [&app] { clickToDialPressed(app); };
    w.DialTimer.onTick = [&app] { clipboardDialTick(app); };
    w.CallTimer.onTick = [&app] { countCallSecond(app); };
    w.cidCheck.onClick = [&app] { cidCheckClicked(app); };
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
}

}  // namespace velmora::calls
