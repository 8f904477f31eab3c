#pragma once

#include <string>

namespace velmora::core {

struct AppContext;

// The account as a provisioning code gives it: characters 3-6 the account
// number, 7-10 the login, 11-20 the password, taken from the code as typed.
struct ProvisioningCode {
    std::string accountNumber, login, password, customerNumber;
};
ProvisioningCode splitProvisioningCode(const std::string& code);
// The code as the window shows it: characters 11 to 20, the SIP password,
// as "*" (a shared screen or a photo of it must not give the account away).
std::string maskedProvisioningCode(const std::string& code);

void showProvisioningPanel(AppContext& app);    // custNumCmd
void saveProvisioningPanel(AppContext& app);    // SaveCustNum
void saveCrmCredentials(AppContext& app);       // saveHidePush
void setProvisioned(AppContext& app, bool on);  // Label18 / Label21 double clicks
void openLoginNotes(AppContext& app);           // editSk1
void changeKeyPadView(AppContext& app);         // expChk clicked

}  // namespace velmora::core
