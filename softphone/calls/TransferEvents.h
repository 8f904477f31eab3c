#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// What the engine reports of transfers. A failed one (among them a far end's
// REFER the engine refused, code 603) is one status line.
class TransferEvents : public engine::SipEngineEvents {
public:
    explicit TransferEvents(core::AppContext& app) : app_(app) {}
    void OnTransferFailed(int line, long statusCode, const std::string& reason) override;

private:
    core::AppContext& app_;
};

}  // namespace velmora::calls
