// A long shift through the whole program: N sequential calls (default 1,000)
// placed by velmoraapp to a sipp customer through Kamailio, each connected,
// recorded (recordAll) and hung up by the agent. Prints the program's resident
// memory every 50 calls, and checks that every call was logged. Runs the real
// program under the current X server (tests/with-desktop) on loopback.
//
//   soak_bench [CALLS]

#include "AppUnderTest.h"
#include "Kamailio.h"
#include "Sipp.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

using namespace velmora;

namespace {

constexpr const char* kCustomer = "5557654321";

long residentKiB(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

std::size_t lines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    rig::Kamailio pbx({"pbx7730.test", {{"1001", "secret0001"}, {kCustomer, "customerpw"}}, 1});
    rig::Sipp customer({"uas_answer.xml", {}, kCustomer, "", calls * 10 + 120, calls});
    if (const auto error = rig::registerContact(pbx, kCustomer, "customerpw", customer.port()); !error.empty())
        return std::fprintf(stderr, "customer not registered: %s\n", error.c_str()), 1;
    e2e::PrivateBus bus;
    char name[] = "/tmp/velmora-soak-bench-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(name);
    e2e::writeAgentRoot(root, pbx.hostPort());
    std::filesystem::create_directories(root / "messages");
    std::ofstream(root / "bin/velmoraapp.ini", std::ios::app) << "recordAll=True\r\n";
    const auto log = root / "logs/Ann_calllogs.csv";
    int result = 0;
    {
        e2e::AppUnderTest app(root, bus);
        if (!app.waitUntilReady() ||
            !e2e::eventually([&] { return app.items("ListStatusLog").contains("Ready..."); }, std::chrono::seconds(30)))
            return std::fprintf(stderr, "velmoraapp did not come online\n"), 1;
        std::printf("%d sequential recorded calls through velmoraapp, Kamailio and a sipp customer\n\n", calls);
        std::printf("%8s %14s\n", "calls", "resident KiB");
        std::printf("%8d %14ld\n", 0, residentKiB(app.pid()));
        long after100 = 0, last = 0;
        for (int i = 1; i <= calls; ++i) {
            app.set("EditPhoneNo", "Text", kCustomer);
            app.click("BtnDial");
            // Connected: recordAll ticks the recording box on connect.
            if (!e2e::eventually([&] { return app.get("CheckStartRecording", "Value") == "1"; },
                                 std::chrono::seconds(15))) {
                std::fprintf(stderr, "call %d did not connect\n", i);
                result = 1;
                break;
            }
            app.click("BtnHangUp");
            if (!e2e::eventually([&] { return lines(log) == static_cast<std::size_t>(i); }, std::chrono::seconds(15))) {
                std::fprintf(stderr, "call %d was not logged\n", i);
                result = 1;
                break;
            }
            if (i % 50 == 0) {
                last = residentKiB(app.pid());
                if (i == 100) after100 = last;
                std::printf("%8d %14ld\n", i, last);
                std::fflush(stdout);
            }
        }
        const std::size_t logged = lines(log);
        std::printf("\ncalls logged: %zu of %d\n", logged, calls);
        if (after100 > 0)
            std::printf("resident growth from call 100 to the end: %ld KiB (goal: within 5 MiB)\n", last - after100);
        if (logged != static_cast<std::size_t>(calls)) result = 1;
    }
    std::filesystem::remove_all(root);
    return result;
}
