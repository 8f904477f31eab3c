#pragma once

#include "Settings.h"

#include <filesystem>
#include <string>

namespace velmora::core {

// The install root and its folders (bin, logs, messages, PreRecordedMessages,
// datalink, apps). Names inside the root match whatever their case on disk, as
// the files' other tools expect.
class InstallRoot {
public:
    explicit InstallRoot(std::filesystem::path dir) : dir_(std::move(dir)) {}

    // --root DIR, else $RINGVALE_ROOT, else $HOME/Ringvale.
    static std::filesystem::path choose(const std::string& fromCommandLine);

    const std::filesystem::path& dir() const { return dir_; }
    // The path of `relative` ("bin/agentlist.txt"), each part matched to an
    // existing entry ignoring case; parts that do not exist keep their case.
    std::filesystem::path find(const std::string& relative) const;
    std::filesystem::path bin(const std::string& name) const { return find("bin/" + name); }

    // The main settings file bin/velmoraapp.ini.
    std::filesystem::path settingsFile() const { return bin("velmoraapp.ini"); }
    AgentSettings settings() const { return AgentSettings(settingsFile()); }
    WebSettings webSettings() const { return WebSettings(bin("websettings.ini")); }
    PositionSettings positions() const { return PositionSettings(bin("buttonprg.ini")); }
    DeploymentSettings deployment() const { return DeploymentSettings(bin("deployment.ini")); }

    // Creates the folder tree; false when any folder could not be made.
    bool createTree() const;

private:
    std::filesystem::path dir_;
};

}  // namespace velmora::core
