#include "LinphoneEngine.h"

// Recording, playing files into calls, joining lines, chat and presence come
// with the engine's next step. Until then each refuses with the code that
// says what is missing, after the same line checks as the other operations.

namespace velmora::engine {

bool LinphoneEngine::AddChatContact(const std::string&) {
    return core_ ? fail(kInvalidUri) : fail(kNotOnline);
}

bool LinphoneEngine::RemoveChatContact(const std::string&) {
    return core_ ? fail(kInvalidUri) : fail(kNotOnline);
}

bool LinphoneEngine::SetMyChatStatus(long) { return core_ ? fail(kInvalidValue) : fail(kNotOnline); }


}  // namespace velmora::engine
