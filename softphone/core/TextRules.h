#pragma once

#include <string>

namespace velmora::core {

// The text with the blanks (spaces) around it removed, as the window's fields
// and settings are trimmed.
inline std::string trimSpaces(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace velmora::core
