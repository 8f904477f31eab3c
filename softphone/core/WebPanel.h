#pragma once

#include <string>

namespace velmora::core {

struct AppContext;

// The active-extensions page of the account's telephone system, always over
// https (its query holds the panel's password), its query values
// percent-encoded: on https://pbx<account>.<ServiceDomain>, or on the
// deployment's PanelAddress ("https://host[:port]") when one is given. ""
// when the account number is not four letters or digits, the service domain
// is not a host name, or PanelAddress is not a plain https address.
std::string activeExtensionsAddress(const AppContext& app, bool withCredentials);

// An address as it may be shown or read out: every query value replaced by
// "***", so the panel's password never leaves through the automation bus.
std::string redactedAddress(const std::string& address);

// Every byte but letters, digits and "-._~" as %XX (RFC 3986 unreserved).
std::string percentEncoded(const std::string& text);

// webtimer's one run after start-up (and after provisioning): a provisioned
// account shows its active extensions and sets going online in motion;
// otherwise the start page and the provisioning panel appear.
void runWebPanel(AppContext& app);

}  // namespace velmora::core
