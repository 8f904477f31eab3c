#pragma once

#include <ctime>
#include <string>

namespace velmora::core {

// The system's short date form, M/D/YYYY (12/9/2026).
std::string shortDate(const std::tm& t);
// The system's time form, H:MM:SS AM/PM (2:05:09 PM).
std::string shortTime(const std::tm& t);
// 24-hour HH:MM:SS (14:05:09).
std::string clockTime(const std::tm& t);
// DDMMYY (091226) and hhmmss (071327), as in recording file names.
std::string dayStamp(const std::tm& t);
std::string timeStamp(const std::tm& t);
// Seconds since the epoch of a local time.
std::time_t epochOf(std::tm t);

}  // namespace velmora::core
