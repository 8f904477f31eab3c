#pragma once

#include "Settings.h"

#include <filesystem>
#include <string>
#include <vector>

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

    // The root and its folders hold passwords, request files the program acts
    // on (datalink/) and programs it starts (apps/): start-up runs only on a
    // root no other user can change. A missing root is made (mode 0700). The
    // root or an existing folder of it (bin, logs, messages,
    // PreRecordedMessages, datalink, apps, engine) that belongs to another
    // user, is no folder, or can be written by group or others is refused:
    // others may have put files or links there already. One that others can
    // only read or enter is made the user's alone (0700).
    struct Privacy {
        std::string refusal;                      // one line; empty when the root may be used
        std::vector<std::filesystem::path> made;  // folders made private just now
    };
    Privacy makePrivate() const;

private:
    std::filesystem::path dir_;
};

}  // namespace velmora::core
