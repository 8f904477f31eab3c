// libFuzzer target: list files (agents, chat users, transfer numbers, the
// monitor list) as the program reads them, from memory and from a file.
#include "FuzzInput.h"
#include "settings/ListFile.h"

#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(bytes), size);
    const std::size_t maximum = size > 0 ? bytes[0] % 100 : 49;
    const auto items = core::parseListItems(content, maximum);
    if (items.size() > maximum) std::abort();
    for (const auto& item : items)
        if (item.empty()) std::abort();
    if (core::readListFile(fuzz::scratchFile("agentlist.txt", content), maximum) != items) std::abort();
    return 0;
}
