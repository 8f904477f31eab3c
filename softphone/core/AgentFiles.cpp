#include "AgentFiles.h"

#include "CsvText.h"

#include "AppContext.h"
#include "settings/TextFile.h"

#include <algorithm>
#include <regex>

namespace velmora::core {

std::filesystem::path callLogFile(const AppContext& app) {
    // A separator in the display name must not lead the record out of logs/.
    std::string agent = app.window.EditAccountDisplayName.text();
    std::replace(agent.begin(), agent.end(), '/', '_');
    return app.root.find("logs") / (agent + "_calllogs.csv");
}

std::vector<std::string> parseCsvLine(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(std::move(field));
    // The apostrophe a spreadsheet needs is the file's, not the caller's.
    for (auto& f : fields) f = fromCellText(f);
    return fields;
}

std::vector<std::vector<std::string>> readCallLog(const std::filesystem::path& file) {
    std::vector<std::vector<std::string>> records;
    const auto content = readWholeFile(file);
    if (!content) return records;
    for (const auto& line : splitLines(*content))
        if (!line.empty()) records.push_back(parseCsvLine(line));
    std::reverse(records.begin(), records.end());
    return records;
}

std::vector<Recording> listRecordings(const std::filesystem::path& folder) {
    static const std::regex pattern(R"((.*)_(\d\d)(\d\d)(\d\d)_(\d\d)(\d\d)(\d\d)\.wav)", std::regex::icase);
    std::vector<std::pair<std::string, Recording>> found;  // sort key, recording
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 4 ||
            !std::equal(name.end() - 4, name.end(), ".wav", [](char a, char b) { return std::tolower(a) == b; }))
            continue;
        Recording r{it->path(), name, "", ""};
        std::string key = "0";
        std::smatch m;
        if (std::regex_match(name, m, pattern)) {
            r.name = m[1];
            r.date = std::to_string(std::stoi(m[3])) + "/" + std::to_string(std::stoi(m[2])) + "/20" + m[4].str();
            r.time = m[5].str() + ":" + m[6].str() + ":" + m[7].str();
            key = "1" + m[4].str() + m[3].str() + m[2].str() + m[5].str() + m[6].str() + m[7].str();
        }
        found.emplace_back(key, std::move(r));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Recording> out;
    for (auto& [key, r] : found) out.push_back(std::move(r));
    return out;
}

namespace {

// Only a regular file directly inside the folder (no link, no path out of it).
bool plainFileIn(const std::filesystem::path& file, const std::filesystem::path& folder) {
    std::error_code ec;
    return file.parent_path() == folder &&
           std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::regular;
}

}  // namespace

std::optional<std::filesystem::path> saveKeptRecording(const std::filesystem::path& kept,
                                                       const std::filesystem::path& messagesFolder) {
    if (!plainFileIn(kept, kept.parent_path())) return std::nullopt;
    std::error_code ec;
    const std::string stem = kept.stem().string();
    auto target = messagesFolder / kept.filename();
    for (int n = 2; std::filesystem::exists(target, ec); ++n)
        target = messagesFolder / (stem + "-" + std::to_string(n) + ".wav");
    std::filesystem::rename(kept, target, ec);
    if (ec) {  // another file system: copy, then remove
        ec.clear();
        std::filesystem::copy_file(kept, target, ec);
        if (ec) return std::nullopt;
        std::filesystem::remove(kept, ec);
    }
    return target;
}

bool deleteKeptRecording(const std::filesystem::path& kept, const std::filesystem::path& keptFolder) {
    if (!plainFileIn(kept, keptFolder)) return false;
    std::error_code ec;
    return std::filesystem::remove(kept, ec);
}

}  // namespace velmora::core
