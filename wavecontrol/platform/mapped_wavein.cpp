// The device mapper on the input side. Recording a compressed format needs an encoder of the
// codec manager, which it does not offer yet: such a format is refused as the device would
// refuse it.
#include "platform/wavein.h"

namespace tonwell {

MMRESULT openMappedWaveIn(WaveInSystem& system, int id, const WaveFormat& f, WaveDoneCallback done,
                          std::unique_ptr<WaveIn>* out)
{
    return system.open(id, f, std::move(done), out);
}

} // namespace tonwell
