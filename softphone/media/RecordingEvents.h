#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// Calls are recorded from the moment they are established when recordAll says so.
class RecordingEvents : public engine::SipEngineEvents {
public:
    explicit RecordingEvents(core::AppContext& app) : app_(app) {}
    void OnConnected(int line, const std::string& remoteText, const std::string& number) override;

private:
    core::AppContext& app_;
};

}  // namespace velmora::media
