#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// An established call shows the engine's volumes and microphone boost.
class AudioEvents : public engine::SipEngineEvents {
public:
    explicit AudioEvents(core::AppContext& app) : app_(app) {}
    void OnConnected(int line, const std::string& remoteText, const std::string& number) override;

private:
    core::AppContext& app_;
};

}  // namespace velmora::media
