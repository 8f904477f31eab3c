#pragma once

#include <filesystem>
#include <string>

namespace velmora::core {

struct AppContext;

// Where the pop-up menu was opened: the status list or the banner, whose
// entry 4 starts the message player instead.
enum class MenuOrigin { StatusLog, Banner };

inline constexpr int kMenuEntries = 8;
// The entry's caption as the menu shows it (1 to 8).
std::string menuCaption(MenuOrigin origin, int entry);

// After the menu closed with `entry` chosen (0 for none): clears expChk, then
// runs the entry.
void runPopupEntry(AppContext& app, MenuOrigin origin, int entry);

// Starts a sibling program of the install root (NAME, NAME.exe or NAME.sh in
// `folder`) directly, with no arguments; false when there is none.
bool startSibling(AppContext& app, const std::string& folder, const std::string& name);

}  // namespace velmora::core
