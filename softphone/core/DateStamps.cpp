#include "DateStamps.h"

#include <cstdio>

namespace velmora::core {

std::string shortDate(const std::tm& t) {
    return std::to_string(t.tm_mon + 1) + "/" + std::to_string(t.tm_mday) + "/" + std::to_string(t.tm_year + 1900);
}

std::string shortTime(const std::tm& t) {
    char out[32];
    const int hour = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    std::snprintf(out, sizeof out, "%d:%02d:%02d %s", hour, t.tm_min, t.tm_sec, t.tm_hour < 12 ? "AM" : "PM");
    return out;
}

std::string clockTime(const std::tm& t) {
    char out[16];
    std::snprintf(out, sizeof out, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return out;
}

std::string dayStamp(const std::tm& t) {
    char out[16];
    std::snprintf(out, sizeof out, "%02d%02d%02d", t.tm_mday, t.tm_mon + 1, t.tm_year % 100);
    return out;
}

std::string timeStamp(const std::tm& t) {
    char out[16];
    std::snprintf(out, sizeof out, "%02d%02d%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return out;
}

std::time_t epochOf(std::tm t) {
    t.tm_isdst = -1;
    return std::mktime(&t);
}

}  // namespace velmora::core
