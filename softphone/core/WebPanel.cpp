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

// A host name, an IPv4 address or a bracketed IPv6 one, and an optional port.
bool isHostPort(const std::string& text) {
    std::string host = text, port;
    const auto colon = text.rfind(':');
    if (colon != std::string::npos && text.find(']', colon) == std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        return std::all_of(host.begin() + 1, host.end() - 1,
                           [](char c) { return asciiAlnum(c) || c == ':' || c == '.'; });
    return isHostName(host);
}

}  // namespace

std::string redactedAddress(const std::string& address) {
    const auto query = address.find('?');
    if (query == std::string::npos) return address;
    const auto fragment = address.find('#', query);
    std::string out = address.substr(0, query + 1);
    const std::string items =
        address.substr(query + 1, fragment == std::string::npos ? std::string::npos : fragment - query - 1);
    std::size_t from = 0;
    while (from <= items.size()) {
        auto end = items.find('&', from);
        if (end == std::string::npos) end = items.size();
        const std::string item = items.substr(from, end - from);
        const auto eq = item.find('=');
        out += eq == std::string::npos ? item : item.substr(0, eq + 1) + "***";
        if (end < items.size()) out += '&';
        from = end + 1;
    }
    return out;
}

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
    const auto deployment = app.root.deployment();
    std::string base;
    if (std::string panel = trimSpaces(deployment.get(keys::PanelAddress)); !panel.empty()) {
        if (panel.back() == '/') panel.pop_back();
        if (panel.rfind("https://", 0) != 0 || !isHostPort(panel.substr(8))) return "";
        base = panel;
    } else {
        const std::string domain = trimSpaces(deployment.get(keys::ServiceDomain));
        if (!isAccountNumber(account) || !isHostName(domain)) return "";
        base = "https://pbx" + account + "." + domain;
    }
    std::string address = base + "/app/active_extensions/active_extensions.php";
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
