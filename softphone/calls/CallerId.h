#pragma once

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// cidCheck clicked: the automatic caller-ID hand-over is stored under AutoCid
// as "True" or "False", and start-up ticks the box from it.
void cidCheckClicked(core::AppContext& app);

}  // namespace velmora::calls
