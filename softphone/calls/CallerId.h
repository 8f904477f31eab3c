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
//
// The CRM's password never travels on a command line (every local user can
// read those) nor in an address the browser keeps in its history: the browser
// is given a page of the agent's own (mode 0600, in $XDG_RUNTIME_DIR or else
// the install root's datalink folder) whose form posts the values to the CRM,
// and the page is deleted once the hand-over's wait is over.
void callerIdHandOver(core::AppContext& app);

// The address the hand-over's form posts to on `host` ("host[:port]",
// optionally after "https://"); empty when host is not a plain host name or
// asks for plain http.
std::string crmAction(const std::string& host);
// The hand-over page: a form posting u, p, w and phone to action, submitted
// as soon as the page loads; every value escaped for HTML.
std::string crmHandOverPage(const std::string& action, const std::string& user, const std::string& password,
                            const std::string& group, const std::string& phone);
// Text as it may stand inside an HTML attribute value or element.
std::string htmlEscaped(const std::string& text);
// The digits of a caller number, the only characters a data-link file name takes.
std::string digitsOf(const std::string& number);

}  // namespace velmora::calls
