#pragma once

#include "CallBook.h"
#include "CallRecordSink.h"
#include "Platform.h"
#include "engine/SipEngine.h"
#include "loop/EventLoop.h"
#include "settings/InstallRoot.h"
#include "window/MainWindowModel.h"

#include <string>
#include <vector>

namespace velmora::core {

inline constexpr const char* kVersionText = "6.0.22a";
inline constexpr const char* kProductTag = "Velmora22a";

// Window-level values the handlers share besides the controls.
struct WindowState {
    std::string versionText;
    std::string inBandSetting;  // the InBand key as read at start-up
    bool useSipTapi = false;
    std::string accountNumber;  // characters 3 to 6 of customerNumber
    int lineCount = 0;
    bool ringBackOn = false;
    std::vector<bool> lineSpeakerMuted, lineMicMuted;
    std::string recordAllSetting;
    bool consultTransferFlag = false;
    std::string monitoredAgent;
    std::string lastDialledNumber;
    // Call recording: the stamps of the last own-call file name (DDMMYY,
    // hhmmss) and the path of the current monitor recording.
    std::string recordingDate, recordingTime;
    std::string monitorRecordingFile;
    bool shuttingDown = false;  // the program's end has begun: Exit, close and signals end it once
    CallBook calls;
};

// Everything a handler works with: the window, the engine, the loop, the
// desktop and the files under the install root.
struct AppContext {
    MainWindowModel& window;
    engine::SipEngine& engine;
    EventLoop& loop;
    Platform& platform;
    InstallRoot root;
    WindowState state;
    CallRecordSink* records = nullptr;  // besides the CSV file; none by default

    std::filesystem::path settingsFile() const { return root.settingsFile(); }
    AgentSettings settings() const { return root.settings(); }
};

}  // namespace velmora::core
