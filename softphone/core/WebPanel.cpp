#include "WebPanel.h"

#include "AppContext.h"
#include "Provisioning.h"
#include "Startup.h"
#include "settings/IniFiles.h"
#include "TextRules.h"

#include <algorithm>

namespace velmora::core {
namespace {

bool asciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The account number goes into a host name: four letters or digits, nothing else.
bool isAccountNumber(const std::string& text) {
    return text.size() == 4 && std::all_of(text.begin(), text.end(), asciiAlnum);
}

// A DNS name: labels of letters, digits and "-" separated by single dots.
bool isHostName(const std::string& text) {
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.back() == '.') return false;
    if (text.find("..") != std::string::npos) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return asciiAlnum(c) || c == '-' || c == '.'; });
}

}  // namespace

std::string percentEncoded(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (asciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string activeExtensionsAddress(const AppContext& app, bool withCredentials) {
    const auto& w = app.window;
    const std::string& account = app.state.accountNumber;
    const std::string domain = trimSpaces(app.root.deployment().get(keys::ServiceDomain));
    if (!isAccountNumber(account) || !isHostName(domain)) return "";
    std::string address = "http://pbx" + account + "." + domain + "/app/active_extensions/active_extensions.php";
    if (withCredentials)
        address += "?username=" + percentEncoded(trimSpaces(w.Text2.text())) +
                   "&password=" + percentEncoded(trimSpaces(w.Text3.text()));
    return address;
}

void runWebPanel(AppContext& app) {
    auto& w = app.window;
    w.WebBrowser1.setVisible(true);
    const auto settings = app.settings();
    if (settings.get(keys::Mon) != "True") {
        w.WebBrowser1.navigate(app.root.deployment().get(keys::StartPage));
        w.webtimer.setEnabled(false);
        w.Frame7.setVisible(true);
        return;
    }
    const std::string customer = settings.get(keys::customerNumber);
    w.customerNumber.setCaption("Cust#: " + maskedProvisioningCode(customer));
    app.state.accountNumber = splitProvisioningCode(customer).accountNumber;
    if (const auto address = activeExtensionsAddress(app, !w.Text1.text().empty()); !address.empty())
        w.WebBrowser1.navigate(address);
    w.OnLineTimer.setEnabled(true);
    w.BtnOnline.setVisible(true);
    w.webtimer.setEnabled(false);
    w.form.setCaption(windowTitle(settings.get(keys::customerNumberLine), app.state.versionText));
}

}  // namespace velmora::core
