#include "InstanceLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace velmora::core {

InstanceLock::InstanceLock(const std::filesystem::path& installRoot) : file_(installRoot / ".velmoraapp.lock") {
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
