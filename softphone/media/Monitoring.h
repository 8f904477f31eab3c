#pragma once

#include <optional>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// Supervisor monitoring and the agent list. Listening ("199") and speaking to
// the agent only ("198") are the telephone system's services, dialled with the
// agent's extension; barging in is the digit 3 sent inside such a call.

inline constexpr const char* kListenCode = "199";
inline constexpr const char* kSpeakToAgentCode = "198";
inline constexpr const char* kColleagueCode = "*33";

// The extension a monitor entry names: its first 10 characters once the
// blanks around it are gone.
std::string monitorExtension(const std::string& entry);
// The extension of an agent-list entry ("1003_Bob"): the text before the first
// "_" within its first 50 characters, blanks removed; nullopt without one.
std::optional<std::string> colleagueExtension(const std::string& entry);

// Ends the current monitor connection, waits 500 ms, then dials code +
// extension. `requireEntry`: an empty entry stops after the hang-up.
void monitorAgent(core::AppContext& app, const std::string& entry, const std::string& code, bool requireEntry);
// MonList double click: speaks to the agent with VelmoraCheck ticked, else listens.
void monitorListDoubleClicked(core::AppContext& app);
// DDEListen and DDEVelmora, for the extension in velmoraDDEtxt.
void remoteMonitor(core::AppContext& app, const std::string& code);

// agentList click: hangs up, switches to the second line and calls the agent.
void callColleague(core::AppContext& app);
// ralCmd: the agent list read again.
void reloadAgentList(core::AppContext& app);
// ealCmd: the agent list in the desktop's text editor.
void editAgentList(core::AppContext& app);

}  // namespace velmora::media
