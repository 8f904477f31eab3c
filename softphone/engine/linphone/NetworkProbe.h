#pragma once

#include <string>

namespace velmora::engine {

// True when a UDP socket can be bound to the port on every IPv4 address,
// which is what liblinphone does for SIP and RTP.
bool udpPortFree(int port);
// The same for a TCP listening socket (SIP over TCP or TLS).
bool tcpPortFree(int port);

// The local IPv4 address the system would use to reach host (a dotted
// address or a name); 127.0.0.1 when there is no route.
std::string localAddressTowards(const std::string& host);

}  // namespace velmora::engine
