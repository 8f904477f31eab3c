#include "TextFile.h"

#include "Diagnostics.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::core {
namespace {

constexpr mode_t kPrivateMode = 0600;

// Said once a file: a log written on every chat message or call must not
// flood stderr while its folder cannot be written.
void warnWrite(const std::filesystem::path& file, int err) {
    static std::mutex guard;
    static std::set<std::string> warned;
    constexpr std::size_t kMostFiles = 256;
    {
        const std::lock_guard lock(guard);
        if (warned.size() >= kMostFiles || !warned.insert(file.string()).second) return;
    }
    diagnostic("could not write " + file.string() + ": " + std::strerror(err));
}

bool writeAll(int fd, const std::string& content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
}

bool replaceFile(const std::filesystem::path& file, const std::string& content) {
    struct stat existing {};
    const mode_t mode = ::lstat(file.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) ? (existing.st_mode & 07777)
                                                                                         : kPrivateMode;
    std::filesystem::path temp = file;
    temp += ".new";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        warnWrite(file, errno);
        return false;
    }
    ::fchmod(fd, mode);
    bool ok = writeAll(fd, content);
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        warnWrite(file, err);
    }
    return ok;
}

bool appendLine(const std::filesystem::path& file, const std::string& line) {
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, kPrivateMode);
    if (fd < 0) {
        warnWrite(file, errno);
        return false;
    }
    bool ok = writeAll(fd, line + "\r\n");
    int err = errno;
    ::close(fd);
    if (!ok) warnWrite(file, err);
    return ok;
}

bool ensureFile(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kPrivateMode);
    if (fd < 0) {
        if (::access(file.c_str(), R_OK) == 0) return true;  // exists, read-only root
        warnWrite(file, errno);
        return false;
    }
    ::close(fd);
    return true;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty()) lines.push_back(std::move(current));
    return lines;
}

}  // namespace velmora::core
