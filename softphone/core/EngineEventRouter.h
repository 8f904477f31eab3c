#pragma once

#include "engine/SipEngineEvents.h"

namespace velmora::core {

struct AppContext;

// Hands each engine event to the handler that owns it.
class EngineEventRouter : public engine::SipEngineEvents {
public:
    explicit EngineEventRouter(AppContext& app) : app_(app) {}

    void OnDtmfDigit(int line, const std::string& digit) override;
    void OnPlayWaveDone(int line) override;

private:
    AppContext& app_;
};

}  // namespace velmora::core
