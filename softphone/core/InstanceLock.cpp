#include "InstanceLock.h"

#include "settings/InstallRoot.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::core {

InstanceLock::InstanceLock(const std::filesystem::path& installRoot)
    : file_(InstallRoot(installRoot).bin(".velmoraapp.lock")) {
    // bin/ of a new root is made here, private; a missing root stays missing.
    if (std::filesystem::is_directory(installRoot)) ::mkdir(file_.parent_path().c_str(), 0700);
    // Never through a link: the lock file is the root's own.
    fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        problem_ = "the single-instance lock " + file_.string() + " cannot be opened: " + std::strerror(errno);
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        acquired_ = true;
    } else if (errno != EWOULDBLOCK) {
        problem_ = "the single-instance lock " + file_.string() + " cannot be taken: " + std::strerror(errno);
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace velmora::core
