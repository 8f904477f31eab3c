#include "AudioEvents.h"

#include "core/EngineVolumes.h"

namespace velmora::media {

void AudioEvents::OnConnected(int, const std::string&, const std::string&) { core::showEngineVolumes(app_); }

}  // namespace velmora::media
