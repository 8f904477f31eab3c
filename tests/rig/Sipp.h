#pragma once

#include "ChildProcess.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora::rig {

class Kamailio;

// One sipp peer on a free loopback port, playing a scenario of
// tests/rig/sipp. Scenario texts may hold {{NAME}} markers, filled from
// values (plus {{PCAP_DIR}}, sipp's bundled RTP captures). The peer ends by
// itself when the scenario is done, or is stopped with the object.
class Sipp {
public:
    struct Setup {
        std::string scenario;                       // "uas_answer.xml"
        std::map<std::string, std::string> values;  // {{NAME}} -> text
        std::string service = "peer";               // the user part sipp plays (-s)
        std::string remote;                         // host:port to call; empty for a callee
        int timeoutSeconds = 30;                    // whole scenario
        int calls = 1;                              // calls to play before ending (-m)
        std::vector<std::string> extraArguments;    // for instance "-rtp_echo"
    };
    explicit Sipp(Setup setup);  // returns once sipp listens
    ~Sipp();

    int port() const { return port_; }
    // The peer's own address, for calling it directly through the proxy.
    std::string uri() const { return "sip:" + setup_.service + "@127.0.0.1:" + std::to_string(port_); }
    // sipp's exit status once the scenario ended (0: every step as scripted).
    std::optional<int> wait(std::chrono::milliseconds timeout) { return process_->wait(timeout); }
    // Every SIP message sipp sent and received so far.
    std::string messages() const { return readFile(folder_.path() / "messages.log"); }
    // sipp's screen and error output, for failure messages.
    std::string report() const;

private:
    Setup setup_;
    TempFolder folder_{"velmora-sipp"};
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

// Registers user's contact at contactPort (a sipp peer's port) with the
// telephone system, as the user's phone would. "" once registered, else
// sipp's report.
std::string registerContact(const Kamailio& pbx, const std::string& user, const std::string& password,
                            int contactPort);

}  // namespace velmora::rig
