#include "NetworkProbe.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace velmora::engine {

namespace {

bool portFree(int port, int type) {
    if (port <= 0 || port > 65535) return false;
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // As a listener binds: a port whose old connections linger is free.
    const int reuse = 1;
    if (type == SOCK_STREAM) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

}  // namespace

bool PortClaim::claim(const std::string& transport, int port) {
    release();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const std::string name = "velmora-engine-" + transport + "-" + std::to_string(port);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // An abstract name: sun_path starts with a NUL and is not a file.
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void PortClaim::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool udpPortFree(int port) { return portFree(port, SOCK_DGRAM); }
bool tcpPortFree(int port) { return portFree(port, SOCK_STREAM); }

std::string localAddressTowards(const std::string& host) {
    const std::string fallback = "127.0.0.1";
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (host.empty() || ::getaddrinfo(host.c_str(), "5060", &hints, &found) != 0 || !found) return fallback;
    std::string result = fallback;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Connecting a datagram socket sends nothing; it only picks the route.
    if (fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0) {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        char text[INET_ADDRSTRLEN] = {};
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
            ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text))
            result = text;
    }
    if (fd >= 0) ::close(fd);
    ::freeaddrinfo(found);
    return result;
}

}  // namespace velmora::engine
