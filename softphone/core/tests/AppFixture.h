#pragma once

#include "AppContext.h"
#include "engine/testing/RecordingEngine.h"
#include "loop/VirtualLoop.h"
#include "settings/TextFile.h"
#include "testing/FakePlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velmora::core::testing {

using loop::VirtualLoop;

// A private install root in a temporary folder, removed afterwards.
struct TempRoot {
    std::filesystem::path dir;
    TempRoot() {
        char name[] = "/tmp/velmora-test-XXXXXX";
        dir = ::mkdtemp(name);
        std::filesystem::create_directories(dir / "bin");
    }
    ~TempRoot() {
        std::error_code ec;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir, ec);
    }
    void write(const std::string& relative, const std::string& content) const {
        std::filesystem::create_directories((dir / relative).parent_path());
        std::ofstream(dir / relative, std::ios::binary) << content;
    }
    std::string read(const std::string& relative) const { return readWholeFile(dir / relative).value_or("<missing>"); }
};

// The whole program without a display: window model, recording engine,
// virtual loop and fake desktop around one AppContext.
struct AppFixture : ::testing::Test {
    TempRoot root;
    VirtualLoop loop;
    engine::RecordingEngine engine;
    FakePlatform platform;
    MainWindowModel window{loop};
    AppContext app{window, engine, loop, platform, InstallRoot(root.dir), {}};

    AppFixture() {
        platform.formTop = [this] { return window.form.top(); };
    }
};

}  // namespace velmora::core::testing
