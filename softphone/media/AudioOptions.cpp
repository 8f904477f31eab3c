#include "AudioOptions.h"

#include "calls/RingBack.h"
#include "core/AppContext.h"
#include "core/EngineVolumes.h"
#include "core/ErrorReporter.h"
#include "core/Online.h"

#include <vector>

namespace velmora::media {
namespace {

// Stores a line's mute flag; the line may be outside the flags (no line chosen).
void storeFlag(std::vector<bool>& flags, int line, bool muted) {
    if (line >= 0 && line < static_cast<int>(flags.size())) flags[line] = muted;
}

}  // namespace

// Setting a slider back from the engine (a call established, going online)
// runs its change handling too: a position the engine's volume already rounds
// to asks nothing, so showing the volume never alters it.
void micVolumeChanged(core::AppContext& app) {
    const int position = app.window.SliderMicVol.value();
    if (core::sliderFromVolume(app.engine.GetMicrophoneVolume()) == position) return;
    if (!app.engine.SetMicrophoneVolume(position * kVolumePerSliderStep)) core::ReportEngineError(app);
}

void speakerVolumeChanged(core::AppContext& app) {
    const int position = app.window.SliderSpkVol.value();
    if (core::sliderFromVolume(app.engine.GetSpeakerVolume()) == position) return;
    if (!app.engine.SetSpeakerVolume(position * kVolumePerSliderStep)) core::ReportEngineError(app);
}

void muteMicClicked(core::AppContext& app) { app.engine.MuteMicrophone(app.window.CheckMuteMic.ticked()); }

void muteSpeakerClicked(core::AppContext& app) { app.engine.MuteSpeaker(app.window.CheckSpkMute.ticked()); }

void muteLineMicClicked(core::AppContext& app) {
    const int line = app.window.ComboMuteLine.listIndex();
    const bool muted = app.window.CheckMuteLineMIC.ticked();
    if (app.engine.MuteLineMicrophone(line, muted))
        storeFlag(app.state.lineMicMuted, line, muted);
    else
        core::ReportEngineError(app);
}

void muteLineSpeakerClicked(core::AppContext& app) {
    const int line = app.window.ComboMuteLine.listIndex();
    const bool muted = app.window.CheckMuteLineSPK.ticked();
    if (app.engine.MuteLineSpeaker(line, muted))
        storeFlag(app.state.lineSpeakerMuted, line, muted);
    else
        core::ReportEngineError(app);
}

void muteLineChosen(core::AppContext& app) {
    auto& w = app.window;
    const int line = w.ComboMuteLine.listIndex();
    const auto& mic = app.state.lineMicMuted;
    const auto& speaker = app.state.lineSpeakerMuted;
    if (line < 0 || line >= static_cast<int>(mic.size()) || line >= static_cast<int>(speaker.size())) return;
    w.CheckMuteLineMIC.setValue(mic[line] ? 1 : 0);
    w.CheckMuteLineSPK.setValue(speaker[line] ? 1 : 0);
}

void agcClicked(core::AppContext& app) {
    if (!app.window.CheckAGC.ticked())
        app.engine.DisableAgc();
    else if (!app.engine.EnableAgc(kAgcLevel))
        core::ReportEngineError(app);
}

void echoCancelClicked(core::AppContext& app) {
    if (app.window.CheckEchoCancel.ticked())
        app.engine.EnableEchoCancel();
    else
        app.engine.DisableEchoCancel();
}

void micBoostClicked(core::AppContext& app) {
    if (app.window.CheckMicBoost.ticked())
        app.engine.EnableMicBoost();
    else
        app.engine.DisableMicBoost();
}

void codecClicked(core::AppContext& app, long codec, bool ticked) {
    if (ticked)
        app.engine.SelectCodec(codec);
    else
        app.engine.DeselectCodec(codec);
}

// The lines are open from going online until going offline; offline the line
// count is the last one's, so it is not taken as open lines.
void inbandDtmfClicked(core::AppContext& app) {
    if (!core::isOnline(app)) return;
    const bool on = app.window.CheckForceInbandDTMF.ticked();
    for (int line = 0; line < app.state.lineCount; ++line) {
        if (on)
            app.engine.EnableInbandDtmf(line);
        else
            app.engine.DisableInbandDtmf(line);
    }
}

void ringBackSwitchClicked(core::AppContext& app) {
    calls::stopRingBack(app);
    app.state.ringBackOn = app.window.CheckPlayDialTone.ticked();
}

}  // namespace velmora::media
