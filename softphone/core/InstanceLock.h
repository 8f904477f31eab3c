#pragma once

#include <filesystem>

namespace velmora::core {

// One running program per install root: an exclusive lock on a file in the
// user's runtime folder, held for the whole run and released by the kernel
// when the process ends, however it ends.
class InstanceLock {
public:
    explicit InstanceLock(const std::filesystem::path& installRoot);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds the lock.
    bool acquired() const { return acquired_; }

private:
    int fd_ = -1;
    bool acquired_ = false;
};

}  // namespace velmora::core
