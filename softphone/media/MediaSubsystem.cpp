#include "MediaSubsystem.h"

#include "AudioEvents.h"
#include "RecordingEvents.h"

#include "core/EngineEventBus.h"

namespace velmora::media {

void install(core::AppContext& app, core::EngineEventBus& events) {
    events.add(std::make_unique<AudioEvents>(app));
    events.add(std::make_unique<RecordingEvents>(app));
}

}  // namespace velmora::media
