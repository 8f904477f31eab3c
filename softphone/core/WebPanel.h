#pragma once

#include <string>

namespace velmora::core {

struct AppContext;

// The active-extensions page of the account's telephone system, its query
// values percent-encoded; "" when the account number is not four letters or
// digits or the service domain is not a host name.
std::string activeExtensionsAddress(const AppContext& app, bool withCredentials);

// Every byte but letters, digits and "-._~" as %XX (RFC 3986 unreserved).
std::string percentEncoded(const std::string& text);

// webtimer's one run after start-up (and after provisioning): a provisioned
// account shows its active extensions and sets going online in motion;
// otherwise the start page and the provisioning panel appear.
void runWebPanel(AppContext& app);

}  // namespace velmora::core
