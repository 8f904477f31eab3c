// The layers of the program, bottom up: loop, engine, core, the subsystems
// (calls, media, side by side), the composition root (app) and the Qt view
// (ui). No file of the program includes a header of a layer above its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct LayerRule {
    const char* folder;
    std::vector<std::string> forbidden;  // folders whose headers it may not include
};

std::vector<std::string> violations(const LayerRule& rule) {
    const fs::path dir = fs::path(VELMORA_SOFTPHONE_DIR) / rule.folder;
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") continue;
        // Tests may build the whole program around the layer they test.
        if (entry.path().string().find("/tests/") != std::string::npos) continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, include)) continue;
            for (const auto& above : rule.forbidden)
                if (m[1].str().rfind(above + "/", 0) == 0)
                    found.push_back(entry.path().string() + ":" + std::to_string(number) + ": " + m[1].str());
        }
    }
    return found;
}

TEST(Layering, NoLayerIncludesOneAboveIt) {
    const LayerRule rules[] = {
        {"loop", {"engine", "core", "calls", "media", "app", "ui"}},
        {"engine", {"core", "calls", "media", "app", "ui"}},
        {"core", {"calls", "media", "app", "ui"}},
        {"calls", {"app", "ui"}},
        {"media", {"app", "ui"}},
        {"app", {"ui"}},
    };
    for (const auto& rule : rules) EXPECT_EQ(violations(rule), std::vector<std::string>{}) << rule.folder;
}

}  // namespace
