#pragma once

#include <ctime>
#include <string>

namespace velmora::engine {
class SipEngine;
}

namespace velmora::core {

struct AppContext;

// A line's word in the line-status view: "close", "free", "playing", "hold" or
// "busy". The engine is asked IsLineOpen, IsLineBusy, IsWavePlaying,
// IsLineOnHold in that order, no further than the word needs.
std::string lineStatusWord(engine::SipEngine& engine, int line);

// TimerTick: builds one row a line when the view has none, then writes each
// line's word into its row, touching only rows whose word changed.
void lineStatusTick(AppContext& app);

// TimerProgressBar: the meters show the engine's momentary levels.
void levelMeterTick(AppContext& app);

// "hh:mm AM/PM": hours on a 12-hour clock and minutes, two digits each.
std::string clockText(const std::tm& time);
// TimeTimer: TimeText shows the local time.
void clockTick(AppContext& app);

// The settings check run once shortly after the window has loaded: the
// recording box is cleared unless recordAll asks for every call to be
// recorded, and the greeting buttons are shown only for DID "True".
void runSettingsCheck(AppContext& app);
inline constexpr int kSettingsCheckDelayMs = 1000;
void scheduleSettingsCheck(AppContext& app);

}  // namespace velmora::core
