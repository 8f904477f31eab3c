// Prints what recording costs: CPU and resident memory of a recorded G.711
// call against a plain one of the same length in the same run (memory sampled
// over the call, to show it stays flat), and how long PauseLineRecording and
// SaveRecording take at the end of the recorded call. LinphoneEngine against
// the test rig's Kamailio and a sipp answerer that echoes the agent's sound.
//
//   recording_bench [SECONDS]    call length, default 600 (ten minutes)

#include "Kamailio.h"
#include "LinphoneEngine.h"
#include "Sipp.h"
#include "WaveFile.h"
#include "loop/QtLoop.h"

#include <QCoreApplication>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

struct Flags : engine::SipEngineEvents {
    bool connected = false, failed = false;
    void OnConnected(int, const std::string&, const std::string&) override { connected = true; }
    void OnConnectFailed(int) override { failed = true; }
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double msSince(Clock::time_point began) {
    return std::chrono::duration<double, std::milli>(Clock::now() - began).count();
}

struct Figures {
    double cpu = 0;
    std::vector<long> resident;  // KiB, one sample a tenth of the call
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;

    loop::QtLoop loop;
    rig::Kamailio kamailio({.domain = "pbx.test", .accounts = {{"1001", "secret1"}}, .debugLevel = 0});
    rig::TempFolder state("velmora-recbench");
    rig::TempFolder files("velmora-recbench-files");
    engine::LinphoneEngineOptions options;
    options.proxyAddress = kamailio.hostPort();
    options.stateFolder = state.path();
    options.headlessAudio = true;
    // The agent speaks a looped tone, which the far end echoes: both
    // directions carry sound, as in a real call.
    engine::WaveAudio tone;
    for (int i = 0; i < 8000 * 5; ++i) tone.samples.push_back(std::int16_t(8000 * std::sin(2 * M_PI * 440 * i / 8000)));
    options.headlessMicrophoneFile = files.path() / "tone.wav";
    if (!engine::writeWave(options.headlessMicrophoneFile, tone)) return std::fprintf(stderr, "no tone file\n"), 1;
    engine::LinphoneEngine engine(loop, options);
    Flags flags;
    engine.setEvents(&flags);
    std::string address = engine.GetLocalAddress();
    if (!engine.InitializeEngine(false, address, rig::freeUdpPort(), "1001", "1001", "secret1", "Bench", "pbx.test",
                                 "pbx.test", "", true, 2) ||
        !engine.OpenLine(0, false, address, rig::freeUdpPort(true)))
        return std::fprintf(stderr, "engine did not start\n"), 1;

    auto call = [&](bool recorded, Figures& figures) -> bool {
        rig::Sipp::Setup setup;
        setup.scenario = "uas_answer.xml";
        setup.timeoutSeconds = seconds + 120;
        setup.extraArguments = {"-rtp_echo"};
        rig::Sipp peer(setup);
        flags.connected = flags.failed = false;
        const double cpuBefore = cpuSeconds();
        if (!engine.Dial(0, peer.uri(), -1, -1)) return false;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!flags.connected && !flags.failed && Clock::now() < deadline) loop.delay(5);
        if (!flags.connected) return false;
        if (recorded && !engine.StartLineRecording(0, 2, true)) return false;
        for (int tenth = 0; tenth < 10; ++tenth) {
            loop.delay(seconds * 100);
            figures.resident.push_back(residentKiB());
        }
        if (recorded) {
            auto began = Clock::now();
            engine.PauseLineRecording(0);
            const double pauseMs = msSince(began);
            began = Clock::now();
            const bool saved = engine.SaveRecording(0, (files.path() / "call.wav").string());
            const double saveMs = msSince(began);
            std::error_code ignored;
            std::printf("PauseLineRecording (the last stretch into the store)  %8.2f ms\n", pauseMs);
            std::printf("SaveRecording of the %d s call                       %8.2f ms   %s, %.1f MB\n", seconds,
                        saveMs, saved ? "saved" : "NOT SAVED",
                        std::filesystem::file_size(files.path() / "call.wav", ignored) / 1e6);
            engine.ResetRecording(0);
        }
        engine.DisconnectLine(0);
        figures.cpu = cpuSeconds() - cpuBefore;
        loop.delay(500);
        return true;
    };

    std::printf("A %d s G.711 call through Kamailio to a sipp echo, plain and recorded\n\n", seconds);
    Figures plain, recorded;
    if (!call(false, plain)) return std::fprintf(stderr, "plain call failed\n"), 1;
    if (!call(true, recorded)) return std::fprintf(stderr, "recorded call failed\n"), 1;
    auto print = [](const char* what, const Figures& f) {
        std::printf("%-10s CPU %7.2f s   resident KiB each tenth of the call:", what, f.cpu);
        for (long kib : f.resident) std::printf(" %ld", kib);
        std::printf("\n");
    };
    print("plain", plain);
    print("recorded", recorded);
    std::printf("recorded / plain CPU: %.2f (goal at most 1.1)\n", plain.cpu > 0 ? recorded.cpu / plain.cpu : 0.0);
    std::printf("resident growth over the recorded call: %ld KiB (goal: flat)\n",
                recorded.resident.back() - recorded.resident.front());
    engine.ShutdownEngine();
    return 0;
}
