#include "Sipp.h"

#include "Kamailio.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <thread>

namespace velmora::rig {
namespace {

bool bound(int port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    ::close(fd);
    return taken;
}

}  // namespace

Sipp::Sipp(Setup setup) : setup_(std::move(setup)) {
    std::string scenario = readFile(std::filesystem::path(VELMORA_RIG_DIR) / "sipp" / setup_.scenario);
    if (scenario.empty()) throw std::invalid_argument("no scenario " + setup_.scenario);
    auto values = setup_.values;
    values.emplace("PCAP_DIR", "/usr/share/sip-tester");
    for (const auto& [name, value] : values) {
        const std::string marker = "{{" + name + "}}";
        for (auto at = scenario.find(marker); at != std::string::npos; at = scenario.find(marker, at + value.size()))
            scenario.replace(at, marker.size(), value);
    }
    const auto file = folder_.path() / setup_.scenario;
    std::ofstream(file, std::ios::binary) << scenario;

    for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
        port_ = freeUdpPort();
        // Both ports are only chosen here, not yet bound: the media ports
        // (sipp takes a few from mediaPort up) must not take the SIP port.
        int mediaPort = freeUdpPort(true);
        while (port_ >= mediaPort && port_ <= mediaPort + 3) mediaPort = freeUdpPort(true);
        std::vector<std::string> argv{"sipp",
                                      "-sf",
                                      file.string(),
                                      "-i",
                                      "127.0.0.1",
                                      "-p",
                                      std::to_string(port_),
                                      "-mi",
                                      "127.0.0.1",
                                      "-mp",
                                      std::to_string(mediaPort),
                                      "-m",
                                      std::to_string(setup_.calls),
                                      "-l",
                                      "1",
                                      "-s",
                                      setup_.service,
                                      "-nostdin",
                                      "-trace_msg",
                                      "-message_file",
                                      (folder_.path() / "messages.log").string(),
                                      "-trace_err",
                                      "-error_file",
                                      (folder_.path() / "errors.log").string(),
                                      "-timeout",
                                      std::to_string(setup_.timeoutSeconds) + "s",
                                      "-timeout_error"};
        argv.insert(argv.end(), setup_.extraArguments.begin(), setup_.extraArguments.end());
        if (!setup_.remote.empty()) argv.push_back(setup_.remote);
        auto process = std::make_unique<ChildProcess>(argv, folder_.path() / "screen.log");
        for (int waited = 0; waited < 200 && process->running() && !bound(port_); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (process->running() && bound(port_)) process_ = std::move(process);
    }
    if (!process_) throw std::runtime_error("sipp did not start: " + report());
}

Sipp::~Sipp() {
    if (process_) process_->stop();
}

std::string Sipp::report() const {
    return readFile(folder_.path() / "errors.log") + readFile(folder_.path() / "screen.log");
}

std::string registerContact(const Kamailio& pbx, const std::string& user, const std::string& password,
                            int contactPort) {
    Sipp registration({"uac_register_contact.xml",
                       {{"DOMAIN", pbx.domain()},
                        {"USER", user},
                        {"PASSWORD", password},
                        {"CONTACT_PORT", std::to_string(contactPort)}},
                       user,
                       pbx.hostPort(),
                       10});
    return registration.wait(std::chrono::seconds(10)) == 0 ? "" : registration.report();
}

}  // namespace velmora::rig
