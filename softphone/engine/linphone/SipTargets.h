#pragma once

#include <optional>
#include <string>

namespace velmora::engine {

// The request URI of a dialled or transfer target: a "sip:" or "sips:" URI is
// used as given, "user@host" gets the "sip:" scheme, and anything else is a
// number of the SIP proxy's domain. Empty targets and targets holding blanks
// or control characters have none.
std::optional<std::string> targetUri(const std::string& target, const std::string& domain);

// A codec of the engine's numbering (0 GSM 6.10, 1 iLBC, 2 G.711 A-law,
// 3 G.711 u-law, 4 G.729) as liblinphone names it.
struct CodecName {
    const char* mime;
    int rate;
};
std::optional<CodecName> codecName(long codec);

}  // namespace velmora::engine
