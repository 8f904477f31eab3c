#include "component/events.h"

#include <algorithm>

namespace component {

HRESULT ConnectionList::advise(std::shared_ptr<EventSink> sink, std::uint32_t* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = nextCookie_++;
    if (nextCookie_ == 0) nextCookie_ = 1;
    sinks_.push_back({*cookie, std::move(sink)});
    return S_OK;
}

HRESULT ConnectionList::unadvise(std::uint32_t cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Connection& c) { return c.cookie == cookie; });
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    sinks_.erase(it);
    return S_OK;
}

void ConnectionList::fire(DISPID id, std::span<const Variant> args) {
    const std::vector<Connection> snapshot = sinks_;
    for (const Connection& c : snapshot) {
        const bool stillConnected =
            std::any_of(sinks_.begin(), sinks_.end(), [&](const Connection& s) { return s.cookie == c.cookie; });
        if (stillConnected) c.sink->invoke(id, args);
    }
}

}  // namespace component
