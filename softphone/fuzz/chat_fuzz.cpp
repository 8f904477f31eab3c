// libFuzzer target: a received chat message as the chat screen takes it. The
// input is the sender, the chat-user list file and the message body
// (NUL-separated). A sender never reads as the agent's own "Me", the shown
// texts stay bounded and valid, and a log line is one line within its bound.
#include "FuzzInput.h"
#include "core/SafeText.h"
#include "core/settings/ListFile.h"
#include "media/Chat.h"

#include <cctype>
#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzz::Parts parts(bytes, size);
    const std::string sender = parts.next();
    const std::string users = parts.next();
    const std::string message = parts.rest();

    const auto list = core::parseListItems(users, media::kMaxChatUsers);
    const std::string name = media::chatSenderName(sender, list);
    const std::string shown = core::shownText(name, media::kMaxShownName) + ": " +
                              core::shownText(media::markedUpBody(message).value_or(message), media::kMaxShownChars);
    std::size_t at = 0;
    while (at < shown.size() && shown[at] == ' ') ++at;
    if (shown.size() >= at + 3 && std::tolower(static_cast<unsigned char>(shown[at])) == 'm' &&
        std::tolower(static_cast<unsigned char>(shown[at + 1])) == 'e' && shown[at + 2] == ':')
        std::abort();  // a received line reading as the agent's own
    const std::string logged = media::boundedLogLine(name + ": " + message, media::kMaxChatLogLineBytes);
    if (logged.size() > media::kMaxChatLogLineBytes) std::abort();
    for (const char c : logged)
        if (c == '\r' || c == '\n') std::abort();
    return 0;
}
