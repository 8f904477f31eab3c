#include "CallBook.h"

#include <algorithm>

namespace velmora::core {

Call& CallBook::place(int line, const std::string& number, CallDirection direction, std::time_t now,
                      std::uint32_t tick) {
    // Ended calls beyond the history are forgotten, oldest first; live ones never.
    while (calls_.size() >= kEndedKept) {
        const auto oldest = std::find_if(calls_.begin(), calls_.end(), [](const Call& c) { return !c.live(); });
        if (oldest == calls_.end()) break;
        calls_.erase(oldest);
    }
    Call call;
    call.serial = nextSerial_++;
    call.line = line;
    call.direction = direction;
    call.number = number;
    call.started = now;
    call.startedTick = tick;
    calls_.push_back(call);
    return calls_.back();
}

Call* CallBook::onLine(int line) {
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
        if (it->live() && it->line == line) return &*it;
    return nullptr;
}

Call* CallBook::find(std::uint64_t serial) {
    if (serial == 0) return nullptr;
    for (Call& call : calls_)
        if (call.serial == serial) return &call;
    return nullptr;
}

std::vector<Call*> CallBook::live() {
    std::vector<Call*> result;
    for (Call& call : calls_)
        if (call.live()) result.push_back(&call);
    return result;
}

bool CallBook::end(Call& call, std::time_t now) {
    if (!call.live()) return false;
    call.state = CallState::Ended;
    call.ended = now;
    return true;
}

}  // namespace velmora::core
