#pragma once

#include "core/CallBook.h"

#include <optional>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// BtnDial: places a call to EditPhoneNo on the line of ComboDial.
void dial(core::AppContext& app);
// redialPush: dials LastNumber again.
void redial(core::AppContext& app);
// A dial-pad key: digits extend a number shorter or longer than 10 characters,
// "*" always, "#" never; the character goes out as DTMF either way.
void dialPadPress(core::AppContext& app, char key);
// A character typed into EditPhoneNo: a DTMF key goes out on the line of
// ComboDial while that line carries a call (the text grows as typed).
void typedIntoNumber(core::AppContext& app, char key);
// "Box#": the mailbox code 5807 as DTMF, paced.
void sendBoxCode(core::AppContext& app);
// autoCheck pressed: stores autocall and shows "Click On"/"Click Off".
void clickToDialPressed(core::AppContext& app);

// What the clipboard dialler makes of a clipboard text.
struct ClipboardAction {
    enum Kind { Ignore, HangUp, PlayMessage, Dial } kind = Ignore;
    std::string number;  // Dial: the ten digits
};
ClipboardAction readClipboardText(const std::string& text, long swipeLength);

// DialTimer's tick.
void clipboardDialTick(core::AppContext& app);
// What DialTimer does with a clipboard text once click-to-dial is on: hang up,
// play the message, or dial its ten digits (the clipboard is cleared), or
// nothing. The TAPI bridge's requests take the same road.
void carryOutClipboardText(core::AppContext& app, const std::string& text);

// What a call-back or redial may dial of a number: its dialling characters only.
std::string dialableText(const std::string& number);

// The line selected in ComboDial.
int dialLine(const core::AppContext& app);

// Places a call to target on the line and opens its call object (number: what
// its record and recording name say); nullptr when the engine refuses, with
// the reason left in GetLastEngineError. A refused call still on the line
// ends first.
core::Call* placeCall(core::AppContext& app, int line, const std::string& target, const std::string& number,
                      long inputDevice, long outputDevice);

// The live call of a line. A call the engine carries that the program did not
// place (none in normal use) is taken up with the dial field's number.
core::Call* callOfLine(core::AppContext& app, int line);

// The live call CallTimer counts, if any.
core::Call* countedCall(core::AppContext& app);

// The counter counts this call from now, and the window shows it.
void countAndShow(core::AppContext& app, core::Call& call);

// Seconds counted by CallTimer, as the text field holds them.
void countCallSecond(core::AppContext& app);

}  // namespace velmora::calls
