#include "SipSource.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace velmora::engine {
namespace {

constexpr std::size_t kMaxHeaderLines = 256;
constexpr std::size_t kMaxField = 256;

bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && sameNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string out(text.substr(0, kMaxField));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isToken(std::string_view text) {
    return !text.empty() && text.size() <= 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isalpha(static_cast<unsigned char>(c)) != 0;
           });
}

std::optional<long> number(std::string_view text) {
    text = trimmed(text);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

bool isAddress(std::string_view host) {
    return !host.empty() && (host.find(':') != std::string_view::npos ||
                             std::all_of(host.begin(), host.end(), [](char c) { return c == '.' || std::isdigit(static_cast<unsigned char>(c)); }));
}

// One header line's name and value; the name without its colon.
bool header(std::string_view line, std::string_view& name, std::string_view& value) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    name = trimmed(line.substr(0, colon));
    value = trimmed(line.substr(colon + 1));
    return true;
}

bool named(std::string_view name, std::string_view full, std::string_view compact) {
    return sameNoCase(name, full) || (!compact.empty() && sameNoCase(name, compact));
}

// Whether a To or From value's header parameters (after the URI) hold a tag.
bool hasTag(std::string_view value) {
    const auto close = value.rfind('>');
    std::string_view params = close == std::string_view::npos ? value : value.substr(close + 1);
    if (close == std::string_view::npos) {
        const auto semi = value.find(';');
        params = semi == std::string_view::npos ? std::string_view{} : value.substr(semi);
    }
    for (std::size_t at = params.find(';'); at != std::string_view::npos; at = params.find(';', at + 1))
        if (startsWithNoCase(trimmed(params.substr(at + 1)), "tag")) return true;
    return false;
}

}  // namespace

bool sameHost(std::string_view a, std::string_view b) { return sameNoCase(a, b); }

std::optional<UriParts> headerUri(std::string_view value) {
    value = trimmed(value);
    if (value.size() > 2048) return std::nullopt;
    std::string_view uri;
    std::size_t at = 0;
    if (!value.empty() && value.front() == '"') {
        // A quoted display name may hold anything, '<' included.
        for (at = 1; at < value.size() && value[at] != '"'; ++at)
            if (value[at] == '\\') ++at;
        if (at >= value.size()) return std::nullopt;
        ++at;
    }
    const auto open = value.find('<', at);
    if (open != std::string_view::npos) {
        const auto close = value.find('>', open);
        if (close == std::string_view::npos) return std::nullopt;
        uri = value.substr(open + 1, close - open - 1);
    } else {
        uri = value.substr(at);
        uri = uri.substr(0, std::min(uri.find(';'), uri.size()));
    }
    uri = trimmed(uri);
    if (startsWithNoCase(uri, "sip:"))
        uri.remove_prefix(4);
    else if (startsWithNoCase(uri, "sips:"))
        uri.remove_prefix(5);
    else
        return std::nullopt;
    // Parameters and headers of the URI are not part of the address.
    uri = uri.substr(0, std::min({uri.find(';'), uri.find('?'), uri.size()}));
    UriParts parts;
    const auto atSign = uri.find('@');
    if (atSign != std::string_view::npos) {
        if (uri.find('@', atSign + 1) != std::string_view::npos) return std::nullopt;
        std::string_view user = uri.substr(0, atSign);
        user = user.substr(0, std::min(user.find(':'), user.size()));  // no password
        if (user.size() > kMaxField) return std::nullopt;
        parts.user = std::string(user);
        uri.remove_prefix(atSign + 1);
    }
    std::string_view host = uri;
    if (!host.empty() && host.front() == '[') {
        const auto end = host.find(']');
        if (end == std::string_view::npos) return std::nullopt;
        host = host.substr(1, end - 1);
    } else {
        host = host.substr(0, std::min(host.find(':'), host.size()));
    }
    if (host.empty() || host.size() > kMaxField) return std::nullopt;
    parts.host = lower(host);
    return parts;
}

namespace {

struct Header {
    std::string_view name;
    std::string_view value;
};

// Calls visit(first line, headers) for each message whose headers arrived
// whole in chunk, at most kMaxRequestsPerChunk of them; a message whose
// length cannot be told ends the reading (what follows cannot be told apart).
template <typename Visit>
void forEachMessage(bool datagram, std::string_view chunk, Visit visit) {
    std::size_t pos = 0;
    std::vector<Header> headers;
    for (std::size_t messages = 0; pos < chunk.size() && messages < kMaxRequestsPerChunk; ++messages) {
        // Keep-alives and the blank lines between messages.
        while (pos < chunk.size() && (chunk[pos] == '\r' || chunk[pos] == '\n')) ++pos;
        const auto end = chunk.find("\r\n\r\n", pos);
        if (end == std::string_view::npos) break;  // headers not whole: nothing is said of them
        const std::string_view head = chunk.substr(pos, end - pos);
        pos = end + 4;
        headers.clear();
        std::string_view first;
        long contentLength = 0;
        bool usable = true;
        std::size_t lineStart = 0;
        for (std::size_t lines = 0; lineStart <= head.size(); ++lines) {
            const auto lineEnd = head.find("\r\n", lineStart);
            const std::string_view line =
                head.substr(lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
            lineStart = lineEnd == std::string_view::npos ? head.size() + 1 : lineEnd + 2;
            if (lines == 0) {
                first = line;
                continue;
            }
            if (lines > kMaxHeaderLines) {
                usable = false;
                break;
            }
            if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) continue;  // a folded value
            std::string_view name, value;
            if (!header(line, name, value)) continue;
            if (named(name, "Content-Length", "l")) contentLength = number(value).value_or(-1);
            headers.push_back({name, value});
        }
        if (contentLength < 0) break;
        if (usable) visit(first, headers);
        if (datagram) break;  // one message a datagram: the rest is its body
        if (static_cast<std::size_t>(contentLength) > chunk.size() - pos) break;
        pos += static_cast<std::size_t>(contentLength);
    }
}

// The realm="..." parameter of a challenge's value.
std::string realmOf(std::string_view value) {
    for (std::size_t at = 0; (at = value.find("realm", at)) != std::string_view::npos; at += 5) {
        if (at > 0 && value[at - 1] != ' ' && value[at - 1] != ',' && value[at - 1] != '\t') continue;
        std::string_view rest = trimmed(value.substr(at + 5));
        if (rest.empty() || rest.front() != '=') continue;
        rest = trimmed(rest.substr(1));
        if (rest.empty() || rest.front() != '"') return std::string(rest.substr(0, std::min(rest.find(','), kMaxField)));
        const auto close = rest.find('"', 1);
        if (close == std::string_view::npos) return {};
        return std::string(rest.substr(1, std::min(close - 1, kMaxField)));
    }
    return {};
}

}  // namespace

std::vector<ReceivedRequest> receivedRequests(const SipPeer& peer, std::string_view chunk) {
    std::vector<ReceivedRequest> requests;
    forEachMessage(peer.transport == "udp", chunk, [&](std::string_view first, const std::vector<Header>& headers) {
        // "METHOD sip:... SIP/2.0"; a response starts with "SIP/2.0".
        const auto space = first.find(' ');
        if (space == std::string_view::npos || !isToken(first.substr(0, space)) || first.size() < 8 ||
            !sameNoCase(first.substr(first.size() - 8), " SIP/2.0"))
            return;
        ReceivedRequest item;
        item.peer = peer;
        int callIds = 0, froms = 0, tos = 0;
        for (const auto& [name, value] : headers) {
            if (named(name, "Call-ID", "i")) {
                ++callIds;
                item.callId = std::string(value.substr(0, kMaxField));
            } else if (named(name, "From", "f")) {
                ++froms;
                if (const auto uri = headerUri(value)) {
                    item.fromUser = uri->user;
                    item.fromDomain = uri->host;
                }
            } else if (named(name, "To", "t")) {
                ++tos;
                item.inDialog = hasTag(value);
            } else if (named(name, "Replaces", "")) {
                item.replaces = true;
            } else if (named(name, "Event", "o")) {
                item.event = lower(trimmed(value.substr(0, std::min(value.find(';'), value.size()))));
            } else if (named(name, "Expires", "")) {
                item.expires = number(value).value_or(-1);
            }
        }
        // A request that names itself twice is nobody's: it is noted nowhere.
        if (callIds != 1 || froms != 1 || tos != 1 || item.callId.empty()) return;
        item.method = std::string(first.substr(0, space));
        requests.push_back(std::move(item));
    });
    return requests;
}

std::vector<ReceivedChallenge> receivedChallenges(bool datagram, std::string_view chunk) {
    std::vector<ReceivedChallenge> challenges;
    forEachMessage(datagram, chunk, [&](std::string_view first, const std::vector<Header>& headers) {
        if (!startsWithNoCase(first, "SIP/2.0 ") || first.size() < 11) return;
        const auto code = number(first.substr(8, 3));
        if (!code || (*code != 401 && *code != 407)) return;
        ReceivedChallenge item;
        item.code = *code;
        for (const char c : trimmed(first.substr(11)).substr(0, 64))
            if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) item.phrase += c;
        int callIds = 0;
        for (const auto& [name, value] : headers) {
            if (named(name, "Call-ID", "i")) {
                ++callIds;
                item.callId = std::string(value.substr(0, kMaxField));
            } else if (named(name, "CSeq", "")) {
                const auto space = trimmed(value).find(' ');
                if (space != std::string_view::npos) item.method = std::string(trimmed(trimmed(value).substr(space + 1)).substr(0, 32));
            } else if (named(name, "WWW-Authenticate", "") || named(name, "Proxy-Authenticate", "")) {
                if (item.realms.size() < 4) item.realms.push_back(realmOf(value));
            }
        }
        if (callIds != 1 || item.callId.empty()) return;
        challenges.push_back(std::move(item));
    });
    return challenges;
}

bool isTrustedPeer(const SipPeer& peer, const TrustedProxy& proxy) {
    if (proxy.host.empty() || proxy.port < 0 || !sameHost(peer.host, proxy.host)) return false;
    if (proxy.port > 0) return peer.port == proxy.port;
    if (!isAddress(proxy.host)) return true;
    return peer.port == (proxy.tls ? 5061 : 5060);
}

TrustedProxy proxyFromAddress(std::string_view hostPort, bool tls) {
    TrustedProxy proxy;
    proxy.tls = tls;
    std::string_view text = trimmed(hostPort);
    if (startsWithNoCase(text, "sips:"))
        text.remove_prefix(5);
    else if (startsWithNoCase(text, "sip:"))
        text.remove_prefix(4);
    text = text.substr(0, std::min(text.find(';'), text.size()));
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const auto end = text.find(']');
        if (end == std::string_view::npos) return proxy;
        proxy.host = std::string(text.substr(1, end - 1));
        if (end + 1 < text.size() && text[end + 1] == ':') port = text.substr(end + 2);
    } else {
        const auto colon = text.find(':');
        proxy.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) port = text.substr(colon + 1);
    }
    if (!port.empty()) {
        const auto value = number(port);
        proxy.port = value && *value > 0 && *value <= 65535 ? static_cast<int>(*value) : -1;  // -1: matches nothing
    }
    return proxy;
}

std::optional<std::string> chatSenderName(std::string_view user, std::string_view domain, std::string_view ownDomain) {
    const auto control = [](std::string_view text) {
        return std::any_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        });
    };
    if (domain.empty() || control(user) || control(domain)) return std::nullopt;
    if (!ownDomain.empty() && sameHost(domain, ownDomain)) {
        if (user.empty() || user.find('@') != std::string_view::npos) return std::nullopt;
        return std::string(user);
    }
    if (user.empty()) return std::nullopt;
    return std::string(user) + "@" + std::string(domain);
}

}  // namespace velmora::engine
