#pragma once

#include <cstddef>
#include <string>

namespace velmora::core {

// Texts from the network (chat messages, caller names) as the window may show
// them: valid UTF-8 (a broken sequence becomes U+FFFD), control characters as
// blanks, the direction controls that could make one line pose as another
// removed, and at most maxChars characters (the rest becomes "...").
std::string shownText(const std::string& raw, std::size_t maxChars);

// A text as one line of a log file: every control character (line breaks
// included) becomes a blank, so one message is always one line.
std::string oneLine(const std::string& raw);

}  // namespace velmora::core
