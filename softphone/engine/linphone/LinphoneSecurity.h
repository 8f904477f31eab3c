#pragma once

#include <filesystem>
#include <string>

// Checks behind SIP over TLS that liblinphone leaves to its user.

namespace velmora::engine {

// Why the certificate authorities of file cannot be used ("" when they can):
// missing, unreadable, or holding no PEM certificate.
std::string rootCaProblem(const std::filesystem::path& file);

// The system's store of certificate authorities, used without a RootCA.
std::filesystem::path systemRootCa();

// True for a dotted IPv4 or bracketed IPv6 address: a certificate's name
// cannot be checked against it (belle-sip checks names only).
bool isAddressLiteral(const std::string& host);

// How many TLS handshakes belle-sip has given up so far in this process (a
// refused certificate, mostly): liblinphone reports them as a bare I/O error.
// Counted from belle-sip's log, which installTlsWatch hooks into.
void installTlsWatch();
unsigned tlsHandshakeFailures();

}  // namespace velmora::engine
