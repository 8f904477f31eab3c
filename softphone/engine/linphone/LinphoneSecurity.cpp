#include "LinphoneSecurity.h"

#include "LinphoneEngine.h"

#include <arpa/inet.h>
#include <linphone/call_params.h>

#include <bctoolbox/crypto.h>
#include <bctoolbox/logging.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velmora::engine {
namespace {

std::atomic<unsigned> handshakeFailures{0};

void watchLog(void*, const char* domain, BctbxLogLevel level, const char* format, va_list) {
    if (level >= BCTBX_LOG_ERROR && domain && std::strcmp(domain, "belle-sip") == 0 && format &&
        std::strstr(format, "SSL handshake failed"))
        ++handshakeFailures;
}

void keepHandler(bctbx_log_handler_t*) {}

}  // namespace

std::string rootCaProblem(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return "RootCA file " + file.string() + " is missing";
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return "RootCA file " + file.string() + " cannot be read";
    bool usable = text.find("-----BEGIN CERTIFICATE-----") != std::string::npos;
    if (usable) {
        // mbedtls, as belle-sip will, and it wants the terminating zero counted.
        bctbx_x509_certificate_t* certificates = bctbx_x509_certificate_new();
        usable = bctbx_x509_certificate_parse(certificates, text.c_str(), text.size() + 1) == 0;
        bctbx_x509_certificate_free(certificates);
    }
    return usable ? std::string() : "RootCA file " + file.string() + " holds no PEM certificate";
}

std::filesystem::path systemRootCa() { return "/etc/ssl/certs/ca-certificates.crt"; }

bool isAddressLiteral(const std::string& host) {
    if (!host.empty() && host.front() == '[') return true;
    in_addr address{};
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1;
}

void installTlsWatch() {
    static const bool installed = [] {
        bctbx_add_log_handler(bctbx_create_log_handler(watchLog, keepHandler, nullptr));
        return true;
    }();
    (void)installed;
}

unsigned tlsHandshakeFailures() { return handshakeFailures.load(); }

// The engine's side: TLS checks and media encryption on its core.

std::string LinphoneEngine::tlsProblem() const {
    if (isAddressLiteral(serverHost_))
        return "TLS needs the server's name to check its certificate, not the address " + serverHost_;
    const auto authorities = options_.rootCa.empty() ? systemRootCa() : options_.rootCa;
    return rootCaProblem(authorities);
}

// The server's certificate must chain to one of the authorities and carry
// the server's host name; liblinphone refuses the connection otherwise.
void LinphoneEngine::applyTlsChecks() {
    if (options_.transport != SipTransport::Tls) return;
    const auto authorities = options_.rootCa.empty() ? systemRootCa() : options_.rootCa;
    linphone_core_set_root_ca(core_, authorities.c_str());
    linphone_core_verify_server_certificates(core_, TRUE);
    linphone_core_verify_server_cn(core_, TRUE);
}

// srtp: the offer carries plain RTP and, as an alternative (RFC 5939
// capability negotiation), SRTP with its keys, so that a far end without
// SRTP still answers; srtp-mandatory: the offer is SRTP only, and an answer
// without it ends the call; zrtp: keys are agreed in the media path when
// the far end speaks ZRTP.
void LinphoneEngine::applyMediaEncryption() {
    LinphoneMediaEncryption chosen = LinphoneMediaEncryptionNone;
    if (options_.mediaEncryption == MediaEncryption::SrtpMandatory) chosen = LinphoneMediaEncryptionSRTP;
    if (options_.mediaEncryption == MediaEncryption::Zrtp) chosen = LinphoneMediaEncryptionZRTP;
    linphone_core_set_media_encryption(core_, chosen);
    linphone_core_set_media_encryption_mandatory(
        core_, options_.mediaEncryption == MediaEncryption::SrtpMandatory ? TRUE : FALSE);
    const bool alternative = options_.mediaEncryption == MediaEncryption::Srtp;
    linphone_core_enable_capability_negociation(core_, alternative ? TRUE : FALSE);
    if (alternative) {
        bctbx_list_t* offered =
            bctbx_list_append(nullptr, reinterpret_cast<void*>(std::intptr_t{LinphoneMediaEncryptionSRTP}));
        linphone_core_set_supported_media_encryptions(core_, offered);
        bctbx_list_free(offered);
    }
}

void LinphoneEngine::enableEncryptionOffer(LinphoneCallParams* params) const {
    if (options_.mediaEncryption == MediaEncryption::Srtp)
        linphone_call_params_enable_capability_negotiations(params, TRUE);
}

// liblinphone reports an outgoing call connected before it finds that the
// answer lacks the SRTP it requires, and then fails the call.
bool LinphoneEngine::refusesPlainAnswer(LinphoneCall* call) const {
    if (options_.mediaEncryption != MediaEncryption::SrtpMandatory) return false;
    const LinphoneCallParams* answer = linphone_call_get_remote_params(call);
    return !answer || linphone_call_params_get_media_encryption(answer) != LinphoneMediaEncryptionSRTP;
}

bool LinphoneEngine::IsLineSecure(int line) {
    if (!checkLine(line)) return false;
    const EngineCall* call = liveCall(line);
    if (!call || options_.transport != SipTransport::Tls) return false;
    const LinphoneCallParams* current = linphone_call_get_current_params(call->handle.get());
    return current && linphone_call_params_get_media_encryption(current) != LinphoneMediaEncryptionNone;
}

// liblinphone reports every failed connection as "io error"; over TLS the
// agent needs to know whether the server's certificate was refused. Empty
// when the failure was something else.
std::string LinphoneEngine::transportFailure(const LinphoneErrorInfo* info) {
    if (options_.transport != SipTransport::Tls || !info ||
        linphone_error_info_get_reason(info) != LinphoneReasonIOError)
        return {};
    const unsigned failures = tlsHandshakeFailures();
    const bool refused = failures != handshakeFailuresSeen_;
    handshakeFailuresSeen_ = failures;
    if (refused)
        return "TLS certificate of " + serverHost_ + " refused (not signed by an authority of RootCA, not issued for " +
               serverHost_ + ", or expired)";
    return "TLS connection to " + serverHost_ + " failed";
}

}  // namespace velmora::engine
