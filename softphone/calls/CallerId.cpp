#include "CallerId.h"

#include "CallLogWriters.h"

#include "core/AppContext.h"
#include "core/Diagnostics.h"
#include "core/SafeText.h"
#include "core/TextRules.h"

#include <cctype>
#include <system_error>

namespace velmora::calls {
namespace {

constexpr int kWebHandOverWaitMs = 5000;
constexpr int kFileHandOverWaitMs = 10000;

bool isTxt(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".txt";
}

// Every *.txt of the data-link folder (the hand-over file and any other).
void deleteTextFiles(const std::filesystem::path& folder) {
    std::error_code ec;
    std::vector<std::filesystem::path> doomed;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isTxt(it->path())) doomed.push_back(it->path());
    for (const auto& file : doomed) std::filesystem::remove(file, ec);
}

bool plainHost(const std::string& host) {
    if (host.empty()) return false;
    for (unsigned char c : host)
        if (!std::isalnum(c) && c != '.' && c != '-' && c != ':' && c != '[' && c != ']') return false;
    return true;
}

}  // namespace

void cidCheckClicked(core::AppContext& app) {
    app.settings().set(core::keys::AutoCid, app.window.cidCheck.ticked() ? "True" : "False");
}

std::string queryEncoded(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string crmAddress(const std::string& host, const std::string& user, const std::string& password,
                       const std::string& group, const std::string& phone) {
    std::string scheme = "https://", name = host;
    for (const char* prefix : {"https://", "http://"})
        if (host.rfind(prefix, 0) == 0) scheme = prefix, name = host.substr(std::string(prefix).size());
    if (!name.empty() && name.back() == '/') name.pop_back();
    if (!plainHost(name)) return "";
    return scheme + name + "/lm_sp.asp?u=" + queryEncoded(user) + "&p=" + queryEncoded(password) +
           "&w=" + queryEncoded(group) + "&phone=" + queryEncoded(phone);
}

std::string digitsOf(const std::string& number) {
    std::string out;
    for (unsigned char c : number)
        if (c >= '0' && c <= '9') out += static_cast<char>(c);
    return out;
}

void callerIdHandOver(core::AppContext& app) {
    auto& w = app.window;
    if (!w.CIDPush.enabled() || w.CIDTxt.text().empty()) return;
    if (!w.LMUsetTxt.text().empty()) {
        w.CIDPush.setEnabled(false);
        const std::string address =
            crmAddress(app.root.deployment().get(core::keys::CrmHost), w.LMUsetTxt.text(), w.LMPassTxt.text(),
                       w.LMWorkGroupTxT.text(), core::trimSpaces(w.CIDTxt.text()));
        if (address.empty())
            core::diagnostic("caller-ID hand-over: no customer-relationship host (CrmHost in deployment.ini)");
        else
            app.platform.openUrl(address);
        loop::msDelay(app.loop, kWebHandOverWaitMs);
        w.CIDPush.setEnabled(true);
        w.CIDTxt.setText("");
        return;
    }
    // The file is named by the number's digits alone, so no caller text can
    // name a file outside the data-link folder.
    const std::string digits = digitsOf(w.CIDTxt.text());
    if (digits.empty()) {
        w.CIDTxt.setText("");
        return;
    }
    w.CIDPush.setEnabled(false);
    writeInFile(app.root.find("datalink/" + digits + ".txt"), core::oneLine(w.EditPhoneNo.text()));
    loop::msDelay(app.loop, kFileHandOverWaitMs);
    w.CIDPush.setEnabled(true);
    deleteTextFiles(app.root.find("datalink"));
    w.CIDTxt.setText("");
}

}  // namespace velmora::calls
