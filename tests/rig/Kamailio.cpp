#include "Kamailio.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#ifndef VELMORA_RIG_DIR
#error "VELMORA_RIG_DIR must name tests/rig"
#endif

namespace velmora::rig {
namespace {

void replaceAll(std::string& text, const std::string& key, const std::string& value) {
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
}

}  // namespace

std::filesystem::path Kamailio::writeConfig(const Setup& setup, int port, const std::filesystem::path& folder,
                                            int tlsPort, int tcpPort) {
    std::string config = readFile(std::filesystem::path(VELMORA_RIG_DIR) / "kamailio" / "kamailio.cfg.in");
    std::string accounts;
    for (const auto& account : setup.accounts) {
        if (account.user.find_first_of("\"\\ ") != std::string::npos ||
            account.password.find_first_of("\"\\") != std::string::npos)
            throw std::invalid_argument("account texts may not hold quotes, backslashes or blanks");
        accounts += "\t$sht(accounts=>" + account.user + ") = \"" + account.password + "\";\n";
    }
    if (accounts.empty()) accounts = "\t$var(none) = 0;\n";
    replaceAll(config, "@ACCOUNTS@", accounts);
    replaceAll(config, "@DOMAIN@", setup.domain);
    replaceAll(config, "@SIP_PORT@", std::to_string(port));
    replaceAll(config, "@DEBUG@", std::to_string(setup.debugLevel));
    replaceAll(config, "@TLS_DEFINE@", setup.tls ? "#!define WITH_TLS" : "");
    replaceAll(config, "@TLS_PORT@", std::to_string(tlsPort));
    replaceAll(config, "@TCP_PORT@", std::to_string(tcpPort));
    replaceAll(config, "@TLS_CONFIG@", (folder / "tls.cfg").string());
    if (setup.tls) {
        const auto pki = folder / "pki";
        std::ofstream(folder / "tls.cfg") << "[server:default]\nmethod = TLSv1.2+\n"
                                             "verify_certificate = no\nrequire_certificate = no\n"
                                             "private_key = "
                                          << (pki / "server.key").string()
                                          << "\n"
                                             "certificate = "
                                          << (pki / "server.pem").string()
                                          << "\n"
                                             "\n[client:default]\nmethod = TLSv1.2+\n"
                                             "verify_certificate = no\nrequire_certificate = no\n";
    }
    const auto file = folder / "kamailio.cfg";
    std::ofstream(file) << config;
    return file;
}

Kamailio::Kamailio(Setup setup) : setup_(std::move(setup)) {
    if (setup_.tls) makeTestPki(folder_.path() / "pki", setup_.certificateName, setup_.expiredCertificate);
    // Two test programs may pick the same free port at once: try again on a
    // fresh one when this one does not come up.
    for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
        port_ = freeUdpPort();
        tlsPort_ = setup_.tls ? freeTcpPort() : 0;
        tcpPort_ = setup_.tls ? freeTcpPort() : 0;
        const auto config = writeConfig(setup_, port_, folder_.path(), tlsPort_, tcpPort_);
        const auto runtime = folder_.path() / "run";
        std::filesystem::create_directories(runtime);
        auto process = std::make_unique<ChildProcess>(
            std::vector<std::string>{"kamailio", "-DD", "-E", "-f", config.string(), "-Y", runtime.string(), "-P",
                                     (runtime / "kamailio.pid").string(), "-m", "32", "-M", "8"},
            logFile());
        // Until it answers; a Kamailio that exited (a taken port, a broken
        // configuration) is not waited for.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (process->running() && std::chrono::steady_clock::now() < deadline) {
            if (answersOptions(port_, std::chrono::milliseconds(250))) {
                process_ = std::move(process);
                break;
            }
        }
    }
    if (!process_) throw std::runtime_error("Kamailio did not start; see " + logFile().string());
}

Kamailio::~Kamailio() {
    if (process_) process_->stop();
}

void makeTestPki(const std::filesystem::path& folder, const std::string& name, bool expired) {
    if (name.empty() ||
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") != std::string::npos)
        throw std::invalid_argument("a certificate name is letters, digits, dots and hyphens");
    std::vector<std::string> argv{(std::filesystem::path(VELMORA_RIG_DIR) / "make-test-pki.sh").string(),
                                  folder.string(), name};
    if (expired) argv.push_back("expired");
    std::filesystem::create_directories(folder);
    ChildProcess script(argv, folder / "make-test-pki.log");
    if (script.wait(std::chrono::seconds(60)) != 0)
        throw std::runtime_error("could not make the test certificates in " + folder.string());
}

bool answersOptions(int port, std::chrono::milliseconds timeout) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    const int localPort = ntohs(local.sin_port);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    server.sin_port = htons(static_cast<uint16_t>(port));

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool answered = false;
    for (int n = 1; !answered && std::chrono::steady_clock::now() < deadline; ++n) {
        const std::string request = "OPTIONS sip:127.0.0.1:" + std::to_string(port) +
                                    " SIP/2.0\r\n"
                                    "Via: SIP/2.0/UDP 127.0.0.1:" +
                                    std::to_string(localPort) + ";branch=z9hG4bKrig" + std::to_string(n) +
                                    "\r\n"
                                    "Max-Forwards: 70\r\nFrom: <sip:rig@127.0.0.1>;tag=rig\r\nTo: <sip:127.0.0.1>\r\n"
                                    "Call-ID: rig-ping-" +
                                    std::to_string(localPort) + "-" + std::to_string(n) +
                                    "\r\n"
                                    "CSeq: " +
                                    std::to_string(n) + " OPTIONS\r\nContent-Length: 0\r\n\r\n";
        ::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&server), sizeof server);
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 200) > 0) {
            char reply[4096];
            const auto size = ::recv(fd, reply, sizeof reply, 0);
            answered = size > 0 && std::string(reply, size).rfind("SIP/2.0 200", 0) == 0;
        }
        if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::close(fd);
    return answered;
}

}  // namespace velmora::rig
