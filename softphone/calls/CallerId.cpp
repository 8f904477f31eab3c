#include "CallerId.h"

#include "CallLogWriters.h"

#include "core/AppContext.h"
#include "core/Diagnostics.h"
#include "core/SafeText.h"
#include "core/TextRules.h"

#include "core/StatusLog.h"

#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

// A folder only the agent can enter: the session's runtime folder when it is
// one, else the install root's data-link folder.
std::filesystem::path handOverFolder(core::AppContext& app) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        struct stat st {};
        if (::lstat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0)
            return runtime;
    }
    const auto folder = app.root.find("datalink");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

// A new file of an unguessable name, created where no file or link was
// (mode 0600), holding the page; none when it cannot be made whole. Pages an
// earlier run left behind (a crash during the wait) go first.
std::optional<std::filesystem::path> writePrivatePage(const std::filesystem::path& folder, const std::string& page) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("velmora-crm-", 0) != 0 || it->path().extension() != ".html") continue;
        // Another phone of the agent's may be handing over through this folder just now.
        std::error_code old;
        const auto written = std::filesystem::last_write_time(it->path(), old);
        if (!old && std::filesystem::file_time_type::clock::now() - written > std::chrono::minutes(1))
            ::unlink(it->path().c_str());
    }
    std::string name = (folder / "velmora-crm-XXXXXX.html").string();
    const int fd = ::mkostemps(name.data(), 5, O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    ::fchmod(fd, 0600);
    const char* p = page.data();
    std::size_t left = page.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 || left > 0) {
        ::unlink(name.c_str());
        return std::nullopt;
    }
    return std::filesystem::path(name);
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

std::string htmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string crmAction(const std::string& host) {
    std::string name = host;
    if (host.rfind("http://", 0) == 0) return "";
    if (host.rfind("https://", 0) == 0) name = host.substr(8);
    if (!name.empty() && name.back() == '/') name.pop_back();
    if (!plainHost(name)) return "";
    return "https://" + name + "/lm_sp.asp";
}

std::string crmHandOverPage(const std::string& action, const std::string& user, const std::string& password,
                            const std::string& group, const std::string& phone) {
    const auto field = [](const char* name, const std::string& value) {
        return std::string("<input type=\"hidden\" name=\"") + name + "\" value=\"" + htmlEscaped(value) + "\">\n";
    };
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><meta name=\"referrer\" content=\"no-referrer\">"
           "<title>Customer record</title></head>\n<body onload=\"document.forms[0].submit()\">\n"
           "<form method=\"post\" action=\"" +
           htmlEscaped(action) + "\">\n" + field("u", user) + field("p", password) + field("w", group) +
           field("phone", phone) +
           "<noscript><button type=\"submit\">Open the customer record</button></noscript>\n</form></body></html>\n";
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
        const std::string host = app.root.deployment().get(core::keys::CrmHost);
        const std::string action = crmAction(host);
        std::optional<std::filesystem::path> page;
        if (host.rfind("http://", 0) == 0)
            core::ShowStatus(app, "Caller ID: CrmHost is not https; the CRM password is sent over https only");
        else if (action.empty())
            core::diagnostic("caller-ID hand-over: no customer-relationship host (CrmHost in deployment.ini)");
        else if (!(page =
                       writePrivatePage(handOverFolder(app),
                                        crmHandOverPage(action, w.LMUsetTxt.text(), w.LMPassTxt.text(),
                                                        w.LMWorkGroupTxT.text(), core::trimSpaces(w.CIDTxt.text())))))
            core::ShowStatus(app, "Caller ID: the hand-over page could not be written");
        else
            app.platform.openFile(*page);
        loop::msDelay(app.loop, kWebHandOverWaitMs);
        if (page) ::unlink(page->c_str());
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
