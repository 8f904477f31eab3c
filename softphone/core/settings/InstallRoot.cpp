#include "InstallRoot.h"

#include "IniFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

InstallRoot::Privacy InstallRoot::makePrivate() const {
    Privacy out;
    std::error_code ec;
    if (!dir_.parent_path().empty()) std::filesystem::create_directories(dir_.parent_path(), ec);
    if (::mkdir(dir_.c_str(), 0700) != 0 && errno != EEXIST) {
        out.refusal = "the install root " + dir_.string() + " cannot be made: " + std::strerror(errno);
        return out;
    }
    std::vector<std::filesystem::path> folders{dir_};
    for (const char* name : {"bin", "logs", "messages", "PreRecordedMessages", "datalink", "apps", "engine"})
        folders.push_back(find(name));
    for (const auto& folder : folders) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0) {
            if (folder != dir_ && errno == ENOENT) continue;  // made later, private (umask 077)
            out.refusal = folder.string() + " cannot be read: " + std::strerror(errno);
            return out;
        }
        const std::string what = folder == dir_ ? "the install root " + folder.string() : folder.string();
        if (!S_ISDIR(st.st_mode)) {
            out.refusal = what + " is not a folder; velmoraapp does not start";
            return out;
        }
        if (st.st_uid != ::geteuid()) {
            out.refusal = what + " belongs to another user (uid " + std::to_string(st.st_uid) +
                          "); velmoraapp runs only on folders of its own user";
            return out;
        }
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            out.refusal = what +
                          " can be changed by other users; velmoraapp does not start until it is the user's alone "
                          "(chmod 700, after checking what others may have put there)";
            return out;
        }
        if ((st.st_mode & 077) != 0) {
            if (::chmod(folder.c_str(), st.st_mode & 07700) != 0) {
                out.refusal = what + " is open to other users and cannot be made private: " + std::strerror(errno);
                return out;
            }
            out.made.push_back(folder);
        }
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
