#pragma once

#include <optional>
#include <string>

namespace velmora::core {

struct AppContext;

// The one writer of status lines: appends to ListStatusLog (at most 200
// characters a line, control characters as blanks; the last 1,000 lines
// kept), scrolls to the end, and passes the line's trimmed start through
// LineStatTxT so that the failure phrases are seen.
void ShowStatus(AppContext& app, const std::string& text);

// The banner text for a failure phrase ("Bad Number", "BUSY"), matched against
// the whole trimmed text ignoring case.
std::optional<std::string> failurePhraseBanner(const std::string& text);

// LineStatTxT's change handler.
void onLineStatusChanged(AppContext& app);

// "Line-" + (line + 1) + ": " + message
std::string lineStatus(int line, const std::string& message);

}  // namespace velmora::core
