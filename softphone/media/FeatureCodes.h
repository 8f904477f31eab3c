#pragma once

#include <optional>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// Calls to the telephone system's services, reached by feature codes:
// "*55" + user name is the agent's answering-machine message box, "*97"
// voice-mail, "9001" the greeting player.

// A feature code's extension or a number typed by others is dialled only when
// it is made of digits, "*" and "#" (an empty one too: the bare code), so that
// no outside text turns the call into an address of another host.
bool isKeypadText(const std::string& text);
// The agent's user name may be any SIP user name, but without "@" or ":".
bool isPlainUserName(const std::string& text);

// PlayMsgPush (and the clipboard's "#pam"): hands the call on the
// ComboTransferCall line to the message box and logs "Answering Machine".
void dropMessage(core::AppContext& app);
// LAMPush: in-band DTMF on, then dials the message box on the ComboDial line.
void listenToMessageBox(core::AppContext& app);
// vmclick: disabled (until Hang Up) and "*97" dialled.
void callVoiceMail(core::AppContext& app);
// GreatPush: starts the greeting recorder when DID is "True".
void recordGreeting(core::AppContext& app);
// ListtogreetingCmd: dials "9001" when DID is "True".
void listenToGreeting(core::AppContext& app);

// The number VMCallPush dials from the transfer field: a 10-character text as
// it stands, otherwise the text before the first blank within 50 characters.
std::optional<std::string> transferNumberToDial(const std::string& text);
// VMCallPush.
void callTransferNumber(core::AppContext& app);

}  // namespace velmora::media
