#pragma once

#include <linphone/core.h>

#include <string>

namespace velmora::engine {

struct ErrorText {
    long code;
    std::string reason;
};

// The status code and reason phrase as the server sent them; without a
// response, liblinphone's reason.
inline ErrorText errorText(const LinphoneErrorInfo* info) {
    if (!info) return {0, "No response"};
    ErrorText text{linphone_error_info_get_protocol_code(info), {}};
    if (const char* phrase = linphone_error_info_get_phrase(info)) text.reason = phrase;
    if (text.reason.empty()) text.reason = linphone_reason_to_string(linphone_error_info_get_reason(info));
    return text;
}

}  // namespace velmora::engine
