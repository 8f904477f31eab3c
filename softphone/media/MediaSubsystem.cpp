#include "MediaSubsystem.h"

#include "AudioEvents.h"
#include "AudioOptions.h"
#include "RecordingEvents.h"

#include "core/AppContext.h"
#include "core/EngineEventBus.h"

namespace velmora::media {

void install(core::AppContext& app, core::EngineEventBus& events) {
    events.add(std::make_unique<AudioEvents>(app));
    events.add(std::make_unique<RecordingEvents>(app));

    auto& w = app.window;
    w.CheckPlayDialTone.onClick = [&app] { ringBackSwitchClicked(app); };
}

}  // namespace velmora::media
