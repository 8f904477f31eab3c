#pragma once

#include "loop/EventLoop.h"
#include "core/settings/InstallRoot.h"
#include "engine/SipEngine.h"

#include <memory>

namespace velmora::ui {

// The SIP engine the window owns for the whole run.
std::unique_ptr<engine::SipEngine> makeEngine(loop::EventLoop& loop, const core::InstallRoot& root);

}  // namespace velmora::ui
