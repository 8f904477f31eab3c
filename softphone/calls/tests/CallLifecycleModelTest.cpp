// Random shifts of calls against the whole program on a virtual clock: each
// seed plays a sequence of agent actions and far-end events (some of them
// landing in the middle of a handler's wait), and after every step the
// program and the engine must agree on what calls there are. At the end of
// the shift every call has exactly one record under its own number, and every
// saved recording holds its own call's audio only.

#include "app/Program.h"
#include "core/Online.h"
#include "core/Shutdown.h"
#include "engine/testing/SimulatedEngine.h"

#include "AppFixture.h"

#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>

namespace velmora::calls {
namespace {

using engine::SimulatedEngine;

constexpr int kSteps = 60;

// One shift: the program, a simulated engine and the far ends, driven by a seed.
struct Shift {
    core::testing::TempRoot root;
    loop::VirtualLoop loop;
    SimulatedEngine engine{loop};
    core::FakePlatform platform;
    core::MainWindowModel window{loop};
    core::AppContext app{window, engine, loop, platform, core::InstallRoot(root.dir), {}};
    std::unique_ptr<app::Program> program;
    std::mt19937 random;
    std::vector<std::string> steps;                 // what happened, for a failing seed
    std::string problem;                            // the first broken rule
    std::map<int, std::set<std::string>> handedTo;  // a call's tag: the numbers it was transferred to
    int nextNumber = 1000;
    bool closed = false;

    explicit Shift(unsigned seed) : random(seed) {
        std::filesystem::create_directories(root.dir / "messages");
        std::filesystem::create_directories(root.dir / "logs");
        app.settings().set(core::keys::recordAll, pick(3) == 0 ? "False" : "True");
        program = std::make_unique<app::Program>(app);
        window.webtimer.setEnabled(false);
        window.EditAccountDisplayName.setText("Ann");
        window.EditAccountUserName.setText("1001");
        app.state.lineCount = 2;
        core::fillLineLists(app);
        for (auto* devices : {&window.ListAudioIn, &window.ListAudioOut}) {
            devices->addItem("Default Device");
            devices->setListIndex(0);
        }
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    std::string newNumber() { return "555" + std::to_string(1000000 + nextNumber++); }
    void note(const std::string& step) { steps.push_back("[" + std::to_string(loop.tickCount()) + "] " + step); }
    void fail(const std::string& why) {
        if (problem.empty()) problem = why;
    }
    int tagOn(int line) const { return engine.lineCall(line) ? engine.lineCall(line)->tag : 0; }

    // One agent action or far-end event.
    void act(int what) {
        const int line = pick(2);
        switch (what) {
        case 0: {
            const std::string number = newNumber();
            note("dial " + number + " on line " + std::to_string(line + 1));
            window.ComboDial.setListIndex(line);
            window.EditPhoneNo.setText(number);
            window.BtnDial.click();
            break;
        }
        case 1: {
            const std::string number = newNumber();
            note("offer from " + number);
            engine.offer(number);
            break;
        }
        case 2: {
            const auto ids = engine.offeredIds();
            if (ids.empty()) break;
            note("caller " + ids.front() + " cancels");
            engine.cancelOffer(ids[pick(static_cast<int>(ids.size()))]);
            break;
        }
        case 3: {
            const auto shown = window.ListIncomingCallIds.lines();
            if (shown.empty()) break;
            const int index = pick(static_cast<int>(shown.size()));
            note("accept entry " + std::to_string(index) + " on line " + std::to_string(line + 1));
            window.ListIncomingCall.setListIndex(index);
            window.ComboIncomingCall.setListIndex(line);
            const auto before = engine.callsOf("AcceptCall").size();
            window.BtnAccept.click();
            const auto accepts = engine.callsOf("AcceptCall");
            if (accepts.size() > before && accepts.back().args.at(1) != shown[index])
                fail("Accept took " + accepts.back().args.at(1) + " while " + shown[index] + " was chosen");
            break;
        }
        case 4: {
            if (window.ListIncomingCall.count() == 0) break;
            note("reject");
            window.ListIncomingCall.setListIndex(pick(window.ListIncomingCall.count()));
            window.BtnReject.click();
            break;
        }
        case 5:
            note("agent hangs up line " + std::to_string(line + 1));
            window.ComboDial.setListIndex(line);
            window.BtnHangUp.click();
            break;
        case 6:
            note("far end answers line " + std::to_string(line + 1));
            engine.answer(line);
            break;
        case 7:
            note("far end hangs up line " + std::to_string(line + 1));
            engine.hangUp(line);
            break;
        case 8: {
            const bool listed = pick(2) == 0;
            note(std::string("far end refuses line ") + std::to_string(line + 1) + (listed ? " busy" : " decline"));
            engine.refuse(line, listed ? 486 : 603, listed ? "Busy Here" : "Decline");
            break;
        }
        case 9:
            note("hold line " + std::to_string(line + 1));
            window.ComboDial.setListIndex(line);
            window.BtnHold.click();
            break;
        case 10:
            note("unhold line " + std::to_string(line + 1));
            window.ComboDial.setListIndex(line);
            window.BtnUnHold.click();
            break;
        case 11:
        case 12: {
            const std::string number = newNumber();
            const bool drop = what == 12;
            note((drop ? "message drop on line " : "blind transfer of line ") + std::to_string(line + 1) + " via " +
                 number);
            window.ComboTransferCall.setListIndex(line);
            window.EditTransferPhoneNo.setText(number);
            const int tag = tagOn(line);
            (drop ? window.PlayMsgPush : window.BtnTransferCall).click();
            if (tag) handedTo[tag].insert(number);
            break;
        }
        case 13: {
            const bool accepted = pick(3) != 0;
            note(std::string("far end ") + (accepted ? "takes" : "refuses") + " the transfer of line " +
                 std::to_string(line + 1));
            engine.takeTransfer(line, accepted);
            break;
        }
        case 14: {
            const std::string number = newNumber();
            note("second-line call to " + number);
            window.EditTransferPhoneNo.setText(number);
            window.CallTranPush.click();
            break;
        }
        case 15: {
            if (!engine.lineCall(0) || !engine.lineCall(1)) break;
            note("supervised transfer");
            window.EditTransferPhoneNo.setText(engine.lineCall(1)->target);
            window.BtnConsultTransfer.click();
            break;
        }
        case 16: {
            note("dial pad 5 and * on line " + std::to_string(line + 1));
            window.ComboDial.setListIndex(line);
            window.BtnDialPad5.click();
            window.BtnDialPadStar.click();
            break;
        }
        case 17:
            note("recording box on line " + std::to_string(line + 1));
            window.ComboDial.setListIndex(line);
            window.CheckStartRecording.setValue(window.CheckStartRecording.ticked() ? 0 : 1);
            break;
        case 18:
            note("record this call");
            window.RecThisCallCheck.setValue(window.RecThisCallCheck.ticked() ? 0 : 1);
            break;
        default: {
            const int ms = pick(3000);
            note("wait " + std::to_string(ms) + " ms");
            loop.advance(ms);
            break;
        }
        }
    }

    // An action now, or later: in the middle of whatever handler waits then.
    void step() {
        const int what = pick(21);
        if (pick(4) != 0) {
            act(what);
        } else {
            const int delay = 1 + pick(700);
            note("(in " + std::to_string(delay) + " ms:)");
            auto timer = std::make_shared<loop::EventLoop::TimerId>();
            *timer = loop.startTimer(delay, [this, timer, what] {
                loop.stopTimer(*timer);
                if (!closed) act(what);
            });
        }
        loop.advance(0);
    }

    void checkNow() {
        if (std::getenv("VELMORA_MODEL_TRACE"))
            fprintf(stderr, "[%u] sim0=%d book0=%s sim1=%d book1=%s\n", loop.tickCount(), tagOn(0),
                    app.state.calls.onLine(0) ? app.state.calls.onLine(0)->number.c_str() : "-", tagOn(1),
                    app.state.calls.onLine(1) ? app.state.calls.onLine(1)->number.c_str() : "-");
        // The panel shows exactly the calls the engine still offers.
        if (window.ListIncomingCallIds.lines() != engine.offeredIds() ||
            window.ListIncomingCall.count() != static_cast<int>(engine.offeredIds().size()))
            fail("the panel lists " + std::to_string(window.ListIncomingCall.count()) + " entries for " +
                 std::to_string(engine.offeredIds().size()) + " offered calls");
        // A call the engine carries is a call of the program's on that line, and back.
        for (int line = 0; line < SimulatedEngine::kLines; ++line) {
            const bool engineHas = engine.lineCall(line).has_value();
            const bool programHas = app.state.calls.onLine(line) != nullptr;
            if (engineHas != programHas)
                fail("line " + std::to_string(line + 1) +
                     (engineHas
                          ? " carries a call the program lost"
                          : " has a program call the engine ended: " + app.state.calls.onLine(line)->number +
                                " in state " + std::to_string(static_cast<int>(app.state.calls.onLine(line)->state))));
        }
        if (window.CallTimer.enabled()) {
            bool counted = false;
            for (const core::Call* call : app.state.calls.live()) counted = counted || call->counted;
            if (!counted) fail("the counter runs with no call to count");
        }
    }

    void checkEnd() {
        if (!engine.lineCall(0) && !engine.lineCall(1) && !app.state.calls.live().empty())
            fail("a call outlived the program's end");
        for (int line = 0; line < SimulatedEngine::kLines; ++line)
            if (engine.lineCall(line)) fail("line " + std::to_string(line + 1) + " still carries a call after the end");
        if (engine.lostAudio() > 0)
            fail("recorded audio of the call with " + engine.callTargets().at(engine.lostAudioOf().front()) +
                 " was neither saved nor kept");
        // Every call: exactly one record, under its own number, or under the
        // number it was handed to when the far end took a transfer.
        std::map<std::pair<std::string, bool>, int> recordsOf;  // (number, a transfer's record)
        const auto log = root.dir / "logs/Ann_calllogs.csv";
        std::istringstream csv(std::filesystem::exists(log) ? root.read("logs/Ann_calllogs.csv") : std::string());
        for (std::string line; std::getline(csv, line);) {
            if (line.size() < 2) continue;
            const std::string number = line.substr(1, line.find('"', 1) - 1);
            const bool handedOver = line.find("\"Blind Transfer\"") != std::string::npos ||
                                    line.find("\"Answering Machine\"") != std::string::npos;
            ++recordsOf[{number, handedOver}];
        }
        // Calls to the same number (dialled twice from the transfer field) share
        // their records: as many as there were calls.
        std::map<std::string, std::vector<int>> callsTo;
        for (const auto& [tag, target] : engine.callTargets()) callsTo[target].push_back(tag);
        std::map<std::pair<std::string, bool>, int> claimed;
        for (const auto& [target, tags] : callsTo) {
            int records = recordsOf[{target, false}];
            claimed[{target, false}] += records;
            for (const int tag : tags)
                for (const auto& number : handedTo[tag]) {
                    records += recordsOf[{number, true}];
                    claimed[{number, true}] += recordsOf[{number, true}];
                }
            if (records != static_cast<int>(tags.size()))
                fail(std::to_string(tags.size()) + " calls to or from " + target + " have " + std::to_string(records) +
                     " records");
        }
        for (const auto& [key, count] : recordsOf)
            if (count && !claimed[key]) fail("a record names " + key.first + ", no call's number");
        // Every saved recording holds one call's audio, named after that call.
        for (const auto& [path, tags] : engine.savedFiles()) {
            const std::string name = std::filesystem::path(path).filename().string();
            for (const int tag : tags) {
                const auto& target = engine.callTargets().at(tag);
                if (name.rfind(target + "_", 0) != 0) fail(name + " holds audio of the call with " + target);
            }
        }
    }

    void run() {
        for (int i = 0; i < kSteps && problem.empty(); ++i) {
            step();
            checkNow();
        }
        note("window closed");
        core::shutdownProgram(app);
        closed = true;
        loop.advance(3000);
        if (problem.empty()) checkEnd();
    }

    std::string story() const {
        std::string out;
        for (const auto& s : steps) out += "  " + s + "\n";
        out += "engine operations:\n";
        for (const auto& op : engine.calls())
            if (op.name.rfind("Is", 0) != 0 && op.name.rfind("Get", 0) != 0) out += "  " + op.text() + "\n";
        out += "calls:\n";
        for (const auto& [tag, target] : engine.callTargets()) out += "  " + std::to_string(tag) + " " + target + "\n";
        return out + "records:\n" + root.read("logs/Ann_calllogs.csv") + "status list:\n" + statusList();
    }
    std::string statusList() const {
        std::string out;
        for (const auto& line : window.ListStatusLog.lines()) out += "  " + line + "\n";
        return out;
    }
};

TEST(CallLifecycleModel, RandomShiftsKeepEveryCallToItself) {
    const unsigned base = std::getenv("VELMORA_MODEL_SEED") ? std::atoi(std::getenv("VELMORA_MODEL_SEED")) : 20261211;
    const int shifts = std::getenv("VELMORA_MODEL_SHIFTS") ? std::atoi(std::getenv("VELMORA_MODEL_SHIFTS")) : 2000;
    for (int i = 0; i < shifts; ++i) {
        const unsigned seed = base + static_cast<unsigned>(i);
        Shift shift(seed);
        shift.run();
        ASSERT_TRUE(shift.problem.empty()) << "seed " << seed << ": " << shift.problem << "\n" << shift.story();
    }
}

}  // namespace
}  // namespace velmora::calls
