#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::rig {

// A program started by the rig in its own process group, with its output in
// a log file. Stopping (or destroying) it ends the whole group, so nothing the
// rig starts outlives the test.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Exit status once the program has ended by itself within the wait;
    // nullopt while it still runs. A signal death reads as 128 + signal.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool running();
    // SIGTERM, then SIGKILL after a grace period; returns the exit status.
    int stop();
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    std::optional<int> status_;
};

// A fresh temporary folder, removed with everything in it at destruction.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A UDP port on 127.0.0.1 that nothing holds right now (the system's choice).
// With pair, port + 1 is free as well and port is even (RTP and RTCP).
int freeUdpPort(bool pair = false);
// A TCP port on 127.0.0.1 that nothing holds right now, nor its UDP twin.
int freeTcpPort();

std::string readFile(const std::filesystem::path& file);

}  // namespace velmora::rig
