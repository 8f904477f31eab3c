#pragma once

#include "engine/SipEngineEvents.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

inline constexpr std::size_t kMaxChatUsers = 99;
// The conversation keeps its latest lines; the oldest leave first.
inline constexpr int kMaxChatLines = 500;
// A message is shown up to this many characters (the log keeps kMaxChatLogLineBytes).
inline constexpr std::size_t kMaxShownChars = 2000;
// A sender's name is shown up to this many characters.
inline constexpr std::size_t kMaxShownName = 80;

// The day's chat log: a line (sender and text, before its time stamp) is cut
// at this many bytes; once the file would pass kMaxChatLogBytes it gets one
// kChatLogFullLine and nothing more that day.
inline constexpr std::size_t kMaxChatLogLineBytes = 1000;
inline constexpr std::uintmax_t kMaxChatLogBytes = 5u * 1024 * 1024;
inline constexpr const char* kChatLogFullLine = "chat log full for today";
// Received messages taken from one sender within any 60 seconds; more are
// dropped, said in the status list once a sender and minute.
inline constexpr std::size_t kMaxChatMessagesPerMinute = 20;
// Senders whose counts are kept apart; beyond them new senders share one count.
inline constexpr std::size_t kMaxRateSenders = 256;

// How a received message's sender is shown and logged. The engine names a
// sender of the agent's own SIP domain by its user part alone and anyone else
// by the full "user@domain": an own-domain user of the chat-user list
// ("USER NAME" entries) is shown by its name there, any other sender as the
// engine names it. Nothing received reads as the agent's own "Me": a list
// name that could ("Me", "me: ...") gets the user in brackets ("Me (1009)"),
// and a sender that still would is put in quotes.
std::string chatSenderName(const std::string& sender, const std::vector<std::string>& chatUsers);
// A log line cut to at most maxBytes bytes, never inside a UTF-8 sequence,
// with every control character a blank.
std::string boundedLogLine(const std::string& line, std::size_t maxBytes);

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
    // Whether a message from the sender may be taken now (and counts it).
    bool admitted(const std::string& sender);

    struct Rate {
        std::vector<std::uint32_t> taken;  // ticks of the last minute's messages, oldest first
        std::optional<std::uint32_t> saidAt;
    };
    core::AppContext& app_;
    std::map<std::string, Rate> rates_;
    Rate others_;  // every sender past kMaxRateSenders
};

}  // namespace velmora::media
