// libFuzzer target: the request URI built from a dialled or transfer target
// (the input after its first NUL) in a SIP domain (the input before it).
#include "FuzzInput.h"
#include "SipTargets.h"

#include <cctype>
#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzz::Parts parts(bytes, size);
    const std::string domain = parts.next();
    const std::string target = parts.rest();
    const auto uri = engine::targetUri(target, domain);
    if (!uri) return 0;
    // A URI never holds blanks or control characters, whatever it was built from.
    for (const char c : *uri)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) std::abort();
    std::string scheme = uri->substr(0, 5);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme.rfind("sip:", 0) != 0 && scheme != "sips:") std::abort();
    engine::codecName(size > 0 ? static_cast<long>(bytes[0]) - 128 : 0);
    return 0;
}
