// Prints how fast LinphoneEngine registers and sets up calls, side by side
// with a bare liblinphone agent in the same run, what the engine costs while
// idle and during a long G.711 call (plain, recorded, and joined with a
// second one), and whether memory grows over many calls. Everything runs
// against the test rig's Kamailio and a sipp answerer on loopback.
//
//   engine_bench             full run (about three minutes)
//   engine_bench --quick     shorter run, same figures
//   engine_bench --latency   the side-by-side latency and idle figures only
//   engine_bench --secure    TLS against UDP, SRTP call CPU against plain only
//   --calls N                number of sequential calls for the memory figures

#include "BareAgent.h"
#include "Kamailio.h"
#include "LinphoneEngine.h"
#include "Sipp.h"
#include "loop/QtLoop.h"

#include <QCoreApplication>

#include <malloc.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

// What the engine reported, and when the events reached the program.
struct Flags : engine::SipEngineEvents {
    bool registered = false, connected = false, failed = false;
    std::string offered;  // the call id of the last call offered
    Clock::time_point registeredAt, connectedAt;
    void OnRegistered() override { registered = true, registeredAt = Clock::now(); }
    void OnRegisterFailed(long, const std::string&) override { failed = true; }
    void OnConnected(int, const std::string&, const std::string&) override {
        connected = true, connectedAt = Clock::now();
    }
    void OnConnectFailed(int) override { failed = true; }
    void OnIncomingCall(const std::string& id, const std::string&, const std::string&, const std::string&,
                        const std::string&) override {
        offered = id;
    }
    void OnFailureResponseA(int, long, const std::string&, const std::string&) override { failed = true; }
    void OnFailureResponseB(int, long, const std::string&) override { failed = true; }
    void OnFailureResponseC(int, long, const std::string&) override { failed = true; }
    void OnFailureResponseD(int, long, const std::string&) override { failed = true; }
};

// VmRSS or VmHWM of this process, in KiB.
long memoryKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field) + 1));
    return -1;
}

// Bytes the program holds on the heap (what leaks would grow).
long heapKiB() { return static_cast<long>(mallinfo2().uordblks / 1024); }

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool waitFor(loop::EventLoop& loop, const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        loop.delay(1);
    }
    return true;
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void printSideBySide(const char* what, const std::vector<double>& ours, const std::vector<double>& bare) {
    std::printf("%-44s ours %6.2f ms   bare %6.2f ms   ratio %5.2f   (medians of %zu runs; worst %.2f / %.2f ms)\n",
                what, median(ours), median(bare), median(ours) / median(bare), ours.size(),
                *std::max_element(ours.begin(), ours.end()), *std::max_element(bare.begin(), bare.end()));
}

struct Agent {
    using Tune = std::function<void(engine::LinphoneEngineOptions&)>;
    loop::QtLoop& loop;
    rig::Kamailio& kamailio;
    std::string user;
    rig::TempFolder state{"velmora-bench"};
    engine::LinphoneEngineOptions settings;
    engine::LinphoneEngine engine;
    Flags flags;

    Agent(loop::QtLoop& l, rig::Kamailio& k, const Tune& tune = {}, std::string u = "1001")
        : loop(l), kamailio(k), user(std::move(u)), settings(options(k, state.path(), tune)), engine(l, settings) {
        engine.setEvents(&flags);
    }
    static engine::LinphoneEngineOptions options(rig::Kamailio& k, const std::filesystem::path& state,
                                                 const Tune& tune) {
        engine::LinphoneEngineOptions o;
        o.proxyAddress = k.hostPort();
        o.stateFolder = state;
        o.headlessAudio = true;
        if (const char* log = std::getenv("VELMORA_BENCH_LOG")) o.logFile = log, o.fullLog = true;
        if (tune) tune(o);
        return o;
    }
    bool start() {
        std::string address = engine.GetLocalAddress();
        const bool udp = settings.transport == engine::SipTransport::Udp;
        return engine.InitializeEngine(false, address, udp ? rig::freeUdpPort() : rig::freeTcpPort(), user, user,
                                       "secret" + user.substr(3), "Bench", "pbx.test", "pbx.test", "", true, 2) &&
               engine.OpenLine(0, false, address, rig::freeUdpPort(true)) &&
               engine.OpenLine(1, false, address, rig::freeUdpPort(true));
    }
    bool online() {
        flags.registered = flags.failed = false;
        return start() && engine.RegisterToProxy(1800) &&
               waitFor(loop, [&] { return flags.registered || flags.failed; }) && flags.registered;
    }
    // Dial, wait for OnConnected, hang up; returns the set-up time or -1.
    double call(const std::string& uri) {
        flags.connected = flags.failed = false;
        const auto began = Clock::now();
        if (!engine.Dial(0, uri, -1, -1)) return -1;
        if (!waitFor(loop, [&] { return flags.connected || flags.failed; }) || flags.failed) return -1;
        const double setup = ms(flags.connectedAt - began);
        engine.DisconnectLine(0);
        return setup;
    }
};

std::unique_ptr<rig::Sipp> answerer(int calls, int timeoutSeconds, const std::string& user = "peer",
                                    const std::string& scenario = "uas_answer.xml") {
    rig::Sipp::Setup setup;
    setup.service = user;
    setup.scenario = scenario;
    setup.calls = calls;
    setup.timeoutSeconds = timeoutSeconds;
    setup.extraArguments = {"-rtp_echo"};  // media comes back as from a real phone
    return std::make_unique<rig::Sipp>(setup);
}

// SIP over TLS against UDP, and the CPU of an SRTP call against a plain one,
// against a Kamailio that listens on both.
int secureFigures(loop::QtLoop& loop, int runs, int callSeconds) {
    rig::Kamailio kamailio(
        {.domain = "pbx.test", .accounts = {{"1001", "secret1"}, {"1002", "secret2"}}, .debugLevel = 0, .tls = true});
    const Agent::Tune tls = [&](engine::LinphoneEngineOptions& o) {
        o.transport = engine::SipTransport::Tls;
        o.proxyAddress = kamailio.tlsHostPort();
        o.rootCa = kamailio.certificateAuthority();
    };
    std::printf("\nSIP over TLS (P-256 certificate, checked) against UDP, same Kamailio\n");
    {
        // A fresh engine each time: its first TLS handshake is part of it.
        std::vector<double> overTls, overUdp;
        for (int run = 0; run < runs; ++run) {
            for (bool secure : {false, true}) {
                Agent agent(loop, kamailio, secure ? tls : Agent::Tune{});
                if (!agent.start()) return std::fprintf(stderr, "engine did not start\n"), 1;
                loop.delay(30);
                const auto began = Clock::now();
                agent.engine.RegisterToProxy(1800);
                if (!waitFor(loop, [&] { return agent.flags.registered || agent.flags.failed; }) || agent.flags.failed)
                    return std::fprintf(stderr, "registration failed\n"), 1;
                (secure ? overTls : overUdp).push_back(ms(agent.flags.registeredAt - began));
                agent.engine.ShutdownEngine();
            }
        }
        std::printf("%-44s TLS  %6.2f ms   UDP  %6.2f ms   ratio %5.2f   (first handshake included)\n",
                    "RegisterToProxy -> OnRegistered", median(overTls), median(overUdp),
                    median(overTls) / median(overUdp));
    }
    {
        // Registered first, so the TLS connection is up.
        Agent udpAgent(loop, kamailio);
        Agent tlsAgent(loop, kamailio, tls);
        if (!udpAgent.online() || !tlsAgent.online()) return std::fprintf(stderr, "registration failed\n"), 1;
        auto peer = answerer(2 * runs, 600);
        std::vector<double> overTls, overUdp;
        for (int i = 0; i < runs; ++i) {
            for (Agent* agent : {&udpAgent, &tlsAgent}) {
                const double setup = agent->call(peer->uri());
                if (setup < 0) return std::fprintf(stderr, "call failed\n%s", peer->report().c_str()), 1;
                (agent == &tlsAgent ? overTls : overUdp).push_back(setup);
                loop.delay(30);
            }
        }
        std::printf("%-44s TLS  %6.2f ms   UDP  %6.2f ms   ratio %5.2f   (connection up)\n", "Dial -> OnConnected",
                    median(overTls), median(overUdp), median(overTls) / median(overUdp));
    }
    // Two engines of this process talk to each other: the CPU is both ends'.
    double cpu[2] = {};
    for (bool srtp : {false, true}) {
        const Agent::Tune media = [&](engine::LinphoneEngineOptions& o) {
            o.mediaEncryption = srtp ? engine::MediaEncryption::SrtpMandatory : engine::MediaEncryption::None;
        };
        Agent caller(loop, kamailio, media, "1001");
        Agent callee(loop, kamailio, media, "1002");
        if (!caller.online() || !callee.online()) return std::fprintf(stderr, "registration failed\n"), 1;
        const double before = cpuSeconds();
        if (!caller.engine.Dial(0, "1002", -1, -1) || !waitFor(loop, [&] { return !callee.flags.offered.empty(); }) ||
            !callee.engine.AcceptCall(0, callee.flags.offered, -1, -1) ||
            !waitFor(loop, [&] { return caller.flags.connected || caller.flags.failed; }) || caller.flags.failed)
            return std::fprintf(stderr, "%s call failed\n", srtp ? "SRTP" : "plain"), 1;
        loop.delay(callSeconds * 1000);
        caller.engine.DisconnectLine(0);
        loop.delay(300);
        cpu[srtp] = cpuSeconds() - before;
    }
    std::printf("%-44s SRTP %6.2f s    RTP  %6.2f s    ratio %5.2f   (both ends' CPU)\n",
                (std::to_string(callSeconds) + " s G.711 call between two engines").c_str(), cpu[1], cpu[0],
                cpu[1] / cpu[0]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const bool latencyOnly = argc > 1 && std::string(argv[1]) == "--latency";
    if (argc > 1 && std::string(argv[1]) == "--secure") {
        loop::QtLoop loop;
        return secureFigures(loop, 40, 20);
    }
    const int latencyRuns = quick || latencyOnly ? 40 : 100;
    const int idleSeconds = quick || latencyOnly ? 10 : 30;
    const int longCallSeconds = quick ? 6 : 60;
    int sequentialCalls = quick ? 100 : 1000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--calls") sequentialCalls = std::max(40, std::atoi(argv[i + 1]));

    loop::QtLoop loop;
    rig::Kamailio kamailio(
        {.domain = "pbx.test", .accounts = {{"1001", "secret1"}, {"1002", "secret2"}}, .debugLevel = 0});
    std::printf("LinphoneEngine against Kamailio and sipp on loopback (iterate every %d ms)\n\n",
                engine::LinphoneEngineOptions{}.iterateIntervalMs);

    // Side by side with the bare agent, turn about, so that both see the
    // same machine load.
    {
        std::vector<double> ours, bare;
        for (int run = 0; run < latencyRuns; ++run) {
            Agent agent(loop, kamailio);
            if (!agent.start()) return std::fprintf(stderr, "engine did not start\n"), 1;
            loop.delay(30);  // the engine's idle cadence again, as before a real RegisterToProxy
            const auto began = Clock::now();
            agent.engine.RegisterToProxy(1800);
            if (!waitFor(loop, [&] { return agent.flags.registered || agent.flags.failed; }) || agent.flags.failed)
                return std::fprintf(stderr, "registration failed\n"), 1;
            ours.push_back(ms(agent.flags.registeredAt - began));
            const auto stopping = Clock::now();
            agent.engine.ShutdownEngine();
            if (run == 0)
                std::printf("%-44s %7.2f ms\n", "ShutdownEngine (with un-REGISTER)", ms(Clock::now() - stopping));
            {
                rig::TempFolder state("velmora-bench-bare");
                BareAgent yardstick(kamailio.hostPort(), "pbx.test", "1001", "secret1", rig::freeUdpPort(),
                                    rig::freeUdpPort(true), state.path());
                const double took = yardstick.registerMs();
                if (took < 0) return std::fprintf(stderr, "bare registration failed\n"), 1;
                bare.push_back(took);
            }
        }
        printSideBySide("RegisterToProxy -> OnRegistered (digest)", ours, bare);
    }

    Agent agent(loop, kamailio);
    if (!agent.start()) return std::fprintf(stderr, "engine did not start\n"), 1;
    {
        rig::TempFolder state("velmora-bench-bare");
        BareAgent yardstick(kamailio.hostPort(), "pbx.test", "1002", "secret2", rig::freeUdpPort(),
                            rig::freeUdpPort(true), state.path());
        auto peer = answerer(2 * latencyRuns, 600);
        std::vector<double> ours, bare;
        for (int i = 0; i < latencyRuns; ++i) {
            const double took = yardstick.dialMs(peer->uri());
            if (took < 0) return std::fprintf(stderr, "bare call %d failed\n%s", i, peer->report().c_str()), 1;
            bare.push_back(took);
            loop.delay(30);
            const double setup = agent.call(peer->uri());
            if (setup < 0) return std::fprintf(stderr, "call %d failed\n%s", i, peer->report().c_str()), 1;
            ours.push_back(setup);
            loop.delay(30);
        }
        printSideBySide("Dial -> OnConnected", ours, bare);
    }
    {
        // Registered and idle: what the iterate cadence costs.
        agent.flags.registered = false;
        agent.engine.RegisterToProxy(1800);
        if (!waitFor(loop, [&] { return agent.flags.registered || agent.flags.failed; }) || agent.flags.failed)
            return std::fprintf(stderr, "registration failed\n"), 1;
        loop.delay(1000);
        const double cpuBefore = cpuSeconds();
        const auto began = Clock::now();
        loop.delay(idleSeconds * 1000);
        const double wall = std::chrono::duration<double>(Clock::now() - began).count();
        std::printf("%-44s %7.2f %% of one core\n", (std::to_string(idleSeconds) + " s registered and idle").c_str(),
                    100 * (cpuSeconds() - cpuBefore) / wall);
    }
    if (latencyOnly) {
        agent.engine.ShutdownEngine();
        return 0;
    }
    {
        auto peer = answerer(1, longCallSeconds + 60);
        agent.flags.connected = false;
        const double cpuBefore = cpuSeconds();
        if (!agent.engine.Dial(0, peer->uri(), -1, -1) || !waitFor(loop, [&] { return agent.flags.connected; }))
            return std::fprintf(stderr, "long call failed\n"), 1;
        loop.delay(longCallSeconds * 1000);
        agent.engine.DisconnectLine(0);
        std::printf("%-44s %7.2f s CPU   peak memory %ld KiB\n",
                    (std::to_string(longCallSeconds) + " s G.711 call").c_str(), cpuSeconds() - cpuBefore,
                    memoryKiB("VmHWM:"));
    }
    {
        // The same call recorded from its start, then saved as a wave file.
        auto peer = answerer(1, longCallSeconds + 60);
        agent.flags.connected = false;
        rig::TempFolder files("velmora-bench-rec");
        const double cpuBefore = cpuSeconds();
        if (!agent.engine.Dial(0, peer->uri(), -1, -1) || !waitFor(loop, [&] { return agent.flags.connected; }) ||
            !agent.engine.StartLineRecording(0, 2, true))
            return std::fprintf(stderr, "recorded call failed\n"), 1;
        loop.delay(longCallSeconds * 1000);
        agent.engine.DisconnectLine(0);
        const bool saved = agent.engine.SaveRecording(0, (files.path() / "call.wav").string());
        agent.engine.ResetRecording(0);
        std::printf("%-44s %7.2f s CPU   %s\n", (std::to_string(longCallSeconds) + " s G.711 call, recorded").c_str(),
                    cpuSeconds() - cpuBefore, saved ? "saved" : "NOT SAVED");
    }
    {
        // Two far ends joined with the agent: the engine mixes three parties.
        // A conference takes its address from the registration.
        agent.flags.registered = false;
        agent.engine.RegisterToProxy(1800);
        if (!waitFor(loop, [&] { return agent.flags.registered || agent.flags.failed; }) || agent.flags.failed)
            return std::fprintf(stderr, "registration for the join failed\n"), 1;
        auto first = answerer(1, longCallSeconds + 60, "5550101", "uas_answer_reinvite.xml");
        auto second = answerer(1, longCallSeconds + 60, "5550102", "uas_answer_reinvite.xml");
        const double cpuBefore = cpuSeconds();
        agent.flags.connected = false;
        if (!agent.engine.Dial(0, first->uri(), -1, -1) || !waitFor(loop, [&] { return agent.flags.connected; }))
            return std::fprintf(stderr, "first call of the join failed\n"), 1;
        agent.flags.connected = false;
        if (!agent.engine.Dial(1, second->uri(), -1, -1) || !waitFor(loop, [&] { return agent.flags.connected; }))
            return std::fprintf(stderr, "second call of the join failed\n"), 1;
        loop.delay(300);
        if (!agent.engine.JoinLines(0, 1))
            return std::fprintf(stderr, "JoinLines failed (%ld)\n", agent.engine.GetLastEngineError()), 1;
        loop.delay(longCallSeconds * 1000);
        agent.engine.DisconnectLine(0);
        agent.engine.DisconnectLine(1);
        std::printf("%-44s %7.2f s CPU\n", (std::to_string(longCallSeconds) + " s three-party joined call").c_str(),
                    cpuSeconds() - cpuBefore);
        loop.delay(500);
    }
    {
        auto peer = answerer(sequentialCalls, 1800);
        loop.delay(200);
        // A few calls first, so that one-time allocations are not counted as growth.
        for (int i = 0; i < 20; ++i) agent.call(peer->uri()), loop.delay(5);
        const long before = memoryKiB("VmRSS:");
        const long heapBefore = heapKiB();
        int failed = 0;
        for (int i = 20; i < sequentialCalls; ++i) {
            if (agent.call(peer->uri()) < 0) ++failed;
            loop.delay(5);
        }
        loop.delay(500);
        std::printf("%-44s before %ld KiB   after %ld KiB   (%d failed)\n",
                    (std::to_string(sequentialCalls) + " sequential calls, resident memory").c_str(), before,
                    memoryKiB("VmRSS:"), failed);
        std::printf("%-44s before %ld KiB   after %ld KiB\n", "  heap in use", heapBefore, heapKiB());
        // SIP transactions and dialogs stay around for 32 s after a call
        // (RFC 3261 timers); what remains after that would be a leak.
        loop.delay(40000);
        std::printf("%-44s %ld KiB   heap %ld KiB\n", "  40 s later, resident", memoryKiB("VmRSS:"), heapKiB());
        malloc_trim(0);  // what the allocator keeps for reuse is not growth either
        std::printf("%-44s %ld KiB\n", "  resident once the allocator gave back", memoryKiB("VmRSS:"));
    }
    agent.engine.ShutdownEngine();
    return secureFigures(loop, quick ? 20 : 40, longCallSeconds);
}
