#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// What the far end made of a transfer. A REFER the engine refused on the
// agent's behalf arrives as a failed transfer (code 603).
class TransferEvents : public engine::SipEngineEvents {
public:
    explicit TransferEvents(core::AppContext& app) : app_(app) {}
    void OnTransferAccepted(int line) override;
    void OnTransferFailed(int line, long statusCode, const std::string& reason) override;

private:
    core::AppContext& app_;
};

}  // namespace velmora::calls
