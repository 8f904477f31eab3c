// Prints how long velmoraapp takes, on top of its fixed timer waits, from
// process start to registered, and from a clipboard copy to the INVITE that
// the called peer receives. Runs the real program under the current X server
// against Kamailio and a sipp callee on loopback.

#include "AppUnderTest.h"
#include "Kamailio.h"
#include "Sipp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace velmora;

namespace {

// webtimer 2000 ms, OnLineTimer 1000 ms, then the registered handler's own
// 500 ms and 1000 ms waits before click-to-dial is enabled.
constexpr double kFixedStartupMs = 4500;
constexpr const char* kPeer = "5557654321";

void printStats(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-58s median %7.1f ms   worst %7.1f ms   (%zu runs)\n", what, ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    rig::Kamailio pbx({"pbx7730.test", {{"1001", "secret0001"}, {kPeer, "peerpw"}}, 1});
    e2e::PrivateBus bus;
    std::vector<double> startup, dialling;

    for (int run = 0; run < runs; ++run) {
        char name[] = "/tmp/velmora-bench-XXXXXX";
        const std::filesystem::path root = ::mkdtemp(name);
        e2e::writeAgentRoot(root, pbx.hostPort());
        rig::Sipp peer({"uas_answer.xml", {}, kPeer, "", 60});
        rig::registerContact(pbx, kPeer, "peerpw", peer.port());

        QElapsedTimer clock;
        clock.start();
        {
            e2e::AppUnderTest app(root, bus);
            const bool registered =
                e2e::eventually([&] { return app.get("autoCheck", "Enabled") == "True"; }, std::chrono::seconds(30));
            if (!registered) {
                std::fprintf(stderr, "run %d: the program did not register\n", run);
                return 1;
            }
            startup.push_back(clock.elapsed() - kFixedStartupMs);
            app.set("autoCheck", "Value", "1");
            e2e::eventually([&] { return app.get("autoCheck", "Caption") == "Click On"; });

            clock.restart();
            e2e::copyToClipboard("(555) 765-4321");
            e2e::eventually([&] { return peer.messages().find("INVITE sip:") != std::string::npos; },
                            std::chrono::seconds(10));
            dialling.push_back(clock.elapsed());
            app.click("exitcmd");
            app.waitForExit(std::chrono::seconds(10));
        }
        std::filesystem::remove_all(root);
    }
    printStats("start to registered, beyond the 4500 ms of timer waits", startup);
    printStats("clipboard copy to INVITE at the peer (polled every 500 ms)", dialling);
    return 0;
}
