#pragma once

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// The local ring-back tone (bin/ring.wav, looping), only while wanted.
void startRingBack(core::AppContext& app);
void stopRingBack(core::AppContext& app);

}  // namespace velmora::calls
