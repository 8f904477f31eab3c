#pragma once

namespace velmora::core {

struct AppContext;

inline constexpr long kFirstSipPort = 5782;
inline constexpr long kLastSipPort = 6999;
inline constexpr long kFirstRtpPort = 7000;

// The toggle's state is its caption: "Offline" while online.
bool isOnline(const AppContext& app);

// BtnOnline clicked (or performed by OnLineTimer): re-reads the account keys,
// then goes offline when online and online otherwise.
void toggleOnline(AppContext& app);

// Starts the engine on the first free SIP port, opens every line on its own
// RTP port, registers, applies codecs and options, fills the line and device
// lists and starts the periodic timers. Stops at the first step that fails,
// leaving the toggle offline.
void goOnline(AppContext& app);

// Timers and meters stop, the engine shuts down, the lists empty.
void goOffline(AppContext& app);

// Re-reads the account keys of the settings file into their fields.
void reloadAccount(AppContext& app);

// Rebuilds the eight line selectors with one "Line-N" entry a line.
void fillLineLists(AppContext& app);

}  // namespace velmora::core
