#pragma once

#include "engine/SipEngineEvents.h"

#include <optional>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

inline constexpr std::size_t kMaxChatUsers = 99;
// The conversation keeps its latest lines; the oldest leave first.
inline constexpr int kMaxChatLines = 500;
// A message is shown up to this many characters (the log keeps it whole).
inline constexpr std::size_t kMaxShownChars = 2000;

// The text of a presence code 0..4; any other code gives "".
std::string chatStatusText(long code);
// What choosing a chat-user entry puts into the recipient and contact boxes:
// the trimmed entry cut after its first blank ("101 Anna" gives "101 "); none
// for an empty entry or one without a blank.
std::optional<std::string> chosenChatUser(const std::string& entry);
// The shown part of a marked-up message (one holding ">"): after the first
// ">" up to the next "<", or to the end when no "<" follows; none otherwise.
std::optional<std::string> markedUpBody(const std::string& message);

// The chat screen's handlers, connected in MediaSubsystem.
void chatScreenToggled(core::AppContext& app);
void chatUserChosen(core::AppContext& app);
void addChatContact(core::AppContext& app);
void removeChatContact(core::AppContext& app);
void myChatStatusChosen(core::AppContext& app);
void sendChatMessage(core::AppContext& app);
void newMessageIndicatorClicked(core::AppContext& app);
void clearChat(core::AppContext& app);
void editChatUsers(core::AppContext& app);

// Presence reports and received messages.
class ChatEvents : public engine::SipEngineEvents {
public:
    explicit ChatEvents(core::AppContext& app) : app_(app) {}
    void OnChatContactStatus(const std::string& contact, long status) override;
    void OnChatMessage(const std::string& sender, const std::string& message) override;

private:
    core::AppContext& app_;
};

}  // namespace velmora::media
