#pragma once

#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// cidCheck clicked: the automatic caller-ID hand-over is stored under AutoCid
// as "True" or "False", and start-up ticks the box from it.
void cidCheckClicked(core::AppContext& app);

// Hands the caller's number in CIDTxt to the customer-relationship page (when
// a CRM user is set) or to a data-link file that another program picks up
// within 10 s. CIDPush stays unavailable while a hand-over runs; a second one
// asked for meanwhile does nothing.
void callerIdHandOver(core::AppContext& app);

// Query value with every byte but the unreserved ones percent-encoded, so no
// value can add or change a key of the query.
std::string queryEncoded(const std::string& value);
// The customer-relationship page on `host` ("host[:port]", optionally with
// its scheme; https by default) for user, password, work group and phone;
// empty when host is not a plain host name.
std::string crmAddress(const std::string& host, const std::string& user, const std::string& password,
                       const std::string& group, const std::string& phone);
// The digits of a caller number, the only characters a data-link file name takes.
std::string digitsOf(const std::string& number);

}  // namespace velmora::calls
