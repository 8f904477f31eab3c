#include "ReferralDecliner.h"

#include <belle-sip/belle-sip.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace velmora::engine {
namespace {

constexpr std::size_t kLargestDatagram = 8192;
constexpr int kDatagramsPerServe = 8;

}  // namespace

std::string declineInvite(const std::string& datagram, const std::string& callId) {
    if (callId.empty() || datagram.size() > kLargestDatagram) return "";
    belle_sip_message_t* message = belle_sip_message_parse(datagram.c_str());
    if (!message) return "";
    belle_sip_object_ref(message);
    std::string answer;
    if (BELLE_SIP_OBJECT_IS_INSTANCE_OF(message, belle_sip_request_t)) {
        belle_sip_request_t* request = BELLE_SIP_REQUEST(message);
        const char* method = belle_sip_request_get_method(request);
        auto* id = belle_sip_message_get_header_by_type(message, belle_sip_header_call_id_t);
        const char* value = id ? belle_sip_header_call_id_get_call_id(id) : nullptr;
        if (method && std::strcmp(method, "INVITE") == 0 && value && callId == value &&
            belle_sip_message_get_header_by_type(message, belle_sip_header_via_t) &&
            belle_sip_message_get_header_by_type(message, belle_sip_header_cseq_t)) {
            belle_sip_response_t* response = belle_sip_response_create_from_request(request, 603);
            belle_sip_object_ref(response);
            auto* to = belle_sip_message_get_header_by_type(BELLE_SIP_MESSAGE(response), belle_sip_header_to_t);
            if (to && !belle_sip_header_to_get_tag(to)) belle_sip_header_to_set_tag(to, "declined");
            char* text = belle_sip_object_to_string(BELLE_SIP_OBJECT(response));
            if (text) answer = text;
            belle_sip_free(text);
            belle_sip_object_unref(response);
        }
    }
    belle_sip_object_unref(message);
    return answer;
}

ReferralDecliner::~ReferralDecliner() { close(); }

std::string ReferralDecliner::open() {
    if (fd_ < 0) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return "";
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof local;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
            close();
            return "";
        }
        port_ = ntohs(local.sin_port);
    }
    return "sip:127.0.0.1:" + std::to_string(port_) + ";transport=udp;lr";
}

void ReferralDecliner::serve() {
    if (fd_ < 0) return;
    std::array<char, kLargestDatagram + 1> buffer;
    for (int i = 0; i < kDatagramsPerServe; ++i) {
        sockaddr_storage sender{};
        socklen_t length = sizeof sender;
        const ssize_t got =
            ::recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&sender), &length);
        if (got <= 0) return;
        if (static_cast<std::size_t>(got) > kLargestDatagram) continue;  // cut short: not ours
        const std::string answer = declineInvite(std::string(buffer.data(), static_cast<std::size_t>(got)), callId_);
        if (!answer.empty())
            ::sendto(fd_, answer.data(), answer.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sender), length);
    }
}

void ReferralDecliner::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    port_ = 0;
    callId_.clear();
}

}  // namespace velmora::engine
