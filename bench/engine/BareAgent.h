#pragma once

#include <linphone/core.h>

#include <chrono>
#include <filesystem>
#include <string>

// The yardstick of the engine's latency: liblinphone driven the plainest way,
// a loop that runs linphone_core_iterate every millisecond and looks at the
// states its callbacks set. The core is set up as LinphoneEngine sets up its
// own (no video, no plugins, no IPv6, no GRUU, files for audio, independent
// calls, G.711, outbound proxy), so the difference is the engine's own cost.
class BareAgent {
public:
    BareAgent(const std::string& proxyHostPort, const std::string& domain, const std::string& user,
              const std::string& password, int sipPort, int rtpPort, const std::filesystem::path& state);
    ~BareAgent();
    BareAgent(const BareAgent&) = delete;
    BareAgent& operator=(const BareAgent&) = delete;

    // Milliseconds from enabling registration to LinphoneRegistrationOk; -1 on failure.
    double registerMs();
    // Milliseconds from the INVITE call to LinphoneCallConnected, then hangs
    // up and waits for the call's release; -1 on failure.
    double dialMs(const std::string& uri);

    // What the callbacks saw (public for the C callbacks).
    LinphoneRegistrationState registration = LinphoneRegistrationNone;
    LinphoneCallState callState = LinphoneCallIdle;
    bool connected = false, ended = false;
    std::chrono::steady_clock::time_point seenAt;

private:
    // Runs the loop until done() or 10 s passed; returns done().
    template <class Done>
    bool iterateUntil(Done done);

    LinphoneCore* core_ = nullptr;
    LinphoneAccount* account_ = nullptr;
};
