#include "SipTargets.h"

#include "LinphoneEngineOptions.h"

#include <algorithm>
#include <cctype>

namespace velmora::engine {
namespace {

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(b)) == a;
           });
}

// Characters a URI's user part carries unescaped (RFC 3261 "user").
bool userCharacter(unsigned char c) {
    return std::isalnum(c) || std::string_view("-_.!~*'()&=+$,;?/").find(c) != std::string_view::npos;
}

std::string escapedUser(const std::string& user) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : user) {
        if (userCharacter(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A host (name, IPv4 or bracketed IPv6 address) with an optional port: the
// domain comes from the settings file and must not bend the URI.
bool hostText(const std::string& domain) {
    return !domain.empty() && std::all_of(domain.begin(), domain.end(), [](unsigned char c) {
        return std::isalnum(c) || std::string_view("-.:[]").find(c) != std::string_view::npos;
    });
}

}  // namespace

std::optional<SipTransport> sipTransportNamed(std::string_view text) {
    if (sameNoCase(text, "udp")) return SipTransport::Udp;
    if (sameNoCase(text, "tcp")) return SipTransport::Tcp;
    if (sameNoCase(text, "tls")) return SipTransport::Tls;
    return std::nullopt;
}

std::optional<MediaEncryption> mediaEncryptionNamed(std::string_view text) {
    if (sameNoCase(text, "none")) return MediaEncryption::None;
    if (sameNoCase(text, "srtp")) return MediaEncryption::Srtp;
    if (sameNoCase(text, "srtp-mandatory")) return MediaEncryption::SrtpMandatory;
    if (sameNoCase(text, "zrtp")) return MediaEncryption::Zrtp;
    return std::nullopt;
}

std::optional<std::string> targetUri(const std::string& target, const std::string& domain) {
    if (target.empty() || !hostText(domain)) return std::nullopt;
    const bool plain = std::none_of(target.begin(), target.end(), [](unsigned char c) {
        return c <= ' ' || c == 0x7f || c == '<' || c == '>' || c == '"';
    });
    if (!plain) return std::nullopt;
    if (startsWithNoCase(target, "sip:") || startsWithNoCase(target, "sips:")) return target;
    if (target.find('@') != std::string::npos) return "sip:" + target;
    return "sip:" + escapedUser(target) + "@" + domain;
}

std::optional<CodecName> codecName(long codec) {
    switch (codec) {
    case 0: return CodecName{"GSM", 8000};
    case 1: return CodecName{"iLBC", 8000};
    case 2: return CodecName{"PCMA", 8000};
    case 3: return CodecName{"PCMU", 8000};
    case 4: return CodecName{"G729", 8000};
    default: return std::nullopt;
    }
}

}  // namespace velmora::engine
