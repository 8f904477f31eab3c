#pragma once

#include "ChildProcess.h"

#include <memory>
#include <string>
#include <vector>

namespace velmora::rig {

struct SipAccount {
    std::string user;
    std::string password;
};

// A Kamailio of its own on a free loopback port: registrar with digest
// authentication for the given accounts, in-memory location, record-route,
// relaying of everything else. With tls it also listens for SIP over TLS on
// a port of its own, with a throw-away certificate authority and a server
// certificate made for the occasion, and for SIP over TCP on another. Its configuration, pid, certificates
// and runtime files live in a temporary folder; it runs in the foreground
// and dies with the object.
class Kamailio {
public:
    struct Setup {
        std::string domain = "pbx.test";
        std::vector<SipAccount> accounts;
        int debugLevel = 1;
        bool tls = false;
        std::string certificateName = "localhost";  // the server certificate's name
        bool expiredCertificate = false;
    };
    explicit Kamailio(Setup setup);  // returns once it answers OPTIONS; throws otherwise
    ~Kamailio();

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // With tls: "localhost:port" of the TLS listener (the name its
    // certificate is checked against), and the authority that signed it.
    int tlsPort() const { return tlsPort_; }
    std::string tlsHostPort() const { return "localhost:" + std::to_string(tlsPort_); }
    std::filesystem::path certificateAuthority() const { return folder_.path() / "pki" / "ca.pem"; }
    std::string tcpHostPort() const { return "127.0.0.1:" + std::to_string(tcpPort_); }
    const std::string& domain() const { return setup_.domain; }
    std::filesystem::path logFile() const { return folder_.path() / "kamailio.log"; }
    // Writes the configuration of setup for port into folder (shared with the demo helper).
    static std::filesystem::path writeConfig(const Setup& setup, int port, const std::filesystem::path& folder,
                                             int tlsPort = 0, int tcpPort = 0);

private:
    Setup setup_;
    TempFolder folder_{"velmora-kamailio"};
    int port_ = 0;
    int tlsPort_ = 0;
    int tcpPort_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

// A throw-away certificate authority (folder/ca.pem) and a server certificate
// for name signed by it (folder/server.pem, folder/server.key), made with
// openssl by make-test-pki.sh; throws when openssl fails.
void makeTestPki(const std::filesystem::path& folder, const std::string& name = "localhost", bool expired = false);

// Sends OPTIONS to 127.0.0.1:port until a 200 comes back or the time is up.
bool answersOptions(int port, std::chrono::milliseconds timeout);

}  // namespace velmora::rig
