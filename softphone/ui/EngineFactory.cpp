#include "EngineFactory.h"

#include <cstdlib>
#include <fstream>
#include <string>

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

}  // namespace

std::unique_ptr<engine::SipEngine> makeEngine(loop::EventLoop& loop, const core::InstallRoot& root) {
#ifdef VELMORA_HAVE_LINPHONE
    engine::LinphoneEngineOptions options;
    options.proxyAddress = root.deployment().get(core::keys::ProxyAddress);
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
