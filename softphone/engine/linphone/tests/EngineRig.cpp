#include "EngineRig.h"

#include <chrono>

namespace velmora::engine::testing {

void EngineTest::SetUp() {
    rig::Kamailio::Setup setup;
    setup.domain = kDomain;
    setup.accounts = {{"1001", "secret1"}, {"1002", "secret2"}, {"1003", "secret3"}};
    setup.tls = withTls;
    setup.certificateName = tlsName;
    setup.expiredCertificate = tlsExpired;
    kamailio = std::make_unique<rig::Kamailio>(setup);
}

Agent& EngineTest::agent(const std::string& user, const std::string& password,
                         const std::function<void(LinphoneEngineOptions&)>& tune) {
    auto created = std::make_unique<Agent>();
    created->user = user;
    created->password = password;
    LinphoneEngineOptions options;
    options.proxyAddress = kamailio->hostPort();
    options.stateFolder = created->state.path();
    options.headlessAudio = true;
    if (withTls) {
        options.proxyAddress = kamailio->tlsHostPort();
        options.transport = SipTransport::Tls;
        options.rootCa = kamailio->certificateAuthority();
    }
    if (std::getenv("VELMORA_RIG_KEEP")) {
        options.logFile = created->state.path() / "linphone.log";
        options.fullLog = true;
    }
    if (tune) tune(options);
    created->options = options;
    created->engine = std::make_unique<LinphoneEngine>(loop, options);
    created->engine->setEvents(&created->log);
    agents.push_back(std::move(created));
    return *agents.back();
}

bool EngineTest::start(Agent& a, long lines) {
    a.sipPort = a.options.transport == SipTransport::Udp ? rig::freeUdpPort() : rig::freeTcpPort();
    a.localAddress = a.engine->GetLocalAddress();
    if (!a.engine->InitializeEngine(false, a.localAddress, a.sipPort, a.user, a.user, a.password, "Agent " + a.user,
                                    kDomain, kDomain, "", true, lines))
        return false;
    for (int line = 0; line < lines; ++line)
        if (!a.engine->OpenLine(line, false, a.localAddress, rig::freeUdpPort(true))) return false;
    return true;
}

bool EngineTest::online(Agent& a) {
    return start(a) && a.engine->RegisterToProxy(1800) &&
           waitFor([&] { return a.log.has("OnRegistered") || a.log.has("OnRegisterFailed"); }) &&
           a.log.has("OnRegistered");
}

std::unique_ptr<rig::Sipp> EngineTest::callee(const std::string& scenario, std::map<std::string, std::string> values) {
    rig::Sipp::Setup setup;
    setup.scenario = scenario;
    setup.values = std::move(values);
    return std::make_unique<rig::Sipp>(setup);
}

std::unique_ptr<rig::Sipp> EngineTest::caller(const std::string& scenario, const std::string& agentUser,
                                              std::map<std::string, std::string> values) {
    rig::Sipp::Setup setup;
    setup.scenario = scenario;
    setup.service = agentUser;
    setup.remote = kamailio->hostPort();
    values.emplace("DOMAIN", kDomain);
    values.emplace("CALLER", "5550100");
    values.emplace("CALLER_NAME", "Customer");
    values.emplace("TALK_MS", "300");
    values.emplace("RING_MS", "300");
    setup.values = std::move(values);
    return std::make_unique<rig::Sipp>(setup);
}

std::optional<int> EngineTest::outcome(rig::Sipp& peer, int timeoutMs) {
    std::optional<int> status;
    waitFor([&] { return (status = peer.wait(std::chrono::milliseconds(0))).has_value(); }, timeoutMs);
    return status;
}

bool EngineTest::connect(Agent& caller, int line, Agent& callee, const std::string& number) {
    const auto connected = caller.log.count("OnConnected");
    const auto offered = callee.log.count("OnIncomingCall");
    return caller.engine->Dial(line, number, -1, -1) &&
           waitFor([&] { return callee.log.count("OnIncomingCall") > offered; }) &&
           callee.engine->AcceptCall(0, callee.log.lastCallId, -1, -1) &&
           waitFor([&] { return caller.log.count("OnConnected") > connected; });
}

bool EngineTest::waitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        loop.delay(10);
    }
    return true;
}

}  // namespace velmora::engine::testing
