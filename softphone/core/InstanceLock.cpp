#include "InstanceLock.h"

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

namespace velmora::core {
namespace {

std::filesystem::path lockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
    return std::filesystem::temp_directory_path();
}

}  // namespace

InstanceLock::InstanceLock(const std::filesystem::path& installRoot) {
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(installRoot, ec);
    if (ec) canonical = std::filesystem::absolute(installRoot);
    const auto key = std::hash<std::string>{}(canonical.string());
    const auto file = lockFolder() / ("velmoraapp-" + std::to_string(getuid()) + "-" + std::to_string(key) + ".lock");
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // Without a lock file nothing can tell two instances apart: run.
    acquired_ = fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace velmora::core
