#include "EngineFactory.h"

#include "engine/testing/RecordingEngine.h"

namespace velmora::ui {

std::unique_ptr<engine::SipEngine> makeEngine(core::EventLoop&, const core::InstallRoot&) {
    return std::make_unique<engine::RecordingEngine>();
}

}  // namespace velmora::ui
