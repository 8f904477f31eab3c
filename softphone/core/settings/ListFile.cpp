#include "ListFile.h"

#include "TextFile.h"

namespace velmora::core {
namespace {

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace

std::vector<std::string> parseListItems(const std::string& content, std::size_t maxItems) {
    std::vector<std::string> items;
    std::string current;
    bool quoted = false;
    auto finish = [&] {
        std::string item = trimmed(current);
        if (item.size() >= 2 && item.front() == '"' && item.back() == '"') item = item.substr(1, item.size() - 2);
        if (!item.empty() && items.size() < maxItems) items.push_back(item);
        current.clear();
        quoted = false;
    };
    for (char c : content) {
        if (items.size() >= maxItems) break;
        if (c == '"') quoted = !quoted;
        if (c == '\r' || c == '\n' || (c == ',' && !quoted)) {
            finish();
            continue;
        }
        current += c;
    }
    finish();
    return items;
}

std::vector<std::string> readListFile(const std::filesystem::path& file, std::size_t maxItems) {
    auto content = readWholeFile(file);
    if (!content) return {};
    return parseListItems(*content, maxItems);
}

}  // namespace velmora::core
