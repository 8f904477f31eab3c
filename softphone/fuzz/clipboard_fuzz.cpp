// libFuzzer target: the clipboard dialler's rules for a clipboard text (the
// first byte picks the click-to-dial length).
#include "calls/Dialling.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const long swipeLength = static_cast<long>(bytes[0]) - 8;
    const std::string text(reinterpret_cast<const char*>(bytes + 1), size - 1);
    const auto action = calls::readClipboardText(text, swipeLength);
    if (action.kind == calls::ClipboardAction::Dial) {
        // Only ever ten digits go to Dial.
        if (action.number.size() != 10) std::abort();
        for (const char c : action.number)
            if (c < '0' || c > '9') std::abort();
    } else if (!action.number.empty()) {
        std::abort();
    }
    return 0;
}
