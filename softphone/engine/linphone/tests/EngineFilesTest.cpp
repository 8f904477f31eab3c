#include "EngineRig.h"

#include <fcntl.h>
#include <unistd.h>

#include <set>

// What the engine leaves on disk and on the console: liblinphone's files in
// the state folder, its log in the log file, nothing on standard output or
// error.

namespace velmora::engine::testing {
namespace {

// Standard output and error go to a file while it lives.
class ConsoleCapture {
public:
    explicit ConsoleCapture(const std::filesystem::path& file) : file_(file) {
        std::fflush(stdout);
        std::fflush(stderr);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        savedOut_ = ::dup(1);
        savedErr_ = ::dup(2);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~ConsoleCapture() { release(); }
    std::string release() {
        if (savedOut_ >= 0) {
            std::fflush(stdout);
            std::fflush(stderr);
            ::dup2(savedOut_, 1);
            ::dup2(savedErr_, 2);
            ::close(savedOut_);
            ::close(savedErr_);
            savedOut_ = savedErr_ = -1;
        }
        return rig::readFile(file_);
    }

private:
    std::filesystem::path file_;
    int savedOut_ = -1;
    int savedErr_ = -1;
};

struct LogCase {
    const char* name;
    bool fullLog;
    bool sipInLog;
    friend void PrintTo(const LogCase& c, std::ostream* out) { *out << c.name; }
};

class EngineFiles : public EngineTest, public ::testing::WithParamInterface<LogCase> {};

TEST_P(EngineFiles, LogGoesToItsFileOnlyAndFilesStayInTheStateFolder) {
    rig::TempFolder root("velmora-root");
    const auto logFile = root.path() / "logs" / "engine.log";
    Agent& ann = agent("1001", "secret1", [&](LinphoneEngineOptions& o) {
        o.stateFolder = root.path() / "engine";
        o.logFile = logFile;
        o.fullLog = GetParam().fullLog;
    });
    auto peer = callee("uas_answer.xml");

    ConsoleCapture console(root.path() / "console.txt");
    const bool registered = online(ann);
    const bool connected =
        registered && ann.engine->Dial(0, peer->uri(), -1, -1) && waitFor([&] { return ann.log.has("OnConnected"); });
    if (connected) ann.engine->DisconnectLine(0);
    const auto peerStatus = outcome(*peer);
    ann.engine->ShutdownEngine();
    ann.engine.reset();
    const std::string printed = console.release();
    std::filesystem::remove(root.path() / "console.txt");

    ASSERT_TRUE(connected) << ann.log.text() << peer->report();
    EXPECT_EQ(peerStatus, 0) << peer->report();
    EXPECT_EQ(printed.find("SIP/2.0"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("liblinphone"), std::string::npos) << printed;

    const std::string log = rig::readFile(logFile);
    EXPECT_EQ(log.find("REGISTER sip:") != std::string::npos, GetParam().sipInLog);
    EXPECT_EQ(log.find("INVITE sip:") != std::string::npos, GetParam().sipInLog);
    EXPECT_EQ(log.find("secret1"), std::string::npos);  // the password, never

    EXPECT_EQ(std::filesystem::status(logFile).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // liblinphone's own configuration and database keep no password once the engine is gone.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(rig::readFile(entry.path()).find("secret1"), std::string::npos) << entry.path();
        }
    }

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"engine", "logs"}));
}

INSTANTIATE_TEST_SUITE_P(, EngineFiles,
                         ::testing::Values(LogCase{"WarningsAndErrors", false, false}, LogCase{"FullLog", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::engine::testing
