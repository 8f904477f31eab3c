#pragma once

namespace velmora::core {
struct AppContext;
}

namespace velmora::media {

// The engine's volumes are 0 to 250; a slider step is 25 of them.
inline constexpr long kVolumePerSliderStep = 25;
// The gain control's target level.
inline constexpr long kAgcLevel = 8000;

// A volume slider moved: the engine takes slider x 25; a refusal is reported.
void micVolumeChanged(core::AppContext& app);
void speakerVolumeChanged(core::AppContext& app);

// Global mute of the microphone or speaker, as the box says.
void muteMicClicked(core::AppContext& app);
void muteSpeakerClicked(core::AppContext& app);

// Per-line mute of the ComboMuteLine line; the line's flag follows only what
// the engine accepted.
void muteLineMicClicked(core::AppContext& app);
void muteLineSpeakerClicked(core::AppContext& app);
// A line chosen in ComboMuteLine: the two boxes show its flags (a box whose
// value changes runs its click handling).
void muteLineChosen(core::AppContext& app);

// Voice processing: gain control (refusal reported), echo and noise
// cancellation, microphone boost.
void agcClicked(core::AppContext& app);
void echoCancelClicked(core::AppContext& app);
void micBoostClicked(core::AppContext& app);

// A codec box selects or deselects its codec at once (numbers of the engine).
void codecClicked(core::AppContext& app, long codec, bool ticked);

// Force in-band DTMF on every open line; nothing while no line is open.
void inbandDtmfClicked(core::AppContext& app);

// CheckPlayDialTone clicked: a tone that may be sounding stops, then the
// ring-back switch follows the box at once.
void ringBackSwitchClicked(core::AppContext& app);
}  // namespace velmora::media
