#pragma once

#include "ChildProcess.h"
#include "EventLog.h"
#include "Kamailio.h"
#include "LinphoneEngine.h"
#include "Sipp.h"
#include "loop/QtLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace velmora::engine::testing {

// One agent: a LinphoneEngine with its own state folder and event log.
struct Agent {
    std::string user;
    std::string password;
    rig::TempFolder state{"velmora-agent"};
    LinphoneEngineOptions options;
    std::unique_ptr<LinphoneEngine> engine;
    EventLog log;
    long sipPort = 0;
    std::string localAddress;
};

// Each test gets its own Kamailio (accounts 1001 to 1003) and agents on
// free loopback ports; every wait is bounded and keeps the event loop running.
class EngineTest : public ::testing::Test {
protected:
    static constexpr const char* kDomain = "pbx.test";

    void SetUp() override;

    // Set before SetUp: Kamailio listens for SIP over TLS too (with a
    // certificate for tlsName, expired with tlsExpired), and agents send
    // everything over TLS, trusting Kamailio's authority.
    bool withTls = false;
    std::string tlsName = "localhost";
    bool tlsExpired = false;

    // An agent whose engine sends everything to this test's Kamailio.
    Agent& agent(const std::string& user, const std::string& password,
                 const std::function<void(LinphoneEngineOptions&)>& tune = {});
    // InitializeEngine on a free port and OpenLine for two lines on free ports.
    bool start(Agent& agent, long lines = 2);
    // start, RegisterToProxy(1800) and wait for OnRegistered.
    bool online(Agent& agent);
    // A sipp callee on its own port playing scenario.
    std::unique_ptr<rig::Sipp> callee(const std::string& scenario, std::map<std::string, std::string> values = {});
    // A sipp caller that calls agentUser through this test's Kamailio.
    std::unique_ptr<rig::Sipp> caller(const std::string& scenario, const std::string& agentUser,
                                      std::map<std::string, std::string> values = {});
    // caller dials number on line; callee answers on its line 0; true once the
    // caller reports the call connected.
    bool connect(Agent& caller, int line, Agent& callee, const std::string& number);
    // Runs the loop until done() or the time is up; returns done().
    bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);
    // The peer's exit status once its scenario ended, with the loop running
    // meanwhile (the engine must keep answering it); nullopt on timeout.
    std::optional<int> outcome(rig::Sipp& peer, int timeoutMs = 10000);
    // Runs the loop for a while (for checking that nothing more arrives).
    void settle(int ms) { loop.delay(ms); }

    std::unique_ptr<rig::Kamailio> kamailio;
    loop::QtLoop loop;
    std::vector<std::unique_ptr<Agent>> agents;
};

}  // namespace velmora::engine::testing
