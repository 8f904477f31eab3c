#include "EngineFactory.h"

#include "core/Diagnostics.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#ifdef VELMORA_HAVE_LINPHONE
#include "LinphoneEngine.h"
#else
#include "engine/testing/RecordingEngine.h"
#endif

namespace velmora::ui {
namespace {

// Calls run without a sound card when the machine has none (servers, CI) or
// when VELMORA_HEADLESS_AUDIO=1 asks for it.
bool headlessAudio() {
    if (const char* forced = std::getenv("VELMORA_HEADLESS_AUDIO"); forced && *forced)
        return std::string(forced) == "1";
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    return !cards || !std::getline(cards, first) || first.find("no soundcards") != std::string::npos;
}

#ifdef VELMORA_HAVE_LINPHONE
// A deployment key read through parse; an unknown value leaves the default,
// and standard error says which key was ignored.
template <class Value, class Parse>
Value deploymentChoice(const core::InstallRoot& root, core::keys::D key, Parse parse, Value fallback,
                       const char* fallbackName) {
    const std::string text = root.deployment().get(key);
    if (text.empty()) return fallback;
    if (const std::optional<Value> value = parse(text)) return *value;
    core::diagnostic(std::string("deployment.ini: unknown ") + key.name + " \"" + text + "\" ignored, " + fallbackName +
                     " used");
    return fallback;
}

// The engine's own keys of deployment.ini, read here only.
inline constexpr core::keys::D kAllowDirectPeers{"AllowDirectPeers", core::Reader::Profile};
inline constexpr core::keys::D kAuthRealm{"AuthRealm", core::Reader::Profile};

std::optional<bool> booleanNamed(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "true" || lower == "1" || lower == "yes") return true;
    if (lower == "false" || lower == "0" || lower == "no") return false;
    return std::nullopt;
}

// A realm is a quoted-string's content in a challenge: printable, no quotes.
std::optional<std::string> realmNamed(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f || c == '"' || c == '\\') return std::nullopt;
    return std::string(text);
}
#endif

}  // namespace

std::unique_ptr<engine::SipEngine> makeEngine(loop::EventLoop& loop, const core::InstallRoot& root) {
#ifdef VELMORA_HAVE_LINPHONE
    engine::LinphoneEngineOptions options;
    options.proxyAddress = root.deployment().get(core::keys::ProxyAddress);
    options.transport =
        deploymentChoice(root, core::keys::Transport, engine::sipTransportNamed, engine::SipTransport::Udp, "udp");
    options.mediaEncryption = deploymentChoice(root, core::keys::MediaEncryption, engine::mediaEncryptionNamed,
                                               engine::MediaEncryption::None, "none");
    // Calls straight from peers to the phone's SIP port: off unless a site needs them.
    options.allowDirectPeers = deploymentChoice(root, kAllowDirectPeers, booleanNamed, false, "false");
    // The digest realm of the registrar when it is not the account's SIP domain.
    options.authRealm = deploymentChoice(root, kAuthRealm, realmNamed, std::string(), "the SIP domain");
    // RootCA: a PEM file; a relative path is taken from the bin folder.
    if (const std::string rootCa = root.deployment().get(core::keys::RootCA); !rootCa.empty())
        options.rootCa = std::filesystem::path(rootCa).is_absolute() ? std::filesystem::path(rootCa) : root.bin(rootCa);
    options.stateFolder = root.dir() / "engine";
    options.headlessAudio = headlessAudio();
    options.logFile = root.find("logs") / "engine.log";
    // VELMORA_ENGINE_DEBUG=1: every SIP message in the engine's log too.
    if (const char* debug = std::getenv("VELMORA_ENGINE_DEBUG")) options.fullLog = std::string(debug) == "1";
    return std::make_unique<engine::LinphoneEngine>(loop, options);
#else
    (void)loop;
    (void)root;
    (void)headlessAudio;
    return std::make_unique<engine::RecordingEngine>();
#endif
}

}  // namespace velmora::ui
