#pragma once

#include <filesystem>
#include <string>

namespace velmora::core {

// One running program per install root: an exclusive lock on
// bin/.velmoraapp.lock inside the root (which start-up has made the user's
// alone), held for the whole run and released by the kernel when the process
// ends, however it ends. The lock fails closed: when its file cannot be
// opened the program does not run, so no one can let a second instance in
// (or keep the first out) through a shared folder such as /tmp.
class InstanceLock {
public:
    explicit InstanceLock(const std::filesystem::path& installRoot);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds the lock or it could not be taken.
    bool acquired() const { return acquired_; }
    // Why the lock could not be taken at all; empty when it was, or when
    // another instance holds it.
    const std::string& problem() const { return problem_; }
    const std::filesystem::path& file() const { return file_; }

private:
    int fd_ = -1;
    bool acquired_ = false;
    std::string problem_;
    std::filesystem::path file_;
};

}  // namespace velmora::core
