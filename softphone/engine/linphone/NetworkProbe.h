#pragma once

#include <string>

namespace velmora::engine {

// True when a UDP socket can be bound to the port on every IPv4 address,
// which is what liblinphone does for SIP and RTP.
bool udpPortFree(int port);
// The same for a TCP listening socket (SIP over TCP or TLS).
bool tcpPortFree(int port);

// A port claimed among the engines on this machine. liblinphone binds its
// sockets with address reuse, so two engines started at the same moment can
// both bind one SIP port and then take each other's responses and calls. A
// claim is an abstract UNIX socket name, which one process alone can hold; it
// is released with the claim, or when the process ends however it ends.
class PortClaim {
public:
    PortClaim() = default;
    ~PortClaim() { release(); }
    PortClaim(const PortClaim&) = delete;
    PortClaim& operator=(const PortClaim&) = delete;
    // False when another engine holds the port (or no claim could be made).
    bool claim(const std::string& transport, int port);
    void release();

private:
    int fd_ = -1;
};

// The local IPv4 address the system would use to reach host (a dotted
// address or a name); 127.0.0.1 when there is no route.
std::string localAddressTowards(const std::string& host);

}  // namespace velmora::engine
