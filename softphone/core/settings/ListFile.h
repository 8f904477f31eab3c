#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::core {

// Reads a list file item by item: an item ends at a comma or a line end,
// blanks around it and surrounding double quotes are removed (a quoted item
// may hold commas), empty items are skipped, and at most `maxItems` are kept.
// A missing or unreadable file gives an empty list.
std::vector<std::string> readListFile(const std::filesystem::path& file, std::size_t maxItems);
std::vector<std::string> parseListItems(const std::string& content, std::size_t maxItems);

}  // namespace velmora::core
