#include "InstallRoot.h"

#include "IniFiles.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace velmora::core {
namespace {

bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::filesystem::path InstallRoot::choose(const std::string& fromCommandLine) {
    if (!fromCommandLine.empty()) return fromCommandLine;
    if (const char* env = std::getenv("RINGVALE_ROOT"); env && *env) return env;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / "Ringvale";
}

std::filesystem::path InstallRoot::find(const std::string& relative) const {
    std::filesystem::path out = dir_;
    for (const auto& part : std::filesystem::path(relative)) {
        const std::string name = part.string();
        if (name.empty() || name == ".") continue;
        std::error_code ec;
        if (std::filesystem::exists(out / part, ec)) {
            out /= part;
            continue;
        }
        std::filesystem::path match;
        for (std::filesystem::directory_iterator it(out, ec), end; !ec && it != end; it.increment(ec))
            if (sameNoCase(it->path().filename().string(), name)) {
                match = it->path();
                break;
            }
        out = match.empty() ? out / part : match;
    }
    return out;
}

bool InstallRoot::createTree() const {
    bool ok = true;
    for (const char* folder : {"bin", "logs", "messages", "PreRecordedMessages", "datalink", "apps"}) {
        std::error_code ec;
        std::filesystem::create_directories(find(folder), ec);
        ok = ok && !ec;
    }
    return ok;
}

}  // namespace velmora::core
