// Outgoing events: sinks connect to a control's event source and get a cookie back.
#pragma once
#include "component/hresult.h"
#include "component/unknown.h"
#include "component/variant.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

namespace component {

// Implemented by the host: receives each event by DISPID with its arguments in declaration order.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void invoke(DISPID id, std::span<const Variant> args) = 0;
};

// Implemented by the control (the connection point of its default source interface).
class EventSource {
public:
    static constexpr Guid iid = Guid::of("{B196B286-BAB4-101A-B69C-00AA00341D07}");
    virtual ~EventSource() = default;
    // Connects `sink`; the cookie (never 0) identifies the connection for unadvise.
    virtual HRESULT advise(std::shared_ptr<EventSink> sink, std::uint32_t* cookie) = 0;
    // CONNECT_E_NOCONNECTION for an unknown cookie.
    virtual HRESULT unadvise(std::uint32_t cookie) = 0;
};

// The list of connections a control keeps; fire() calls the sinks in connection order.
// A sink may connect or disconnect sinks while an event is being delivered: a sink disconnected
// meanwhile is not called, one connected meanwhile first gets the next event.
class ConnectionList {
public:
    HRESULT advise(std::shared_ptr<EventSink> sink, std::uint32_t* cookie);
    HRESULT unadvise(std::uint32_t cookie);
    void fire(DISPID id, std::span<const Variant> args);
    void fire(DISPID id, std::initializer_list<Variant> args) { fire(id, std::span(args.begin(), args.size())); }
    void clear() { sinks_.clear(); }
    std::size_t size() const { return sinks_.size(); }

private:
    struct Connection {
        std::uint32_t cookie;
        std::shared_ptr<EventSink> sink;
    };
    std::vector<Connection> sinks_;
    std::uint32_t nextCookie_ = 1;
};

}  // namespace component
