#pragma once

#include <string>

namespace velmora::core {

struct AppContext;

// The active-extensions page of the account's telephone system.
std::string activeExtensionsAddress(const AppContext& app, bool withCredentials);

// webtimer's one run after start-up (and after provisioning): a provisioned
// account shows its active extensions and sets going online in motion;
// otherwise the start page and the provisioning panel appear.
void runWebPanel(AppContext& app);

}  // namespace velmora::core
