#include "LinphoneEngine.h"

// Recording, playing files into calls, joining lines, chat and presence come
// with the engine's next step. Until then each refuses with the code that
// says what is missing, after the same line checks as the other operations.

namespace velmora::engine {

bool LinphoneEngine::IsLineRecording(int line) {
    checkLine(line);
    return false;
}

bool LinphoneEngine::PauseLineRecording(int line) {
    return checkLine(line) ? fail(kRecordingInitFailed) : false;
}

void LinphoneEngine::ResetRecording(int line) {
    if (checkLine(line)) ok();
}

bool LinphoneEngine::SaveRecording(int line, const std::string&) {
    return checkLine(line) ? fail(kWaveWriteFailed) : false;
}

bool LinphoneEngine::StartLineRecording(int line, int, bool) {
    return checkLine(line) ? fail(kRecordingInitFailed) : false;
}

bool LinphoneEngine::AddChatContact(const std::string&) {
    return core_ ? fail(kInvalidUri) : fail(kNotOnline);
}

bool LinphoneEngine::RemoveChatContact(const std::string&) {
    return core_ ? fail(kInvalidUri) : fail(kNotOnline);
}

bool LinphoneEngine::SetMyChatStatus(long) { return core_ ? fail(kInvalidValue) : fail(kNotOnline); }


}  // namespace velmora::engine
