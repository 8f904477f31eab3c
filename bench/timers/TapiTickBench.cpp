// Prints how long one TapiSip tick takes with 1,000 request files in the
// request folder: listing, choosing, deleting the chosen file and putting the
// request on the clipboard. The hand-over is left out (it is a dial); the
// taken file is dropped again after each tick so the folder stays full.

#include "AppContext.h"
#include "TapiBridge.h"
#include "engine/testing/RecordingEngine.h"
#include "loop/VirtualLoop.h"
#include "testing/FakePlatform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace velmora;

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int ticks = 500;
    char name[] = "/tmp/velmora-tapi-bench-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(name);
    std::filesystem::create_directories(root / "datalink");
    for (int i = 0; i < files; ++i) std::ofstream(root / "datalink" / (std::to_string(5550000000L + i) + ".dia")) << "";

    loop::VirtualLoop loop;
    engine::RecordingEngine engine;
    core::FakePlatform platform;
    core::MainWindowModel window(loop);
    core::AppContext app{window, engine, loop, platform, core::InstallRoot(root), {}};
    app.state.useSipTapi = true;

    std::vector<double> us;
    std::string taken;
    for (int tick = 0; tick < ticks; ++tick) {
        const auto start = std::chrono::steady_clock::now();
        core::tapiSipTick(app, [&taken](const std::string& request) { taken = request; });
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        std::ofstream(root / "datalink" / taken) << "";
    }
    std::sort(us.begin(), us.end());
    std::printf(
        "TapiSip tick with %d request files: median %.3f ms, 99th %.3f ms, worst %.3f ms (%d ticks; goal < 5 ms)\n",
        files, us[us.size() / 2] / 1000, us[us.size() * 99 / 100] / 1000, us.back() / 1000, ticks);
    std::filesystem::remove_all(root);
    return 0;
}
