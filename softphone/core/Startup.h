#pragma once

#include <string>

namespace velmora::core {

struct AppContext;

// The window title for a customer number.
std::string windowTitle(const std::string& customerNumber, const std::string& versionText);

// Everything the window does when it loads: ends at once when another instance
// runs, then reads the settings into the fields and fills the lists. Failing
// steps are skipped silently.
void loadWindow(AppContext& app, bool anotherInstanceRunning);

// Reads the InBand key, remembers it and applies it to CheckForceInbandDTMF:
// "True" ticks the box, "False" clears it, anything else leaves it.
void applyInBandSetting(AppContext& app);

// The settings file holds the SIP password: found readable by group or
// others, it is made the user's alone, said once through diagnostic.
void keepSettingsPrivate(const AppContext& app);

// The notes or monitor file of a login, bin/<login>.txt; empty when the login
// would name a file outside bin (a path separator or "..").
std::string loginFileName(const std::string& login);

}  // namespace velmora::core
